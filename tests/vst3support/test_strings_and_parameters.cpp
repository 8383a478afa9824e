// Text conversion between the framework's UTF-8 and the host's UTF-16, and
// the parameter classes' conversions.

#include "VST3Parameter.h"
#include "VST3ParameterContainer.h"
#include "VST3Strings.h"
#include "VST3Types.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

TEST(Strings, ConvertBothWaysIncludingCharactersBeyondTheBasicPlane)
{
  struct Case
  {
    std::string utf8;
    std::u16string utf16;
  };
  for (const Case& c : {Case{"", u""}, Case{"Kelva", u"Kelva"}, Case{"\xc3\xa9t\xc3\xa9", u"\u00e9t\u00e9"},
                        Case{"\xe2\x82\xac", u"\u20ac"}, Case{"\xf0\x9f\x8e\xbb", u"\U0001F3BB"}})
  {
    EXPECT_EQ(VST3::toUTF16(c.utf8), c.utf16);
    EXPECT_EQ(VST3::toUTF8(c.utf16), c.utf8);
  }
}

TEST(Strings, MalformedInputBecomesReplacementCharacters)
{
  // A lone continuation byte, a truncated sequence, an overlong '/', an
  // encoded surrogate.
  EXPECT_EQ(VST3::toUTF16("a\x80z"), u"a\uFFFDz");
  EXPECT_EQ(VST3::toUTF16("a\xe2\x82"), u"a\uFFFD\uFFFD");
  EXPECT_EQ(VST3::toUTF16("\xc0\xaf"), u"\uFFFD\uFFFD");
  EXPECT_EQ(VST3::toUTF16("\xed\xa0\x80"), u"\uFFFD\uFFFD\uFFFD");
  // Unpaired surrogates in UTF-16.
  EXPECT_EQ(VST3::toUTF8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xef\xbf\xbdx");
  EXPECT_EQ(VST3::toUTF8(std::u16string(1, char16_t(0xDC00))), "\xef\xbf\xbd");
}

TEST(Strings, FixedFieldsAreTerminatedAndNeverSplitACharacter)
{
  int16_t field[4];
  VST3::copyUTF16(std::u16string_view(u"abcdef"), field, 4);
  EXPECT_EQ(VST3::fromUTF16(field, 4), u"abc");
  VST3::copyUTF16(std::string_view("ab\xf0\x9f\x8e\xbb"), field, 4); // the pair would need units 2 and 3
  EXPECT_EQ(VST3::fromUTF16(field, 4), u"ab");
  char bytes[4];
  VST3::copyUTF8("a\xe2\x82\xac", bytes, 4); // 4 bytes do not fit with the terminator
  EXPECT_STREQ(bytes, "a");
  // A host field without a terminator is read up to its end.
  const int16_t full[3] = {'x', 'y', 'z'};
  EXPECT_EQ(VST3::fromUTF16(full, 3), u"xyz");
}

TEST(Parameter, KeepsItsValueWithinZeroToOne)
{
  VST3::Parameter p(u"Volume", 1, u"", 0.5);
  EXPECT_EQ(p.getNormalized(), 0.5);
  EXPECT_TRUE(p.setNormalized(0.7));
  EXPECT_FALSE(p.setNormalized(0.7)); // unchanged
  EXPECT_TRUE(p.setNormalized(-1));
  EXPECT_EQ(p.getNormalized(), 0);
  EXPECT_TRUE(p.setNormalized(INFINITY));
  EXPECT_EQ(p.getNormalized(), 1);
  EXPECT_FALSE(p.setNormalized(NAN));
  EXPECT_EQ(p.getNormalized(), 1);
  EXPECT_EQ(VST3::Parameter(u"x", 2, u"", 7.0).getInfo().defaultNormalizedValue, 1.0);
}

TEST(Parameter, TextsParseBackWithoutRegardToTheLocale)
{
  VST3::Parameter p(u"Volume", 1);
  std::u16string shown;
  p.toString(0.25, shown);
  EXPECT_EQ(shown, u"0.2500");
  double v = -1;
  EXPECT_TRUE(p.fromString(u" 0.75", v));
  EXPECT_EQ(v, 0.75);
  EXPECT_TRUE(p.fromString(u"+3", v));
  EXPECT_EQ(v, 1.0);
  EXPECT_FALSE(p.fromString(u"loud", v));
  EXPECT_FALSE(p.fromString(u"", v));
  EXPECT_FALSE(p.fromString(u"nan", v));

  VST3::Parameter toggle(u"Hold", 2, u"", 0, 1);
  toggle.toString(1.0, shown);
  EXPECT_EQ(shown, u"On");
  toggle.toString(0.2, shown);
  EXPECT_EQ(shown, u"Off");
  EXPECT_TRUE(toggle.fromString(u"On", v));
  EXPECT_EQ(v, 1.0);
}

TEST(StringListParameter, SplitsTheRangeEvenlyAmongItsTexts)
{
  VST3::StringListParameter p(u"Phaser", 4);
  for (const char16_t* s : {u"Off", u"Slow", u"Fast"})
    p.appendString(s);
  EXPECT_EQ(p.getInfo().stepCount, 2);
  EXPECT_EQ(p.getInfo().flags, VST3::ParameterInfo::kCanAutomate | VST3::ParameterInfo::kIsList);
  struct Case
  {
    double normalized;
    double plain;
    const char16_t* text;
  };
  for (const Case& c : {Case{0.0, 0, u"Off"}, Case{0.33, 0, u"Off"}, Case{0.34, 1, u"Slow"}, Case{0.5, 1, u"Slow"},
                        Case{0.67, 2, u"Fast"}, Case{1.0, 2, u"Fast"}, Case{-5, 0, u"Off"}, Case{NAN, 0, u"Off"}})
  {
    EXPECT_EQ(p.toPlain(c.normalized), c.plain) << c.normalized;
    std::u16string shown;
    p.toString(c.normalized, shown);
    EXPECT_EQ(shown, c.text) << c.normalized;
  }
  EXPECT_EQ(p.toNormalized(1), 0.5);
  double v = -1;
  EXPECT_TRUE(p.fromString(u"Fast", v));
  EXPECT_EQ(v, 1.0);
  EXPECT_FALSE(p.fromString(u"Medium", v));
  EXPECT_TRUE(p.replaceString(1, u"Medium"));
  EXPECT_TRUE(p.fromString(u"Medium", v));
  EXPECT_EQ(v, 0.5);
  EXPECT_FALSE(p.replaceString(3, u"x"));
}

TEST(ParameterContainer, KeepsOrderFindsByIdAndRefusesDuplicates)
{
  VST3::ParameterContainer container;
  for (uint32_t id : {65537u, 0u, 54u, 65538u})
    ASSERT_NE(container.addParameter(std::make_unique<VST3::Parameter>(u"p", id)), nullptr);
  EXPECT_EQ(container.addParameter(std::make_unique<VST3::Parameter>(u"again", 54)), nullptr);
  EXPECT_EQ(container.addParameter(std::unique_ptr<VST3::Parameter>()), nullptr);
  ASSERT_EQ(container.getParameterCount(), 4);
  EXPECT_EQ(container.getParameterByIndex(0)->getId(), 65537u);
  EXPECT_EQ(container.getParameterByIndex(3)->getId(), 65538u);
  EXPECT_EQ(container.getParameter(54), container.getParameterByIndex(2));
  EXPECT_EQ(container.getParameter(55), nullptr);
  EXPECT_EQ(container.getParameterByIndex(4), nullptr);
  container.removeAll();
  EXPECT_EQ(container.getParameterCount(), 0);
  EXPECT_EQ(container.getParameter(54), nullptr);
}
