#include "IKitVST3_Parameter.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "VST3Strings.h"

namespace
{
double limit01(double x)
{
  return std::isfinite(x) ? std::clamp(x, 0.0, 1.0) : 0.0;
}

std::u16string limited(const char* text)
{
  std::u16string s = VST3::toUTF16(text);
  if (s.size() > VST3::kString128Size - 1)
    s.resize(VST3::kString128Size - 1);
  return s;
}
} // namespace

IKitVST3Parameter::IKitVST3Parameter(IParam& param, uint32_t id, int32_t unitId)
  : VST3::Parameter(limited(param.GetName()), id, limited(param.GetLabel()),
                    limit01(param.ToNormalized(param.GetDefault())),
                    param.Type() == IParam::kTypeDouble ? 0 : static_cast<int32_t>(param.GetMax() - param.GetMin()),
                    ((param.GetFlags() & IParam::kFlagCannotAutomate) ? 0 : VST3::ParameterInfo::kCanAutomate) |
                      (param.Type() == IParam::kTypeEnum ? VST3::ParameterInfo::kIsList : 0),
                    unitId)
  , mParam(param)
{
  setPrecision(param.GetDisplayPrecision());
  setNormalized(info.defaultNormalizedValue);
}

void IKitVST3Parameter::toString(double normalized, std::u16string& text) const
{
  std::string display;
  mParam.GetDisplay(limit01(normalized), true, display, true);
  text = VST3::toUTF16(display);
}

bool IKitVST3Parameter::fromString(std::u16string_view text, double& normalized) const
{
  const std::string utf8 = VST3::toUTF8(text);
  const double plain = mParam.Constrain(mParam.StringToValue(utf8.c_str()));
  normalized = limit01(mParam.ToNormalized(plain));
  return true;
}

double IKitVST3Parameter::toPlain(double normalized) const
{
  return mParam.FromNormalized(limit01(normalized));
}

double IKitVST3Parameter::toNormalized(double plain) const
{
  return limit01(mParam.ToNormalized(plain));
}

IKitVST3PresetParameter::IKitVST3PresetParameter(int nPresets)
  : VST3::Parameter(u"Preset", kID, u"", 0, std::max(nPresets - 1, 0),
                    VST3::ParameterInfo::kIsProgramChange, 0)
{
}

double IKitVST3PresetParameter::toPlain(double normalized) const
{
  return std::round(limit01(normalized) * info.stepCount);
}

double IKitVST3PresetParameter::toNormalized(double plain) const
{
  return info.stepCount > 0 ? limit01(plain / info.stepCount) : 0.0;
}

IKitVST3BypassParameter::IKitVST3BypassParameter()
  : VST3::StringListParameter(u"Bypass", kID, u"",
                              VST3::ParameterInfo::kCanAutomate | VST3::ParameterInfo::kIsList |
                                VST3::ParameterInfo::kIsBypass)
{
  appendString(u"off");
  appendString(u"on");
}
