#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "IKitProcessor.h"

namespace
{
// A processor as a host adapter builds it; records what ProcessBlock sees.
class TestProcessor : public IKitProcessor
{
public:
  explicit TestProcessor(const char* io, int latency = 0)
    : IKitProcessor(MakeConfig(io, latency))
  {
  }

  static Config MakeConfig(const char* io, int latency)
  {
    Config c;
    c.channelIOStr = io;
    c.latency = latency;
    c.plugType = 1;
    return c;
  }

  bool SendMidiMsg(const IMidiMsg& msg) override
  {
    sent.push_back(msg);
    return acceptMidi;
  }

  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    seenOutputs.assign(outputs, outputs + NChannels(kOutput));
    seenFrames = nFrames;
    if (render)
    {
      for (int c = 0; c < NChannels(kOutput); ++c)
        for (int s = 0; s < nFrames; ++s)
          outputs[c][s] = 0.25 * (c + 1) + s;
    }
    else
      IKitProcessor::ProcessBlock(inputs, outputs, nFrames);
  }

  std::vector<IMidiMsg> sent;
  bool acceptMidi = true;
  bool render = true;
  std::vector<double*> seenOutputs;
  int seenFrames = -1;
};
} // namespace

TEST(ChannelIO, InstrumentLayoutHasTwoConfigurationsAndTwoOutputs)
{
  TestProcessor p("0-1 0-2");
  EXPECT_EQ(p.NIOConfigs(), 2);
  EXPECT_EQ(p.NChannels(kInput), 0);
  EXPECT_EQ(p.NChannels(kOutput), 2);
  int idx = -1;
  EXPECT_EQ(p.MaxNBuses(kOutput, &idx), 1);
  EXPECT_EQ(idx, 1);
  EXPECT_EQ(p.MaxNBuses(kInput), 0);
  EXPECT_EQ(p.MaxNChannelsForBus(kOutput, 0), 2);
  EXPECT_EQ(p.MaxNChannelsForBus(kOutput, 1), 0);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({}, {2}), 1);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({}, {1}), 0);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({}, {2, 2}), -1);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({2}, {2}), -1);
  ASSERT_NE(p.GetIOConfig(1), nullptr);
  EXPECT_EQ(p.GetIOConfig(1)->NChansOnBusSAFE(kOutput, 0), 2);
  EXPECT_EQ(p.GetIOConfig(2), nullptr);
}

TEST(ChannelIO, ParsesBusListsWildcardsAndBlankRuns)
{
  TestProcessor effect("2-2   1-1");
  EXPECT_EQ(effect.NIOConfigs(), 2);
  EXPECT_EQ(effect.NChannels(kInput), 2);
  EXPECT_EQ(effect.NChannels(kOutput), 2);

  TestProcessor sidechain("2.1-2");
  EXPECT_EQ(sidechain.MaxNBuses(kInput), 2);
  EXPECT_EQ(sidechain.NChannels(kInput), 3);
  EXPECT_EQ(sidechain.GetIOConfigWithChanCounts({2, 1}, {2}), 0);

  TestProcessor any("*-2");
  EXPECT_EQ(any.MaxNChannelsForBus(kInput, 0), -1);
  EXPECT_EQ(any.MaxNChannelsForBus(kOutput, 0), 2);

  TestProcessor broken("x-");
  EXPECT_EQ(broken.NIOConfigs(), 1);
  EXPECT_EQ(broken.NChannels(kInput), 0);
  EXPECT_EQ(broken.NChannels(kOutput), 0);
}

TEST(ChannelIO, BusNamesFollowBusCount)
{
  TestProcessor p("0-2");
  struct Case
  {
    ERoute dir;
    int bus, nBuses;
    const char* name;
  };
  const Case cases[] = {
    {kInput, 0, 1, "Input"},   {kInput, 0, 2, "Main"},     {kInput, 1, 2, "Aux"},
    {kInput, 2, 3, "Input 2"}, {kOutput, 0, 1, "Output"}, {kOutput, 1, 2, "Output 1"},
  };
  for (const Case& c : cases)
  {
    std::string name;
    p.GetBusName(c.dir, c.bus, c.nBuses, name);
    EXPECT_EQ(name, c.name);
  }
}

TEST(ProcessorBuffers, UnconnectedOutputRendersIntoScratch)
{
  TestProcessor p("0-1 0-2");
  p.SetBlockSize(8);
  std::vector<double> left(8, -1.0);
  double* host[] = {left.data()};
  p.SetChannelConnections(kOutput, 0, 1, true);
  p.SetChannelConnections(kOutput, 1, 1, false);
  p.AttachBuffers(kOutput, 0, 2, host, 8);
  p.ProcessBuffers(0.0, 8);

  ASSERT_EQ(p.seenOutputs.size(), 2u);
  EXPECT_EQ(p.seenOutputs[0], left.data());
  ASSERT_NE(p.seenOutputs[1], nullptr);
  EXPECT_NE(p.seenOutputs[1], left.data());
  EXPECT_EQ(left[3], 0.25 + 3);
  EXPECT_EQ(p.NChannelsConnected(kOutput), 1);
}

TEST(ProcessorBuffers, SinglePrecisionBuffersAreConvertedBothWays)
{
  TestProcessor p("2-2");
  p.render = false;  // the default ProcessBlock: inputs copied to outputs
  p.SetBlockSize(4);
  std::vector<float> inL = {0.5f, -0.25f, 1.f, 0.f}, inR = {0.125f, 0.f, 0.f, -1.f};
  std::vector<float> outL(4, 9.f), outR(4, 9.f);
  float* ins[] = {inL.data(), inR.data()};
  float* outs[] = {outL.data(), outR.data()};
  p.SetChannelConnections(kInput, 0, 2, true);
  p.SetChannelConnections(kOutput, 0, 2, true);
  p.AttachBuffers(kInput, 0, 2, ins, 4);
  p.AttachBuffers(kOutput, 0, 2, outs, 4);
  p.ProcessBuffers(0.f, 4);
  EXPECT_EQ(outL, inL);
  EXPECT_EQ(outR, inR);

  // Bypassed, the single-precision pass-through copies as well.
  std::fill(outL.begin(), outL.end(), 9.f);
  p.AttachBuffers(kInput, 0, 2, ins, 4);
  p.AttachBuffers(kOutput, 0, 2, outs, 4);
  p.PassThroughBuffers(0.f, 4);
  EXPECT_EQ(outL, inL);
}

TEST(ProcessorBuffers, BlocksLongerThanTheBlockSizeAreCutAndTheRestSilenced)
{
  TestProcessor p("0-2");
  p.SetBlockSize(4);
  std::vector<float> outL(6, 9.f), outR(6, 9.f);
  float* outs[] = {outL.data(), outR.data()};
  p.SetChannelConnections(kOutput, 0, 2, true);
  p.AttachBuffers(kOutput, 0, 2, outs, 6);
  p.ProcessBuffers(0.f, 6);
  EXPECT_EQ(p.seenFrames, 4);
  EXPECT_EQ(outR, (std::vector<float>{0.5f, 1.5f, 2.5f, 3.5f, 0.f, 0.f}));
}

TEST(ProcessorBuffers, PassThroughDelaysByTheLatency)
{
  TestProcessor p("1-1", 2);
  p.SetBlockSize(3);
  p.SetChannelConnections(kInput, 0, 1, true);
  p.SetChannelConnections(kOutput, 0, 1, true);
  std::vector<double> out;
  for (double first : {1.0, 4.0})
  {
    // In place, as hosts often process.
    std::vector<double> buf = {first, first + 1, first + 2};
    double* io[] = {buf.data()};
    p.AttachBuffers(kInput, 0, 1, io, 3);
    p.AttachBuffers(kOutput, 0, 1, io, 3);
    p.PassThroughBuffers(0.0, 3);
    out.insert(out.end(), buf.begin(), buf.end());
  }
  EXPECT_EQ(out, (std::vector<double>{0, 0, 1, 2, 3, 4}));
}

TEST(ProcessorMidi, DefaultsForwardAndReportEverySend)
{
  TestProcessor p("0-2");
  p.ProcessMidiMsg(IMidiMsg(3, 0x90, 60, 100));
  ASSERT_EQ(p.sent.size(), 1u);
  EXPECT_EQ(p.sent[0].mData1, 60);

  EXPECT_TRUE(p.SendMidiMsgs({}));
  p.acceptMidi = false;
  EXPECT_FALSE(p.SendMidiMsgs({IMidiMsg(0), IMidiMsg(1)}));
  EXPECT_EQ(p.sent.size(), 3u);  // every message was offered
  EXPECT_FALSE(p.SendSysEx(ISysEx()));
}

TEST(ProcessorState, StartsAtTheDocumentedDefaults)
{
  TestProcessor p("0-2");
  EXPECT_EQ(p.GetSampleRate(), 48000.0);
  EXPECT_EQ(p.GetBlockSize(), 0);
  EXPECT_EQ(p.GetTailSize(), 0);
  EXPECT_FALSE(p.GetBypassed());
  EXPECT_TRUE(p.IsInstrument());
  EXPECT_EQ(p.GetTimeInfo().mTempo, 120.0);
  EXPECT_EQ(p.GetTimeInfo().mPPQPos, -1.0);
  EXPECT_EQ(p.GetTimeInfo().mNumerator, 4);
}
