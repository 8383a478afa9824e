#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace VST3
{
// What a host is told about a parameter.
struct ParameterInfo
{
  enum Flags : int32_t
  {
    kNoFlags = 0,
    kCanAutomate = 1 << 0,
    kIsReadOnly = 1 << 1,
    kIsWrapAround = 1 << 2,
    kIsList = 1 << 3,
    kIsHidden = 1 << 4,
    kIsProgramChange = 1 << 15,
    kIsBypass = 1 << 16,
  };

  uint32_t id = 0;
  std::u16string title;
  std::u16string shortTitle;
  std::u16string units;
  // 0: continuous; n > 0: n + 1 discrete values.
  int32_t stepCount = 0;
  double defaultNormalizedValue = 0;
  int32_t unitId = 0;
  int32_t flags = kNoFlags;
};

// One parameter as the host sees it: its description and its current
// normalised value. The base class is a plain 0…1 value; subclasses override
// the conversions to give it a range and a text form. Main thread: the host's
// controller calls and the editor use it; the audio thread never does.
class Parameter
{
public:
  explicit Parameter(const ParameterInfo& info);
  Parameter(std::u16string_view title, uint32_t id, std::u16string_view units = {}, double defaultNormalized = 0,
            int32_t stepCount = 0, int32_t flags = ParameterInfo::kCanAutomate, int32_t unitId = 0,
            std::u16string_view shortTitle = {});
  virtual ~Parameter() = default;

  const ParameterInfo& getInfo() const { return info; }
  ParameterInfo& getInfo() { return info; }
  uint32_t getId() const { return info.id; }
  int32_t getUnitId() const { return info.unitId; }
  void setUnitId(int32_t unitId) { info.unitId = unitId; }
  int32_t getPrecision() const { return precision; }
  void setPrecision(int32_t digits) { precision = digits; }

  virtual double getNormalized() const { return valueNormalized; }
  // Stores `value` limited to 0…1; NaN is refused and leaves the value as it
  // was. True when the stored value changed.
  virtual bool setNormalized(double value);

  // The text shown for `normalized`. The base shows "On"/"Off" for a
  // two-state parameter, otherwise the plain value with `precision` digits.
  virtual void toString(double normalized, std::u16string& text) const;
  // Parses text shown by toString back into a normalised value (limited to
  // 0…1). False when the text means nothing to the parameter.
  virtual bool fromString(std::u16string_view text, double& normalized) const;
  // The base's plain value is the normalised value itself.
  virtual double toPlain(double normalized) const { return normalized; }
  virtual double toNormalized(double plain) const { return plain; }

protected:
  ParameterInfo info;
  double valueNormalized = 0;
  int32_t precision = 4;
};

// A parameter that picks one of a list of texts: step count = texts − 1, the
// plain value is the index of the text.
class StringListParameter : public Parameter
{
public:
  StringListParameter(std::u16string_view title, uint32_t id, std::u16string_view units = {},
                      int32_t flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsList, int32_t unitId = 0,
                      std::u16string_view shortTitle = {});

  void appendString(std::u16string_view text);
  bool replaceString(int32_t index, std::u16string_view text);
  int32_t getStringCount() const { return static_cast<int32_t>(strings.size()); }

  void toString(double normalized, std::u16string& text) const override;
  bool fromString(std::u16string_view text, double& normalized) const override;
  double toPlain(double normalized) const override;
  double toNormalized(double plain) const override;

private:
  std::vector<std::u16string> strings;
};
} // namespace VST3
