#pragma once

#include "ini.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// Every test gets a folder of its own with "kelva.ini" in it, removed again
// afterwards.
class IniFolder : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelva-ini-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
    path = dir + "/kelva.ini";
  }

  void TearDown() override
  {
    std::error_code ignored;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(dir, ignored);
  }

  static std::string readFrom(const std::string& file, const char* section, const char* key,
                          const char* fallback = "<default>")
  {
    char buffer[4096];
    GetPrivateProfileString(section, key, fallback, buffer, sizeof buffer, file.c_str());
    return buffer;
  }

  std::string read(const char* section, const char* key, const char* fallback = "<default>") const
  {
    return readFrom(path, section, key, fallback);
  }

  bool write(const char* section, const char* key, const char* value) const
  {
    return WritePrivateProfileString(section, key, value, path.c_str());
  }

  static std::string contents(const std::string& file)
  {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::string contents() const { return contents(path); }

  // Replaces the file by a new one, as an editor or another process would;
  // the new file never shares the old one's inode.
  void replace(const std::string& text) const
  {
    const std::string temp = dir + "/replacement";
    std::ofstream(temp, std::ios::binary) << text;
    ASSERT_EQ(std::rename(temp.c_str(), path.c_str()), 0);
  }

  // Identifies one version of the file: a rewrite through a rename always
  // gives a new inode, since the old file still exists when the new one is
  // created.
  ino_t inode() const
  {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
  }

  bool exists(const std::string& name) const { return std::filesystem::exists(dir + "/" + name); }

  std::string dir;
  std::string path;
};
