#pragma once

#include <functional>
#include <memory>

#include "IGraphics.h"
#include "IKitEditorDelegate.h"

// The editor delegate for an IGraphics editor: it creates the graphics context
// on demand through the editor factory function, lays it out through the
// layout function, owns it while the editor is open and forwards values and
// messages to its controls. Main thread only.
class IGEditorDelegate : public IEditorDelegate
{
public:
  using MakeGraphicsFunc = std::function<std::unique_ptr<IGraphics>()>;
  using LayoutFunc = std::function<void(IGraphics* pGraphics)>;

  explicit IGEditorDelegate(int nParams);
  ~IGEditorDelegate() override;

  // Creates a context when none exists (resized to the size and scale last
  // seen at close, when there is one) and opens it; null without a context.
  void* OpenWindow(void* pParent) override;
  // Calls OnUIClose, remembers the context's size and scale, closes and
  // destroys it. Re-entry while closing does nothing.
  void CloseWindow() override;

  // Offered to the context with the current pointer position; false without
  // a context.
  bool OnKeyDown(const IKeyPress& key) override;
  bool OnKeyUp(const IKeyPress& key) override;

  void SendControlValueFromDelegate(int ctrlTag, double normalizedValue) override;
  void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize = 0, const void* pData = nullptr) override;
  // Every control that wants MIDI receives OnMidi, in list order; then
  // OnMidiMsgUI.
  void SendMidiMsgFromDelegate(const IMidiMsg& msg) override;
  // Every value slot bound to paramIdx receives the (normalised) value; then
  // OnParamChangeUI(paramIdx, kDelegate).
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override;

  // Width (int32), height (int32) and draw scale (float32), from the open
  // context or the values remembered at the last close.
  bool SerializeEditorState(IByteChunk& chunk) const override;
  int UnserializeEditorState(const IByteChunk& chunk, int startPos) override;
  void SetScreenScale(float scale) override;

  // A new context from the editor factory function; null when none is set.
  virtual std::unique_ptr<IGraphics> CreateGraphics();
  // Runs the layout function on the context, when one is set.
  virtual void LayoutUI(IGraphics* pGraphics);

  // The open context, or null.
  IGraphics* GetUI() { return mGraphics.get(); }
  const IGraphics* GetUI() const { return mGraphics.get(); }

  void SetMakeGraphicsFunc(MakeGraphicsFunc func) { mMakeGraphicsFunc = std::move(func); }
  void SetLayoutFunc(LayoutFunc func) { mLayoutFunc = std::move(func); }

  int GetLastWidth() const { return mLastWidth; }
  int GetLastHeight() const { return mLastHeight; }
  float GetLastScale() const { return mLastScale; }

protected:
  std::unique_ptr<IGraphics> mGraphics;
  int mLastWidth = 0;
  int mLastHeight = 0;
  float mLastScale = 0.f;
  bool mClosing = false;
  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;
};
