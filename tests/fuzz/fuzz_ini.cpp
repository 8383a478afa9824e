// Feeds arbitrary bytes to the INI store as a configuration file: reading
// must never crash or overrun, and a file the store rewrote must read back to
// exactly what it holds.
#include "ini.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace
{
class Folder
{
public:
  Folder()
  {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelva-fuzz-ini-XXXXXX").string();
    if (mkdtemp(pattern.data()))
      path = pattern;
  }
  ~Folder()
  {
    std::error_code ignored;
    if (!path.empty())
      std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

std::string contents(const std::string& file)
{
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void readSome(const std::string& path, const std::string& section, const std::string& key)
{
  char small[1];
  char medium[64];
  char large[1024];
  GetPrivateProfileString(section.c_str(), key.c_str(), "-1", small, sizeof small, path.c_str());
  GetPrivateProfileString(section.c_str(), key.c_str(), nullptr, medium, sizeof medium, path.c_str());
  GetPrivateProfileString(section.c_str(), key.c_str(), "", large, sizeof large, path.c_str());
  if (std::strlen(small) != 0 || std::strlen(medium) >= sizeof medium || std::strlen(large) >= sizeof large)
    __builtin_trap();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static Folder folder;
  static unsigned long run = 0;
  if (folder.path.empty())
    return 0;
  // A new name every run, so the cache never mistakes this input for the last.
  const std::string path = folder.path + "/" + std::to_string(run++) + ".ini";
  const std::string copy = path + ".copy";
  const std::string text(size ? reinterpret_cast<const char*>(data) : "", size);
  std::ofstream(path, std::ios::binary) << text;

  // A section and a key taken from the input itself, so that the fuzzer can
  // reach names the file defines.
  const std::string head = text.substr(0, text.find('\0'));
  const size_t split = head.size() / 2;
  readSome(path, "MIDI Control", "CC7");
  readSome(path, head.substr(0, split), head.substr(split));

  // Two changes, so that the file is rewritten whatever it held.
  WritePrivateProfileString("Fuzz", "key", "other", path.c_str());
  WritePrivateProfileString("Fuzz", "key", "value", path.c_str());
  WritePrivateProfileSection("MIDI Control", "", path.c_str());
  readSome(path, "Fuzz", "key");
  readSome(path, head.substr(0, split), head.substr(split));

  // The rewritten file, read afresh and rewritten again, comes out the same.
  const std::string written = contents(path);
  std::filesystem::copy_file(path, copy);
  WritePrivateProfileString("Fuzz", "key", "other", copy.c_str());
  WritePrivateProfileString("Fuzz", "key", "value", copy.c_str());
  if (contents(copy) != written)
    __builtin_trap();

  for (const std::string& file : {path, copy})
  {
    const std::string name = file.substr(folder.path.size() + 1);
    std::remove(file.c_str());
    std::remove((folder.path + "/." + name + ".lock").c_str());
  }
  return 0;
}
