#pragma once

// The plug-in that the program and bank file fuzz targets load into: 55
// parameters of every kind the framework offers, with the framework's own
// state format, built once per process like a plug-in that lives through
// many file loads.

#include <cmath>
#include <cstdlib>
#include <string>

#include "IKitPluginBase.h"

class FuzzPlugin : public IKitinBase
{
public:
  static Config MakeConfig(bool stateChunks)
  {
    Config config;
    config.nParams = 55;
    config.nPresets = 64;
    config.pluginName = "FuzzSynth";
    config.vendorVersion = 0x10301;
    config.uniqueID = MakeFourCC("zq71");
    config.plugDoesChunks = stateChunks;
    config.plugType = 1;
    return config;
  }

  explicit FuzzPlugin(bool stateChunks = true)
    : IKitinBase(MakeConfig(stateChunks))
  {
    for (int i = 0; i < NParams(); ++i)
    {
      IParam* p = GetParam(i);
      const std::string name = "P" + std::to_string(i);
      switch (i % 5)
      {
      case 0: p->InitDouble(name.c_str(), 0.5, 0.0, 1.0, 0.001); break;
      case 1: p->InitEnum(name.c_str(), 1, {"Off", "Mono", "Pingpong"}); break;
      case 2: p->InitDouble(name.c_str(), 0.0, 0.0, 9217.0, 1.0, "", 0, "", IParam::ShapePowCurve(2.0)); break;
      case 3: p->InitFrequency(name.c_str(), 440.0, 20.0, 20000.0, 0.1); break;
      default: p->InitDouble(name.c_str(), 0.0, -12.0, 12.0, 0.5, "", IParam::kFlagStepped); break;
      }
    }
  }

  // Aborts (so the fuzzer reports it) when a parameter holds a value that no
  // file may ever put there.
  void CheckParams() const
  {
    for (int i = 0; i < NParams(); ++i)
    {
      const IParam* p = GetParam(i);
      const double v = p->Value();
      if (!std::isfinite(v) || v < p->GetMin() || v > p->GetMax())
        abort();
    }
  }

  // Every slot name is terminated inside its field.
  void CheckPresets() const
  {
    for (int i = 0; i < NPresets(); ++i)
    {
      const IPreset* preset = GetPreset(i);
      bool terminated = false;
      for (char c : preset->name)
        terminated = terminated || c == '\0';
      if (!terminated)
        abort();
    }
    if (!GetPreset(GetCurrentPresetIdx()))
      abort();
  }
};
