#include "IKitProcessor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

void IOConfig::AddBusInfo(ERoute direction, int nChans)
{
  (direction == kInput ? mInputs : mOutputs).emplace_back(direction, nChans);
}

const IBusInfo* IOConfig::GetBusInfo(ERoute direction, int busIdx) const
{
  const std::vector<IBusInfo>& buses = direction == kInput ? mInputs : mOutputs;
  if (busIdx < 0 || busIdx >= static_cast<int>(buses.size()))
    return nullptr;
  return &buses[static_cast<size_t>(busIdx)];
}

int IOConfig::NChansOnBusSAFE(ERoute direction, int busIdx) const
{
  const IBusInfo* bus = GetBusInfo(direction, busIdx);
  return bus ? bus->NChannels() : 0;
}

int IOConfig::NBuses(ERoute direction) const
{
  return static_cast<int>((direction == kInput ? mInputs : mOutputs).size());
}

int IOConfig::GetTotalNChannels(ERoute direction) const
{
  int total = 0;
  for (const IBusInfo& bus : direction == kInput ? mInputs : mOutputs)
    total += bus.NChannels();
  return total;
}

bool IOConfig::ContainsWildcard(ERoute direction) const
{
  for (const IBusInfo& bus : direction == kInput ? mInputs : mOutputs)
    if (bus.NChannels() == IBusInfo::kWildcard)
      return true;
  return false;
}

IKitProcessor::IKitProcessor(const Config& config)
  : mPlugType(config.plugType)
  , mDoesMIDIIn(config.plugDoesMidiIn)
  , mDoesMIDIOut(config.plugDoesMidiOut)
  , mDoesMPE(config.plugDoesMPE)
  , mLatency(std::max(config.latency, 0))
{
  ParseChannelIOStr(config.channelIOStr ? config.channelIOStr : "");
  if (mLatency > 0)
    ResizeLatencyDelay();
}

IKitProcessor::~IKitProcessor() = default;

namespace
{
// Far beyond any real layout; keeps the channel totals from overflowing on a
// mistyped count.
constexpr int kMaxChansPerBus = 256;

bool IsBlank(char c)
{
  return c == ' ' || c == '\t';
}

// Adds one bus per non-zero count of a '.'-separated list.
void ParseBusList(const char* begin, const char* end, ERoute direction, IOConfig& config)
{
  const char* p = begin;
  while (p < end)
  {
    const char* countEnd = std::find(p, end, '.');
    int nChans = 0;
    if (countEnd - p == 1 && *p == '*')
      nChans = IBusInfo::kWildcard;
    else
    {
      for (const char* d = p; d < countEnd && *d >= '0' && *d <= '9'; ++d)
        nChans = std::min(nChans * 10 + (*d - '0'), kMaxChansPerBus);
    }
    if (nChans != 0)
      config.AddBusInfo(direction, nChans);
    p = countEnd == end ? end : countEnd + 1;
  }
}
} // namespace

void IKitProcessor::ParseChannelIOStr(const char* str)
{
  int maxIn = 0;
  int maxOut = 0;
  const char* p = str;
  while (*p)
  {
    while (IsBlank(*p))
      ++p;
    if (!*p)
      break;
    const char* tokenEnd = p;
    while (*tokenEnd && !IsBlank(*tokenEnd))
      ++tokenEnd;

    auto config = std::make_unique<IOConfig>();
    const char* dash = std::find(p, tokenEnd, '-');
    ParseBusList(p, dash, kInput, *config);
    if (dash != tokenEnd)
      ParseBusList(dash + 1, tokenEnd, kOutput, *config);
    maxIn = std::max(maxIn, config->GetTotalNChannels(kInput));
    maxOut = std::max(maxOut, config->GetTotalNChannels(kOutput));
    mIOConfigs.push_back(std::move(config));
    p = tokenEnd;
  }

  // The pointer arrays are sized once here and never again, so each channel
  // can keep the address of its slot.
  mInData.assign(static_cast<size_t>(maxIn), nullptr);
  mOutData.assign(static_cast<size_t>(maxOut), nullptr);
  mInChannels.resize(static_cast<size_t>(maxIn));
  mOutChannels.resize(static_cast<size_t>(maxOut));
  for (int i = 0; i < maxIn; ++i)
    mInChannels[static_cast<size_t>(i)].mData = &mInData[static_cast<size_t>(i)];
  for (int i = 0; i < maxOut; ++i)
    mOutChannels[static_cast<size_t>(i)].mData = &mOutData[static_cast<size_t>(i)];
}

void IKitProcessor::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  const int nIn = NChannels(kInput);
  const int nOut = NChannels(kOutput);
  const size_t n = static_cast<size_t>(std::max(nFrames, 0));
  for (int c = 0; c < nOut; ++c)
  {
    double* out = outputs[c];
    if (!out)
      continue;
    if (c < nIn && inputs[c])
    {
      if (inputs[c] != out)
        std::copy_n(inputs[c], n, out);
    }
    else
      std::fill_n(out, n, 0.0);
  }
}

void IKitProcessor::ProcessMidiMsg(const IMidiMsg& msg)
{
  SendMidiMsg(msg);
}

void IKitProcessor::ProcessSysEx(const ISysEx&)
{
}

void IKitProcessor::OnReset()
{
}

void IKitProcessor::OnActivate(bool)
{
}

bool IKitProcessor::SendMidiMsgs(const std::vector<IMidiMsg>& msgs)
{
  bool allSent = true;
  for (const IMidiMsg& msg : msgs)
    allSent = SendMidiMsg(msg) && allSent;
  return allSent;
}

bool IKitProcessor::SendSysEx(const ISysEx&)
{
  return false;
}

void IKitProcessor::GetBusName(ERoute direction, int busIdx, int nBuses, std::string& str) const
{
  char buf[32];
  if (direction == kInput)
  {
    if (nBuses == 1)
      str = "Input";
    else if (nBuses == 2)
      str = busIdx == 0 ? "Main" : "Aux";
    else
    {
      std::snprintf(buf, sizeof(buf), "Input %i", busIdx);
      str = buf;
    }
  }
  else
  {
    if (nBuses == 1)
      str = "Output";
    else
    {
      std::snprintf(buf, sizeof(buf), "Output %i", busIdx);
      str = buf;
    }
  }
}

void IKitProcessor::SetLatency(int latency)
{
  mLatency = std::max(latency, 0);
  if (mLatencyDelay || mLatency > 0)
    ResizeLatencyDelay();
}

void IKitProcessor::SetTailSize(int tailSize)
{
  mTailSize = tailSize;
}

void IKitProcessor::ResizeLatencyDelay()
{
  if (!mLatencyDelay)
    mLatencyDelay = std::make_unique<LatencyDelay>();
  mLatencyDelay->mLength = mLatency;
  mLatencyDelay->mPos = 0;
  mLatencyDelay->mBuf.assign(static_cast<size_t>(mLatency) * mInChannels.size(), 0.0);
}

void IKitProcessor::SetBlockSize(int blockSize)
{
  blockSize = std::max(blockSize, 0);
  if (blockSize == mBlockSize)
    return;
  for (std::vector<IChannelData>* channels : {&mInChannels, &mOutChannels})
  {
    for (IChannelData& ch : *channels)
    {
      ch.mScratchBuf.assign(static_cast<size_t>(blockSize), 0.0);
      // The old scratch storage is gone; unconnected channels follow it.
      if (!ch.mConnected)
        *ch.mData = ch.mScratchBuf.data();
    }
  }
  mBlockSize = blockSize;
}

void IKitProcessor::SetChannelConnections(ERoute direction, int first, int count, bool connected)
{
  std::vector<IChannelData>& channels = Channels(direction);
  const int begin = std::max(first, 0);
  const int end = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(first) + std::max(count, 0),
                                                     static_cast<int64_t>(channels.size())));
  for (int i = begin; i < end; ++i)
  {
    IChannelData& ch = channels[static_cast<size_t>(i)];
    ch.mConnected = connected;
    if (!connected)
    {
      *ch.mData = ch.mScratchBuf.data();
      ch.mIncomingData = nullptr;
    }
  }
}

void IKitProcessor::AttachBuffers(ERoute direction, int first, int count, double** data, int)
{
  std::vector<IChannelData>& channels = Channels(direction);
  const int begin = std::max(first, 0);
  const int end = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(first) + std::max(count, 0),
                                                     static_cast<int64_t>(channels.size())));
  int next = 0;
  for (int i = begin; i < end; ++i)
  {
    IChannelData& ch = channels[static_cast<size_t>(i)];
    if (!ch.mConnected)
      continue;
    double* buf = data ? data[next] : nullptr;
    ++next;
    // A host may hand over a null channel; the scratch buffer stands in.
    *ch.mData = buf ? buf : ch.mScratchBuf.data();
    ch.mIncomingData = nullptr;
  }
}

void IKitProcessor::AttachBuffers(ERoute direction, int first, int count, float** data, int nFrames)
{
  std::vector<IChannelData>& channels = Channels(direction);
  const int begin = std::max(first, 0);
  const int end = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(first) + std::max(count, 0),
                                                     static_cast<int64_t>(channels.size())));
  const size_t n = static_cast<size_t>(ClampFrames(nFrames));
  int next = 0;
  for (int i = begin; i < end; ++i)
  {
    IChannelData& ch = channels[static_cast<size_t>(i)];
    if (!ch.mConnected)
      continue;
    float* buf = data ? data[next] : nullptr;
    ++next;
    double* scratch = ch.mScratchBuf.data();
    if (direction == kInput)
    {
      if (buf)
        std::copy_n(buf, n, scratch);
      else
        std::fill_n(scratch, n, 0.0);
      ch.mIncomingData = nullptr;
    }
    else
      ch.mIncomingData = buf;
    *ch.mData = scratch;
  }
}

int IKitProcessor::ClampFrames(int nFrames) const
{
  return std::clamp(nFrames, 0, mBlockSize);
}

void IKitProcessor::ZeroOutputTails(int from, int nFrames)
{
  if (nFrames <= from)
    return;
  for (IChannelData& ch : mOutChannels)
  {
    if (!ch.mConnected)
      continue;
    if (ch.mIncomingData)
      std::fill(ch.mIncomingData + from, ch.mIncomingData + nFrames, 0.f);
    else if (*ch.mData && *ch.mData != ch.mScratchBuf.data())
      std::fill(*ch.mData + from, *ch.mData + nFrames, 0.0);
  }
}

void IKitProcessor::ConvertOutputs(int nFrames)
{
  for (IChannelData& ch : mOutChannels)
  {
    if (ch.mConnected && ch.mIncomingData)
      std::transform(ch.mScratchBuf.begin(), ch.mScratchBuf.begin() + nFrames, ch.mIncomingData,
                     [](double s) { return static_cast<float>(s); });
  }
}

void IKitProcessor::ProcessBuffers(double, int nFrames)
{
  const int n = ClampFrames(nFrames);
  ProcessBlock(mInData.data(), mOutData.data(), n);
  ZeroOutputTails(n, nFrames);
}

void IKitProcessor::ProcessBuffers(float, int nFrames)
{
  const int n = ClampFrames(nFrames);
  ProcessBlock(mInData.data(), mOutData.data(), n);
  ConvertOutputs(n);
  ZeroOutputTails(n, nFrames);
}

void IKitProcessor::PassThrough(int nFrames)
{
  if (mLatency == 0 || !mLatencyDelay || mLatencyDelay->mLength == 0)
  {
    IKitProcessor::ProcessBlock(mInData.data(), mOutData.data(), nFrames);
    return;
  }

  LatencyDelay& delay = *mLatencyDelay;
  const int nIn = NChannels(kInput);
  const int nOut = NChannels(kOutput);
  const int length = delay.mLength;
  for (int c = 0; c < nOut; ++c)
  {
    double* out = mOutData[static_cast<size_t>(c)];
    if (!out)
      continue;
    if (c >= nIn || !mInData[static_cast<size_t>(c)])
    {
      std::fill_n(out, nFrames, 0.0);
      continue;
    }
    const double* in = mInData[static_cast<size_t>(c)];
    double* ring = delay.mBuf.data() + static_cast<size_t>(c) * static_cast<size_t>(length);
    int pos = delay.mPos;
    for (int s = 0; s < nFrames; ++s)
    {
      // Read the input before writing, so in-place buffers work.
      const double x = in[s];
      out[s] = ring[pos];
      ring[pos] = x;
      if (++pos == length)
        pos = 0;
    }
  }
  delay.mPos = static_cast<int>((static_cast<int64_t>(delay.mPos) + nFrames) % length);
}

void IKitProcessor::PassThroughBuffers(double, int nFrames)
{
  const int n = ClampFrames(nFrames);
  PassThrough(n);
  ZeroOutputTails(n, nFrames);
}

void IKitProcessor::PassThroughBuffers(float, int nFrames)
{
  const int n = ClampFrames(nFrames);
  PassThrough(n);
  ConvertOutputs(n);
  ZeroOutputTails(n, nFrames);
}

void IKitProcessor::ZeroScratchBuffers()
{
  for (std::vector<IChannelData>* channels : {&mInChannels, &mOutChannels})
    for (IChannelData& ch : *channels)
      std::fill(ch.mScratchBuf.begin(), ch.mScratchBuf.end(), 0.0);
}

int IKitProcessor::MaxNBuses(ERoute direction, int* configIdx) const
{
  int maxBuses = 0;
  int maxIdx = 0;
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const int n = mIOConfigs[static_cast<size_t>(i)]->NBuses(direction);
    if (n >= maxBuses)
    {
      maxBuses = n;
      maxIdx = i;
    }
  }
  if (configIdx)
    *configIdx = maxIdx;
  return maxBuses;
}

int IKitProcessor::MaxNChannelsForBus(ERoute direction, int busIdx) const
{
  if (mIOConfigs.empty())
    return 0;
  if (mIOConfigs.front()->ContainsWildcard(direction))
    return -1;
  int maxChans = 0;
  for (const auto& config : mIOConfigs)
    maxChans = std::max(maxChans, config->NChansOnBusSAFE(direction, busIdx));
  return maxChans;
}

int IKitProcessor::GetIOConfigWithChanCounts(const std::vector<int>& inputBuses,
                                             const std::vector<int>& outputBuses) const
{
  auto matches = [](const IOConfig& config, ERoute direction, const std::vector<int>& counts) {
    if (config.NBuses(direction) != static_cast<int>(counts.size()))
      return false;
    for (size_t b = 0; b < counts.size(); ++b)
      if (config.NChansOnBusSAFE(direction, static_cast<int>(b)) != counts[b])
        return false;
    return true;
  };
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IOConfig& config = *mIOConfigs[static_cast<size_t>(i)];
    if (matches(config, kInput, inputBuses) && matches(config, kOutput, outputBuses))
      return i;
  }
  return -1;
}

const IOConfig* IKitProcessor::GetIOConfig(int idx) const
{
  if (idx < 0 || idx >= NIOConfigs())
    return nullptr;
  return mIOConfigs[static_cast<size_t>(idx)].get();
}

int IKitProcessor::NChannels(ERoute direction) const
{
  return static_cast<int>(Channels(direction).size());
}

bool IKitProcessor::IsChannelConnected(ERoute direction, int chIdx) const
{
  const std::vector<IChannelData>& channels = Channels(direction);
  return chIdx >= 0 && chIdx < static_cast<int>(channels.size()) && channels[static_cast<size_t>(chIdx)].mConnected;
}

int IKitProcessor::NChannelsConnected(ERoute direction) const
{
  const std::vector<IChannelData>& channels = Channels(direction);
  return static_cast<int>(std::count_if(channels.begin(), channels.end(),
                                        [](const IChannelData& ch) { return ch.mConnected; }));
}
