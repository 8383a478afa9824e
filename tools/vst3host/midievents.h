// MIDI channel messages turned into what a VST 3 plug-in receives: note and
// poly-pressure events, and parameter changes for the controllers, channel
// pressure, pitch wheel and program changes the plug-in maps. VST 3 has no
// input event for controllers; a plug-in that does not map one never sees it.
#pragma once

#include "abi.h"
#include "midifile.h"

#include <array>
#include <optional>
#include <vector>

namespace vst3host {

// Which parameter each MIDI controller of each channel drives (from
// getMidiControllerAssignment on event bus 0), and the program-change parameter.
struct MidiControllerMap {
    static constexpr int kChannels = 16;
    static constexpr int kControllers = 130;  // 0–127 controllers, then:
    static constexpr int kAfterTouch = 128;   // channel pressure
    static constexpr int kPitchBend = 129;

    std::optional<uint32_t> parameterFor(int channel, int controller) const;
    void assign(int channel, int controller, uint32_t id);

    std::optional<uint32_t> programParameter;  // the parameter flagged V3_PARAM_PROGRAM_CHANGE
    int32_t programStepCount = 0;              // programs − 1

private:
    static std::array<int64_t, kChannels * kControllers> unmapped();
    std::array<int64_t, kChannels * kControllers> table = unmapped();
};

struct TimedEvent {
    enum class Kind : uint8_t {
        Event,      // `event` goes into the input event list
        Parameter,  // a point (parameterId, value) in the input parameter changes
        Program,    // the program parameter: set on the controller too, at this sample
    };
    int64_t sample = 0;
    Kind kind = Kind::Event;
    v3_event event{};           // Event only; sample_offset is filled per block
    uint32_t parameterId = 0;   // Parameter and Program
    double value = 0.0;         // normalised
};

struct ConversionStats {
    uint32_t notes = 0;        // note on/off and poly pressure events
    uint32_t parameters = 0;   // mapped controllers, pressure, pitch wheel
    uint32_t programs = 0;
    uint32_t unmapped = 0;     // controllers and program changes the plug-in does not take
};

// Main thread. Message times become sample positions (rounded to the nearest
// sample at `sampleRate`); the order of the sequence is kept. A note-on of
// velocity 0 is a note-off; velocities and pressures are value / 127, the
// pitch wheel (LSB | MSB << 7) / 16383, a program p is p / programStepCount
// and programs beyond the step count are not mapped.
std::vector<TimedEvent> toVst3Events(const MidiSequence& sequence, double sampleRate, const MidiControllerMap& map,
                                     ConversionStats* stats = nullptr);

} // namespace vst3host
