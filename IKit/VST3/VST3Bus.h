#pragma once

#include "VST3Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace VST3
{
// One audio or event bus of the component.
struct Bus
{
  std::u16string name;
  int32_t mediaType = kAudio;
  int32_t direction = kOutput;
  int32_t busType = kMain;
  uint32_t flags = kDefaultActive;
  // Set by the host through activateBus. Starts as the default-active flag
  // says, so that a host which never activates buses still gets its
  // default-active ones.
  bool active = true;
  // Audio buses: the speakers, and with them the channels.
  SpeakerArrangement arrangement = kSpeakerEmpty;
  // Event buses: the number of MIDI channels.
  int32_t eventChannels = 0;

  int32_t getChannelCount() const { return mediaType == kAudio ? channelCount(arrangement) : eventChannels; }
};

using BusList = std::vector<Bus>;
} // namespace VST3
