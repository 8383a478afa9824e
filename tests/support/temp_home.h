#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// Gives the test program a fresh, empty home folder (HOME and
// XDG_CONFIG_HOME), so no test reads or writes the user's configuration.
// Include in exactly one source file of a test program.
struct TempHome
{
  TempHome()
  {
    char pattern[] = "/tmp/kelva-test-home-XXXXXX";
    if (const char* made = mkdtemp(pattern))
    {
      path = made;
      setenv("HOME", path.c_str(), 1);
      setenv("XDG_CONFIG_HOME", (path + "/.config").c_str(), 1);
    }
  }
  ~TempHome()
  {
    std::error_code ignored;
    if (!path.empty())
      std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

inline TempHome gTempHome;
