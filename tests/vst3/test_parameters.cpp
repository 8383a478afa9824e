// Parameters, units, the program list and the MIDI mapping as a host
// enumerates them.
#include <cstring>
#include <thread>

#include "kelva_host.h"

using namespace kelvahost;

namespace
{
const char* const kTitles[55] = {
  "GOD Mode", "Volume",   "Syn Vol",  "Syn Pan",  "Str Vol",  "Str Pan",  "Tune",     "Octave",
  "Joy FM",   "Joy FM",   "Joy fcM",  "Joy fcM",  "MW Src",   "MG Vib",   "MG Speed", "SG 16'",
  "SG 8'",    "SG 4'",    "SG 2'",    "SG Noise", "Syn EG A", "Syn EG D", "Syn EG S", "Syn EG R",
  "VCA Mode", "Syn Trig", "VCF Freq", "VCF Reso", "VCF EG",   "VCF Mode", "VCF KbdF", "Str Oct",
  "Str EG A", "Str EG R", "Str Trig", "EQ Low",   "EQ High",  "Phaser",   "Ph Speed", "Ph Feed",
  "Ph Mix",   "Ph Freq",  "Ph Mod",   "Delay",    "Dly Time", "Dly Feed", "Dly Mix",  "Ens1 Dly",
  "Ens2 Dly", "Ens Spd1", "Ens Spd2", "Ens 1to1", "Ens 1to2", "Ens 2to1", "Ens 2to2",
};

// Enumerated parameters and their step counts; every other instrument
// parameter is continuous (step count 0).
int stepCountOf(uint32_t id)
{
  switch (id)
  {
    case 0: case 7: case 8: case 10: case 12: case 24: case 25: case 29: case 30: case 34: return 1;
    case 37: case 43: return 2;
    default: return 0;
  }
}

constexpr int32_t kAutomate = V3_PARAM_CAN_AUTOMATE;
constexpr int32_t kList = V3_PARAM_IS_LIST;
constexpr int32_t kProgramChange = V3_PARAM_PROGRAM_CHANGE;
} // namespace

TEST_F(KelvaHost, ListsProgramInstrumentAndControllerParametersInOrder)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  const std::vector<vst3host::ParameterInfo> params = plugin->parameters();
  ASSERT_EQ(params.size(), 186u);

  const vst3host::ParameterInfo& program = params[0];
  EXPECT_EQ(program.id, kProgram);
  EXPECT_EQ(program.title, "Preset");
  EXPECT_EQ(program.stepCount, 63);
  EXPECT_EQ(program.flags, kProgramChange);
  EXPECT_EQ(program.defaultNormalized, 0.0);
  EXPECT_EQ(program.unitId, 0);

  for (uint32_t i = 0; i < 55; ++i)
  {
    const vst3host::ParameterInfo& p = params[1 + i];
    SCOPED_TRACE(kTitles[i]);
    EXPECT_EQ(p.id, i);
    EXPECT_EQ(p.title, kTitles[i]);
    EXPECT_EQ(p.units, "");
    EXPECT_EQ(p.unitId, 0);
    EXPECT_EQ(p.stepCount, stepCountOf(i));
    EXPECT_EQ(p.flags, stepCountOf(i) ? kAutomate | kList : kAutomate);
    EXPECT_GE(p.defaultNormalized, 0.0);
    EXPECT_LE(p.defaultNormalized, 1.0);
  }

  for (uint32_t n = 0; n < 130; ++n)
  {
    const vst3host::ParameterInfo& p = params[56 + n];
    SCOPED_TRACE(n);
    EXPECT_EQ(p.id, kControllerBase + n);
    EXPECT_EQ(p.units, "");
    EXPECT_EQ(p.stepCount, 0);
    EXPECT_EQ(p.flags, 0);
    EXPECT_EQ(p.unitId, 3);
    EXPECT_EQ(p.defaultNormalized, n == 129 ? 0.5 : 0.0);
  }

  const struct
  {
    uint32_t id;
    const char* title;
  } controllers[] = {
    {kControllerBase + 0, "BankSel.MSB"}, {kControllerBase + 1, "Modulation"}, {kControllerBase + 3, "Contr. 3"},
    {kControllerBase + 64, "Damper Ped"}, {kControllerBase + 66, "Sostenuto "}, {kControllerBase + 120, "Contr. 120"},
    {kControllerBase + 127, "PolyModeOn"}, {kControllerBase + 128, "Channel Aftertouch"},
    {kControllerBase + 129, "Pitch Bend"},
  };
  for (const auto& c : controllers)
    EXPECT_EQ(params[56 + (c.id - kControllerBase)].title, c.title);
}

TEST_F(KelvaHost, DefaultsAreTheInstrumentsDefaultsNormalised)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  const struct
  {
    uint32_t id;
    double normalized;
  } cases[] = {
    {kGODMode, 0.0}, {kVolume, 0.5},  {kStrVol, 0.0},   {kTune, 0.5},  {8, 1.0},   {12, 1.0},
    {14, std::sqrt(0.22)},  // "MG Speed", a squared shape
    {26, 1.0},       {28, 0.5},       {35, 0.5},        {kPhaser, 0.0}, {47, 1.0}, {kPitchBend, 0.5},
  };
  for (const auto& c : cases)
  {
    const auto info = plugin->findParameter(c.id);
    ASSERT_TRUE(info) << c.id;
    // The current values are those of the program playing (below).
    EXPECT_NEAR(info->defaultNormalized, c.normalized, 1e-12) << info->title;
  }
  EXPECT_NEAR(plugin->parameterNormalized(kPitchBend), 0.5, 1e-12);
  EXPECT_EQ(plugin->parameterNormalized(99999), 0.0);
  EXPECT_FALSE(plugin->setParameterNormalized(99999, 0.5));
  EXPECT_FALSE(plugin->setParameterNormalized(65536, 0.5));  // an instrument has no bypass
}

TEST_F(KelvaHost, ValuesConvertToAndFromTheInstrumentsTexts)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  const struct
  {
    uint32_t id;
    double normalized;
    const char* text;
  } cases[] = {
    {kTune, 0.75, "32"},    {kTune, 0.0, "-64"},    {kTune, 1.0, "64"},     {kVolume, 0.5, "0.50"},
    {kGODMode, 1.0, "On"},  {kPhaser, 0.5, "Type 1"}, {kPhaser, 1.0, "Type 2"}, {kDelay, 0.5, "Pingpong"},
    {kDelay, 1.0, "On"},    {47, 1.0, "1.0000"},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(plugin->parameterString(c.id, c.normalized), c.text);
    const auto back = plugin->parameterFromString(c.id, c.text);
    ASSERT_TRUE(back);
    EXPECT_NEAR(*back, c.normalized, 1e-9);
  }
  // The plain values behind the normalised ones.
  EXPECT_NEAR(plugin->normalizedToPlain(kTune, 0.0), -64, 1e-9);
  EXPECT_NEAR(plugin->normalizedToPlain(kPhaser, 0.5), 1, 1e-9);
  EXPECT_NEAR(plugin->plainToNormalized(kTune, 64), 1.0, 1e-9);
  EXPECT_NEAR(plugin->normalizedToPlain(kProgram, 0.5), 32, 1e-9);
  EXPECT_NEAR(plugin->plainToNormalized(kProgram, 63), 1.0, 1e-9);
}

TEST_F(KelvaHost, UnitsGroupTheControllersUnderMidiChannelOne)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  const std::vector<vst3host::UnitInfo> units = plugin->units();
  ASSERT_EQ(units.size(), 3u);
  const struct
  {
    int32_t id, parent;
    const char* name;
    int32_t programList;
  } expected[] = {{0, -1, "Root", 65537}, {2, 0, "MIDI CCs", -1}, {3, 2, "CH1", -1}};
  for (size_t i = 0; i < 3; ++i)
  {
    EXPECT_EQ(units[i].id, expected[i].id);
    EXPECT_EQ(units[i].parentId, expected[i].parent);
    EXPECT_EQ(units[i].name, expected[i].name);
    EXPECT_EQ(units[i].programListId, expected[i].programList);
  }
}

TEST_F(KelvaHost, MidiControllersMapToTheControllerParametersOfChannelOne)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  EXPECT_EQ(plugin->midiControllerAssignment(0, 0, 1), 65539u);
  EXPECT_EQ(plugin->midiControllerAssignment(0, 0, 0), 65538u);
  EXPECT_EQ(plugin->midiControllerAssignment(0, 0, 128), 65666u);  // channel aftertouch
  EXPECT_EQ(plugin->midiControllerAssignment(0, 0, 129), 65667u);  // pitch bend
  EXPECT_FALSE(plugin->midiControllerAssignment(0, 1, 1));
  EXPECT_FALSE(plugin->midiControllerAssignment(1, 0, 1));
}

TEST_F(KelvaHost, ProgramListHoldsTheFactoryBanksNames)
{
  ASSERT_TRUE(std::filesystem::exists(resourcePath("init.fxb"))) << "the bundle has no factory bank";

  // The bank is built from the readable program list; its headers read
  // "[NN] Name".
  std::vector<std::string> names(64);
  std::istringstream source(readFile(KELVA_PROGRAMS_PATH));
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  for (std::string line; std::getline(source, line);)
    if (line.size() > 5 && line[0] == '[' && digit(line[1]) && digit(line[2]) && line.compare(3, 2, "] ") == 0)
    {
      const size_t number = static_cast<size_t>((line[1] - '0') * 10 + (line[2] - '0'));
      if (number < names.size())
        names[number] = line.substr(5);
    }

  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  const std::vector<vst3host::ProgramListInfo> lists = plugin->programLists();
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_EQ(lists[0].id, 65537);
  EXPECT_EQ(lists[0].name, "Factory Presets");
  EXPECT_EQ(lists[0].programCount, 64);
  ASSERT_EQ(lists[0].programNames.size(), 64u);
  for (size_t i = 0; i < 64; ++i)
  {
    EXPECT_NE(lists[0].programNames[i], "empty") << i;
    EXPECT_EQ(lists[0].programNames[i], names[i]) << i;
  }
}

TEST_F(KelvaHost, ProgramParameterSelectsTheNearestProgram)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  // The component state names the current program after its 11-byte tag.
  const auto currentProgram = [&] {
    std::vector<uint8_t> state;
    EXPECT_TRUE(plugin->getState(state));
    if (state.size() < 15)
      return -1;
    return static_cast<int>(state[11] | state[12] << 8 | state[13] << 16 | uint32_t(state[14]) << 24);
  };
  EXPECT_EQ(currentProgram(), 0);
  const struct
  {
    double normalized;
    int program;
  } cases[] = {{1.0, 63}, {0.5, 32}, {0.0, 0}, {10.0 / 63, 10}};
  for (const auto& c : cases)
  {
    ASSERT_TRUE(plugin->setParameterNormalized(kProgram, c.normalized));
    EXPECT_EQ(currentProgram(), c.program) << c.normalized;
    EXPECT_DOUBLE_EQ(plugin->parameterNormalized(kProgram), c.normalized);
  }
}

TEST_F(KelvaHost, HostParametersShowTheValuesThatPlay)
{
  vst3host::Plugin* plugin = create();
  ASSERT_TRUE(plugin);
  // The component state holds the plain values that play, after the tag,
  // the program index and the program's name.
  const auto expectMirrored = [&](const char* when) {
    std::vector<uint8_t> state;
    ASSERT_TRUE(plugin->getState(state));
    int32_t nameLength = 0;
    std::memcpy(&nameLength, state.data() + 15, 4);
    const size_t values = 19 + static_cast<size_t>(nameLength);
    ASSERT_GE(state.size(), values + 55 * 8 + 4);
    for (uint32_t i = 0; i < 55; ++i)
    {
      double plain = 0;
      std::memcpy(&plain, state.data() + values + 8 * i, 8);
      EXPECT_NEAR(plugin->parameterNormalized(i), plugin->plainToNormalized(i, plain), 1e-12) << when << " " << i;
    }
  };
  expectMirrored("after start-up");

  plugin->componentHandler().clear();
  ASSERT_TRUE(plugin->setParameterNormalized(kProgram, 10.0 / 63));
  expectMirrored("after a program change");
  // The host hears of the new values as one group of edits, the last edit of
  // each parameter carrying the value that plays; no restart request, which
  // some hosts cannot take from inside a program change.
  std::vector<double> edited(55, -1);
  int groups = 0;
  for (const auto& edit : plugin->componentHandler().edits())
  {
    if (edit.kind == vst3host::ComponentHandler::EditKind::StartGroup)
      ++groups;
    if (edit.kind == vst3host::ComponentHandler::EditKind::Perform && edit.id < 55)
      edited[edit.id] = edit.value;
  }
  EXPECT_EQ(groups, 1);
  for (uint32_t i = 0; i < 55; ++i)
    EXPECT_DOUBLE_EQ(edited[i], plugin->parameterNormalized(i)) << i;
  EXPECT_EQ(plugin->componentHandler().restartRequests().size(), 0u);
}

TEST_F(KelvaHost, ProgramChosenOffTheMainThreadReachesTheHostThroughProcess)
{
  // Some hosts select programs on their audio thread, just before process.
  vst3host::Plugin* plugin = start();
  ASSERT_TRUE(plugin);
  render(*plugin, 1);
  plugin->componentHandler().clear();
  std::thread audio([&] { EXPECT_TRUE(plugin->setParameterNormalized(kProgram, 20.0 / 63)); });
  audio.join();
  EXPECT_TRUE(plugin->componentHandler().edits().empty());
  EXPECT_TRUE(plugin->componentHandler().restartRequests().empty());

  render(*plugin, 1);
  const vst3host::ParamValueQueue* volume = plugin->outputParameterChanges().find(kVolume);
  ASSERT_TRUE(volume);
  ASSERT_GT(volume->pointCount(), 0);
  EXPECT_DOUBLE_EQ(volume->point(volume->pointCount() - 1).value, plugin->parameterNormalized(kVolume));
  EXPECT_TRUE(plugin->componentHandler().edits().empty());
}
