#pragma once

#include <memory>
#include <vector>

#include "IKitConfig.h"
#include "IKitKeyPress.h"
#include "IKitMidi.h"

class IParam;
class IByteChunk;

// The editor-neutral link between a plug-in and its editor: parameter values,
// MIDI and arbitrary messages in both directions, window open and close, keys.
// It owns the plug-in's parameter objects. Every operation runs on the main
// (user-interface) thread unless its comment says otherwise.
class IEditorDelegate
{
public:
  // Creates nParams default parameters (a negative count gives none).
  explicit IEditorDelegate(int nParams);
  virtual ~IEditorDelegate();

  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  // Opens the editor in the platform parent view; returns the editor's view
  // or null. The base has no editor.
  virtual void* OpenWindow(void* pParent);
  virtual void CloseWindow();
  virtual void OnParentWindowResize(int width, int height);

  // Pushes every parameter's value to the editor.
  virtual void OnUIOpen();
  virtual void OnUIClose();

  // Either thread: forwards to OnParamChange(paramIdx).
  virtual void OnParamChange(int paramIdx, EParamSource source, int sampleOffset = -1);
  // Either thread: the plug-in's reaction to a new parameter value.
  virtual void OnParamChange(int paramIdx);
  virtual void OnParamChangeUI(int paramIdx, EParamSource source);
  // For every parameter in ascending order: OnParamChange(i, source, -1),
  // then OnParamChangeUI(i, source).
  virtual void OnParamReset(EParamSource source);

  virtual void OnMidiMsgUI(const IMidiMsg& msg);
  virtual void OnSysexMsgUI(const ISysEx& msg);
  virtual bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void* pData);
  // Pushes every parameter's value to the editor after a state was restored.
  virtual void OnRestoreState();

  // Returns whether the key was handled; the base handles none.
  virtual bool OnKeyDown(const IKeyPress& key);
  virtual bool OnKeyUp(const IKeyPress& key);

  // Plug-in to editor. Without an editor these do nothing, except that the
  // MIDI, SysEx and parameter paths still call OnMidiMsgUI, OnSysexMsgUI and
  // OnParamChangeUI(paramIdx, kDelegate).
  virtual void SendControlValueFromDelegate(int ctrlTag, double normalizedValue);
  virtual void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize = 0, const void* pData = nullptr);
  virtual void SendArbitraryMsgFromDelegate(int msgTag, int dataSize = 0, const void* pData = nullptr);
  virtual void SendMidiMsgFromDelegate(const IMidiMsg& msg);
  virtual void SendSysexMsgFromDelegate(const ISysEx& msg);
  virtual void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized);

  // Editor to plug-in.
  virtual void DirtyParametersFromUI();
  virtual void BeginInformHostOfParamChangeFromUI(int paramIdx);
  // Sets the parameter from the normalised value, then OnParamChangeUI(paramIdx,
  // kUI). Host adapters extend this to inform the host and the plug-in.
  virtual void SendParameterValueFromUI(int paramIdx, double normalizedValue);
  virtual void EndInformHostOfParamChangeFromUI(int paramIdx);
  // Returns whether the size was accepted; the base accepts only sizes that
  // need no platform resize.
  virtual bool EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize);
  // Calls DeferMidiMsg.
  virtual void SendMidiMsgFromUI(const IMidiMsg& msg);
  // Calls DeferSysexMsg.
  virtual void SendSysexMsgFromUI(const ISysEx& msg);
  // Calls OnMessage at once, on the calling thread.
  virtual void SendArbitraryMsgFromUI(int msgTag, int ctrlTag = -1, int dataSize = 0, const void* pData = nullptr);
  // Hands the message to the audio thread; the base has no queue and drops it.
  virtual void DeferMidiMsg(const IMidiMsg& msg);
  virtual void DeferSysexMsg(const ISysEx& msg);

  // The editor's size and scale in a chunk; the base stores nothing and
  // reports success.
  virtual bool SerializeEditorState(IByteChunk& chunk) const;
  // Returns the position after the editor state, or -1 when the chunk is too
  // short.
  virtual int UnserializeEditorState(const IByteChunk& chunk, int startPos);
  virtual void SetScreenScale(float scale);

  // The parameter at idx, or null outside 0 .. NParams() - 1. Either thread.
  IParam* GetParam(int idx);
  const IParam* GetParam(int idx) const;
  int NParams() const { return static_cast<int>(mParams.size()); }

protected:
  std::vector<std::unique_ptr<IParam>> mParams;
};
