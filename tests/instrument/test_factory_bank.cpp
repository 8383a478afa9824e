#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kelva_fixture.h"
#include "programs_parser.h"

// The factory bank as the build generates it from resources/programs.txt,
// and the parser that reads that source.

namespace
{

std::vector<factory::Program> readFactorySource(const Kelva& kelva)
{
  std::ifstream in(KELVA_PROGRAMS_PATH);
  std::vector<factory::Program> programs;
  std::string error;
  EXPECT_TRUE(in) << KELVA_PROGRAMS_PATH;
  EXPECT_TRUE(factory::parsePrograms(in, "programs.txt", kelva, programs, error)) << error;
  return programs;
}

// A source with a plain block for every program, then extra lines.
std::string everyProgram(const std::string& extra = "", int skip = -1)
{
  std::string text;
  for (int k = 0; k < Kelva::kNumPrograms; ++k)
    if (k != skip)
      text += "[" + std::to_string(k) + "] Program " + std::to_string(k) + "\n";
  return text + extra;
}

bool parse(const Kelva& kelva, const std::string& text, std::vector<factory::Program>& programs,
           std::string& error)
{
  std::istringstream in(text);
  return factory::parsePrograms(in, "src", kelva, programs, error);
}

struct Measure
{
  double peak = 0;
  double loudestRms = 0;
  bool finite = true;
};

// Peak and the RMS of the loudest 50 ms window over both channels.
Measure measure(const std::vector<double>& left, const std::vector<double>& right, size_t window)
{
  Measure m;
  for (const std::vector<double>* channel : {&left, &right})
    for (size_t start = 0; start + window <= channel->size(); start += window)
    {
      double sum = 0;
      for (size_t i = start; i < start + window; ++i)
      {
        const double x = (*channel)[i];
        if (!std::isfinite(x))
        {
          m.finite = false;
          continue;
        }
        m.peak = std::max(m.peak, std::fabs(x));
        sum += x * x;
      }
      m.loudestRms = std::max(m.loudestRms, std::sqrt(sum / static_cast<double>(window)));
    }
  return m;
}

} // namespace

TEST(FactoryBank, HoldsSixtyFourNamedProgramsWithTheValuesOfTheirSource)
{
  KelvaRig rig;
  const std::vector<factory::Program> programs = readFactorySource(rig.kelva);
  ASSERT_EQ(programs.size(), static_cast<size_t>(Kelva::kNumPrograms));
  ASSERT_TRUE(rig.kelva.LoadBankFromFXB(KELVA_FACTORY_BANK_PATH)) << KELVA_FACTORY_BANK_PATH;

  EXPECT_EQ(rig.kelva.GetCurrentPresetIdx(), 0);
  for (const factory::Program& program : programs)
  {
    SCOPED_TRACE(program.name);
    EXPECT_STREQ(rig.kelva.GetPresetName(program.number), program.name.c_str());
    ASSERT_TRUE(rig.kelva.RestorePreset(program.number));
    for (int i = 0; i < kParamCount; ++i)
      EXPECT_EQ(rig.kelva.GetParam(i)->Value(), factory::programValue(rig.kelva, program, i))
        << factory::sourceName(rig.kelva, i);
  }
}

TEST(FactoryBank, NoTwoProgramsShareANameOrSoundTheSame)
{
  KelvaRig rig;
  const std::vector<factory::Program> programs = readFactorySource(rig.kelva);
  for (size_t a = 0; a < programs.size(); ++a)
    for (size_t b = a + 1; b < programs.size(); ++b)
    {
      EXPECT_NE(programs[a].name, programs[b].name);
      bool same = true;
      for (int i = 0; i < kParamCount && same; ++i)
        same = factory::programValue(rig.kelva, programs[a], i) ==
               factory::programValue(rig.kelva, programs[b], i);
      EXPECT_FALSE(same) << programs[a].name << " and " << programs[b].name;
    }
}

// Every program, fresh from the bank, holding a four-note chord at velocity
// 100 and releasing it: audible, below full scale, never NaN.
TEST(FactoryBank, EveryProgramSoundsAChordWithoutClipping)
{
  constexpr double kRate = 48000;
  constexpr int kChord[] = {48, 55, 60, 64};
  // About -40 dBFS at the loudest moment.
  constexpr double kSilenceFloor = 0.01;

  for (int k = 0; k < Kelva::kNumPrograms; ++k)
  {
    KelvaRig rig(kRate);
    ASSERT_TRUE(rig.kelva.LoadBankFromFXB(KELVA_FACTORY_BANK_PATH));
    ASSERT_TRUE(rig.kelva.RestorePreset(k));
    SCOPED_TRACE(rig.kelva.GetPresetName(k));

    std::vector<double> left, right;
    for (int note : kChord)
      rig.noteOn(note, 100);
    rig.render(static_cast<int>(2.5 * kRate), 512, left, right);
    for (int note : kChord)
      rig.noteOff(note);
    rig.render(static_cast<int>(1.5 * kRate), 512, left, right);

    const Measure m = measure(left, right, static_cast<size_t>(kRate / 20));
    EXPECT_TRUE(m.finite);
    EXPECT_LT(m.peak, 1.0);
    EXPECT_GT(m.loudestRms, kSilenceFloor);
  }
}

TEST(FactoryBankSource, SharedNamesMeanTheSwitchAndDepthIsSpelledOut)
{
  KelvaRig rig;
  std::vector<factory::Program> programs;
  std::string error;
  ASSERT_TRUE(parse(rig.kelva, everyProgram("Joy FM = Off\nJoy FM Depth = 300\nJoy fcM Depth = 9217\n"),
                    programs, error))
    << error;

  const factory::Program& last = programs.back();
  ASSERT_EQ(last.number, 63);
  ASSERT_EQ(last.settings.size(), 3u);
  EXPECT_EQ(last.settings[0].param, kJoyFMOn);
  EXPECT_EQ(last.settings[0].value, 0);
  EXPECT_EQ(last.settings[1].param, kJoyFM);
  EXPECT_EQ(last.settings[1].value, 300);
  EXPECT_EQ(last.settings[2].param, kJoyFcM);
  EXPECT_EQ(last.settings[2].value, 9217);
}

TEST(FactoryBankSource, AMistakeStopsTheBuildNamingTheLine)
{
  struct Case
  {
    const char* what;
    std::string text;
    const char* message;
  };
  const std::string two = "[0] Strings\n";
  const Case cases[] = {
    {"unknown name", two + "StrVol = 1\n", "src:2: unknown parameter 'StrVol'"},
    {"above the range", two + "Str Vol = 1.5\n", "src:2: 'Str Vol' = 1.5 outside 0..1"},
    {"below the range", two + "VCF EG = -9218\n", "src:2: 'VCF EG' = -9218 outside -9217..9217"},
    {"not a number", two + "Volume = loud\n", "src:2: 'loud' is not a number for 'Volume'"},
    {"NaN", two + "Volume = nan\n", "src:2: 'nan' is not a number for 'Volume'"},
    {"number with trailing text", two + "Volume = 0.5x\n", "src:2: '0.5x' is not a number"},
    {"unknown text", two + "Phaser = Type 3\n", "src:2: 'Type 3' is not a setting of 'Phaser' (Off, Type 1, Type 2)"},
    {"depth given to the switch", two + "Joy FM = 300\n", "its depth is 'Joy FM Depth'"},
    {"set twice", two + "Volume = 0.5\nVolume = 0.6\n", "src:3: 'Volume' set twice in program 0"},
    {"duplicate program", two + "[0] Again\n", "src:2: program 0 already defined on line 1"},
    {"program outside the store", "[64] Extra\n", "src:1: program number 64 outside 0..63"},
    {"program number not a number", "[x1] Name\n", "src:1: program number 'x1' is not a number"},
    {"name too long", "[0] A Name Much Longer Than Allowed\n", "src:1: name 'A Name Much Longer Than Allowed' longer than 24"},
    {"no name", "[0]\n", "src:1: program 0 has no name"},
    {"line before any program", "Volume = 0.5\n", "src:1: parameter line before the first program header"},
    {"neither header nor setting", two + "Volume 0.5\n", "src:2: expected 'Parameter = value'"},
    {"missing program", everyProgram("", 17), "src: program 17 missing"},
  };

  KelvaRig rig;
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    std::vector<factory::Program> programs;
    std::string error;
    EXPECT_FALSE(parse(rig.kelva, c.text, programs, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}
