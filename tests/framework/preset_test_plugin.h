#pragma once

// A small plug-in built on the framework's plug-in base, as an instrument
// would build it: mixed parameter kinds and, optionally, a state format of
// its own (a tag in front of the values), so the store can be seen to go
// through the virtual state operations.

#include <cstring>
#include <string>
#include <vector>

#include "IKitPluginBase.h"

inline Config MakeTestConfig(int nParams = 55, int nPresets = 64, bool stateChunks = true)
{
  Config config;
  config.nParams = nParams;
  config.nPresets = nPresets;
  config.pluginName = "TestSynth";
  config.productName = "TestSynth";
  config.mfrName = "Test Maker";
  config.vendorVersion = 0x10301;
  config.uniqueID = MakeFourCC("zq71");
  config.mfrID = MakeFourCC("TeSt");
  config.plugDoesChunks = stateChunks;
  config.plugType = 1;
  return config;
}

class PresetTestPlugin : public IKitinBase
{
public:
  static constexpr const char* kTag = "TST1";

  explicit PresetTestPlugin(const Config& config = MakeTestConfig(), bool taggedState = true)
    : IKitinBase(config)
    , mTaggedState(taggedState)
  {
    for (int i = 0; i < NParams(); ++i)
    {
      IParam* p = GetParam(i);
      switch (i)
      {
      case 0: p->InitDouble("Volume", 0.5, 0.0, 1.0, 0.01); break;
      case 1: p->InitEnum("Mode", 0, {"Off", "Type 1", "Type 2"}); break;
      case 2: p->InitDouble("Tune", 0.0, -12.0, 12.0, 0.1, "st", 0, "", IParam::ShapePowCurve(2.0)); break;
      case 3: p->InitInt("Voices", 4, 1, 16); break;
      default: p->InitDouble(("P" + std::to_string(i)).c_str(), 10.0, 0.0, 100.0, 0.5); break;
      }
    }
  }

  // Sets every parameter from a seed, so that two seeds give two sounds.
  void SetSound(int seed)
  {
    for (int i = 0; i < NParams(); ++i)
      GetParam(i)->SetNormalized(((seed * 7 + i * 3) % 11) / 10.0);
  }

  std::vector<double> Sound() const
  {
    std::vector<double> values;
    for (int i = 0; i < NParams(); ++i)
      values.push_back(GetParam(i)->Value());
    return values;
  }

  bool SerializeState(IByteChunk& chunk) const override
  {
    if (mTaggedState)
      chunk.PutBytes(kTag, 4);
    return SerializeParams(chunk);
  }

  int UnserializeState(const IByteChunk& chunk, int startPos) override
  {
    ++unserializeCalls;
    sawFullRestore = sawFullRestore || restoringFullState;
    if (onUnserialize)
      onUnserialize();
    int pos = startPos;
    if (mTaggedState)
    {
      char tag[4] = {};
      pos = chunk.GetBytes(tag, 4, pos);
      if (pos < 0 || memcmp(tag, kTag, 4) != 0)
        return -1;
    }
    return UnserializeParams(chunk, pos);
  }

  void OnParamChange(int) override { ++paramChanges; }
  void OnRestoreState() override { ++restoreStateCalls; }
  void OnPresetsModified() override { ++presetsModifiedCalls; }
  void InformHostOfPresetChange() override { ++hostInformCalls; }

  int unserializeCalls = 0;
  int paramChanges = 0;
  int restoreStateCalls = 0;
  int presetsModifiedCalls = 0;
  int hostInformCalls = 0;
  bool sawFullRestore = false;
  // Runs inside every UnserializeState, before anything is read.
  std::function<void()> onUnserialize;

private:
  bool mTaggedState;
};
