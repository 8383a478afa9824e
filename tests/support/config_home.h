#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// A fresh home folder for one test: HOME and XDG_CONFIG_HOME point into it
// while the object lives.
class ConfigHome
{
public:
  ConfigHome()
  {
    char pattern[] = "/tmp/kelva-config-XXXXXX";
    root = mkdtemp(pattern);
    saved("HOME");
    saved("XDG_CONFIG_HOME");
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/.config").c_str(), 1);
  }
  ~ConfigHome()
  {
    restore("HOME", home);
    restore("XDG_CONFIG_HOME", xdg);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }

  std::string folder() const { return root + "/.config/OrvaneMusic"; }
  std::string iniPath() const { return folder() + "/kelva.ini"; }

  void writeIni(const std::string& text) const
  {
    std::filesystem::create_directories(folder());
    std::ofstream(iniPath(), std::ios::binary) << text;
  }
  std::string readIni() const
  {
    std::ifstream in(iniPath(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string root;

private:
  void saved(const char* name)
  {
    const char* v = std::getenv(name);
    (std::string(name) == "HOME" ? home : xdg) = v ? v : "\x01";
  }
  static void restore(const char* name, const std::string& value)
  {
    if (value == "\x01")
      unsetenv(name);
    else
      setenv(name, value.c_str(), 1);
  }
  std::string home, xdg;
};
