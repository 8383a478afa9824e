#include "IKitParameter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace
{
// Copies src into a fixed field of kMaxTextLen bytes, cutting it so that the
// field always ends with a zero.
void CopyText(char* dst, const char* src)
{
  if (!src)
    src = "";
  const size_t n = strnlen(src, IParam::kMaxTextLen - 1);
  memcpy(dst, src, n);
  dst[n] = '\0';
}

// A double converted to int without undefined behaviour for values outside
// the int range.
int SaturateToInt(double v)
{
  if (!(v > static_cast<double>(std::numeric_limits<int>::min())))
    return std::numeric_limits<int>::min();
  if (!(v < static_cast<double>(std::numeric_limits<int>::max())))
    return std::numeric_limits<int>::max();
  return static_cast<int>(v);
}

// Fixed-point text of v with the given decimals, independent of the C
// locale (a host may have switched the decimal separator to a comma).
std::string FormatFixed(double v, int precision, bool withSign)
{
  // Wide enough for the largest double with the most decimals allowed here.
  char buf[400];
  precision = std::clamp(precision, 0, 17);
  auto res = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed, precision);
  std::string text(buf, res.ec == std::errc() ? res.ptr : buf);
  if (withSign && !text.empty() && text[0] != '-')
    text.insert(text.begin(), '+');
  return text;
}
} // namespace

// --- Shapes ---

IParam::Shape::~Shape() = default;

IParam::Shape* IParam::ShapeLinear::Clone() const
{
  return new ShapeLinear(*this);
}

int IParam::ShapeLinear::GetDisplayType() const
{
  return kDisplayLinear;
}

double IParam::ShapeLinear::NormalizedToValue(double normalized, const IParam& param) const
{
  return param.GetMin() + normalized * (param.GetMax() - param.GetMin());
}

double IParam::ShapeLinear::ValueToNormalized(double plain, const IParam& param) const
{
  return (plain - param.GetMin()) / (param.GetMax() - param.GetMin());
}

IParam::ShapePowCurve::ShapePowCurve(double shape)
  : mShape(shape)
{
}

IParam::Shape* IParam::ShapePowCurve::Clone() const
{
  return new ShapePowCurve(*this);
}

int IParam::ShapePowCurve::GetDisplayType() const
{
  if (mShape > 2.5)
    return kDisplayCubeRoot;
  if (mShape > 1.5)
    return kDisplaySquareRoot;
  if (mShape < 0.4)
    return kDisplayCubed;
  if (mShape < 2.0 / 3.0)
    return kDisplaySquared;
  return kDisplayLinear;
}

double IParam::ShapePowCurve::NormalizedToValue(double normalized, const IParam& param) const
{
  return param.GetMin() + (param.GetMax() - param.GetMin()) * std::pow(normalized, mShape);
}

double IParam::ShapePowCurve::ValueToNormalized(double plain, const IParam& param) const
{
  return std::pow((plain - param.GetMin()) / (param.GetMax() - param.GetMin()), 1.0 / mShape);
}

IParam::Shape* IParam::ShapeExp::Clone() const
{
  return new ShapeExp(*this);
}

void IParam::ShapeExp::Init(const IParam& param)
{
  // A logarithmic sweep cannot start at zero or below; start just above it.
  const double lo = param.GetMin() > 0.0 ? param.GetMin() : 1.0e-8;
  mAdd = std::log(lo);
  mMul = std::log(param.GetMax() / lo);
}

int IParam::ShapeExp::GetDisplayType() const
{
  return kDisplayLog;
}

double IParam::ShapeExp::NormalizedToValue(double normalized, const IParam&) const
{
  return std::exp(mAdd + normalized * mMul);
}

double IParam::ShapeExp::ValueToNormalized(double plain, const IParam&) const
{
  return (std::log(plain) - mAdd) / mMul;
}

// --- Construction ---

IParam::IParam()
  : mShape(std::make_unique<ShapeLinear>())
{
}

IParam::~IParam() = default;

IParam::IParam(const IParam& other)
{
  *this = other;
}

IParam& IParam::operator=(const IParam& other)
{
  if (this == &other)
    return *this;
  mType = other.mType;
  mUnit = other.mUnit;
  mValue.store(other.Value(), std::memory_order_relaxed);
  mMin = other.mMin;
  mMax = other.mMax;
  mStep = other.mStep;
  mDefault = other.mDefault;
  mDisplayPrecision = other.mDisplayPrecision;
  mFlags = other.mFlags;
  memcpy(mName, other.mName, sizeof(mName));
  memcpy(mLabel, other.mLabel, sizeof(mLabel));
  memcpy(mParamGroup, other.mParamGroup, sizeof(mParamGroup));
  mShape.reset(other.mShape->Clone());
  mDisplayFunction = other.mDisplayFunction;
  mDisplayTexts = other.mDisplayTexts;
  return *this;
}

// --- Initialisers ---

void IParam::InitBool(const char* name, bool defaultValue, const char* label, int flags,
                      const char* group, const char* offText, const char* onText)
{
  if (mType == kTypeNone)
    mType = kTypeBool;
  InitDouble(name, defaultValue ? 1.0 : 0.0, 0.0, 1.0, 1.0, label, flags | kFlagStepped, group);
  SetDisplayText(0.0, offText);
  SetDisplayText(1.0, onText);
}

void IParam::InitInt(const char* name, int defaultValue, int minVal, int maxVal, const char* label,
                     int flags, const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeInt;
  InitDouble(name, defaultValue, minVal, maxVal, 1.0, label, flags | kFlagStepped, group);
}

void IParam::InitEnum(const char* name, int defaultValue,
                      std::initializer_list<const char*> listItems, int flags, const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeEnum;
  InitDouble(name, defaultValue, 0.0, static_cast<double>(listItems.size()) - 1.0, 1.0, "",
             flags | kFlagStepped, group);
  int i = 0;
  for (const char* item : listItems)
    SetDisplayText(i++, item);
}

void IParam::InitEnum(const char* name, int defaultValue, int nEnums, const char* label, int flags,
                      const char* group)
{
  InitEnumWithTexts(name, defaultValue, nEnums, label, flags, group, nullptr, 0);
}

void IParam::InitEnumWithTexts(const char* name, int defaultValue, int nEnums, const char* label,
                               int flags, const char* group, const char* const* texts, int nTexts)
{
  if (mType == kTypeNone)
    mType = kTypeEnum;
  InitDouble(name, defaultValue, 0.0, static_cast<double>(nEnums) - 1.0, 1.0, label,
             flags | kFlagStepped, group);
  for (int i = 0; i < nTexts && i < nEnums; ++i)
    SetDisplayText(i, texts[i]);
}

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal,
                        double step, const char* label, int flags, const char* group,
                        const Shape& shape, EParamUnit unit, DisplayFunc displayFunc)
{
  if (mType == kTypeNone)
    mType = kTypeDouble;
  CopyText(mName, name);
  CopyText(mLabel, label);
  CopyText(mParamGroup, group);

  // The range is never narrower than one step.
  mMin = minVal;
  mMax = std::max(maxVal, minVal + step);
  mStep = step;
  mDefault = defaultVal;
  mUnit = unit;
  mFlags = flags;
  mDisplayFunction = std::move(displayFunc);

  Set(defaultVal);

  // One decimal per power of ten that the step lies below 1, at most six.
  mDisplayPrecision = 0;
  double scaled = step;
  while (mDisplayPrecision < 6 && std::isfinite(scaled) && scaled != std::floor(scaled))
  {
    ++mDisplayPrecision;
    scaled *= 10.0;
  }

  mShape.reset(shape.Clone());
  mShape->Init(*this);
}

void IParam::InitFrequency(const char* name, double defaultVal, double minVal, double maxVal,
                           double step, int flags, const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "Hz", flags, group, ShapeExp(),
             kUnitFrequency);
}

void IParam::InitSeconds(const char* name, double defaultVal, double minVal, double maxVal,
                         double step, int flags, const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "Seconds", flags, group, ShapeLinear(),
             kUnitSeconds);
}

void IParam::InitMilliseconds(const char* name, double defaultVal, double minVal, double maxVal,
                              int flags, const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "ms", flags, group, ShapeLinear(),
             kUnitMilliseconds);
}

void IParam::InitGain(const char* name, double defaultVal, double minVal, double maxVal,
                      double step, int flags, const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "dB", flags, group, ShapeLinear(), kUnitDB);
}

void IParam::InitPercentage(const char* name, double defaultVal, double minVal, double maxVal,
                            int flags, const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "%", flags, group, ShapeLinear(),
             kUnitPercentage);
}

void IParam::InitAngleDegrees(const char* name, double defaultVal, double minVal, double maxVal,
                              int flags, const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "degrees", flags, group, ShapeLinear(),
             kUnitDegrees);
}

void IParam::InitPitch(const char* name, int defaultVal, int minNote, int maxNote, int flags,
                       const char* group, bool middleCisC4)
{
  static const char* const kNoteNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ",
                                             "F#", "G ", "G#", "A ", "A#", "B "};
  // Indexes 0 to (maxNote - minNote), both notes included.
  const int nEntries = maxNote - minNote + 1;
  InitEnum(name, defaultVal, nEntries, "", flags | kFlagStepped, group);
  for (int i = 0; i < nEntries; ++i)
  {
    const int note = minNote + i;
    // Notes below 0 still name a pitch class in 0..11.
    const int pitchClass = ((note % 12) + 12) % 12;
    const int octave = note / 12 - (middleCisC4 ? 1 : 2);
    char text[kMaxTextLen];
    snprintf(text, sizeof(text), "%s%i", kNoteNames[pitchClass], octave);
    SetDisplayText(i, text);
  }
}

// --- Values ---

int IParam::Int() const
{
  return SaturateToInt(Value());
}

double IParam::Constrain(double plain) const
{
  // A NaN carries no value to keep; the current one stands.
  double v = std::isnan(plain) ? Value() : plain;
  if ((mFlags & kFlagStepped) && mStep > 0.0 && std::isfinite(v))
    v = std::round(v / mStep) * mStep;
  v = std::max(v, mMin);
  v = std::min(v, mMax);
  return v;
}

double IParam::ToNormalized(double plain) const
{
  const double n = mShape->ValueToNormalized(Constrain(plain), *this);
  if (std::isnan(n))
    return 0.0;
  return std::clamp(n, 0.0, 1.0);
}

double IParam::FromNormalized(double normalized) const
{
  if (std::isnan(normalized))
    return Value();
  return Constrain(mShape->NormalizedToValue(std::clamp(normalized, 0.0, 1.0), *this));
}

double IParam::GetDefault(bool normalized) const
{
  return normalized ? ToNormalized(mDefault) : mDefault;
}

void IParam::GetBounds(double& lo, double& hi) const
{
  lo = mMin;
  hi = mMax;
}

void IParam::SetDisplayPrecision(int precision)
{
  mDisplayPrecision = precision;
}

// --- Texts ---

const char* IParam::GetLabel() const
{
  const char* text = GetDisplayText(Int());
  return text[0] ? "" : mLabel;
}

void IParam::SetDisplayText(double value, const char* text)
{
  DisplayText record;
  record.mValue = value;
  CopyText(record.mText, text);
  mDisplayTexts.push_back(record);
}

const char* IParam::GetDisplayTextAtIdx(int idx, double* value) const
{
  if (idx < 0 || idx >= NDisplayTexts())
    return "";
  if (value)
    *value = mDisplayTexts[idx].mValue;
  return mDisplayTexts[idx].mText;
}

const char* IParam::GetDisplayText(double value) const
{
  for (const DisplayText& record : mDisplayTexts)
  {
    if (record.mValue == value)
      return record.mText;
  }
  return "";
}

bool IParam::MapDisplayText(const char* text, double* value) const
{
  if (!text)
    return false;
  for (const DisplayText& record : mDisplayTexts)
  {
    if (strcmp(record.mText, text) == 0)
    {
      if (value)
        *value = record.mValue;
      return true;
    }
  }
  return false;
}

void IParam::GetDisplay(double value, bool normalized, std::string& display,
                        bool withDisplayText) const
{
  if (normalized)
    value = FromNormalized(value);

  if (mDisplayFunction)
  {
    mDisplayFunction(value, display);
    return;
  }

  if (withDisplayText)
  {
    const char* text = GetDisplayText(value);
    if (text[0])
    {
      display = text;
      return;
    }
  }

  double v = (mFlags & kFlagNegateDisplay) ? -value : value;
  // Never show "-0" or "-0.00".
  if (v == 0.0)
    v = 0.0;

  if (mDisplayPrecision == 0)
  {
    double rounded = std::round(v);
    if (rounded == 0.0)
      rounded = 0.0;
    display = FormatFixed(rounded, 0, false);
  }
  else
  {
    const bool withSign = (mFlags & kFlagSignDisplay) && v != 0.0;
    display = FormatFixed(v, mDisplayPrecision, withSign);
  }
  if (display.size() > kMaxTextLen - 1)
    display.resize(kMaxTextLen - 1);
}

void IParam::GetDisplay(std::string& display, bool withDisplayText) const
{
  GetDisplay(Value(), false, display, withDisplayText);
}

void IParam::GetDisplayWithLabel(std::string& display, bool withDisplayText) const
{
  GetDisplay(Value(), false, display, withDisplayText);
  const char* label = GetLabel();
  if (label[0])
  {
    display += ' ';
    display += label;
  }
}

double IParam::StringToValue(const char* text) const
{
  if (!text)
    text = "";
  double mapped = 0.0;
  if (MapDisplayText(text, &mapped))
    return mapped;
  if (mType == kTypeBool || mType == kTypeEnum)
    return 0.0;

  // The leading decimal number, as a standard conversion in the C locale
  // reads it: leading blanks and a plus sign are allowed.
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v')
    ++p;
  if (*p == '+' && p[1] != '-')
    ++p;
  double v = 0.0;
  const auto res = std::from_chars(p, p + strlen(p), v);
  if (res.ec == std::errc::result_out_of_range)
  {
    // A number beyond the double range: a negative exponent means it is too
    // small and reads as zero, otherwise it is too large and reads as the
    // infinity of its sign, which Constrain turns into a bound.
    const char* exponent = std::find_if(p, res.ptr, [](char c) { return c == 'e' || c == 'E'; });
    if (exponent != res.ptr && exponent[1] == '-')
      v = 0.0;
    else
      v = (*p == '-') ? -std::numeric_limits<double>::infinity()
                      : std::numeric_limits<double>::infinity();
  }
  else if (res.ec != std::errc())
    v = 0.0;

  if (mFlags & kFlagNegateDisplay)
    v = -v;
  return Constrain(v);
}
