#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "config_home.h"
#include "kelva_fixture.h"

TEST(KelvaConfig, FirstRunCreatesTheFolderAndAnEmptyFile)
{
  ConfigHome home;
  Kelva kelva;
  struct stat st;
  ASSERT_EQ(stat(home.folder().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0774u);
  ASSERT_EQ(stat(home.iniPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0);
  EXPECT_EQ(kelva.getIniPath(), home.iniPath());
  EXPECT_FALSE(kelva.getMidiThru());
  EXPECT_FLOAT_EQ(kelva.getGuiScale(), 0.5f);
  EXPECT_EQ(kelva.getProgramPath(), home.root);
  EXPECT_EQ(kelva.getCCParam(7), -1);
}

TEST(KelvaConfig, EveryKeyIsReadAndSavedInTheStoresLayout)
{
  ConfigHome home;
  home.writeIni("[Startup Bank]\nFile=/nowhere/bank.fxb\n\n"
                "[Kelva]\nForceGODMode=true\n\n"
                "[Editor]\nScale=0.750000\n\n"
                "[Global]\nPath to Program Files=/music/programs\n\n"
                "[MIDI Global]\nMIDI Thru=true\nIgnore Program Change=true\n\n"
                "[MIDI Control]\nCC7=1\nCC10=5\nCC20=60\n\n");
  KelvaRig rig;
  Kelva& kelva = rig.kelva;
  EXPECT_TRUE(kelva.getForceGODMode());
  EXPECT_TRUE(kelva.isGODMode());  // forced, although the parameter is off
  EXPECT_FLOAT_EQ(kelva.getGuiScale(), 0.75f);
  EXPECT_EQ(kelva.getProgramPath(), "/music/programs");
  EXPECT_TRUE(kelva.getMidiThru());
  EXPECT_TRUE(kelva.getIgnoreProgramChange());
  EXPECT_EQ(kelva.getCCParam(7), 1);
  EXPECT_EQ(kelva.getCCParam(10), 5);
  EXPECT_EQ(kelva.getCCParam(20), 60);  // kept, though it moves nothing
  EXPECT_EQ(kelva.getStartupBank(), "");  // the bank could not be loaded

  kelva.saveConfig(Kelva::kSaveAll);
  EXPECT_EQ(home.readIni(),
            "[Editor]\nScale=0.750000\n\n"
            "[Global]\nPath to Program Files=/music/programs\n\n"
            "[Kelva]\nForceGODMode=true\n\n"
            "[MIDI Control]\nCC10=5\nCC20=60\nCC7=1\n\n"
            "[MIDI Global]\nIgnore Program Change=true\nMIDI Thru=true\n\n"
            "[Startup Bank]\nFile=\n\n");
}

TEST(KelvaConfig, ControllerEntriesFollowTheMinusOneRule)
{
  const struct { const char* line; int expected; } cases[] = {
    {"CC7=0", 0},           // parameter 0
    {"CC7=abc", -1},        // not a number
    {"", -1},               // missing key
    {"CC7=12", 12},
    {"CC7=", 33},           // present but empty: the value in memory stays
  };
  for (const auto& c : cases)
  {
    ConfigHome home;
    home.writeIni(std::string("[MIDI Control]\n") + c.line + "\n");
    Kelva kelva;
    kelva.setCCParam(7, 33);
    kelva.loadConfig();
    EXPECT_EQ(kelva.getCCParam(7), c.expected) << c.line;
  }
}

TEST(KelvaConfig, ForceGodModeNeedsExactlyTrue)
{
  const struct { const char* value; bool forced; } cases[] = {
    {"true", true}, {"true   ", true}, {"True", false}, {"TRUE", false}, {"yes", false}};
  for (const auto& c : cases)
  {
    ConfigHome home;
    home.writeIni(std::string("[Kelva]\nForceGODMode=") + c.value + "\n");
    Kelva kelva;
    EXPECT_EQ(kelva.getForceGODMode(), c.forced) << c.value;
  }
}

TEST(KelvaConfig, LongProgramFolderIsCutTo63Characters)
{
  ConfigHome home;
  const std::string folder = "/" + std::string(99, 'p');
  home.writeIni("[Global]\nPath to Program Files=" + folder + "\n");
  Kelva kelva;
  EXPECT_EQ(kelva.getProgramPath(), folder.substr(0, 63));
}

TEST(KelvaConfig, SingleKeyWritesAndTheStartupBankSection)
{
  ConfigHome home;
  Kelva kelva;
  kelva.setMidiThru(true);
  kelva.saveConfig(Kelva::kSaveMidiThru);
  kelva.setStartupFxb("/banks/mine.fxb");
  EXPECT_EQ(home.readIni(), "[MIDI Global]\nMIDI Thru=true\n\n[Startup Bank]\nFile=/banks/mine.fxb\n\n");
  kelva.unsetStartupFxb();
  EXPECT_EQ(home.readIni(), "[MIDI Global]\nMIDI Thru=true\n\n[Startup Bank]\n\n");
  kelva.storeProgramPath("/progs");
  EXPECT_NE(home.readIni().find("[Global]\nPath to Program Files=/progs\n"), std::string::npos);
}

TEST(KelvaConfig, UnusableConfigurationFolderStillPlays)
{
  const auto plays = [] {
    KelvaRig rig;
    rig.noteOn(69);
    return rms(rig.renderLeft(4800), 2400, 4800) > 0.01;
  };
  {
    ConfigHome home;
    // The configuration "folder" is a file: nothing can be created in it.
    std::ofstream(home.root + "/.config") << "not a folder";
    EXPECT_TRUE(plays());
  }
  {
    ConfigHome home;
    unsetenv("HOME");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(plays());
  }
}

TEST(KelvaConfig, MalformedFilesNeverStopTheInstrument)
{
  const std::string cases[] = {
    std::string("\0\x01\xff[\x80]==\n", 10),
    "no section=1\nCC7=3\n[MIDI Control\nCC7=5\n",
    "[MIDI Control]\r\nCC7=4\r\nCC7=9\r\n",
    "[MIDI Control]\nCC7=2",
    std::string(300000, 'x'),
  };
  for (const auto& text : cases)
  {
    ConfigHome home;
    home.writeIni(text);
    KelvaRig rig;
    const int cc7 = rig.kelva.getCCParam(7);
    EXPECT_TRUE(cc7 == -1 || (cc7 >= 2 && cc7 <= 9)) << cc7;
    rig.noteOn(60);
    EXPECT_GT(rms(rig.renderLeft(4800), 2400, 4800), 0.0);
  }
}
