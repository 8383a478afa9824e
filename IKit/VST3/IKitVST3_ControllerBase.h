#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "VST3HostObjects.h"
#include "VST3ParameterContainer.h"

class IKitAPIBase;
class IKitVST3BypassParameter;
namespace VST3
{
class SingleComponentEffect;
}

// The controller side's own state: where the parameters live, the bypass
// parameter of effects, and what the host told us of its channel.
class IKitVST3ControllerBase
{
public:
  // MIDI controller parameters: 130 per channel (controllers 0..127, channel
  // aftertouch, pitch bend), channel 1 only.
  static constexpr uint32_t kMidiCCParamBase = 65538;
  static constexpr int kMidiCCParamsPerChannel = 130;
  static constexpr int kChannelAftertouchCC = 128;
  static constexpr int kPitchBendCC = 129;

  IKitVST3ControllerBase() = default;

  // Main thread, from initialize: units, program list and every parameter.
  void Initialize(VST3::SingleComponentEffect& effect, IKitAPIBase& plug, bool isInstrument, bool midiIn);

  // Main thread, after a state load: every SDK parameter follows its IParam.
  void UpdateParams(IKitAPIBase& plug, double bypass);

  // Main thread: reads what the host offers of its channel.
  bool SetChannelContextInfos(VST3::AttributeList& list);

  const std::string& GetChannelName() const { return mChannelName; }
  const std::string& GetChannelNamespace() const { return mChannelNamespace; }
  const std::string& GetChannelUID() const { return mChannelUID; }
  int GetChannelNamespaceIndex() const { return mChannelNamespaceIndex; }
  int GetChannelIndex() const { return mChannelIndex; }
  uint32_t GetChannelColor() const { return mChannelColor; }

protected:
  // The effect's parameter container, known from Initialize on.
  VST3::ParameterContainer* mParameters = nullptr;
  IKitVST3BypassParameter* mBypassParameter = nullptr;
  std::string mChannelName;
  std::string mChannelNamespace;
  std::string mChannelUID;
  int mChannelNamespaceIndex = 0;
  int mChannelIndex = 0;
  uint32_t mChannelColor = 0;
  std::vector<std::string> mGroups;
};
