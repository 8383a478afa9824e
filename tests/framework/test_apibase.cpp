#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "IKitAPIBase.h"

namespace
{
using Log = std::vector<std::string>;

Config MakeConfig(bool hasUI = true)
{
  Config c;
  c.nParams = 3;
  c.channelIOStr = "0-1 0-2";
  c.plugType = 1;
  c.plugHasUI = hasUI;
  c.plugWidth = 880;
  c.plugHeight = 512;
  c.plugMinWidth = 1760;  // given out of order: the pair is sorted
  c.plugMaxWidth = 440;
  c.plugMinHeight = 256;
  c.plugMaxHeight = 1024;
  return c;
}

// An adapter as a host binding builds it, logging the calls it receives.
class TestAPI : public IKitAPIBase
{
public:
  using IKitAPIBase::OnParamChange;

  explicit TestAPI(bool hasUI = true) : IKitAPIBase(MakeConfig(hasUI))
  {
    GetParam(1)->InitDouble("Cutoff", 0.0, 0.0, 200.0, 1.0);
  }

  void InformHostOfParamChange(int idx, double value) override
  {
    log.push_back("inform " + std::to_string(idx) + " " + std::to_string(value) + " param " +
                  std::to_string(GetParam(idx)->Value()));
  }
  void BeginInformHostOfParamChange(int idx) override { log.push_back("begin " + std::to_string(idx)); }
  void EndInformHostOfParamChange(int idx) override { log.push_back("end " + std::to_string(idx)); }
  bool EditorResize(int w, int h) override
  {
    log.push_back("resize " + std::to_string(w) + "x" + std::to_string(h));
    return true;
  }
  void OnParamChange(int idx) override { log.push_back("change " + std::to_string(idx)); }
  void OnParamChangeUI(int idx, EParamSource source) override
  {
    log.push_back("ui " + std::to_string(idx) + " " + std::to_string(source));
  }
  void OnMidiMsgUI(const IMidiMsg& msg) override { log.push_back("midi " + std::to_string(msg.mData1)); }
  void OnSysexMsgUI(const ISysEx& msg) override
  {
    log.push_back("sysex " + std::to_string(msg.mSize) + " " + std::string(reinterpret_cast<const char*>(msg.mData), static_cast<size_t>(msg.mSize)));
  }
  void OnIdle() override { log.push_back("idle"); }
  void HostSpecificInit() override { log.push_back("hostinit"); }
  void OnHostIdentified() override { log.push_back("identified"); }

  void Tick() { static_cast<ManualTimer*>(GetTimer())->Tick(); }

  Log log;
};
} // namespace

TEST(APIBase, StartsWithItsConfiguredEditorAndNoHost)
{
  TestAPI api;
  EXPECT_TRUE(api.HasUI());
  EXPECT_EQ(api.GetEditorWidth(), 880);
  EXPECT_EQ(api.GetEditorHeight(), 512);
  EXPECT_EQ(api.GetMinWidth(), 440);
  EXPECT_EQ(api.GetMaxWidth(), 1760);
  EXPECT_EQ(api.GetHost(), -1);
  ASSERT_NE(api.GetTimer(), nullptr);
  EXPECT_TRUE(api.GetTimer()->IsRunning());
  EXPECT_EQ(api.GetTimer()->GetIntervalMs(), 20);
}

TEST(APIBase, HostIsIdentifiedByTheFirstMatchingNamePart)
{
  const std::pair<const char*, int> cases[] = {
    {"WaveLab Elements 11", 32}, {"WaveLab 11", 31}, {"Ableton Live 11", 9}, {"", 0},
    {"Ardour", 28},              {"Harrison Mixbus", 45}, {"REAPER", 1}, {"Some Unknown Host", 0},
    {"Bitwig Studio", 34},       {"VST3PluginTestHost", 27},
  };
  for (const auto& [name, id] : cases)
    EXPECT_EQ(IKitAPIBase::LookUpHost(name), id) << name;
  EXPECT_EQ(IKitAPIBase::LookUpHost(nullptr), 0);

  TestAPI api;
  api.SetHost("Ardour 8.1", 0x80100);
  EXPECT_EQ(api.GetHost(), 28);
  EXPECT_EQ(api.GetHostVersion(), 0x80100);
  EXPECT_EQ(api.log, (Log{"hostinit", "identified"}));
}

TEST(APIBase, ValueFromTheEditorSetsParameterThenInformsHostThenPlugin)
{
  TestAPI api;
  api.SetParameterValue(1, 0.25);
  EXPECT_EQ(api.log, (Log{"inform 1 0.250000 param 50.000000", "change 1"}));

  api.log.clear();
  api.BeginInformHostOfParamChangeFromUI(1);
  api.SendParameterValueFromUI(1, 0.5);
  api.EndInformHostOfParamChangeFromUI(1);
  EXPECT_EQ(api.log, (Log{"begin 1", "inform 1 0.500000 param 100.000000", "change 1", "ui 1 3", "end 1"}));
  EXPECT_EQ(api.GetParam(1)->Value(), 100.0);

  api.log.clear();
  api.SetParameterValue(7, 0.5);  // unknown index
  EXPECT_TRUE(api.log.empty());
}

TEST(APIBase, DirtyParametersInformsTheHostOfEveryValue)
{
  TestAPI api;
  api.GetParam(1)->Set(20.0);
  api.DirtyParametersFromUI();
  EXPECT_EQ(api.log, (Log{"inform 0 0.000000 param 0.000000", "inform 1 0.100000 param 20.000000",
                          "inform 2 0.000000 param 0.000000"}));
}

TEST(APIBase, ValuesFromTheProcessorAreQueuedAsPlainValues)
{
  TestAPI api;
  api.SendParameterValueFromAPI(1, 0.25, true);
  api.SendParameterValueFromAPI(1, 30.0, false);
  api.SendParameterValueFromAPI(9, 1.0, true);  // unknown index: dropped
  ParamTuple t;
  ASSERT_TRUE(api.mParamChangeFromProcessor.Pop(t));
  EXPECT_EQ(t.idx, 1);
  EXPECT_EQ(t.value, 50.0);
  ASSERT_TRUE(api.mParamChangeFromProcessor.Pop(t));
  EXPECT_EQ(t.value, 30.0);
  EXPECT_FALSE(api.mParamChangeFromProcessor.Pop(t));
}

TEST(APIBase, TimerTickHandsProcessorMessagesToTheEditorThenIdles)
{
  TestAPI api;
  for (uint8_t n = 1; n <= 3; ++n)
    api.mMidiMsgsFromProcessor.Push(IMidiMsg(0, 0x90, n, 100));
  const char bytes[] = "\xF0hi\xF7";
  api.mSysExDataFromProcessor.Push(SysExData(0, 4, bytes));
  api.Tick();
  EXPECT_EQ(api.log, (Log{"midi 1", "midi 2", "midi 3", "sysex 4 \xF0hi\xF7", "idle"}));
  EXPECT_EQ(api.mMidiMsgsFromProcessor.ElementsAvailable(), 0);

  api.GetTimer()->Stop();
  api.log.clear();
  api.Tick();
  EXPECT_TRUE(api.log.empty());
}

TEST(APIBase, WithoutAnEditorTheTimerOnlyIdles)
{
  TestAPI api(false);
  api.mMidiMsgsFromProcessor.Push(IMidiMsg(0, 0x90, 1, 100));
  api.Tick();
  EXPECT_EQ(api.log, (Log{"idle"}));
  EXPECT_EQ(api.mMidiMsgsFromProcessor.ElementsAvailable(), 1);
}

TEST(APIBase, EditorMidiIsDeferredToTheAudioThreadUpToTheQueueSize)
{
  TestAPI api;
  for (int i = 0; i < 33; ++i)
    api.SendMidiMsgFromUI(IMidiMsg(i, 0xB0, 1, 2));
  IMidiMsg msg;
  for (int i = 0; i < 32; ++i)
  {
    ASSERT_TRUE(api.mMidiMsgsFromEditor.Pop(msg));
    EXPECT_EQ(msg.mOffset, i);
  }
  EXPECT_FALSE(api.mMidiMsgsFromEditor.Pop(msg));  // the 33rd was dropped

  const uint8_t bytes[] = {0xF0, 0x7E, 0xF7};
  api.SendSysexMsgFromUI(ISysEx(5, bytes, 3));
  api.SendSysexMsgFromUI(ISysEx(6, nullptr, 2));
  SysExData data;
  ASSERT_TRUE(api.mSysExDataFromEditor.Pop(data));
  EXPECT_EQ(data.mOffset, 5);
  EXPECT_EQ(data.mSize, 3);
  EXPECT_EQ(std::memcmp(data.mData, bytes, 3), 0);
  ASSERT_TRUE(api.mSysExDataFromEditor.Pop(data));
  EXPECT_EQ(data.mSize, 2);
  EXPECT_EQ(data.mData[0], 0);  // no bytes given: zeros travel
}

TEST(APIBase, OnlyPlatformResizesReachTheHost)
{
  TestAPI api;
  EXPECT_TRUE(api.EditorResizeFromUI(1000, 600, false));
  EXPECT_TRUE(api.log.empty());
  EXPECT_TRUE(api.EditorResizeFromUI(1000, 600, true));
  EXPECT_EQ(api.log, (Log{"resize 1000x600"}));
}

TEST(APIBase, InstalledTimerFactoryBuildsTheTimer)
{
  int created = 0;
  Timer::SetFactory([&](Timer::ITimerFunction func, int ms) -> std::unique_ptr<Timer> {
    ++created;
    return std::make_unique<ManualTimer>(std::move(func), ms * 2);
  });
  {
    TestAPI api;
    EXPECT_EQ(created, 1);
    EXPECT_EQ(api.GetTimer()->GetIntervalMs(), 40);
    api.CreateTimer();  // replaces the first timer
    EXPECT_EQ(created, 2);
  }
  Timer::SetFactory(nullptr);
  TestAPI api;
  EXPECT_EQ(created, 2);
  EXPECT_EQ(api.GetTimer()->GetIntervalMs(), 20);
}
