// A Standard MIDI File read into time-ordered channel messages (libsmf).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vst3host {

struct MidiMessage {
    double seconds = 0.0;   // from the start, after the file's tempo map
    double quarters = 0.0;  // musical position: pulses / pulses per quarter
    uint8_t status = 0;     // 0x80–0xEF
    uint8_t data1 = 0;
    uint8_t data2 = 0;  // 0 for two-byte messages
};

struct MidiSequence {
    std::vector<MidiMessage> messages;  // every track merged, in time order
    double lengthSeconds = 0.0;         // end of the last track
    uint32_t skippedEvents = 0;         // system exclusive and system messages
};

// Main thread. False with `error` set when the file cannot be read or parsed.
bool loadMidiFile(const std::string& path, MidiSequence& sequence, std::string& error);
bool loadMidiMemory(std::span<const uint8_t> bytes, MidiSequence& sequence, std::string& error);

} // namespace vst3host
