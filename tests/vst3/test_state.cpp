// The component state a host keeps in its project.
#include <cstring>

#include "kelva_host.h"

using namespace kelvahost;

namespace
{
constexpr char kTag[] = "Kelva_1.3.1";
constexpr size_t kTagSize = 11;

int32_t int32At(const std::vector<uint8_t>& s, size_t at)
{
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i)
    v |= uint32_t(s[at + i]) << (8 * i);
  return static_cast<int32_t>(v);
}

double doubleAt(const std::vector<uint8_t>& s, size_t at)
{
  double v;
  std::memcpy(&v, s.data() + at, sizeof v);
  return v;
}

void putInt32(std::vector<uint8_t>& s, int32_t value)
{
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    s.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putDouble(std::vector<uint8_t>& s, double value)
{
  uint8_t bytes[8];
  std::memcpy(bytes, &value, sizeof bytes);
  s.insert(s.end(), bytes, bytes + 8);
}

// A sound well away from the defaults.
void shapeSound(vst3host::Plugin& plugin)
{
  plugin.setParameterNormalized(kStrVol, 0.8);
  plugin.setParameterNormalized(15, 1.0);  // "SG 16'"
  plugin.setParameterNormalized(7, 1.0);   // "Octave" up
  plugin.setParameterNormalized(kTune, 0.25);
  plugin.setParameterNormalized(kPhaser, 1.0);
}
} // namespace

TEST_F(KelvaHost, StateIsTheInstrumentStateFollowedByTheBypassFlag)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  shapeSound(*plugin);
  std::vector<uint8_t> state;
  ASSERT_TRUE(plugin->getState(state));
  ASSERT_GE(state.size(), 19u);
  EXPECT_EQ(std::string(state.begin(), state.begin() + kTagSize), kTag);
  EXPECT_EQ(int32At(state, 11), 0);  // current program
  const int32_t nameLength = int32At(state, 15);
  ASSERT_GE(nameLength, 0);
  const size_t values = 19 + static_cast<size_t>(nameLength);
  ASSERT_EQ(state.size(), values + 55 * 8 + 4);
  EXPECT_DOUBLE_EQ(doubleAt(state, values + kStrVol * 8), 0.8);
  EXPECT_DOUBLE_EQ(doubleAt(state, values + kTune * 8), -32.0);
  EXPECT_DOUBLE_EQ(doubleAt(state, values + kPhaser * 8), 2.0);
  EXPECT_EQ(int32At(state, state.size() - 4), 0);  // not bypassed

  // Loading it back changes nothing: the next save is the same bytes.
  ASSERT_TRUE(plugin->setState(state));
  std::vector<uint8_t> again;
  ASSERT_TRUE(plugin->getState(again));
  EXPECT_EQ(again, state);
}

TEST_F(KelvaHost, StateSavedInOneInstanceRestoresTheSoundInAnother)
{
  vst3host::Plugin* original = create();
  vst3host::Plugin* restored = create();
  vst3host::Plugin* fresh = create();
  ASSERT_TRUE(original && restored && fresh);
  shapeSound(*original);
  std::vector<uint8_t> state;
  ASSERT_TRUE(original->getState(state));
  ASSERT_TRUE(restored->setState(state));

  // The host's view of every parameter follows the loaded values.
  const size_t values = 19 + static_cast<size_t>(int32At(state, 15));
  ASSERT_EQ(state.size(), values + 55 * 8 + 4);
  for (uint32_t id = 0; id < 55; ++id)
    EXPECT_NEAR(restored->parameterNormalized(id), restored->plainToNormalized(id, doubleAt(state, values + id * 8)),
                1e-12)
      << id;
  std::vector<uint8_t> again;
  ASSERT_TRUE(restored->getState(again));
  EXPECT_EQ(again, state);

  Audio out[3];
  vst3host::Plugin* all[3] = {original, restored, fresh};
  for (int i = 0; i < 3; ++i)
  {
    ASSERT_TRUE(prepare(*all[i]));
    all[i]->inputEvents().addNoteOn(0, 0, 60, 0.8f);
    all[i]->inputEvents().addNoteOn(0, 0, 67, 0.8f);
    out[i] = render(*all[i], 20);
  }
  EXPECT_GT(rms(out[0].left), 0.01);
  EXPECT_LT(largestDifference(out[0], out[1]), 1e-9);
  EXPECT_GT(largestDifference(out[0], out[2]), 0.01);
}

TEST_F(KelvaHost, DamagedStateIsRefusedAndTheInstanceKeepsPlaying)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  std::vector<uint8_t> good;
  ASSERT_TRUE(plugin->getState(good));

  std::vector<uint8_t> hugeName(kTag, kTag + kTagSize);
  putInt32(hugeName, 0);
  putInt32(hugeName, 0x7FFFFFFF);
  hugeName.resize(600, 0x41);
  std::vector<uint8_t> negativeName(kTag, kTag + kTagSize);
  putInt32(negativeName, 3);
  putInt32(negativeName, -20);
  std::vector<uint8_t> garbage(300);
  uint32_t x = 12345;
  for (uint8_t& b : garbage)
  {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }

  const struct
  {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {
    {"empty", {}},
    {"the tag alone", std::vector<uint8_t>(kTag, kTag + kTagSize)},
    {"cut in the values", std::vector<uint8_t>(good.begin(), good.begin() + 100)},
    {"without the bypass flag", std::vector<uint8_t>(good.begin(), good.end() - 4)},
    {"with half a bypass flag", std::vector<uint8_t>(good.begin(), good.end() - 2)},
    {"a name longer than the state", hugeName},
    {"a negative name length", negativeName},
    {"garbage", garbage},
  };
  for (const auto& c : cases)
    EXPECT_FALSE(plugin->setState(c.bytes)) << c.what;

  // What a refused state had already applied may change the sound (the
  // garbage reads as values), but never breaks it.
  ASSERT_TRUE(prepare(*plugin));
  plugin->inputEvents().addNoteOn(0, 0, 60, 0.8f);
  EXPECT_TRUE(allFinite(render(*plugin, 10)));

  // A good state still loads afterwards and plays.
  ASSERT_TRUE(plugin->setState(good));
  plugin->inputEvents().addNoteOn(0, 0, 64, 0.8f);
  const Audio a = render(*plugin, 10);
  EXPECT_TRUE(allFinite(a));
  EXPECT_GT(rms(a.slice(2 * kBlock, 8 * kBlock).left), 0.01);
}

TEST_F(KelvaHost, StateWithNonFiniteValuesStillRendersFiniteAudio)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  // The tagless earlier format: 55 values, then the bypass flag.
  std::vector<uint8_t> state;
  for (int i = 0; i < 55; ++i)
    putDouble(state, i % 3 == 0 ? NAN : (i % 3 == 1 ? INFINITY : -INFINITY));
  putInt32(state, 0);
  plugin->setState(state);  // may load (clamped) or refuse; neither may break the sound

  for (uint32_t id = 0; id < 55; ++id)
  {
    const double v = plugin->parameterNormalized(id);
    EXPECT_TRUE(v >= 0.0 && v <= 1.0) << id << ": " << v;
  }
  ASSERT_TRUE(prepare(*plugin));
  plugin->inputEvents().addNoteOn(0, 0, 60, 0.8f);
  EXPECT_TRUE(allFinite(render(*plugin, 10)));
}
