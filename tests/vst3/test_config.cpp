// The configuration file that the first instance in a fresh account makes.
#include "kelva_host.h"

using namespace kelvahost;

TEST_F(KelvaHost, FirstInstanceInAFreshHomeWritesTheDefaultConfiguration)
{
  ASSERT_FALSE(std::filesystem::exists(home.root + "/.config"));  // no ~/.config yet
  ASSERT_TRUE(create());
  ASSERT_TRUE(std::filesystem::is_regular_file(home.iniPath()));

  // A copy of the bundle's default file where the bundle has one, else empty.
  const std::string defaults = resourcePath("kelva.ini");
  const std::string expected = std::filesystem::exists(defaults) ? readFile(defaults) : std::string();
  EXPECT_EQ(home.readIni(), expected);

  // A second instance finds the file and leaves it as it is.
  home.writeIni("[MIDI Global]\nMIDI Thru=false\n");
  ASSERT_TRUE(create());
  EXPECT_EQ(home.readIni(), "[MIDI Global]\nMIDI Thru=false\n");
}
