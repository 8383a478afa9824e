#include "IKitVST3.h"

#include <travesty/audio_processor.h>
#include <travesty/events.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "IKitByteChunk.h"
#include "IKitParameter.h"
#include "IKitVST3_Parameter.h"
#include "VST3Strings.h"

namespace
{
// True on the thread that is inside process(): what the instrument does
// there must not reach the component handler.
thread_local bool tInProcess = false;

struct ProcessScope
{
  ProcessScope() { tInProcess = true; }
  ~ProcessScope() { tInProcess = false; }
};

VST3::SpeakerArrangement arrangementForChannels(int channels)
{
  switch (channels)
  {
    case 1: return 0x80000;
    case 2: return 0x3;
    case 3: return 0x7;
    case 4: return 0xF00000;
    case 5: return 0x37;
    case 6: return 0x3F;
    case 7: return 0xF7;
    case 8: return 0x63F;
    case 9: return 0x7C000F00000ull;
    case 10: return 0x300063Full;
    case 16: return 0x3FFC000F00000ull;
    default: return 0;
  }
}

double finite01(double value, bool& ok)
{
  ok = std::isfinite(value);
  return ok ? std::clamp(value, 0.0, 1.0) : 0.0;
}

uint8_t toDataByte(double normalized)
{
  return static_cast<uint8_t>(std::clamp(static_cast<int>(normalized * 127), 0, 127));
}
} // namespace

IKitVST3::IKitVST3(const Config& config)
  : IKitAPIBase(config)
  , IKitVST3ProcessorBase(config, *this)
{
  CreateTimer();
}

IKitVST3::~IKitVST3() = default;

void IKitVST3::addBuses(ERoute direction, int configIdx)
{
  const IOConfig* config = GetIOConfig(configIdx);
  if (!config)
    return;
  const int nBuses = config->NBuses(direction);
  for (int i = 0; i < nBuses; ++i)
  {
    std::string name;
    GetBusName(direction, i, nBuses, name);
    const VST3::SpeakerArrangement arrangement =
      arrangementForChannels(config->GetBusInfo(direction, i)->NChannels());
    const int32_t type = i == 0 ? VST3::kMain : VST3::kAux;
    const uint32_t flags = i == 0 ? static_cast<uint32_t>(VST3::kDefaultActive) : 0u;
    if (direction == kInput)
      addAudioInput(VST3::toUTF16(name), arrangement, type, flags);
    else
      addAudioOutput(VST3::toUTF16(name), arrangement, type, flags);
  }
}

int32_t IKitVST3::initialize(v3_funknown** context)
{
  if (SingleComponentEffect::initialize(context) != VST3::kOk)
    return VST3::kFalse;

  // Each direction takes the layout with the most buses of that direction.
  int inputConfig = 0;
  if (MaxNBuses(kInput, &inputConfig) > 0)
    addBuses(kInput, inputConfig);
  int outputConfig = 0;
  if (MaxNBuses(kOutput, &outputConfig) > 0)
    addBuses(kOutput, outputConfig);
  else if (GetPlugType() == 2)
    addAudioOutput(u"Dummy Output", VST3::kSpeakerEmpty);

  if (DoesMIDIIn())
    addEventInput(u"MIDI Input", 1);
  if (DoesMIDIOut())
    addEventOutput(u"MIDI Output", 1);

  IKitVST3ControllerBase::Initialize(*this, *this, GetPlugType() == 1, DoesMIDIIn());

  if (GetHost() == kHostUninit)
  {
    std::string name;
    if (getHostApplicationName(name))
    {
      if (name.size() > 128)
        name.resize(128);
      SetHost(name.c_str(), 0);
    }
  }
  OnHostIdentified();
  OnParamReset(kReset);
  UpdateParams(*this, GetBypassed() ? 1.0 : 0.0);
  // The host initialises on its main thread: the one thread on which the
  // component handler may be called.
  mMainThread = std::this_thread::get_id();
  return VST3::kOk;
}

int32_t IKitVST3::terminate()
{
  mBypassParameter = nullptr;
  mGroups.clear();
  return SingleComponentEffect::terminate();
}

int32_t IKitVST3::setBusArrangements(const VST3::SpeakerArrangement* inputs, int32_t numInputs,
                                     const VST3::SpeakerArrangement* outputs, int32_t numOutputs)
{
  if (GetHost() == kHostArdour || GetHost() == kHostMixbus)
    return VST3::kTrue;

  SetChannelConnections(kInput, 0, NChannels(kInput), false);
  SetChannelConnections(kOutput, 0, NChannels(kOutput), false);

  if (numInputs < 0 || numOutputs < 0 || numInputs > MaxNBuses(kInput) || numOutputs > MaxNBuses(kOutput))
    return VST3::kFalse;
  if ((numInputs > 0 && !inputs) || (numOutputs > 0 && !outputs))
    return VST3::kFalse;

  std::vector<int> inCounts, outCounts;
  for (int32_t i = 0; i < numInputs; ++i)
    inCounts.push_back(VST3::channelCount(inputs[i]));
  for (int32_t i = 0; i < numOutputs; ++i)
    outCounts.push_back(VST3::channelCount(outputs[i]));
  const int configIdx = GetIOConfigWithChanCounts(inCounts, outCounts);
  if (configIdx < 0)
    return VST3::kFalse;

  removeAudioBusses();
  addBuses(kInput, configIdx);
  addBuses(kOutput, configIdx);
  return VST3::kTrue;
}

int32_t IKitVST3::setupProcessing(const VST3::ProcessSetup& setup)
{
  if (setup.symbolicSampleSize != VST3::kSample32 && setup.symbolicSampleSize != VST3::kSample64)
    return VST3::kFalse;
  if (!(setup.sampleRate > 0) || !std::isfinite(setup.sampleRate) || setup.maxSamplesPerBlock <= 0)
    return VST3::kFalse;
  SingleComponentEffect::setupProcessing(setup);
  SetSampleRate(setup.sampleRate);
  SetBlockSize(setup.maxSamplesPerBlock);
  mMidiOutputQueue.Resize(setup.maxSamplesPerBlock);
  OnReset();
  return VST3::kTrue;
}

int32_t IKitVST3::setActive(bool state)
{
  OnActivate(state);
  return VST3::kOk;
}

int32_t IKitVST3::setProcessing(bool state)
{
  if (!state)
    OnReset();
  return VST3::kOk;
}

int32_t IKitVST3::canProcessSampleSize(int32_t symbolicSampleSize)
{
  return symbolicSampleSize == VST3::kSample32 || symbolicSampleSize == VST3::kSample64 ? VST3::kTrue
                                                                                        : VST3::kFalse;
}

uint32_t IKitVST3::getLatencySamples()
{
  return static_cast<uint32_t>(GetLatency());
}

uint32_t IKitVST3::getTailSamples()
{
  return GetTailSize() == 0x7FFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(GetTailSize());
}

int32_t IKitVST3::process(v3_process_data& data)
{
  ProcessScope scope;

  if (data.ctx)
    VST3::copyProcessContext(*data.ctx, mProcessContext);
  ITimeInfo& timeInfo = GetTimeInfo();
  timeInfo.mTempo = mProcessContext.tempo;
  timeInfo.mSamplePos = (mProcessContext.state & VST3::kProjectTimeMusicValid)
                          ? static_cast<double>(mProcessContext.projectTimeSamples)
                          : -1.0;
  timeInfo.mPPQPos = mProcessContext.projectTimeMusic;
  timeInfo.mLastBar = mProcessContext.barPositionMusic;
  timeInfo.mCycleStart = mProcessContext.cycleStartMusic;
  timeInfo.mCycleEnd = mProcessContext.cycleEndMusic;
  timeInfo.mNumerator = mProcessContext.timeSigNumerator;
  timeInfo.mDenominator = mProcessContext.timeSigDenominator;
  timeInfo.mTransportIsRunning = (mProcessContext.state & VST3::kPlaying) != 0;
  timeInfo.mTransportLoopEnabled = (mProcessContext.state & VST3::kCycleActive) != 0;
  SetRenderingOffline(getProcessSetup().processMode == VST3::kOffline);

  processParameterChanges(data);
  if (DoesMIDIIn())
    processInputEvents(data);
  processAudio(data);
  processOutputEvents(data);
  return VST3::kOk;
}

void IKitVST3::processParameterChanges(v3_process_data& data)
{
  if (!data.input_params)
    return;
  VST3::ParameterChanges changes(data.input_params);
  const int32_t count = changes.getParameterCount();
  for (int32_t i = 0; i < count; ++i)
  {
    VST3::ParamValueQueue queue = changes.getParameterData(i);
    if (!queue.isValid())
      continue;
    const int32_t points = queue.getPointCount();
    int32_t offset = 0;
    double raw = 0;
    // Only the last point of a queue counts.
    if (points <= 0 || !queue.getPoint(points - 1, offset, raw))
      continue;
    bool ok = false;
    const double value = finite01(raw, ok);
    if (!ok)
      continue;
    offset = std::max(offset, 0);
    const uint32_t id = queue.getParameterId();

    if (id == IKitVST3BypassParameter::kID)
      SetBypassed(value > 0.5);
    else if (id < static_cast<uint32_t>(NParams()))
    {
      GetParam(static_cast<int>(id))->SetNormalized(value);
      mPlug.OnParamChange(static_cast<int>(id), kHost, offset);
    }
    else if (id >= kMidiCCParamBase)
    {
      const uint32_t n = id - kMidiCCParamBase;
      const int channel = static_cast<int>(n / kMidiCCParamsPerChannel) & 0x0F;
      const int number = static_cast<int>(n % kMidiCCParamsPerChannel);
      IMidiMsg msg;
      msg.mOffset = offset;
      if (number == kPitchBendCC)
      {
        const int v = std::clamp(static_cast<int>((value * 2 - 1) * 8192), -8192, 8191) + 8192;
        msg.mStatus = static_cast<uint8_t>(0xE0 | channel);
        msg.mData1 = static_cast<uint8_t>(v & 0x7F);
        msg.mData2 = static_cast<uint8_t>(v >> 7);
      }
      else if (number == kChannelAftertouchCC)
      {
        msg.mStatus = static_cast<uint8_t>(0xD0 | channel);
        msg.mData1 = toDataByte(value);
      }
      else
      {
        msg.mStatus = static_cast<uint8_t>(0xB0 | channel);
        msg.mData1 = static_cast<uint8_t>(number);
        msg.mData2 = toDataByte(value);
      }
      mMidiMsgsFromProcessor.Push(msg);
      ProcessMidiMsg(msg);
    }
  }
}

void IKitVST3::processInputEvents(v3_process_data& data)
{
  if (data.input_events)
  {
    VST3::EventList events(data.input_events);
    const int32_t count = events.getEventCount();
    for (int32_t i = 0; i < count; ++i)
    {
      v3_event event;
      std::memset(&event, 0, sizeof(event));
      if (!events.getEvent(i, event))
        continue;
      IMidiMsg msg;
      msg.mOffset = std::max(event.sample_offset, 0);
      bool ok = false;
      switch (event.type)
      {
        case V3_EVENT_NOTE_ON:
        {
          if (event.note_on.pitch < 0 || event.note_on.pitch > 127)
            continue;
          const double velocity = finite01(event.note_on.velocity, ok);
          msg.mStatus = static_cast<uint8_t>(0x90 | (event.note_on.channel & 0x0F));
          msg.mData1 = static_cast<uint8_t>(event.note_on.pitch);
          // A soft note-on must stay a note-on: velocity 0 would end the note.
          msg.mData2 = velocity > 0 ? std::max<uint8_t>(toDataByte(velocity), 1) : 0;
          break;
        }
        case V3_EVENT_NOTE_OFF:
          if (event.note_off.pitch < 0 || event.note_off.pitch > 127)
            continue;
          msg.mStatus = static_cast<uint8_t>(0x80 | (event.note_off.channel & 0x0F));
          msg.mData1 = static_cast<uint8_t>(event.note_off.pitch);
          break;
        case V3_EVENT_POLY_PRESSURE:
          if (event.poly_pressure.pitch < 0 || event.poly_pressure.pitch > 127)
            continue;
          msg.mStatus = static_cast<uint8_t>(0xA0 | (event.poly_pressure.channel & 0x0F));
          msg.mData1 = static_cast<uint8_t>(event.poly_pressure.pitch);
          msg.mData2 = toDataByte(finite01(event.poly_pressure.pressure, ok));
          break;
        case V3_EVENT_DATA:
          if (event.data.bytes && event.data.size > 0 && event.data.size < (1u << 24))
            ProcessSysEx(ISysEx(msg.mOffset, event.data.bytes, static_cast<int>(event.data.size)));
          continue;
        default:
          continue;
      }
      ProcessMidiMsg(msg);
      mMidiMsgsFromProcessor.Push(msg);
    }
  }

  IMidiMsg fromEditor;
  while (mMidiMsgsFromEditor.Pop(fromEditor))
    ProcessMidiMsg(fromEditor);
}

void IKitVST3::processAudio(v3_process_data& data)
{
  const int32_t sampleSize = data.symbolic_sample_size;
  if (sampleSize != VST3::kSample32 && sampleSize != VST3::kSample64)
    return;
  const int blockSize = GetBlockSize();
  if (data.nframes <= 0 || blockSize <= 0)
    return;
  const bool is64 = sampleSize == VST3::kSample64;

  // Inputs (the instrument has none; effects connect their host buffers).
  if (data.inputs && data.num_input_buses > 0 && NChannels(kInput) > 0)
  {
    const v3_audio_bus_buffers& main = data.inputs[0];
    const int n = std::clamp(main.num_channels, 0, NChannels(kInput));
    SetChannelConnections(kInput, 0, NChannels(kInput), false);
    const bool buffers = is64 ? main.channel_buffers_64 != nullptr : main.channel_buffers_32 != nullptr;
    if (buffers)
      SetChannelConnections(kInput, 0, n, true);
  }

  // Outputs: each bus connects the next channels while the host bus is active.
  SetChannelConnections(kOutput, 0, NChannels(kOutput), false);
  int channel = 0;
  struct Binding { int first; int count; void* buffers; };
  Binding bindings[8];
  int nBindings = 0;
  if (data.outputs)
    for (int32_t b = 0; b < data.num_output_buses && nBindings < 8; ++b)
    {
      const v3_audio_bus_buffers& bus = data.outputs[b];
      const int n = std::clamp(bus.num_channels, 0, std::max(NChannels(kOutput) - channel, 0));
      void* buffers = is64 ? static_cast<void*>(bus.channel_buffers_64) : static_cast<void*>(bus.channel_buffers_32);
      const VST3::Bus* sdkBus = getBus(VST3::kAudio, VST3::kOutput, b);
      const bool active = sdkBus ? sdkBus->active : true;
      if (n > 0 && buffers && active)
      {
        SetChannelConnections(kOutput, channel, n, true);
        bindings[nBindings++] = {channel, n, buffers};
      }
      channel += n;
    }

  // A host block longer than the prepared block size is rendered in pieces:
  // the scratch buffers hold one prepared block.
  for (int done = 0; done < data.nframes;)
  {
    const int frames = std::min(blockSize, data.nframes - done);
    if (data.inputs && data.num_input_buses > 0 && NChannels(kInput) > 0)
    {
      const v3_audio_bus_buffers& main = data.inputs[0];
      const int n = std::clamp(main.num_channels, 0, NChannels(kInput));
      if (is64 && main.channel_buffers_64)
      {
        double* ptrs[64] = {};
        for (int c = 0; c < n && c < 64; ++c)
          ptrs[c] = main.channel_buffers_64[c] ? main.channel_buffers_64[c] + done : nullptr;
        AttachBuffers(kInput, 0, std::min(n, 64), ptrs, frames);
      }
      else if (!is64 && main.channel_buffers_32)
      {
        float* ptrs[64] = {};
        for (int c = 0; c < n && c < 64; ++c)
          ptrs[c] = main.channel_buffers_32[c] ? main.channel_buffers_32[c] + done : nullptr;
        AttachBuffers(kInput, 0, std::min(n, 64), ptrs, frames);
      }
    }
    for (int i = 0; i < nBindings; ++i)
    {
      const Binding& binding = bindings[i];
      if (is64)
      {
        double** host = static_cast<double**>(binding.buffers);
        double* ptrs[64] = {};
        for (int c = 0; c < binding.count && c < 64; ++c)
          ptrs[c] = host[c] + done;
        AttachBuffers(kOutput, binding.first, std::min(binding.count, 64), ptrs, frames);
      }
      else
      {
        float** host = static_cast<float**>(binding.buffers);
        float* ptrs[64] = {};
        for (int c = 0; c < binding.count && c < 64; ++c)
          ptrs[c] = host[c] + done;
        AttachBuffers(kOutput, binding.first, std::min(binding.count, 64), ptrs, frames);
      }
    }

    if (GetBypassed())
    {
      if (is64)
        PassThroughBuffers(0.0, frames);
      else
        PassThroughBuffers(0.0f, frames);
    }
    else if (is64)
      ProcessBuffers(0.0, frames);
    else
      ProcessBuffers(0.0f, frames);
    done += frames;
  }
}

void IKitVST3::processOutputEvents(v3_process_data& data)
{
  if (DoesMIDIOut())
  {
    VST3::EventList events(data.output_events);
    while (!mMidiOutputQueue.Empty())
    {
      const IMidiMsg& msg = mMidiOutputQueue.Peek();
      v3_event event;
      std::memset(&event, 0, sizeof(event));
      event.bus_index = 0;
      event.sample_offset = msg.mOffset;
      event.ppq_position = 0;
      const int16_t channel = static_cast<int16_t>(msg.Channel());
      bool emit = true;
      switch (msg.mStatus >> 4)
      {
        case 0x8:
          event.type = V3_EVENT_NOTE_OFF;
          event.note_off.channel = channel;
          event.note_off.pitch = msg.mData1;
          event.note_off.velocity = static_cast<float>(msg.mData2) / 127.0f;
          event.note_off.note_id = 0;
          break;
        case 0x9:
          event.type = V3_EVENT_NOTE_ON;
          event.note_on.channel = channel;
          event.note_on.pitch = msg.mData1;
          event.note_on.tuning = 0;
          event.note_on.velocity = static_cast<float>(msg.mData2) / 127.0f;
          event.note_on.length = 0;
          event.note_on.note_id = 0;
          break;
        case 0xA:
        case 0xB:
        case 0xC:
        case 0xD:
        case 0xE:
        {
          event.type = V3_EVENT_LEGACY_MIDI_CC_OUT;
          auto& cc = event.midi_cc_out;
          cc.channel = static_cast<int8_t>(channel);
          switch (msg.mStatus >> 4)
          {
            case 0xA: cc.cc_number = 131; cc.value = static_cast<int8_t>(msg.mData1); cc.value2 = static_cast<int8_t>(msg.mData2); break;
            case 0xB: cc.cc_number = msg.mData1; cc.value = static_cast<int8_t>(msg.mData2); cc.value2 = 0; break;
            case 0xC: cc.cc_number = 130; cc.value = static_cast<int8_t>(msg.mData1); cc.value2 = 0; break;
            case 0xD: cc.cc_number = 128; cc.value = static_cast<int8_t>(msg.mData1); cc.value2 = static_cast<int8_t>(msg.mData2); break;
            default: cc.cc_number = 129; cc.value = static_cast<int8_t>(msg.mData1); cc.value2 = static_cast<int8_t>(msg.mData2); break;
          }
          break;
        }
        default:
          emit = false;
          break;
      }
      if (emit && events.isValid())
        events.addEvent(event);
      mMidiOutputQueue.Remove();
    }
    mMidiOutputQueue.Flush(std::max(data.nframes, 0));

    int nSysEx = 0;
    SysExData sysEx;
    while (nSysEx < 4 && mSysExDataFromEditor.Pop(sysEx))
    {
      mOutgoingSysEx[nSysEx] = sysEx;
      v3_event event;
      std::memset(&event, 0, sizeof(event));
      event.type = V3_EVENT_DATA;
      event.sample_offset = sysEx.mOffset;
      event.data.type = 0;
      event.data.size = static_cast<uint32_t>(std::clamp(sysEx.mSize, 0, SysExData::kMaxSize));
      event.data.bytes = mOutgoingSysEx[nSysEx].mData;
      if (events.isValid())
        events.addEvent(event);
      ++nSysEx;
    }
  }

  // Parameter changes made on the audio thread reach the host here.
  ParamTuple change;
  VST3::ParameterChanges outParams(data.output_params);
  while (mAudioThreadParamChanges.Pop(change))
  {
    if (VST3::Parameter* parameter = getParameters().getParameter(static_cast<uint32_t>(change.idx)))
      parameter->setNormalized(change.value);
    if (!outParams.isValid())
      continue;
    int32_t queueIndex = 0;
    VST3::ParamValueQueue queue = outParams.addParameterData(static_cast<uint32_t>(change.idx), queueIndex);
    int32_t pointIndex = 0;
    if (queue.isValid())
      queue.addPoint(0, change.value, pointIndex);
  }
}

int32_t IKitVST3::getState(VST3::Stream& stream)
{
  IByteChunk chunk;
  if (!SerializeState(chunk))
    return VST3::kFalse;
  if (!stream.writeAll(chunk.GetData(), chunk.Size()))
    return VST3::kFalse;
  if (!stream.writeInt32(GetBypassed() ? 1 : 0))
    return VST3::kFalse;
  return VST3::kOk;
}

int32_t IKitVST3::setState(VST3::Stream& stream)
{
  if (!stream.isValid())
    return VST3::kFalse;
  std::vector<uint8_t> bytes;
  // WaveLab's streams report errors while still delivering data.
  stream.readToEnd(bytes, 128, GetHost() == kHostWaveLab);
  if (bytes.size() > static_cast<size_t>(INT32_MAX / 2))
    return VST3::kFalse;
  IByteChunk chunk;
  chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));

  const int pos = unserializeOrvaneState(chunk, 0);
  if (pos < 0)
    return VST3::kFalse;
  int32_t bypass = 0;
  if (stream.seek(pos, VST3::Stream::kSeekSet) != VST3::kOk || !stream.readInt32(bypass))
    return VST3::kFalse;
  UpdateParams(*this, bypass ? 1.0 : 0.0);
  // The host restores its own project: it knows these values already, so
  // only the editor follows.
  IKitAPIBase::OnRestoreState();
  return VST3::kOk;
}

int32_t IKitVST3::setComponentState(VST3::Stream&)
{
  // The object already holds the state. Some hosts never read the values
  // back after creating the plug-in; they learn them from these edits.
  if (onMainThread() && hasComponentHandler())
    DirtyParametersFromUI();
  return VST3::kOk;
}

int32_t IKitVST3::setEditorState(VST3::Stream&)
{
  return VST3::kOk;
}

int32_t IKitVST3::getEditorState(VST3::Stream&)
{
  return VST3::kOk;
}

int32_t IKitVST3::setParamNormalized(uint32_t id, double normalized)
{
  VST3::Parameter* parameter = getParameters().getParameter(id);
  if (!parameter)
    return VST3::kFalse;
  bool ok = false;
  const double value = finite01(normalized, ok);
  if (!ok)
    return VST3::kFalse;
  parameter->setNormalized(value);
  if (id < static_cast<uint32_t>(NParams()))
  {
    const int idx = static_cast<int>(id);
    GetParam(idx)->SetNormalized(value);
    OnParamChangeUI(idx, kHost);
    SendParameterValueFromDelegate(idx, value, true);
  }
  else if (id == IKitVST3PresetParameter::kID)
    RestorePreset(static_cast<int>(std::round((NPresets() - 1) * value)));
  return VST3::kTrue;
}

v3_plugin_view** IKitVST3::createView(const char*)
{
  // The editor view arrives with the editor.
  return nullptr;
}

int32_t IKitVST3::getMidiControllerAssignment(int32_t busIndex, int16_t channel, int16_t controller,
                                              uint32_t& id)
{
  if (busIndex != 0 || channel != 0 || controller < 0 || controller >= kMidiCCParamsPerChannel)
    return VST3::kFalse;
  id = static_cast<uint32_t>(channel * kMidiCCParamsPerChannel + controller) + kMidiCCParamBase;
  return VST3::kTrue;
}

int32_t IKitVST3::getProgramListCount()
{
  return NPresets() > 0 ? 1 : 0;
}

int32_t IKitVST3::getProgramListInfo(int32_t index, VST3::ProgramListInfo& info)
{
  if (index != 0 || NPresets() <= 0)
    return VST3::kFalse;
  info.id = IKitVST3PresetParameter::kID;
  info.name = u"Factory Presets";
  info.programCount = NPresets();
  return VST3::kTrue;
}

int32_t IKitVST3::getProgramName(int32_t listId, int32_t index, std::u16string& name)
{
  if (listId != static_cast<int32_t>(IKitVST3PresetParameter::kID) || NPresets() <= 0 || index < 0 ||
      index >= NPresets())
    return VST3::kFalse;
  name = VST3::toUTF16(GetPresetName(index));
  return VST3::kTrue;
}

int32_t IKitVST3::setChannelContextInfos(VST3::AttributeList& list)
{
  return SetChannelContextInfos(list) ? VST3::kTrue : VST3::kFalse;
}

bool IKitVST3::onMainThread() const
{
  return !tInProcess && std::this_thread::get_id() == mMainThread;
}

void IKitVST3::BeginInformHostOfParamChange(int paramIdx)
{
  if (onMainThread())
    beginEdit(static_cast<uint32_t>(paramIdx));
}

void IKitVST3::InformHostOfParamChange(int paramIdx, double normalizedValue)
{
  // Off the main thread (the audio thread, in process or just before it)
  // the change travels with the next block's output parameter changes.
  if (onMainThread())
    performEdit(static_cast<uint32_t>(paramIdx), normalizedValue);
  else
    mAudioThreadParamChanges.Push(ParamTuple{paramIdx, normalizedValue});
}

void IKitVST3::EndInformHostOfParamChange(int paramIdx)
{
  if (onMainThread())
    endEdit(static_cast<uint32_t>(paramIdx));
}

void IKitVST3::SendParameterValueFromUI(int paramIdx, double normalizedValue)
{
  if (VST3::Parameter* parameter = getParameters().getParameter(static_cast<uint32_t>(paramIdx)))
    parameter->setNormalized(normalizedValue);
  SetParameterValue(paramIdx, normalizedValue);
  if (IParam* param = GetParam(paramIdx))
    param->SetNormalized(normalizedValue);
  OnParamChangeUI(paramIdx, kUI);
}

void IKitVST3::DirtyParametersFromUI()
{
  for (int i = 0; i < NParams(); ++i)
    if (VST3::Parameter* parameter = getParameters().getParameter(static_cast<uint32_t>(i)))
      parameter->setNormalized(GetParam(i)->GetNormalized());
  startGroupEdit();
  for (int i = 0; i < NParams(); ++i)
    InformHostOfParamChange(i, GetParam(i)->GetNormalized());
  finishGroupEdit();
}

void IKitVST3::SetProgramParameterFromUI(double normalized)
{
  if (VST3::Parameter* parameter = getParameters().getParameter(IKitVST3PresetParameter::kID))
  {
    parameter->setNormalized(normalized);
    if (onMainThread())
      performEdit(IKitVST3PresetParameter::kID, normalized);
  }
}

void IKitVST3::OnRestoreState()
{
  IKitAPIBase::OnRestoreState();
  syncHostParameters();
}

void IKitVST3::syncHostParameters()
{
  // Before initialize there are no host parameters to follow.
  if (!mParameters)
    return;
  if (!onMainThread())
  {
    for (int i = 0; i < NParams(); ++i)
      mAudioThreadParamChanges.Push(ParamTuple{i, GetParam(i)->GetNormalized()});
    return;
  }
  UpdateParams(*this, GetBypassed() ? 1.0 : 0.0);
  // Edits, not a restart request: hosts may hold a lock while they select a
  // program, and a restart from inside that call never returns.
  if (hasComponentHandler())
    DirtyParametersFromUI();
}

void IKitVST3::InformHostOfParameterDetailsChange()
{
  if (hasComponentHandler() && onMainThread())
    restartComponent(VST3::kParamTitlesChanged);
}

void IKitVST3::SetLatency(int latency)
{
  IKitProcessor::SetLatency(latency);
  if (hasComponentHandler() && onMainThread())
    restartComponent(VST3::kLatencyChanged);
}

void IKitVST3::GetTrackColor(int& r, int& g, int& b)
{
  const uint32_t color = GetChannelColor();
  b = static_cast<int>(color & 0xFF);
  g = static_cast<int>((color >> 8) & 0xFF);
  r = static_cast<int>((color >> 16) & 0xFF);
}

void IKitVST3::GetTrackName(std::string& str)
{
  str = GetChannelName();
}

int IKitVST3::GetTrackIndex()
{
  return GetChannelIndex();
}

void IKitVST3::GetTrackNamespace(std::string& str)
{
  str = GetChannelNamespace();
}

int IKitVST3::GetTrackNamespaceIndex()
{
  return GetChannelNamespaceIndex();
}
