#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "config_home.h"
#include "kelva_fixture.h"

namespace
{
std::string writeBank(const std::string& folder)
{
  KelvaRig source;
  for (int p = 0; p < 3; ++p)
  {
    source.kelva.RestorePreset(p);
    source.setPlain(kVolume, 0.1 * (p + 1));
    char name[32];
    std::snprintf(name, sizeof(name), "Bank Program %d", p);
    source.kelva.ModifyCurrentPreset(name);
  }
  source.kelva.RestorePreset(0);
  const std::string path = folder + "/startup.fxb";
  EXPECT_TRUE(source.kelva.SaveBankAsFXB(path.c_str()));
  return path;
}
} // namespace

TEST(KelvaPrograms, StartupBankFillsTheSlots)
{
  ConfigHome home;
  const std::string bank = writeBank(home.root);
  home.writeIni("[Startup Bank]\nFile=" + bank + "\n");
  KelvaRig rig;
  EXPECT_EQ(rig.kelva.getStartupBank(), bank);
  EXPECT_STREQ(rig.kelva.GetPresetName(1), "Bank Program 1");
  EXPECT_EQ(rig.kelva.GetCurrentPresetIdx(), 0);
  EXPECT_DOUBLE_EQ(rig.kelva.GetParam(kVolume)->Value(), 0.1);
}

TEST(KelvaPrograms, MissingOrGarbageStartupBankFallsBackQuietly)
{
  for (const std::string& content : {std::string(), std::string("garbage, not a bank")})
  {
    ConfigHome home;
    const std::string bank = home.root + "/bank.fxb";
    if (!content.empty())
      std::ofstream(bank) << content;
    home.writeIni("[Startup Bank]\nFile=" + bank + "\n");
    KelvaRig rig;
    // No factory bank next to a test program: slot 0 takes the running sound.
    EXPECT_EQ(rig.kelva.getStartupBank(), "");
    EXPECT_STREQ(rig.kelva.GetPresetName(0), "user preset 1");
    EXPECT_STREQ(rig.kelva.GetPresetName(1), "empty");
    EXPECT_NE(home.readIni().find(bank), std::string::npos);  // the file keeps its key
  }
}

TEST(KelvaPrograms, SwitchingProgramsKeepsTheEditsOfTheProgramLeft)
{
  KelvaRig rig;
  rig.kelva.changePreset(0);
  rig.setPlain(kVolume, 0.9);
  rig.kelva.changePreset(5);
  EXPECT_STREQ(rig.kelva.GetPresetName(5), "user preset 2");
  rig.setPlain(kVolume, 0.2);
  rig.kelva.changePreset(0);
  EXPECT_DOUBLE_EQ(rig.kelva.GetParam(kVolume)->Value(), 0.9);
  rig.kelva.changePreset(5);
  EXPECT_DOUBLE_EQ(rig.kelva.GetParam(kVolume)->Value(), 0.2);
}

TEST(KelvaPrograms, PasteTakesTheSourcesCurrentName)
{
  KelvaRig rig;
  rig.kelva.changePreset(3);
  rig.setPlain(kSynVol, 0.77);
  rig.kelva.copyPreset();
  std::strcpy(rig.kelva.GetPreset(3)->name, "Renamed Three");
  rig.kelva.changePreset(7);
  rig.setPlain(kSynVol, 0.1);
  rig.kelva.pastePreset();
  EXPECT_DOUBLE_EQ(rig.kelva.GetParam(kSynVol)->Value(), 0.77);
  EXPECT_STREQ(rig.kelva.GetPresetName(7), "Renamed Three");
  rig.kelva.changePreset(0);
  rig.kelva.changePreset(7);
  EXPECT_DOUBLE_EQ(rig.kelva.GetParam(kSynVol)->Value(), 0.77);
}

TEST(KelvaPrograms, PasteWithAnEmptyClipboardDoesNothing)
{
  KelvaRig rig;
  EXPECT_TRUE(rig.kelva.clipboardIsEmpty());
  rig.setPlain(kVolume, 0.3);
  rig.kelva.pastePreset();
  EXPECT_DOUBLE_EQ(rig.kelva.GetParam(kVolume)->Value(), 0.3);
}

TEST(KelvaPrograms, InitProgramRestoresEveryDefault)
{
  KelvaRig rig;
  for (int i = 0; i < kParamCount; ++i)
    rig.setNormalized(i, 0.73);
  rig.kelva.initPreset();
  for (int i = 0; i < kParamCount; ++i)
  {
    // Through the normalised form: equal up to rounding.
    const IParam* param = rig.kelva.GetParam(i);
    EXPECT_NEAR(param->Value(), param->Constrain(param->GetDefault()), 1e-12 * (1 + std::fabs(param->GetDefault())))
      << i;
  }
  EXPECT_STREQ(rig.kelva.GetPresetName(0), "Init");
}
