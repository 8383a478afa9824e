#include "IKitAPIBase.h"

#include <algorithm>
#include <cctype>

IKitAPIBase::IKitAPIBase(const Config& config)
  : IKitinBase(config)
  , mHasUI(config.plugHasUI)
  , mHostResize(config.plugHostResize)
  , mEditorWidth(config.plugWidth)
  , mEditorHeight(config.plugHeight)
  , mMinWidth(std::min(config.plugMinWidth, config.plugMaxWidth))
  , mMaxWidth(std::max(config.plugMinWidth, config.plugMaxWidth))
  , mMinHeight(std::min(config.plugMinHeight, config.plugMaxHeight))
  , mMaxHeight(std::max(config.plugMinHeight, config.plugMaxHeight))
{
  CreateTimer();
}

IKitAPIBase::~IKitAPIBase()
{
  if (mTimer)
    mTimer->Stop();
  mTimer.reset();
}

bool IKitAPIBase::CompareState(const uint8_t*, int) const
{
  return false;
}

bool IKitAPIBase::OnHostRequestingAboutBox()
{
  return false;
}

bool IKitAPIBase::OnHostRequestingProductHelp()
{
  return false;
}

void IKitAPIBase::OnHostIdentified()
{
}

void IKitAPIBase::OnHostRequestingImportantParameters(int, std::vector<int>&)
{
}

bool IKitAPIBase::OnHostRequestingSupportedViewConfiguration(int, int)
{
  return false;
}

void IKitAPIBase::OnHostSelectedViewConfiguration(int, int)
{
}

bool IKitAPIBase::GetMidiNoteText(int, char*) const
{
  return false;
}

void* IKitAPIBase::GetAAXViewInterface()
{
  return nullptr;
}

void IKitAPIBase::OnIdle()
{
}

void IKitAPIBase::GetTrackColor(int& r, int& g, int& b)
{
  r = g = b = 0;
}

void IKitAPIBase::GetTrackName(std::string& str)
{
  str.clear();
}

int IKitAPIBase::GetTrackIndex()
{
  return 0;
}

void IKitAPIBase::GetTrackNamespace(std::string& str)
{
  str.clear();
}

int IKitAPIBase::GetTrackNamespaceIndex()
{
  return 0;
}

void IKitAPIBase::SendParameterValueFromAPI(int paramIdx, double value, bool normalized)
{
  const IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  if (normalized)
    value = param->FromNormalized(value);
  mParamChangeFromProcessor.Push(ParamTuple(paramIdx, value));
}

void IKitAPIBase::HostSpecificInit()
{
}

bool IKitAPIBase::EditorResize(int, int)
{
  return false;
}

void IKitAPIBase::BeginInformHostOfParamChange(int)
{
}

void IKitAPIBase::EndInformHostOfParamChange(int)
{
}

void IKitAPIBase::InformHostOfParamChange(int, double)
{
}

void IKitAPIBase::TransmitMidiMsgFromProcessor(const IMidiMsg&)
{
}

void IKitAPIBase::TransmitSysExDataFromProcessor(const SysExData&)
{
}

void IKitAPIBase::DirtyParametersFromUI()
{
  for (int i = 0; i < NParams(); ++i)
    InformHostOfParamChange(i, GetParam(i)->GetNormalized());
}

void IKitAPIBase::BeginInformHostOfParamChangeFromUI(int paramIdx)
{
  BeginInformHostOfParamChange(paramIdx);
}

void IKitAPIBase::SendParameterValueFromUI(int paramIdx, double normalizedValue)
{
  SetParameterValue(paramIdx, normalizedValue);
  IKitinBase::SendParameterValueFromUI(paramIdx, normalizedValue);
}

void IKitAPIBase::EndInformHostOfParamChangeFromUI(int paramIdx)
{
  EndInformHostOfParamChange(paramIdx);
}

bool IKitAPIBase::EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize)
{
  if (needsPlatformResize)
    return EditorResize(viewWidth, viewHeight);
  return true;
}

void IKitAPIBase::DeferMidiMsg(const IMidiMsg& msg)
{
  mMidiMsgsFromEditor.Push(msg);
}

void IKitAPIBase::DeferSysexMsg(const ISysEx& msg)
{
  mSysExDataFromEditor.Push(SysExData(msg.mOffset, msg.mSize, msg.mData));
}

void IKitAPIBase::SetParameterValue(int paramIdx, double normalizedValue)
{
  IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  param->SetNormalized(normalizedValue);
  InformHostOfParamChange(paramIdx, normalizedValue);
  OnParamChange(paramIdx, kUI, -1);
}

namespace
{
// Substrings of lower-cased host names, searched in this order: a longer key
// comes before any key it contains ("wavelab elements" before "wavelab"),
// and the generic "standalone" and "www" come last.
struct HostKey
{
  const char* key;
  int id;
};

constexpr HostKey kHostKeys[] = {
  {"reaper", 1},
  {"protools", 2},
  {"cubase", 3},
  {"nuendo", 4},
  {"cakewalk", 5},
  {"vegas", 6},
  {"fruity", 7},
  {"samplitude", 8},
  {"live", 9},
  {"tracktion", 10},
  {"ntracks", 11},
  {"melodyne", 12},
  {"vstmanlib", 13},
  {"aulab", 14},
  {"forte", 15},
  {"chainer", 16},
  {"audition", 17},
  {"orion", 18},
  {"bias", 19},
  {"sawstudio", 20},
  {"logic", 21},
  {"garageband", 22},
  {"digital", 23},
  {"audiomulch", 25},
  {"presonus", 26},
  {"vst3plugintesthost", 27},
  {"ardour", 28},
  {"renoise", 29},
  {"openmpt", 30},
  {"wavelab elements", 32},
  {"wavelab", 31},
  {"twistedwave", 33},
  {"bitwig studio", 34},
  {"reason", 36},
  {"gwvst", 37},
  {"waveform", 38},
  {"audacity", 39},
  {"acoustica", 40},
  {"plugindoctor", 41},
  {"izotope rx", 42},
  {"savihost", 43},
  {"blue cat's vst host", 44},
  {"mixbus", 45},
  {"standalone", 24},
  {"www", 35},
};
} // namespace

int IKitAPIBase::LookUpHost(const char* name)
{
  if (!name)
    return kHostUnknown;
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const HostKey& host : kHostKeys)
    if (lower.find(host.key) != std::string::npos)
      return host.id;
  return kHostUnknown;
}

void IKitAPIBase::SetHost(const char* name, int version)
{
  mHost = LookUpHost(name);
  mHostVersion = version;
  HostSpecificInit();
  OnHostIdentified();
}

void IKitAPIBase::CreateTimer()
{
  mTimer = Timer::Create([this](Timer& timer) { OnTimer(timer); }, kTimerIntervalMs);
}

void IKitAPIBase::OnTimer(Timer&)
{
  if (mHasUI)
  {
    // Bounded by the capacities, so an audio thread that keeps pushing
    // cannot hold the main thread here; what it adds meanwhile waits for
    // the next tick.
    IMidiMsg msg;
    for (int n = 0; n < decltype(mMidiMsgsFromProcessor)::Capacity() && mMidiMsgsFromProcessor.Pop(msg); ++n)
      SendMidiMsgFromDelegate(msg);

    SysExData data;
    for (int n = 0; n < decltype(mSysExDataFromProcessor)::Capacity() && mSysExDataFromProcessor.Pop(data); ++n)
      SendSysexMsgFromDelegate(ISysEx(data.mOffset, data.mData, data.mSize));
  }
  OnIdle();
}

void IKitAPIBase::SetEditorSize(int width, int height)
{
  mEditorWidth = width;
  mEditorHeight = height;
}
