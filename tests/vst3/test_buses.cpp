// The buses the instrument declares and the arrangements it accepts.
#include "kelva_host.h"

using namespace kelvahost;

namespace
{
constexpr v3_speaker_arrangement kMono = V3_SPEAKER_M;
constexpr v3_speaker_arrangement kStereo = V3_SPEAKER_L | V3_SPEAKER_R;
constexpr v3_speaker_arrangement kFivePointOne = 0x3F;
} // namespace

TEST_F(KelvaHost, DeclaresAStereoOutputAndMidiInAndOut)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  EXPECT_EQ(plugin->busCount(V3_AUDIO, V3_INPUT), 0);

  const struct
  {
    int32_t media, direction, channels;
    const char* name;
  } expected[] = {
    {V3_AUDIO, V3_OUTPUT, 2, "Output"},
    {V3_EVENT, V3_INPUT, 1, "MIDI Input"},
    {V3_EVENT, V3_OUTPUT, 1, "MIDI Output"},
  };
  for (const auto& e : expected)
  {
    SCOPED_TRACE(e.name);
    const std::vector<vst3host::BusInfo> buses = plugin->buses(e.media, e.direction);
    ASSERT_EQ(buses.size(), 1u);
    EXPECT_EQ(buses[0].name, e.name);
    EXPECT_EQ(buses[0].channelCount, e.channels);
    EXPECT_EQ(buses[0].busType, V3_MAIN);
    EXPECT_TRUE(buses[0].flags & V3_DEFAULT_ACTIVE);
  }
  EXPECT_EQ(plugin->busArrangement(V3_OUTPUT, 0), kStereo);
  EXPECT_EQ(plugin->latencySamples(), 0u);
  EXPECT_EQ(plugin->tailSamples(), 0u);
  EXPECT_TRUE(plugin->canProcess64Bit());
}

TEST_F(KelvaHost, AcceptsAMonoOrStereoOutputOnly)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  ASSERT_EQ(module->hostApplication().name(), "kelva-host");  // not a host that gets any layout

  const struct
  {
    const char* what;
    std::vector<v3_speaker_arrangement> inputs, outputs;
    bool accepted;
    int32_t channelsAfter;
  } cases[] = {
    {"mono", {}, {kMono}, true, 1},
    {"stereo", {}, {kStereo}, true, 2},
    {"5.1", {}, {kFivePointOne}, false, 2},
    {"two outputs", {}, {kStereo, kStereo}, false, 2},
    {"an input", {kStereo}, {kStereo}, false, 2},
    {"no output", {}, {}, false, 2},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(plugin->setBusArrangements(c.inputs, c.outputs), c.accepted);
    const auto bus = plugin->busInfo(V3_AUDIO, V3_OUTPUT, 0);
    ASSERT_TRUE(bus);
    EXPECT_EQ(bus->channelCount, c.channelsAfter);
    EXPECT_EQ(bus->name, "Output");
    EXPECT_EQ(plugin->busCount(V3_AUDIO, V3_OUTPUT), 1);
  }
}
