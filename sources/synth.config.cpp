// The per-user configuration file "kelva.ini": startup bank, editor scale,
// program folder, MIDI options, learned controllers and the forced GOD mode.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "IKitPaths.h"
#include "ini.h"
#include "synth.h"

namespace
{
constexpr const char* kVendorFolder = "OrvaneMusic";
constexpr const char* kIniName = "kelva.ini";

bool fileExists(const std::string& path)
{
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Copies a file byte for byte into an already created destination.
bool copyInto(const std::string& from, std::FILE* to)
{
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (!in)
    return false;
  char buffer[8192];
  size_t n;
  bool ok = true;
  while ((n = std::fread(buffer, 1, sizeof(buffer), in)) > 0)
    if (std::fwrite(buffer, 1, n, to) != n)
    {
      ok = false;
      break;
    }
  std::fclose(in);
  return ok;
}
} // namespace

void Synth::openConfig()
{
  const std::string folder = ConfigFolderPath(kVendorFolder);
  programPath = homePath;
  // Without a home folder there is nowhere to keep settings: the instrument
  // plays with the defaults.
  if (folder.empty())
    return;
  CreateFolderWithParents(folder, 0774);
  iniPath = folder + "/" + kIniName;

  if (fileExists(iniPath))
  {
    loadConfig();
    return;
  }
  std::FILE* created = std::fopen(iniPath.c_str(), "wb");
  if (!created)
    return;
  const std::string defaults = pluginPath.empty() ? std::string() : pluginPath + "Kelva.vst3/Contents/Resources/" + kIniName;
  const bool copied = fileExists(defaults) && copyInto(defaults, created);
  std::fclose(created);
  if (copied)
    loadConfig();
}

int Synth::loadConfig()
{
  const char* ini = iniPath.c_str();
  if (!fileExists(iniPath))
    return kConfigMissing;

  char text[1023];
  startupBank.clear();
  GetPrivateProfileString("Startup Bank", "File", "", text, sizeof(text), ini);
  if (text[0])
    startupBank = text;

  char shortText[64];
  GetPrivateProfileString("Kelva", "ForceGODMode", "false", shortText, sizeof(shortText), ini);
  forceGODMode = std::strcmp(shortText, "true") == 0;

  GetPrivateProfileString("Editor", "Scale", "", text, sizeof(text), ini);
  if (text[0])
  {
    guiScale = static_cast<float>(std::strtod(text, nullptr));
    if (guiScale > 0)
      resizeUI(guiScale);
  }

  GetPrivateProfileString("Global", "Path to Program Files", "", shortText, sizeof(shortText), ini);
  if (shortText[0])
    programPath = shortText;

  GetPrivateProfileString("MIDI Global", "MIDI Thru", midiThru ? "true" : "false", shortText,
                          sizeof(shortText), ini);
  if (shortText[0])
    midiThru = std::strcmp(shortText, "true") == 0;
  GetPrivateProfileString("MIDI Global", "Ignore Program Change", ignoreProgramChange ? "true" : "false",
                          shortText, sizeof(shortText), ini);
  if (shortText[0])
    ignoreProgramChange = std::strcmp(shortText, "true") == 0;

  for (int k = 0; k < kNumLearnableCCs; ++k)
  {
    char key[16];
    std::snprintf(key, sizeof(key), "CC%i", k);
    GetPrivateProfileString("MIDI Control", key, "-1", shortText, sizeof(shortText), ini);
    if (!shortText[0])
      continue;
    long value = std::atol(shortText);
    if (value == 0 && shortText[0] != '0')
      value = -1;
    // Any integer is kept (and saved again); only 0..54 ever take effect.
    if (value < INT32_MIN || value > INT32_MAX)
      value = -1;
    ccParam[k].store(static_cast<int>(value), std::memory_order_relaxed);
  }
  return 0;
}

int Synth::saveConfig(int kind)
{
  if (iniPath.empty())
    return 0;
  const char* ini = iniPath.c_str();
  const char emptySection[2] = {0, 0};

  WritePrivateProfileSection("Startup Bank", emptySection, ini);
  WritePrivateProfileString("Startup Bank", "File", startupBank.c_str(), ini);

  if (kind < 0 || kind == kSaveWindowSize)
  {
    char scale[64];
    std::snprintf(scale, sizeof(scale), "%f", static_cast<double>(currentEditorScale()));
    WritePrivateProfileString("Editor", "Scale", scale, ini);
  }
  if (kind < 0 || kind == kSaveMidiThru)
    WritePrivateProfileString("MIDI Global", "MIDI Thru", midiThru ? "true" : "false", ini);
  if (kind < 0 || kind == kSaveIgnoreProgramChange)
    WritePrivateProfileString("MIDI Global", "Ignore Program Change", ignoreProgramChange ? "true" : "false",
                              ini);
  if (kind < 0)
  {
    WritePrivateProfileSection("MIDI Control", emptySection, ini);
    for (int k = 0; k < kNumLearnableCCs; ++k)
    {
      const int param = ccParam[k].load(std::memory_order_relaxed);
      if (param < 0)
        continue;
      char key[16], value[16];
      std::snprintf(key, sizeof(key), "CC%i", k);
      std::snprintf(value, sizeof(value), "%i", param);
      WritePrivateProfileString("MIDI Control", key, value, ini);
    }
  }
  return 0;
}

void Synth::storeProgramPath(const char* folder)
{
  if (folder)
    programPath = folder;
  if (!iniPath.empty())
    WritePrivateProfileString("Global", "Path to Program Files", programPath.c_str(), iniPath.c_str());
}

int Synth::setStartupFxb(const char* path)
{
  startupBank = path ? path : "";
  if (!iniPath.empty())
  {
    const char emptySection[2] = {0, 0};
    WritePrivateProfileSection("Startup Bank", emptySection, iniPath.c_str());
    WritePrivateProfileString("Startup Bank", "File", startupBank.c_str(), iniPath.c_str());
  }
  return 0;
}

void Synth::unsetStartupFxb()
{
  startupBank.clear();
  if (!iniPath.empty())
  {
    const char emptySection[2] = {0, 0};
    WritePrivateProfileSection("Startup Bank", emptySection, iniPath.c_str());
  }
}

float Synth::currentEditorScale() const
{
  // The open editor's draw scale once the editor exists; until then the
  // stored scale.
  return guiScale;
}

void Synth::resizeUI(float scale)
{
  if (!(scale > 0))
    return;
  guiScale = scale;
  // An open editor is resized to ceil(1760 / scale) x ceil(1024 / scale) here
  // once the editor exists.
}
