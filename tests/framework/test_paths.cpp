#include "IKitPaths.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace
{
// Sets or clears environment variables for one test and puts them back.
class ScopedEnv
{
public:
  ScopedEnv(const char* name, const char* value) : name(name)
  {
    if (const char* old = std::getenv(name))
      saved = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv()
  {
    if (saved)
      setenv(name, saved->c_str(), 1);
    else
      unsetenv(name);
  }

private:
  const char* name;
  std::optional<std::string> saved;
};

class TempFolder
{
public:
  TempFolder()
  {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelva-paths-XXXXXX").string();
    if (mkdtemp(pattern.data()))
      path = pattern;
  }
  ~TempFolder()
  {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

mode_t modeOf(const std::string& path)
{
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}
}

TEST(UserFolders, ConfigurationFolderFollowsXdgConfigHomeElseHome)
{
  struct Case
  {
    const char* xdg;
    const char* home;
    const char* folder;
  };
  const Case cases[] = {
      {"/x/cfg", "/home/u", "/x/cfg/OrvaneMusic"},
      {"/x/cfg/", "/home/u", "/x/cfg/OrvaneMusic"},
      {nullptr, "/home/u", "/home/u/.config/OrvaneMusic"},
      {"", "/home/u", "/home/u/.config/OrvaneMusic"},
      {"relative/cfg", "/home/u", "/home/u/.config/OrvaneMusic"},   // invalid, ignored
      {nullptr, "/", "/.config/OrvaneMusic"},
      {"/x/cfg", nullptr, "/x/cfg/OrvaneMusic"},
      {nullptr, nullptr, ""},
      {nullptr, "", ""},
  };
  for (const Case& c : cases)
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(ConfigFolderPath("OrvaneMusic"), c.folder)
        << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
  }
}

TEST(UserFolders, HomeAndMusicComeFromHome)
{
  {
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(HomePath(), "/home/u");
    EXPECT_EQ(UserMusicPath(), "/home/u/Music");
  }
  ScopedEnv home("HOME", nullptr);
  EXPECT_EQ(HomePath(), "");
  EXPECT_EQ(UserMusicPath(), "");
}

TEST(UserFolders, MissingParentsAreCreatedAndTheLeafGetsItsModeDespiteTheMask)
{
  TempFolder temp;
  ASSERT_FALSE(temp.path.empty());
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  ScopedEnv home("HOME", (temp.path + "/fresh-account").c_str());
  const std::string folder = ConfigFolderPath("OrvaneMusic");

  const mode_t oldMask = umask(027);
  EXPECT_TRUE(CreateFolderWithParents(folder, 0774));
  umask(oldMask);
  EXPECT_EQ(modeOf(folder), 0774u);
  EXPECT_EQ(modeOf(temp.path + "/fresh-account/.config"), 0700u);
  EXPECT_EQ(modeOf(temp.path + "/fresh-account"), 0700u);

  // An existing folder is accepted as it is.
  ASSERT_EQ(chmod(folder.c_str(), 0750), 0);
  EXPECT_TRUE(CreateFolderWithParents(folder + "/", 0774));
  EXPECT_EQ(modeOf(folder), 0750u);
}

TEST(UserFolders, AFolderThatCannotBeCreatedIsReported)
{
  TempFolder temp;
  ASSERT_FALSE(temp.path.empty());
  std::ofstream(temp.path + "/file") << "x";
  EXPECT_FALSE(CreateFolderWithParents(temp.path + "/file/sub/leaf", 0774));
  EXPECT_FALSE(CreateFolderWithParents(temp.path + "/file", 0774));
  EXPECT_FALSE(CreateFolderWithParents("", 0774));
}

TEST(PluginBundle, TheFolderHoldingTheBundleEndsWithASlash)
{
  struct Case
  {
    const char* module;
    const char* folder;
  };
  const Case cases[] = {
      {"/home/u/.vst3/Kelva.vst3/Contents/x86_64-linux/Kelva.so", "/home/u/.vst3/"},
      {"/Kelva.vst3/Contents/x86_64-linux/Kelva.so", "/"},
      {"Kelva.vst3/Contents/x86_64-linux/Kelva.so", "./"},
      {"/usr/lib/libkelva.so", ""},
      {"/a/Kelva/Contents/x86_64-linux/Kelva.so", ""},
      {"/a/.vst3/Contents/x86_64-linux/Kelva.so", ""},
      {"/a/Kelva.vst3/Other/x86_64-linux/Kelva.so", ""},
      {"Kelva.so", ""},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BundleParentPath(c.module), c.folder) << c.module;
}

TEST(PluginBundle, ATestProgramIsNotInABundle)
{
  EXPECT_EQ(PluginPath(), "");
}

// This program, started again under a bundle's module path, reports what it
// finds there.
TEST(PluginBundle, AModuleInsideABundleFindsTheFolderHoldingIt)
{
  if (std::getenv("KELVA_REPORT_PLUGIN_PATH"))
  {
    std::printf("plugin path: [%s]\n", PluginPath().c_str());
    return;
  }
  TempFolder temp;
  ASSERT_FALSE(temp.path.empty());
  const std::string binaries = temp.path + "/Kelva.vst3/Contents/x86_64-linux";
  std::filesystem::create_directories(binaries);
  std::filesystem::create_symlink(std::filesystem::read_symlink("/proc/self/exe"), binaries + "/Kelva.so");

  const auto reported = [&](const std::string& folder, const std::string& module) {
    const std::string command = "cd '" + folder + "' && KELVA_REPORT_PLUGIN_PATH=1 '" + module +
                                "' --gtest_filter=PluginBundle.AModuleInsideABundleFindsTheFolderHoldingIt";
    std::string output;
    if (FILE* p = popen(command.c_str(), "r"))
    {
      char line[4096];
      while (std::fgets(line, sizeof line, p))
        output += line;
      pclose(p);
    }
    const size_t at = output.find("plugin path: [");
    return at == std::string::npos ? std::string("<no report>")
                                   : output.substr(at + 14, output.find(']', at) - at - 14);
  };
  EXPECT_EQ(reported(temp.path, binaries + "/Kelva.so"), temp.path + "/");
  EXPECT_EQ(reported(temp.path, "./Kelva.vst3/Contents/x86_64-linux/Kelva.so"), temp.path + "/");
}
