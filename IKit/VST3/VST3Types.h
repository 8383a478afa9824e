#pragma once

// Plain C++ names for the VST 3 values that the support layer and the adapter
// pass around. Nothing here includes the ABI headers, so the instrument can
// include the adapter's header without seeing the host ABI; the records that
// mirror ABI records are checked field by field against it in VST3Types.cpp.

#include <cstddef>
#include <cstdint>
#include <cstring>

// ABI records that appear in signatures by pointer or reference only.
struct v3_funknown;
struct v3_bstream;
struct v3_event;
struct v3_event_list;
struct v3_param_changes;
struct v3_param_value_queue;
struct v3_attribute_list;
struct v3_component_handler;
struct v3_plugin_view;
struct v3_plugin_frame;
struct v3_plugin_factory;
struct v3_process_data;
struct v3_process_context;

namespace VST3
{
// Result codes as Linux hosts read them (not the COM values used on Windows).
enum : int32_t
{
  kNoInterface = -1,
  kOk = 0,
  kTrue = 0,
  kFalse = 1,
  kInvalidArgument = 2,
  kNotImplemented = 3,
  kInternalError = 4,
  kNotInitialised = 5,
  kOutOfMemory = 6,
};

// A 16-byte interface or class ID.
using TUID = uint8_t[16];

// The 16 bytes of an ID given as four 32-bit words: each word most
// significant byte first, which is how Linux hosts lay IDs out.
struct UID
{
  uint8_t bytes[16] = {};

  constexpr UID() = default;
  constexpr UID(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
  {
    const uint32_t words[4] = {a, b, c, d};
    for (int w = 0; w < 4; ++w)
      for (int i = 0; i < 4; ++i)
        bytes[w * 4 + i] = static_cast<uint8_t>(words[w] >> (24 - 8 * i));
  }
  bool operator==(const UID& other) const { return std::memcmp(bytes, other.bytes, 16) == 0; }
  bool matches(const uint8_t* iid) const { return iid && std::memcmp(bytes, iid, 16) == 0; }
};

enum MediaType : int32_t
{
  kAudio = 0,
  kEvent = 1,
};

enum BusDirection : int32_t
{
  kInput = 0,
  kOutput = 1,
};

enum BusType : int32_t
{
  kMain = 0,
  kAux = 1,
};

enum BusFlags : uint32_t
{
  kDefaultActive = 1 << 0,
  kIsControlVoltage = 1 << 1,
};

enum SampleSize : int32_t
{
  kSample32 = 0,
  kSample64 = 1,
};

enum ProcessMode : int32_t
{
  kRealtime = 0,
  kPrefetch = 1,
  kOffline = 2,
};

// Flags of restartComponent.
enum RestartFlags : int32_t
{
  kReloadComponent = 1 << 0,
  kIoChanged = 1 << 1,
  kParamValuesChanged = 1 << 2,
  kLatencyChanged = 1 << 3,
  kParamTitlesChanged = 1 << 4,
  kMidiCCAssignmentChanged = 1 << 5,
  kNoteExpressionChanged = 1 << 6,
  kIoTitlesChanged = 1 << 7,
  kPrefetchableSupportChanged = 1 << 8,
  kRoutingInfoChanged = 1 << 9,
};

// Speaker arrangements are bit masks, one bit per speaker.
using SpeakerArrangement = uint64_t;
constexpr SpeakerArrangement kSpeakerEmpty = 0;
constexpr SpeakerArrangement kSpeakerMono = 1 << 19;
constexpr SpeakerArrangement kSpeakerStereo = 0x3;

// Channels of an arrangement: one per speaker bit.
inline int32_t channelCount(SpeakerArrangement arrangement)
{
  return __builtin_popcountll(arrangement);
}

// The host's processing setup, laid out as the ABI record.
struct ProcessSetup
{
  int32_t processMode = kRealtime;
  int32_t symbolicSampleSize = kSample32;
  int32_t maxSamplesPerBlock = 0;
  double sampleRate = 0;
};

// Bits of ProcessContext::state.
enum ProcessContextState : uint32_t
{
  kPlaying = 1 << 1,
  kCycleActive = 1 << 2,
  kRecording = 1 << 3,
  kSystemTimeValid = 1 << 8,
  kProjectTimeMusicValid = 1 << 9,
  kTempoValid = 1 << 10,
  kBarPositionValid = 1 << 11,
  kCycleValid = 1 << 12,
  kTimeSigValid = 1 << 13,
  kSmpteValid = 1 << 14,
  kClockValid = 1 << 15,
  kContTimeValid = 1 << 17,
  kChordValid = 1 << 18,
};

// The host's transport and time information for one process call, laid out
// as the ABI record so that a copy is a plain assignment.
struct ProcessContext
{
  struct Chord
  {
    uint8_t keyNote = 0;
    uint8_t rootNote = 0;
    int16_t chordMask = 0;
  };
  struct FrameRate
  {
    uint32_t framesPerSecond = 0;
    uint32_t flags = 0;
  };

  uint32_t state = 0;
  double sampleRate = 0;
  int64_t projectTimeSamples = 0;
  int64_t systemTime = 0;
  int64_t continuousTimeSamples = 0;
  double projectTimeMusic = 0;
  double barPositionMusic = 0;
  double cycleStartMusic = 0;
  double cycleEndMusic = 0;
  double tempo = 0;
  int32_t timeSigNumerator = 0;
  int32_t timeSigDenominator = 0;
  Chord chord;
  int32_t smpteOffsetSubframes = 0;
  FrameRate frameRate;
  int32_t samplesToNextClock = 0;
};

// Copies the host's context record into a ProcessContext. Either thread;
// allocates nothing.
void copyProcessContext(const v3_process_context& hostContext, ProcessContext& out);

// A view rectangle in pixels, laid out as the ABI record.
struct ViewRect
{
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t getWidth() const { return right - left; }
  int32_t getHeight() const { return bottom - top; }
};
} // namespace VST3
