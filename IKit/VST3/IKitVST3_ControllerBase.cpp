#include "IKitVST3_ControllerBase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "IKitAPIBase.h"
#include "IKitMidi.h"
#include "IKitParameter.h"
#include "IKitVST3_Parameter.h"
#include "VST3SingleComponentEffect.h"
#include "VST3Strings.h"

void IKitVST3ControllerBase::Initialize(VST3::SingleComponentEffect& effect, IKitAPIBase& plug,
                                        bool isInstrument, bool midiIn)
{
  mParameters = &effect.getParameters();
  const bool hasPresets = plug.NPresets() > 0;
  VST3::UnitInfo root;
  root.id = VST3::kRootUnitId;
  root.parentUnitId = VST3::kNoParentUnitId;
  root.name = u"Root";
  root.programListId = hasPresets ? static_cast<int32_t>(IKitVST3PresetParameter::kID) : VST3::kNoProgramListId;

  if (hasPresets)
  {
    mParameters->addParameter(std::make_unique<IKitVST3PresetParameter>(plug.NPresets()));
    auto list = std::make_unique<VST3::ProgramList>(u"Factory Presets", IKitVST3PresetParameter::kID,
                                                    VST3::kRootUnitId);
    for (int i = 0; i < plug.NPresets(); ++i)
    {
      const int32_t idx = list->addProgram(VST3::toUTF16(plug.GetPresetName(i)));
      for (int16_t note = 0; note < 128; ++note)
      {
        char text[128] = {};
        if (plug.GetMidiNoteText(note, text))
          list->setPitchName(idx, note, VST3::toUTF16(text));
      }
    }
    effect.addProgramList(std::move(list));
  }

  if (!isInstrument)
  {
    auto bypass = std::make_unique<IKitVST3BypassParameter>();
    mBypassParameter = bypass.get();
    mParameters->addParameter(std::move(bypass));
  }

  effect.addUnit(root);

  for (int i = 0; i < plug.NParams(); ++i)
  {
    IParam* param = plug.GetParam(i);
    int32_t unitId = VST3::kRootUnitId;
    const std::string group = param->GetGroup();
    if (!group.empty())
    {
      auto it = std::find(mGroups.begin(), mGroups.end(), group);
      if (it == mGroups.end())
      {
        mGroups.push_back(group);
        VST3::UnitInfo unit;
        unit.id = static_cast<int32_t>(mGroups.size());
        unit.parentUnitId = VST3::kRootUnitId;
        unit.name = VST3::toUTF16(group);
        effect.addUnit(unit);
        unitId = unit.id;
      }
      else
        unitId = static_cast<int32_t>(it - mGroups.begin()) + 1;
    }
    mParameters->addParameter(std::make_unique<IKitVST3Parameter>(*param, static_cast<uint32_t>(i), unitId));
  }

  if (midiIn)
  {
    VST3::UnitInfo ccs;
    ccs.id = effect.getUnitCount() + 1;
    ccs.parentUnitId = VST3::kRootUnitId;
    ccs.name = u"MIDI CCs";
    effect.addUnit(ccs);

    VST3::UnitInfo channel;
    channel.id = effect.getUnitCount() + 1;
    channel.parentUnitId = ccs.id;
    char name[16];
    std::snprintf(name, sizeof(name), "CH%i", 1);
    channel.name = VST3::toUTF16(name);
    effect.addUnit(channel);

    for (int cc = 0; cc < 128; ++cc)
      mParameters->addParameter(std::make_unique<VST3::Parameter>(
        VST3::toUTF16(ControlStr(cc)), kMidiCCParamBase + static_cast<uint32_t>(cc), u"", 0.0, 0,
        VST3::ParameterInfo::kNoFlags, channel.id));
    mParameters->addParameter(std::make_unique<VST3::Parameter>(
      u"Channel Aftertouch", kMidiCCParamBase + kChannelAftertouchCC, u"", 0.0, 0,
      VST3::ParameterInfo::kNoFlags, channel.id));
    mParameters->addParameter(std::make_unique<VST3::Parameter>(
      u"Pitch Bend", kMidiCCParamBase + kPitchBendCC, u"", 0.5, 0, VST3::ParameterInfo::kNoFlags,
      channel.id));
  }
}

void IKitVST3ControllerBase::UpdateParams(IKitAPIBase& plug, double bypass)
{
  if (!mParameters)
    return;
  for (int i = 0; i < plug.NParams(); ++i)
    if (VST3::Parameter* parameter = mParameters->getParameter(static_cast<uint32_t>(i)))
    {
      const IParam* param = plug.GetParam(i);
      parameter->setNormalized(param->ToNormalized(param->Value()));
    }
  if (mBypassParameter)
    mBypassParameter->setNormalized(bypass);
}

bool IKitVST3ControllerBase::SetChannelContextInfos(VST3::AttributeList& list)
{
  if (!list.isValid())
    return false;
  namespace keys = VST3::ChannelContext;
  // Each text comes with its length in characters where the host gives one.
  auto maxChars = [&list](const char* lengthKey) {
    int64_t length = 0;
    if (list.getInt(lengthKey, length) && length > 0 && length < VST3::AttributeList::kDefaultMaxChars)
      return static_cast<uint32_t>(length) + 1;
    return VST3::AttributeList::kDefaultMaxChars;
  };
  std::string text;
  if (list.getString(keys::kChannelNameKey, text, maxChars(keys::kChannelNameLengthKey)))
    mChannelName = text;
  if (list.getString(keys::kChannelUIDKey, text, maxChars(keys::kChannelUIDLengthKey)))
    mChannelUID = text;
  int64_t value = 0;
  if (list.getInt(keys::kChannelIndexKey, value))
    mChannelIndex = static_cast<int>(value);
  if (list.getInt(keys::kChannelColorKey, value))
    mChannelColor = static_cast<uint32_t>(value);
  if (list.getInt(keys::kChannelIndexNamespaceOrderKey, value))
    mChannelNamespaceIndex = static_cast<int>(value);
  if (list.getString(keys::kChannelIndexNamespaceKey, text, maxChars(keys::kChannelIndexNamespaceLengthKey)))
    mChannelNamespace = text;
  return true;
}
