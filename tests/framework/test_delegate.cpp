#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "IGraphicsEditorDelegate.h"
#include "IKitByteChunk.h"
#include "IKitParameter.h"

namespace
{
using Log = std::vector<std::string>;

// A control with one value slot per bound parameter; a captured control
// ignores values pushed by the delegate, as a knob held by the mouse does.
class FakeControl : public IControl
{
public:
  FakeControl(std::vector<int> params, int tag = -1, bool wantsMidi = false)
    : mParams(std::move(params)), mValues(mParams.size(), -1.0), mTag(tag), mWantsMidi(wantsMidi)
  {
  }

  void SetValueFromDelegate(double value, int valIdx) override
  {
    if (!captured)
      mValues[static_cast<size_t>(valIdx)] = value;
  }
  int GetParamIdx(int valIdx) const override { return mParams[static_cast<size_t>(valIdx)]; }
  int NVals() const override { return static_cast<int>(mParams.size()); }
  int GetTag() const override { return mTag; }
  bool GetWantsMidi() const override { return mWantsMidi; }
  void OnMidi(const IMidiMsg& msg) override { midi.push_back(msg); }
  void OnMsgFromDelegate(int msgTag, int, const void*) override { msgs.push_back(msgTag); }

  double Value(int valIdx = 0) const { return mValues[static_cast<size_t>(valIdx)]; }

  bool captured = false;
  std::vector<IMidiMsg> midi;
  std::vector<int> msgs;

private:
  std::vector<int> mParams;
  std::vector<double> mValues;
  int mTag;
  bool mWantsMidi;
};

// A graphics context that opens like the real one (layout, then OnUIOpen)
// and logs what the delegate asks of it.
class FakeGraphics : public IGraphics
{
public:
  FakeGraphics(IGEditorDelegate& delegate, Log& log) : mDelegate(delegate), mLog(log) {}

  void* OpenWindow(void*) override
  {
    mLog.push_back("open " + std::to_string(mWidth) + "x" + std::to_string(mHeight) + "@" +
                   std::to_string(mScale));
    mDelegate.LayoutUI(this);
    mDelegate.OnUIOpen();
    return this;
  }
  void CloseWindow() override { mLog.push_back("close"); }
  void Resize(int w, int h, float scale, bool platform) override
  {
    mLog.push_back("resize " + std::to_string(w) + "x" + std::to_string(h) + "@" + std::to_string(scale) +
                   (platform ? " platform" : ""));
    mWidth = w;
    mHeight = h;
    mScale = scale;
  }
  void SetScreenScale(float scale) override { mLog.push_back("screen " + std::to_string(scale)); }
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  float GetDrawScale() const override { return mScale; }
  int NControls() const override { return static_cast<int>(controls.size()); }
  IControl* GetControl(int idx) override { return controls[static_cast<size_t>(idx)].get(); }
  IControl* GetControlWithTag(int tag) override
  {
    for (auto& c : controls)
      if (c->GetTag() == tag)
        return c.get();
    return nullptr;
  }
  void GetMouseLocation(float& x, float& y) const override
  {
    x = 12.f;
    y = 34.f;
  }
  bool OnKeyDown(float x, float y, const IKeyPress& key) override
  {
    mLog.push_back("key " + std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)) +
                   " " + std::to_string(key.VK));
    return true;
  }
  bool OnKeyUp(float, float, const IKeyPress&) override { return false; }

  std::vector<std::unique_ptr<FakeControl>> controls;

private:
  IGEditorDelegate& mDelegate;
  Log& mLog;
  int mWidth = 880;
  int mHeight = 512;
  float mScale = 1.f;
};

class TestDelegate : public IGEditorDelegate
{
public:
  using IGEditorDelegate::OnParamChange;

  explicit TestDelegate(int nParams) : IGEditorDelegate(nParams) {}

  void OnParamChange(int idx) override { log.push_back("change " + std::to_string(idx)); }
  void OnParamChangeUI(int idx, EParamSource source) override
  {
    log.push_back("ui " + std::to_string(idx) + " " + std::to_string(source));
  }
  void OnMidiMsgUI(const IMidiMsg& msg) override { log.push_back("midi " + std::to_string(msg.mData1)); }
  void OnUIClose() override
  {
    log.push_back("uiclose");
    CloseWindow();  // re-entry must be harmless
  }

  // Installs a factory whose contexts get one knob on parameter 0, a tagged
  // two-slot control on parameters 1 and 0, and a MIDI-hungry display.
  void UseFakeGraphics()
  {
    SetMakeGraphicsFunc([this] { return std::make_unique<FakeGraphics>(*this, log); });
    SetLayoutFunc([this](IGraphics* g) {
      log.push_back("layout");
      auto& controls = static_cast<FakeGraphics*>(g)->controls;
      controls.push_back(std::make_unique<FakeControl>(std::vector<int>{0}));
      controls.push_back(std::make_unique<FakeControl>(std::vector<int>{1, 0}, 7));
      controls.push_back(std::make_unique<FakeControl>(std::vector<int>{-1}, 8, true));
    });
  }

  FakeGraphics* Graphics() { return static_cast<FakeGraphics*>(GetUI()); }
  FakeControl* Control(int i) { return Graphics()->controls[static_cast<size_t>(i)].get(); }

  Log log;
};
} // namespace

TEST(EditorDelegate, CreatesDefaultParametersAndGuardsTheIndex)
{
  TestDelegate d(3);
  EXPECT_EQ(d.NParams(), 3);
  EXPECT_NE(d.GetParam(2), nullptr);
  EXPECT_EQ(d.GetParam(3), nullptr);
  EXPECT_EQ(d.GetParam(-1), nullptr);
}

TEST(EditorDelegate, ParamResetVisitsEveryParameterInOrder)
{
  TestDelegate d(3);
  d.OnParamReset(kPresetRecall);
  EXPECT_EQ(d.log, (Log{"change 0", "ui 0 2", "change 1", "ui 1 2", "change 2", "ui 2 2"}));
}

TEST(EditorDelegate, WithoutAFactoryTheEditorDoesNotOpen)
{
  TestDelegate d(2);
  EXPECT_EQ(d.CreateGraphics(), nullptr);
  EXPECT_EQ(d.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(d.GetUI(), nullptr);
}

TEST(EditorDelegate, WithoutAnEditorOnlyTheUICallbacksRun)
{
  TestDelegate d(2);
  d.SendControlValueFromDelegate(7, 0.5);
  d.SendControlMsgFromDelegate(7, 1, 0, nullptr);
  d.SetScreenScale(2.f);
  d.SendMidiMsgFromDelegate(IMidiMsg(0, 0x90, 60, 1));
  d.SendParameterValueFromDelegate(1, 0.5, true);
  EXPECT_FALSE(d.OnKeyDown(IKeyPress{}));
  EXPECT_EQ(d.log, (Log{"midi 60", "ui 1 4"}));
}

TEST(EditorDelegate, OpeningLaysOutAndShowsEveryParameter)
{
  TestDelegate d(2);
  d.UseFakeGraphics();
  d.GetParam(0)->SetNormalized(0.25);
  d.GetParam(1)->SetNormalized(1.0);
  ASSERT_NE(d.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(d.log, (Log{"open 880x512@1.000000", "layout", "ui 0 4", "ui 1 4"}));
  EXPECT_EQ(d.Control(0)->Value(), 0.25);
  EXPECT_EQ(d.Control(1)->Value(0), 1.0);
  EXPECT_EQ(d.Control(1)->Value(1), 0.25);
}

TEST(EditorDelegate, ValuePushedWhileAKnobIsHeldLeavesTheKnob)
{
  TestDelegate d(2);
  d.UseFakeGraphics();
  d.GetParam(0)->InitDouble("Cutoff", 0.0, 0.0, 200.0, 1.0);
  d.OpenWindow(nullptr);
  d.log.clear();

  d.Control(0)->captured = true;
  d.SendParameterValueFromDelegate(0, 50.0, false);
  EXPECT_EQ(d.Control(0)->Value(), 0.0);
  EXPECT_EQ(d.Control(1)->Value(1), 0.25);  // plain 50 of 0..200, normalised
  EXPECT_EQ(d.log, (Log{"ui 0 4"}));
}

TEST(EditorDelegate, ControlsAreReachedByTagAndByMidiFlag)
{
  TestDelegate d(2);
  d.UseFakeGraphics();
  d.OpenWindow(nullptr);
  d.log.clear();

  d.SendControlValueFromDelegate(7, 0.75);
  EXPECT_EQ(d.Control(1)->Value(0), 0.75);
  d.SendControlMsgFromDelegate(8, 42, 0, nullptr);
  EXPECT_EQ(d.Control(2)->msgs, (std::vector<int>{42}));
  d.SendControlValueFromDelegate(99, 0.1);  // no such tag: nothing happens

  d.SendMidiMsgFromDelegate(IMidiMsg(0, 0x90, 61, 1));
  EXPECT_EQ(d.Control(2)->midi.size(), 1u);
  EXPECT_TRUE(d.Control(0)->midi.empty());
  EXPECT_EQ(d.log, (Log{"midi 61"}));

  IKeyPress key;
  key.VK = 65;
  EXPECT_TRUE(d.OnKeyDown(key));
  EXPECT_EQ(d.log.back(), "key 12,34 65");
}

TEST(EditorDelegate, ReopenedEditorGetsTheSizeItWasClosedAt)
{
  TestDelegate d(1);
  d.UseFakeGraphics();
  d.OpenWindow(nullptr);
  d.GetUI()->Resize(1760, 1024, 0.5f, true);
  d.log.clear();

  d.CloseWindow();
  EXPECT_EQ(d.GetUI(), nullptr);
  EXPECT_EQ(d.log, (Log{"uiclose", "close"}));
  EXPECT_EQ(d.GetLastWidth(), 1760);
  EXPECT_EQ(d.GetLastHeight(), 1024);
  EXPECT_EQ(d.GetLastScale(), 0.5f);

  d.log.clear();
  d.OpenWindow(nullptr);
  ASSERT_GE(d.log.size(), 3u);
  EXPECT_EQ(d.log[0], "resize 1760x1024@0.500000 platform");
  EXPECT_EQ(d.log[1], "open 1760x1024@0.500000");
  EXPECT_EQ(d.log[2], "layout");
  // A fresh context: the controls were laid out again from nothing.
  EXPECT_EQ(d.Graphics()->NControls(), 3);
}

TEST(EditorDelegate, EditorStateRoundTripsAndRejectsDamage)
{
  TestDelegate source(1);
  source.UseFakeGraphics();
  source.OpenWindow(nullptr);
  source.GetUI()->Resize(1320, 768, 0.75f, true);
  IByteChunk chunk;
  ASSERT_TRUE(source.SerializeEditorState(chunk));
  EXPECT_EQ(chunk.Size(), 12);

  TestDelegate closed(1);
  EXPECT_EQ(closed.UnserializeEditorState(chunk, 0), 12);
  EXPECT_EQ(closed.GetLastWidth(), 1320);
  EXPECT_EQ(closed.GetLastScale(), 0.75f);

  TestDelegate open(1);
  open.UseFakeGraphics();
  open.OpenWindow(nullptr);
  open.log.clear();
  EXPECT_EQ(open.UnserializeEditorState(chunk, 0), 12);
  EXPECT_EQ(open.log, (Log{"resize 1320x768@0.750000 platform"}));

  EXPECT_EQ(closed.UnserializeEditorState(chunk, 4), -1);  // too short

  IByteChunk damaged;
  damaged.Put(int32_t{-5});
  damaged.Put(int32_t{768});
  damaged.Put(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(closed.UnserializeEditorState(damaged, 0), 12);
  EXPECT_EQ(closed.GetLastWidth(), 0);
  EXPECT_EQ(closed.GetLastScale(), 0.f);
}
