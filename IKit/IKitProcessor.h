#pragma once

#include <memory>
#include <string>
#include <vector>

#include "IKitConfig.h"
#include "IKitMidi.h"

// One bus of a channel layout: its direction and channel count.
struct IBusInfo
{
  // The channel count of a bus that accepts any number of channels.
  static constexpr int kWildcard = -64;

  ERoute mDirection = kInput;
  int mNChans = 0;

  IBusInfo(ERoute direction, int nChans) : mDirection(direction), mNChans(nChans) {}
  ERoute GetDirection() const { return mDirection; }
  int NChannels() const { return mNChans; }
};

// One accepted channel layout: its input buses and its output buses.
struct IOConfig
{
  std::vector<IBusInfo> mInputs;
  std::vector<IBusInfo> mOutputs;

  void AddBusInfo(ERoute direction, int nChans);
  // The bus, or null when it does not exist.
  const IBusInfo* GetBusInfo(ERoute direction, int busIdx) const;
  // The bus's channel count, or 0 when it does not exist.
  int NChansOnBusSAFE(ERoute direction, int busIdx) const;
  int NBuses(ERoute direction) const;
  // The sum of the bus channel counts, a wildcard counting kWildcard.
  int GetTotalNChannels(ERoute direction) const;
  bool ContainsWildcard(ERoute direction) const;
};

// The binding of one channel between the host's buffers and ProcessBlock.
struct IChannelData
{
  bool mConnected = false;
  // This channel's slot in the input or output pointer array.
  double** mData = nullptr;
  // The host's single-precision buffer, remembered for outputs.
  float* mIncomingData = nullptr;
  // One block of samples: stands in for an unconnected channel and holds the
  // converted samples of a single-precision host buffer.
  std::vector<double> mScratchBuf;
  std::string mLabel;
};

// The host's transport, filled by the processor side at each process call.
struct ITimeInfo
{
  double mTempo = 120.0;
  double mSamplePos = -1.0;
  double mPPQPos = -1.0;
  double mLastBar = -1.0;
  double mCycleStart = -1.0;
  double mCycleEnd = -1.0;
  int mNumerator = 4;
  int mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};

// The audio-side base of a plug-in: sample rate, block size, latency and
// tail, the accepted channel layouts, the per-channel buffer bindings and the
// default MIDI hooks. Everything runs on the audio thread except construction,
// SetBlockSize, SetLatency and the read-only layout queries, which the host
// calls from the main thread while processing is stopped.
class IKitProcessor
{
public:
  // Parses config.channelIOStr, e.g. "0-1 0-2": configurations separated by
  // blanks, inputs and outputs joined by '-', bus counts separated by '.',
  // '*' for any number of channels.
  explicit IKitProcessor(const Config& config);
  virtual ~IKitProcessor();

  IKitProcessor(const IKitProcessor&) = delete;
  IKitProcessor& operator=(const IKitProcessor&) = delete;

  // Default: copies each input to the output of the same index, zeroes the
  // other outputs.
  virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);
  // Default: SendMidiMsg(msg).
  virtual void ProcessMidiMsg(const IMidiMsg& msg);
  virtual void ProcessSysEx(const ISysEx& msg);
  virtual void OnReset();
  virtual void OnActivate(bool active);
  // Hands a message to the host adapter's output; false when it was not
  // taken.
  virtual bool SendMidiMsg(const IMidiMsg& msg) = 0;
  // SendMidiMsg for each message in order; true only if every call was.
  virtual bool SendMidiMsgs(const std::vector<IMidiMsg>& msgs);
  virtual bool SendSysEx(const ISysEx& msg);
  // "Input"/"Main"/"Aux"/"Input n" and "Output"/"Output n".
  virtual void GetBusName(ERoute direction, int busIdx, int nBuses, std::string& str) const;
  // Main thread. Resizes and clears the pass-through delay.
  virtual void SetLatency(int latency);
  virtual void SetTailSize(int tailSize);

  double GetSampleRate() const { return mSampleRate; }
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  int GetBlockSize() const { return mBlockSize; }
  // Main thread, processing stopped: the only place where the per-channel
  // sample buffers are (re)allocated.
  void SetBlockSize(int blockSize);
  int GetLatency() const { return mLatency; }
  int GetTailSize() const { return mTailSize; }
  bool GetBypassed() const { return mBypassed; }
  void SetBypassed(bool bypassed) { mBypassed = bypassed; }
  bool GetRenderingOffline() const { return mRenderingOffline; }
  void SetRenderingOffline(bool offline) { mRenderingOffline = offline; }
  bool DoesMIDIIn() const { return mDoesMIDIIn; }
  bool DoesMIDIOut() const { return mDoesMIDIOut; }
  bool DoesMPE() const { return mDoesMPE; }
  int GetPlugType() const { return mPlugType; }
  bool IsInstrument() const { return mPlugType == 1; }

  // Channels first .. first + count - 1 that exist. An unconnected channel
  // reads and writes its scratch buffer, so ProcessBlock may always use every
  // channel.
  void SetChannelConnections(ERoute direction, int first, int count, bool connected);
  // Each connected channel in the range takes the next pointer of data; the
  // unconnected ones take none.
  void AttachBuffers(ERoute direction, int first, int count, double** data, int nFrames);
  // As above for single-precision host buffers: inputs are converted into the
  // scratch buffers, outputs render there and are converted back by
  // ProcessBuffers(float).
  void AttachBuffers(ERoute direction, int first, int count, float** data, int nFrames);
  // ProcessBlock over the attached buffers. Blocks longer than the block size
  // are cut to it (the host promised not to send them); the rest of each
  // connected output is zeroed.
  void ProcessBuffers(double, int nFrames);
  void ProcessBuffers(float, int nFrames);
  // While bypassed: inputs to outputs of the same index, delayed by the
  // latency when it is not 0; the other outputs zeroed.
  void PassThroughBuffers(double, int nFrames);
  void PassThroughBuffers(float, int nFrames);
  void ZeroScratchBuffers();

  // The largest bus count of that direction in any configuration; configIdx
  // receives the index of the last configuration with that many.
  int MaxNBuses(ERoute direction, int* configIdx = nullptr) const;
  // -1 when the first configuration has a wildcard bus of that direction;
  // else the largest channel count of that bus in any configuration.
  int MaxNChannelsForBus(ERoute direction, int busIdx) const;
  // The first configuration whose buses have exactly these channel counts, or
  // -1.
  int GetIOConfigWithChanCounts(const std::vector<int>& inputBuses, const std::vector<int>& outputBuses) const;
  int NIOConfigs() const { return static_cast<int>(mIOConfigs.size()); }
  // The configuration, or null outside the list.
  const IOConfig* GetIOConfig(int idx) const;
  int NChannels(ERoute direction) const;
  bool IsChannelConnected(ERoute direction, int chIdx) const;
  int NChannelsConnected(ERoute direction) const;

  ITimeInfo& GetTimeInfo() { return mTimeInfo; }
  const ITimeInfo& GetTimeInfo() const { return mTimeInfo; }

private:
  // A per-channel ring of latency samples for pass-through while bypassed.
  struct LatencyDelay
  {
    std::vector<double> mBuf;   // nChans rings of mLength samples, one after another
    int mLength = 0;
    int mPos = 0;
  };

  void ParseChannelIOStr(const char* str);
  std::vector<IChannelData>& Channels(ERoute direction) { return direction == kInput ? mInChannels : mOutChannels; }
  const std::vector<IChannelData>& Channels(ERoute direction) const { return direction == kInput ? mInChannels : mOutChannels; }
  int ClampFrames(int nFrames) const;
  void ZeroOutputTails(int from, int nFrames);
  void ConvertOutputs(int nFrames);
  void PassThrough(int nFrames);
  void ResizeLatencyDelay();

  int mPlugType = 0;
  bool mDoesMIDIIn = false;
  bool mDoesMIDIOut = false;
  bool mDoesMPE = false;
  int mLatency = 0;
  double mSampleRate = 48000.0;
  int mBlockSize = 0;
  int mTailSize = 0;
  bool mBypassed = false;
  bool mRenderingOffline = false;
  std::vector<std::unique_ptr<IOConfig>> mIOConfigs;
  std::vector<double*> mInData;
  std::vector<double*> mOutData;
  std::vector<IChannelData> mInChannels;
  std::vector<IChannelData> mOutChannels;
  std::unique_ptr<LatencyDelay> mLatencyDelay;
  ITimeInfo mTimeInfo;
};
