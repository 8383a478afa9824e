#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "IKitParameter.h"

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Display(const IParam& p, double value, bool withTexts = true)
{
  std::string text;
  p.GetDisplay(value, false, text, withTexts);
  return text;
}

IParam MakeModeParam()
{
  IParam p;
  p.InitEnum("Mode", 0, {"Off", "Type 1", "Type 2"});
  return p;
}
} // namespace

TEST(Param, RangeIsAtLeastOneStepWide)
{
  IParam p;
  p.InitDouble("Empty", 0.0, 0.0, 0.0, 1.0);
  EXPECT_EQ(p.GetMax(), 1.0);
}

TEST(Param, UnsteppedDefaultIsKeptExactlyAndShownRounded)
{
  IParam p;
  const double def = 0.00037952700065061807;
  p.InitDouble("Fine", def, 0.0, 1.0, 1.0);
  EXPECT_EQ(p.Value(), def);
  EXPECT_EQ(p.GetDefault(), def);
  EXPECT_EQ(Display(p, p.Value()), "0");
}

TEST(Param, SteppedValuesSnapHalfAwayFromZeroThenClamp)
{
  IParam p = MakeModeParam();
  const struct { double in, out; } cases[] = {
    {1.4, 1.0}, {1.5, 2.0}, {0.5, 1.0}, {-3.0, 0.0}, {9.0, 2.0}, {2.0, 2.0}};
  for (const auto& c : cases)
  {
    p.Set(c.in);
    EXPECT_EQ(p.Value(), c.out) << "set " << c.in;
  }
}

// A NaN from a host or a damaged state must never reach the audio thread,
// and an infinity means "as far as it goes".
TEST(Param, NaNKeepsTheValueAndInfinityClampsOnEverySetter)
{
  for (bool stepped : {false, true})
  {
    IParam p;
    p.InitDouble("X", 0.3, -1.0, 1.0, 0.1, "", stepped ? IParam::kFlagStepped : 0);
    p.Set(kNaN);
    EXPECT_DOUBLE_EQ(p.Value(), 0.3);
    p.SetNormalized(kNaN);
    EXPECT_DOUBLE_EQ(p.Value(), 0.3);
    EXPECT_DOUBLE_EQ(p.Constrain(kNaN), 0.3);
    EXPECT_DOUBLE_EQ(p.FromNormalized(kNaN), 0.3);
    EXPECT_DOUBLE_EQ(p.StringToValue("nan"), 0.3);

    p.Set(kInf);
    EXPECT_EQ(p.Value(), 1.0);
    p.Set(-kInf);
    EXPECT_EQ(p.Value(), -1.0);
    p.SetNormalized(kInf);
    EXPECT_EQ(p.Value(), 1.0);
    p.SetNormalized(-kInf);
    EXPECT_EQ(p.Value(), -1.0);
    EXPECT_EQ(p.StringToValue("1e999"), 1.0);
    EXPECT_EQ(p.StringToValue("-1e999"), -1.0);
    EXPECT_EQ(p.StringToValue("1e-999"), 0.0);
    EXPECT_TRUE(std::isfinite(p.GetNormalized()));
  }
}

TEST(Param, NormalizedValuesStayInsideZeroToOneForEveryShape)
{
  IParam linear, pow, exp;
  linear.InitDouble("Lin", 0.0, -5.0, 5.0, 0.01);
  pow.InitDouble("Pow", 0.0, 0.0, 1.0, 0.01, "", 0, "", IParam::ShapePowCurve(2.0));
  exp.InitFrequency("Freq", 440.0, 20.0, 20000.0, 0.1);
  for (const IParam* p : {&linear, &pow, &exp})
  {
    EXPECT_EQ(p->ToNormalized(p->GetMax() * 10.0), 1.0) << p->GetName();
    EXPECT_EQ(p->ToNormalized(p->GetMin() - 1000.0), 0.0) << p->GetName();
    EXPECT_NEAR(p->FromNormalized(1.5), p->GetMax(), 1e-12 * p->GetMax()) << p->GetName();
    EXPECT_NEAR(p->FromNormalized(-0.5), p->GetMin(), 1e-12 * p->GetMax()) << p->GetName();
    for (double n : {0.0, 0.1, 0.37, 0.5, 0.9, 1.0})
      EXPECT_NEAR(p->ToNormalized(p->FromNormalized(n)), n, 1e-9) << p->GetName() << " at " << n;
  }
}

TEST(Param, ShapesMapAsTheirCurves)
{
  IParam pow;
  pow.InitDouble("Pow", 0.0, 0.0, 1.0, 0.001, "", 0, "", IParam::ShapePowCurve(2.0));
  EXPECT_DOUBLE_EQ(pow.FromNormalized(0.5), 0.25);
  EXPECT_DOUBLE_EQ(pow.ToNormalized(0.25), 0.5);

  IParam freq;
  freq.InitFrequency("Freq", 1000.0, 20.0, 20000.0, 0.01);
  EXPECT_EQ(freq.Unit(), IParam::kUnitFrequency);
  EXPECT_STREQ(freq.GetLabel(), "Hz");
  EXPECT_EQ(freq.GetShape()->GetDisplayType(), IParam::kDisplayLog);
  EXPECT_NEAR(freq.FromNormalized(0.5), std::sqrt(20.0 * 20000.0), 1e-6);
  EXPECT_NEAR(freq.FromNormalized(0.0), 20.0, 1e-9);

  // A sweep from zero starts just above it instead of at log(0).
  IParam fromZero;
  fromZero.InitFrequency("Freq", 0.0, 0.0, 100.0, 0.01);
  EXPECT_NEAR(fromZero.FromNormalized(0.0), 1e-8, 1e-12);
  EXPECT_EQ(fromZero.ToNormalized(0.0), 0.0);
}

TEST(Param, PowCurveReportsItsDisplayType)
{
  const struct { double power; int type; } cases[] = {
    {3.0, IParam::kDisplayCubeRoot}, {2.0, IParam::kDisplaySquareRoot},
    {0.3, IParam::kDisplayCubed},    {0.5, IParam::kDisplaySquared},
    {1.0, IParam::kDisplayLinear}};
  for (const auto& c : cases)
    EXPECT_EQ(IParam::ShapePowCurve(c.power).GetDisplayType(), c.type) << c.power;
}

TEST(Param, StepDecidesTheDecimalsShown)
{
  const struct { double step; int precision; const char* shown; } cases[] = {
    {1.0, 0, "1"}, {0.5, 1, "0.6"}, {0.01, 2, "0.56"}, {0.001, 3, "0.556"},
    {0.0001, 4, "0.5556"}, {1e-9, 6, "0.555556"}};
  for (const auto& c : cases)
  {
    IParam p;
    p.InitDouble("X", 0.0, 0.0, 1.0, c.step);
    EXPECT_EQ(p.GetDisplayPrecision(), c.precision) << c.step;
    EXPECT_EQ(Display(p, 0.5555556), c.shown) << c.step;
  }
}

TEST(Param, DisplayShowsTextsSignsAndNeverMinusZero)
{
  IParam mode = MakeModeParam();
  EXPECT_EQ(Display(mode, 2.0), "Type 2");
  EXPECT_EQ(Display(mode, 2.0, false), "2");

  IParam gain;
  gain.InitDouble("Gain", 0.0, -1.0, 1.0, 0.01, "dB", IParam::kFlagSignDisplay);
  EXPECT_EQ(Display(gain, -0.0), "0.00");
  EXPECT_EQ(Display(gain, 0.5), "+0.50");
  EXPECT_EQ(Display(gain, -0.5), "-0.50");
  EXPECT_EQ(Display(gain, 0.0), "0.00");

  IParam negated;
  negated.InitDouble("Neg", 0.0, -10.0, 10.0, 1.0, "", IParam::kFlagNegateDisplay);
  EXPECT_EQ(Display(negated, 3.0), "-3");
  EXPECT_EQ(Display(negated, 0.0), "0");
  EXPECT_EQ(Display(negated, -2.5), "3");  // rounded half away from zero
  EXPECT_EQ(negated.StringToValue("4"), -4.0);

  // From the normalised form.
  std::string text;
  gain.GetDisplay(1.0, true, text);
  EXPECT_EQ(text, "+1.00");

  // A display function alone produces the text.
  IParam custom;
  custom.InitDouble("Custom", 0.0, 0.0, 1.0, 0.01, "", 0, "", IParam::ShapeLinear(),
                    IParam::kUnitCustom, [](double v, std::string& out) { out = v > 0.5 ? "hi" : "lo"; });
  EXPECT_EQ(Display(custom, 0.7), "hi");

  // Values far outside any sensible range stay inside the text field.
  IParam huge;
  huge.InitDouble("Huge", 0.0, -1e300, 1e300, 0.001);
  EXPECT_LE(Display(huge, 1e300).size(), 31u);
  EXPECT_EQ(Display(huge, kNaN), "nan");
}

TEST(Param, LabelGivesWayToDisplayText)
{
  IParam p;
  p.InitDouble("Level", 0.0, 0.0, 2.0, 1.0, "dB");
  p.SetDisplayText(0.0, "Off");
  std::string text;
  p.GetDisplayWithLabel(text);
  EXPECT_EQ(text, "Off");
  EXPECT_STREQ(p.GetLabel(), "");
  p.Set(2.0);
  p.GetDisplayWithLabel(text);
  EXPECT_EQ(text, "2 dB");
}

TEST(Param, TypedTextBecomesAValue)
{
  IParam list;
  list.InitEnum("Delay", 0, {"Off", "Mono", "Pingpong"});
  EXPECT_EQ(list.StringToValue("Pingpong"), 2.0);
  EXPECT_EQ(list.StringToValue("7"), 0.0);
  EXPECT_EQ(list.StringToValue(nullptr), 0.0);

  IParam level;
  level.InitDouble("Level", 0.2, 0.0, 1.0, 0.01);
  const struct { const char* text; double value; } cases[] = {
    {"7", 1.0}, {"0.25", 0.25}, {"  0.5 dB", 0.5}, {"+0.75", 0.75}, {"abc", 0.0},
    {"", 0.0}, {"-3", 0.0}, {"2.5e-1", 0.25}};
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(level.StringToValue(c.text), c.value) << '"' << c.text << '"';
}

TEST(Param, DisplayTextsAreFoundByValueAndByText)
{
  IParam p = MakeModeParam();
  EXPECT_EQ(p.NDisplayTexts(), 3);
  double value = -1.0;
  EXPECT_STREQ(p.GetDisplayTextAtIdx(1, &value), "Type 1");
  EXPECT_EQ(value, 1.0);
  EXPECT_STREQ(p.GetDisplayTextAtIdx(3), "");
  EXPECT_STREQ(p.GetDisplayTextAtIdx(-1), "");
  EXPECT_TRUE(p.MapDisplayText("Type 2", &value));
  EXPECT_EQ(value, 2.0);
  EXPECT_FALSE(p.MapDisplayText("type 2", &value));
  EXPECT_STREQ(p.GetDisplayText(1.5), "");
}

TEST(Param, LongTextsAreCutAndTerminated)
{
  const std::string longText(100, 'x');
  IParam p;
  p.InitDouble(longText.c_str(), 0.0, 0.0, 1.0, 0.1, longText.c_str(), 0, longText.c_str());
  p.SetDisplayText(0.0, longText.c_str());
  const std::string cut(IParam::kMaxTextLen - 1, 'x');
  EXPECT_EQ(p.GetName(), cut);
  EXPECT_EQ(std::string(p.GetGroup()), cut);
  EXPECT_EQ(std::string(p.GetDisplayTextAtIdx(0)), cut);
  p.Set(1.0);  // a value without a display text shows the label
  EXPECT_EQ(std::string(p.GetLabel()), cut);
}

TEST(Param, FirstInitialiserDecidesTheTypeAndTextsAccumulate)
{
  IParam p;
  p.InitEnum("Mode", 1, {"A", "B"});
  p.InitDouble("Again", 0.5, 0.0, 4.0, 0.5);
  EXPECT_EQ(p.Type(), IParam::kTypeEnum);
  EXPECT_EQ(p.GetMax(), 4.0);
  EXPECT_EQ(p.GetFlags() & IParam::kFlagStepped, 0);
  EXPECT_EQ(p.NDisplayTexts(), 2);
  p.InitEnum("Mode", 0, {"C"});
  EXPECT_EQ(p.NDisplayTexts(), 3);
  EXPECT_STREQ(p.GetDisplayText(0.0), "A");
}

TEST(Param, ConvenienceInitialisersSetKindLabelAndUnit)
{
  const struct
  {
    void (*init)(IParam&);
    IParam::EParamType type;
    const char* label;
    IParam::EParamUnit unit;
    bool stepped;
  } cases[] = {
    {[](IParam& p) { p.InitBool("B", true); }, IParam::kTypeBool, "", IParam::kUnitCustom, true},
    {[](IParam& p) { p.InitInt("I", 3, 0, 9, "n"); }, IParam::kTypeInt, "n", IParam::kUnitCustom, true},
    {[](IParam& p) { p.InitEnum("E", 1, 4, "", 0, "", "a", "b"); }, IParam::kTypeEnum, "", IParam::kUnitCustom, true},
    {[](IParam& p) { p.InitSeconds("S"); }, IParam::kTypeDouble, "Seconds", IParam::kUnitSeconds, false},
    {[](IParam& p) { p.InitMilliseconds("M"); }, IParam::kTypeDouble, "ms", IParam::kUnitMilliseconds, false},
    {[](IParam& p) { p.InitGain("G"); }, IParam::kTypeDouble, "dB", IParam::kUnitDB, false},
    {[](IParam& p) { p.InitPercentage("P"); }, IParam::kTypeDouble, "%", IParam::kUnitPercentage, false},
    {[](IParam& p) { p.InitAngleDegrees("A"); }, IParam::kTypeDouble, "degrees", IParam::kUnitDegrees, false},
  };
  for (const auto& c : cases)
  {
    IParam p;
    c.init(p);
    EXPECT_EQ(p.Type(), c.type) << p.GetName();
    EXPECT_EQ(p.Unit(), c.unit) << p.GetName();
    EXPECT_EQ(p.GetStepped(), c.stepped) << p.GetName();
    p.Set(p.GetMax() - 0.25);  // away from any display text
    EXPECT_STREQ(p.GetLabel(), c.label) << p.GetName();
  }

  IParam b;
  b.InitBool("B", true);
  EXPECT_EQ(b.Value(), 1.0);
  EXPECT_STREQ(b.GetDisplayText(1.0), "on");
  IParam e;
  e.InitEnum("E", 1, 4, "", 0, "", "a", "b");
  EXPECT_EQ(e.GetMax(), 3.0);
  EXPECT_EQ(e.NDisplayTexts(), 2);
}

TEST(Param, PitchEntriesAreNamedAfterNotes)
{
  IParam p;
  p.InitPitch("Note", 0, 48, 60);
  EXPECT_EQ(p.GetMax(), 12.0);
  EXPECT_EQ(p.NDisplayTexts(), 13);
  EXPECT_STREQ(p.GetDisplayText(0), "C 2");
  EXPECT_STREQ(p.GetDisplayText(1), "C#2");
  EXPECT_STREQ(p.GetDisplayText(12), "C 3");
  IParam c4;
  c4.InitPitch("Note", 0, 60, 61, 0, "", true);
  EXPECT_STREQ(c4.GetDisplayText(0), "C 4");
}

TEST(Param, IntOfAHugeValueSaturates)
{
  IParam p;
  p.InitDouble("Huge", 0.0, -1e20, 1e20, 1.0);
  p.Set(1e20);
  EXPECT_EQ(p.Int(), std::numeric_limits<int>::max());
  p.Set(-1e20);
  EXPECT_EQ(p.Int(), std::numeric_limits<int>::min());
  p.Set(-2.7);
  EXPECT_EQ(p.Int(), -2);  // truncated toward zero
}

TEST(Param, CopyOwnsItsOwnShape)
{
  IParam a;
  a.InitFrequency("F", 100.0, 10.0, 1000.0, 0.1);
  IParam b = a;
  a.InitDouble("F", 100.0, 10.0, 1000.0, 0.1);  // a now linear, b keeps the curve
  EXPECT_EQ(b.GetShape()->GetDisplayType(), IParam::kDisplayLog);
  EXPECT_NEAR(b.FromNormalized(0.5), 100.0, 1e-9);
  EXPECT_EQ(b.Value(), 100.0);
}
