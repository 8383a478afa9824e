#include "VST3Parameter.h"

#include "VST3Strings.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace VST3
{
namespace
{
// A finite value limited to 0…1; NaN counts as 0.
double limitNormalized(double value)
{
  if (!(value >= 0))
    return 0;
  return value > 1 ? 1 : value;
}
} // namespace

Parameter::Parameter(const ParameterInfo& info) : info(info)
{
  this->info.defaultNormalizedValue = limitNormalized(info.defaultNormalizedValue);
  valueNormalized = this->info.defaultNormalizedValue;
}

Parameter::Parameter(std::u16string_view title, uint32_t id, std::u16string_view units, double defaultNormalized,
                     int32_t stepCount, int32_t flags, int32_t unitId, std::u16string_view shortTitle)
{
  info.id = id;
  info.title = title;
  info.shortTitle = shortTitle;
  info.units = units;
  info.stepCount = std::max(stepCount, int32_t(0));
  info.defaultNormalizedValue = limitNormalized(defaultNormalized);
  info.unitId = unitId;
  info.flags = flags;
  valueNormalized = info.defaultNormalizedValue;
}

bool Parameter::setNormalized(double value)
{
  if (std::isnan(value))
    return false;
  value = limitNormalized(value);
  if (value == valueNormalized)
    return false;
  valueNormalized = value;
  return true;
}

void Parameter::toString(double normalized, std::u16string& text) const
{
  if (info.stepCount == 1)
  {
    text = normalized > 0.5 ? u"On" : u"Off";
    return;
  }
  char buffer[64];
  const double plain = toPlain(normalized);
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, plain, std::chars_format::fixed, std::clamp(precision, 0, 16));
  text = error == std::errc() ? toUTF16(std::string_view(buffer, size_t(end - buffer))) : u"";
}

bool Parameter::fromString(std::u16string_view text, double& normalized) const
{
  std::string utf8 = toUTF8(text);
  const auto first = utf8.find_first_not_of(" \t");
  if (first == std::string::npos)
    return false;
  utf8.erase(0, first);
  if (info.stepCount == 1 && (utf8 == "On" || utf8 == "Off"))
  {
    normalized = utf8 == "On" ? 1 : 0;
    return true;
  }
  // from_chars ignores the locale: "0.5" parses the same in every host.
  if (!utf8.empty() && utf8[0] == '+')
    utf8.erase(0, 1);
  double plain = 0;
  const auto [end, error] = std::from_chars(utf8.data(), utf8.data() + utf8.size(), plain);
  if (error != std::errc() || !std::isfinite(plain))
    return false;
  const double value = toNormalized(plain);
  if (std::isnan(value))
    return false;
  normalized = limitNormalized(value);
  return true;
}

StringListParameter::StringListParameter(std::u16string_view title, uint32_t id, std::u16string_view units,
                                         int32_t flags, int32_t unitId, std::u16string_view shortTitle)
    : Parameter(title, id, units, 0, 0, flags, unitId, shortTitle)
{
}

void StringListParameter::appendString(std::u16string_view text)
{
  strings.emplace_back(text);
  info.stepCount = static_cast<int32_t>(strings.size()) - 1;
}

bool StringListParameter::replaceString(int32_t index, std::u16string_view text)
{
  if (index < 0 || index >= getStringCount())
    return false;
  strings[size_t(index)] = text;
  return true;
}

void StringListParameter::toString(double normalized, std::u16string& text) const
{
  const auto index = static_cast<size_t>(toPlain(normalized));
  text = index < strings.size() ? strings[index] : u"";
}

bool StringListParameter::fromString(std::u16string_view text, double& normalized) const
{
  const auto found = std::find(strings.begin(), strings.end(), text);
  if (found == strings.end())
    return false;
  normalized = toNormalized(static_cast<double>(found - strings.begin()));
  return true;
}

// n + 1 discrete values share the range evenly: value k covers
// [k / (n + 1), (k + 1) / (n + 1)), and 1 belongs to the last one.
double StringListParameter::toPlain(double normalized) const
{
  const int32_t steps = info.stepCount;
  if (steps <= 0)
    return 0;
  return std::floor(std::min<double>(steps, limitNormalized(normalized) * (steps + 1)));
}

double StringListParameter::toNormalized(double plain) const
{
  const int32_t steps = info.stepCount;
  if (steps <= 0)
    return 0;
  return limitNormalized(plain / steps);
}
} // namespace VST3
