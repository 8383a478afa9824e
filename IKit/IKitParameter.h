#pragma once

#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// One automatable setting: its bounds, step, shape, current value and the way
// it is shown and typed. Every field except the value is written while the
// plug-in is being built and is read-only afterwards; the value is an atomic
// 64-bit float that any thread may read or write.
//
// The stored value is always finite and inside [min, max]: a NaN arriving
// through any setter leaves the previous value in place, and an infinity is
// clamped to the nearer bound.
class IParam
{
public:
  enum EParamType
  {
    kTypeNone,
    kTypeBool,
    kTypeInt,
    kTypeEnum,
    kTypeDouble,
  };

  enum EParamUnit
  {
    kUnitPercentage = 0,
    kUnitSeconds = 1,
    kUnitMilliseconds = 2,
    kUnitSamples = 3,
    kUnitDB = 4,
    kUnitLinearGain = 5,
    kUnitPan = 6,
    kUnitPhase = 7,
    kUnitDegrees = 8,
    kUnitMeters = 9,
    kUnitRate = 10,
    kUnitRatio = 11,
    kUnitFrequency = 12,
    kUnitOctaves = 13,
    kUnitCents = 14,
    kUnitAbsCents = 15,
    kUnitSemitones = 16,
    kUnitMIDINote = 17,
    kUnitMIDICtrlNum = 18,
    kUnitBPM = 19,
    kUnitBeats = 20,
    kUnitCustom = 21,
  };

  // Curve hint for hosts, returned by Shape::GetDisplayType.
  enum EDisplayType
  {
    kDisplayLinear = 0,
    kDisplayLog = 1,
    kDisplayExp = 2,
    kDisplaySquared = 3,
    kDisplaySquareRoot = 4,
    kDisplayCubed = 5,
    kDisplayCubeRoot = 6,
  };

  enum EFlags
  {
    kFlagsNone = 0,
    kFlagCannotAutomate = 1,
    kFlagStepped = 2,
    kFlagNegateDisplay = 4,
    kFlagSignDisplay = 8,
  };

  // Produces the whole displayed text for a plain value.
  using DisplayFunc = std::function<void(double, std::string&)>;

  // Size of the name, label, group and display-text fields, terminator
  // included; longer texts are cut to kMaxTextLen - 1 characters.
  static constexpr int kMaxTextLen = 32;

  // Mapping between plain and normalised values.
  struct Shape
  {
    virtual ~Shape();
    virtual Shape* Clone() const = 0;
    // Called once the parameter's bounds are final.
    virtual void Init(const IParam&) {}
    virtual int GetDisplayType() const = 0;
    // Normalised to plain, not constrained.
    virtual double NormalizedToValue(double normalized, const IParam& param) const = 0;
    // Plain to normalised, not clamped.
    virtual double ValueToNormalized(double plain, const IParam& param) const = 0;
  };

  struct ShapeLinear : Shape
  {
    Shape* Clone() const override;
    int GetDisplayType() const override;
    double NormalizedToValue(double normalized, const IParam& param) const override;
    double ValueToNormalized(double plain, const IParam& param) const override;
  };

  // plain = min + (max - min) * normalised ^ shape
  struct ShapePowCurve : Shape
  {
    explicit ShapePowCurve(double shape);
    Shape* Clone() const override;
    int GetDisplayType() const override;
    double NormalizedToValue(double normalized, const IParam& param) const override;
    double ValueToNormalized(double plain, const IParam& param) const override;

    double mShape;
  };

  // plain = exp(add + normalised * mul), a logarithmic sweep from min to max.
  struct ShapeExp : Shape
  {
    Shape* Clone() const override;
    void Init(const IParam& param) override;
    int GetDisplayType() const override;
    double NormalizedToValue(double normalized, const IParam& param) const override;
    double ValueToNormalized(double plain, const IParam& param) const override;

    double mAdd = 1.0;
    double mMul = 1.0;
  };

  IParam();
  ~IParam();
  IParam(const IParam& other);
  IParam& operator=(const IParam& other);

  // --- Initialisers (main thread, while the plug-in is being built) ---
  // Each may run again later: bounds, step, default, flags, shape and
  // strings are replaced, a type already set stays, display texts are
  // appended to.

  void InitBool(const char* name, bool defaultValue, const char* label = "", int flags = 0,
                const char* group = "", const char* offText = "off", const char* onText = "on");
  void InitInt(const char* name, int defaultValue, int minVal, int maxVal, const char* label = "",
               int flags = 0, const char* group = "");
  void InitEnum(const char* name, int defaultValue, std::initializer_list<const char*> listItems,
                int flags = 0, const char* group = "");
  // Counted form: nEnums entries, display texts 0, 1, ... for the texts given.
  void InitEnum(const char* name, int defaultValue, int nEnums, const char* label = "",
                int flags = 0, const char* group = "");
  template <typename... MoreTexts>
  void InitEnum(const char* name, int defaultValue, int nEnums, const char* label, int flags,
                const char* group, const char* firstText, MoreTexts... moreTexts)
  {
    const char* texts[] = {firstText, moreTexts...};
    InitEnumWithTexts(name, defaultValue, nEnums, label, flags, group, texts,
                      static_cast<int>(1 + sizeof...(moreTexts)));
  }
  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                  const char* label = "", int flags = 0, const char* group = "",
                  const Shape& shape = ShapeLinear(), EParamUnit unit = kUnitCustom,
                  DisplayFunc displayFunc = nullptr);
  void InitFrequency(const char* name, double defaultVal = 1000.0, double minVal = 0.1,
                     double maxVal = 10000.0, double step = 0.1, int flags = 0,
                     const char* group = "");
  void InitSeconds(const char* name, double defaultVal = 1.0, double minVal = 0.0,
                   double maxVal = 10.0, double step = 0.1, int flags = 0, const char* group = "");
  void InitMilliseconds(const char* name, double defaultVal = 1.0, double minVal = 0.0,
                        double maxVal = 100.0, int flags = 0, const char* group = "");
  void InitGain(const char* name, double defaultVal = 0.0, double minVal = -70.0,
                double maxVal = 24.0, double step = 0.5, int flags = 0, const char* group = "");
  void InitPercentage(const char* name, double defaultVal = 0.0, double minVal = 0.0,
                      double maxVal = 100.0, int flags = 0, const char* group = "");
  void InitAngleDegrees(const char* name, double defaultVal = 0.0, double minVal = 0.0,
                        double maxVal = 360.0, int flags = 0, const char* group = "");
  // One entry per note from minNote to maxNote, named like "C#3".
  void InitPitch(const char* name, int defaultVal = 60, int minNote = 0, int maxNote = 128,
                 int flags = 0, const char* group = "", bool middleCisC4 = false);

  // --- Value access (any thread) ---

  double Value() const { return mValue.load(std::memory_order_relaxed); }
  bool Bool() const { return Value() >= 0.5; }
  int Int() const;

  void Set(double plain) { mValue.store(Constrain(plain), std::memory_order_relaxed); }
  void SetNormalized(double normalized) { Set(FromNormalized(normalized)); }
  double GetNormalized() const { return ToNormalized(Value()); }
  void SetToDefault() { Set(mDefault); }

  // Snaps to the step when stepped, then limits to [min, max]. NaN yields the
  // current value.
  double Constrain(double plain) const;
  // Constrained, shaped and limited to [0, 1].
  double ToNormalized(double plain) const;
  // Shaped from [0, 1] (wider input is limited first), then constrained.
  double FromNormalized(double normalized) const;

  double GetDefault(bool normalized = false) const;

  // --- Read accessors (any thread) ---

  EParamType Type() const { return mType; }
  EParamUnit Unit() const { return mUnit; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  void GetBounds(double& lo, double& hi) const;
  double GetRange() const { return mMax - mMin; }
  double GetStep() const { return mStep; }
  int GetFlags() const { return mFlags; }
  bool GetCanAutomate() const { return !(mFlags & kFlagCannotAutomate); }
  bool GetStepped() const { return mFlags & kFlagStepped; }
  int GetDisplayPrecision() const { return mDisplayPrecision; }
  void SetDisplayPrecision(int precision);
  const Shape* GetShape() const { return mShape.get(); }

  // --- Texts (main thread) ---

  const char* GetName() const { return mName; }
  // Empty while the current value has a non-empty display text.
  const char* GetLabel() const;
  const char* GetGroup() const { return mParamGroup; }

  void SetDisplayText(double value, const char* text);
  int NDisplayTexts() const { return static_cast<int>(mDisplayTexts.size()); }
  // "" for an index outside the list.
  const char* GetDisplayTextAtIdx(int idx, double* value = nullptr) const;
  // The first text whose value equals value exactly, or "".
  const char* GetDisplayText(double value) const;
  bool MapDisplayText(const char* text, double* value) const;

  void GetDisplay(double value, bool normalized, std::string& display,
                  bool withDisplayText = true) const;
  void GetDisplay(std::string& display, bool withDisplayText = true) const;
  void GetDisplayWithLabel(std::string& display, bool withDisplayText = true) const;

  // Typed text to a plain value: a display text's value, else the leading
  // decimal number (0 for none; always 0 for boolean and enumerated types).
  double StringToValue(const char* text) const;

private:
  struct DisplayText
  {
    double mValue;
    char mText[kMaxTextLen];
  };

  void InitEnumWithTexts(const char* name, int defaultValue, int nEnums, const char* label,
                         int flags, const char* group, const char* const* texts, int nTexts);

  EParamType mType = kTypeNone;
  EParamUnit mUnit = kUnitCustom;
  std::atomic<double> mValue{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  int mFlags = 0;
  char mName[kMaxTextLen] = "";
  char mLabel[kMaxTextLen] = "";
  char mParamGroup[kMaxTextLen] = "";
  std::unique_ptr<Shape> mShape;
  DisplayFunc mDisplayFunction;
  std::vector<DisplayText> mDisplayTexts;
};
