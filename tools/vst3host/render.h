// Offline rendering: a MIDI sequence through a plug-in into a WAV file, with
// a state, a program and parameter values applied before the start.
#pragma once

#include "midievents.h"
#include "midifile.h"
#include "plugin.h"
#include "wavwriter.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vst3host {

// "key=value" as typed on the command line: the key is a parameter ID or
// title; the value is
//   norm:X   X as a normalised value (0–1),
//   text:T   T through the plug-in's own text-to-value conversion,
//   X        a number from 0 to 1 as a normalised value,
//   T        anything else as text for the plug-in ("440 Hz", "On", "12"),
//            or, where the plug-in cannot parse it, a number as a plain value.
struct ParameterSetting {
    std::string key;
    std::string value;
};
std::optional<ParameterSetting> parseParameterSetting(std::string_view text);

struct ParameterValue {
    uint32_t id = 0;
    double normalized = 0.0;
};
std::optional<ParameterValue> resolveParameterSetting(const Plugin& plugin, const ParameterSetting& setting,
                                                      std::string& error);

// What applies before the first sample, in this order.
struct Settings {
    std::optional<std::vector<uint8_t>> state;  // component state
    int32_t program = -1;                       // through the program-change parameter; −1: none
    std::vector<ParameterSetting> parameters;
};

// Main thread, before prepare(): applies the settings on the controller side
// and lists the changes the processor must also receive in its first block.
bool applySettings(Plugin& plugin, const Settings& settings, std::vector<ParameterValue>& forProcessor,
                   std::string& error);

struct RenderOptions {
    double sampleRate = 48000.0;
    int32_t blockSize = 512;
    double tailSeconds = 2.0;  // rendered after the sequence's end
    bool doublePrecision = false;
    int32_t processMode = V3_OFFLINE;
    WavFormat format = WavFormat::Float32;
    bool captureAudio = false;  // keep the stereo output in RenderResult::audio
    Settings settings;
};

struct RenderResult {
    int64_t frames = 0;
    int64_t processCalls = 0;
    uint32_t processErrors = 0;     // calls that did not return OK
    double processSeconds = 0.0;    // wall time inside process()
    double peak = 0.0;              // largest finite |sample| written
    uint64_t nonFiniteSamples = 0;  // NaN or infinite output samples
    uint64_t outputEvents = 0;
    uint64_t outputParameterPoints = 0;
    uint64_t droppedInputs = 0;     // events or points that did not fit the input lists
    uint32_t handlerCallsDuringProcess = 0;
    ConversionStats midi;
    std::vector<float> audio;  // interleaved stereo, with captureAudio

    // Seconds of audio per second of processing.
    double realTimeFactor(double sampleRate) const;
};

// Applies the settings, prepares the plug-in (stereo, the options' rate and
// block size), renders every message of `sequence` at its sample followed by
// the tail, writes stereo audio to `wavPath` (nothing when it is empty) and
// stops the plug-in. Blocks are split at program changes, which are set on
// the controller between two process calls; every other event and parameter
// change lands at its sample offset within its block. The process loop
// allocates nothing.
bool render(Plugin& plugin, const MidiSequence& sequence, const RenderOptions& options, const std::string& wavPath,
            RenderResult& result, std::string& error);

} // namespace vst3host
