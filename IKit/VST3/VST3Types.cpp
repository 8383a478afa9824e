#include "VST3Types.h"

#include "VST3Interfaces.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace VST3
{
// The C++ records stand for ABI records; a field out of place would hand the
// host (or the adapter) the wrong value, so every field is checked.
#define VST3_SAME_FIELD(ours, theirs, a, b) \
  static_assert(offsetof(ours, a) == offsetof(theirs, b) && sizeof(ours::a) == sizeof(theirs::b), #a)

static_assert(sizeof(ProcessSetup) == sizeof(v3_process_setup));
VST3_SAME_FIELD(ProcessSetup, v3_process_setup, processMode, process_mode);
VST3_SAME_FIELD(ProcessSetup, v3_process_setup, symbolicSampleSize, symbolic_sample_size);
VST3_SAME_FIELD(ProcessSetup, v3_process_setup, maxSamplesPerBlock, max_block_size);
VST3_SAME_FIELD(ProcessSetup, v3_process_setup, sampleRate, sample_rate);

static_assert(sizeof(ProcessContext) == sizeof(v3_process_context));
static_assert(std::is_trivially_copyable_v<ProcessContext>);
VST3_SAME_FIELD(ProcessContext, v3_process_context, state, state);
VST3_SAME_FIELD(ProcessContext, v3_process_context, sampleRate, sample_rate);
VST3_SAME_FIELD(ProcessContext, v3_process_context, projectTimeSamples, project_time_in_samples);
VST3_SAME_FIELD(ProcessContext, v3_process_context, systemTime, system_time_ns);
VST3_SAME_FIELD(ProcessContext, v3_process_context, continuousTimeSamples, continuous_time_in_samples);
VST3_SAME_FIELD(ProcessContext, v3_process_context, projectTimeMusic, project_time_quarters);
VST3_SAME_FIELD(ProcessContext, v3_process_context, barPositionMusic, bar_position_quarters);
VST3_SAME_FIELD(ProcessContext, v3_process_context, cycleStartMusic, cycle_start_quarters);
VST3_SAME_FIELD(ProcessContext, v3_process_context, cycleEndMusic, cycle_end_quarters);
VST3_SAME_FIELD(ProcessContext, v3_process_context, tempo, bpm);
VST3_SAME_FIELD(ProcessContext, v3_process_context, timeSigNumerator, time_sig_numerator);
VST3_SAME_FIELD(ProcessContext, v3_process_context, timeSigDenominator, time_sig_denom);
VST3_SAME_FIELD(ProcessContext, v3_process_context, chord, chord);
VST3_SAME_FIELD(ProcessContext, v3_process_context, smpteOffsetSubframes, smpte_offset_subframes);
VST3_SAME_FIELD(ProcessContext, v3_process_context, frameRate, frame_rate);
VST3_SAME_FIELD(ProcessContext, v3_process_context, samplesToNextClock, samples_to_next_clock);
VST3_SAME_FIELD(ProcessContext::Chord, v3_chord, keyNote, key_note);
VST3_SAME_FIELD(ProcessContext::Chord, v3_chord, rootNote, root_note);
VST3_SAME_FIELD(ProcessContext::Chord, v3_chord, chordMask, chord_mask);
VST3_SAME_FIELD(ProcessContext::FrameRate, v3_frame_rate, framesPerSecond, fps);
VST3_SAME_FIELD(ProcessContext::FrameRate, v3_frame_rate, flags, flags);

static_assert(sizeof(ViewRect) == sizeof(v3_view_rect));
VST3_SAME_FIELD(ViewRect, v3_view_rect, left, left);
VST3_SAME_FIELD(ViewRect, v3_view_rect, top, top);
VST3_SAME_FIELD(ViewRect, v3_view_rect, right, right);
VST3_SAME_FIELD(ViewRect, v3_view_rect, bottom, bottom);

// Our constants against the ABI's, compared as plain integers.
constexpr bool same(int64_t ours, int64_t theirs)
{
  return ours == theirs;
}

static_assert(same(kNoInterface, V3_NO_INTERFACE) && same(kOk, V3_OK) && same(kTrue, V3_TRUE) &&
              same(kFalse, V3_FALSE) && same(kInvalidArgument, V3_INVALID_ARG) &&
              same(kNotImplemented, V3_NOT_IMPLEMENTED) && same(kInternalError, V3_INTERNAL_ERR) &&
              same(kNotInitialised, V3_NOT_INITIALIZED) && same(kOutOfMemory, V3_NOMEM));
static_assert(same(kSpeakerMono, V3_SPEAKER_M) && same(kSpeakerStereo, V3_SPEAKER_L | V3_SPEAKER_R));
static_assert(same(kProjectTimeMusicValid, V3_PROCESS_CTX_PROJECT_TIME_VALID) &&
              same(kPlaying, V3_PROCESS_CTX_PLAYING) && same(kCycleActive, V3_PROCESS_CTX_CYCLE_ACTIVE) &&
              same(kTempoValid, V3_PROCESS_CTX_TEMPO_VALID) && same(kTimeSigValid, V3_PROCESS_CTX_TIME_SIG_VALID));
static_assert(same(kLatencyChanged, V3_RESTART_LATENCY_CHANGED) &&
              same(kParamTitlesChanged, V3_RESTART_PARAM_TITLES_CHANGED) &&
              same(kRoutingInfoChanged, V3_RESTART_ROUTING_INFO_CHANGED));
static_assert(same(kAudio, V3_AUDIO) && same(kEvent, V3_EVENT) && same(kInput, V3_INPUT) &&
              same(kOutput, V3_OUTPUT) && same(kMain, V3_MAIN) && same(kAux, V3_AUX) &&
              same(kDefaultActive, V3_DEFAULT_ACTIVE) && same(kSample32, V3_SAMPLE_32) &&
              same(kSample64, V3_SAMPLE_64) && same(kOffline, V3_OFFLINE));

#undef VST3_SAME_FIELD

void copyProcessContext(const v3_process_context& hostContext, ProcessContext& out)
{
  std::memcpy(static_cast<void*>(&out), &hostContext, sizeof out);
}
} // namespace VST3
