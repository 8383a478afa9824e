#include "VST3Strings.h"

namespace VST3
{
namespace
{
constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char c)
{
  return (c & 0xC0) == 0x80;
}

// Decodes one character at s[i], advancing i past it; a malformed sequence
// yields U+FFFD and consumes one byte, so decoding always makes progress.
char32_t decodeUTF8(std::string_view s, size_t& i)
{
  const auto c0 = static_cast<unsigned char>(s[i]);
  int length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if (c0 < 0x80)
  {
    ++i;
    return c0;
  }
  if ((c0 & 0xE0) == 0xC0)
  {
    length = 2;
    cp = c0 & 0x1F;
    minimum = 0x80;
  }
  else if ((c0 & 0xF0) == 0xE0)
  {
    length = 3;
    cp = c0 & 0x0F;
    minimum = 0x800;
  }
  else if ((c0 & 0xF8) == 0xF0)
  {
    length = 4;
    cp = c0 & 0x07;
    minimum = 0x10000;
  }
  else
  {
    ++i;
    return kReplacement;
  }
  if (i + length > s.size())
  {
    ++i;
    return kReplacement;
  }
  for (int k = 1; k < length; ++k)
  {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if (!isContinuation(c))
    {
      ++i;
      return kReplacement;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are not characters.
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
  {
    ++i;
    return kReplacement;
  }
  i += length;
  return cp;
}

// Decodes one character at s[i] of UTF-16, advancing i past it.
char32_t decodeUTF16(std::u16string_view s, size_t& i)
{
  const char32_t u = s[i++];
  if (u >= 0xD800 && u <= 0xDBFF)
  {
    if (i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
    {
      const char32_t low = s[i++];
      return 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
    }
    return kReplacement;
  }
  if (u >= 0xDC00 && u <= 0xDFFF)
    return kReplacement;
  return u;
}

// Encodes cp as UTF-8 into out[4]; returns the number of bytes.
size_t encodeUTF8(char32_t cp, char* out)
{
  if (cp < 0x80)
  {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800)
  {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000)
  {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

// Writes cp as UTF-16 at dst[n] if it fits below `limit`; false when not.
bool putUTF16(char32_t cp, int16_t* dst, size_t& n, size_t limit)
{
  if (cp < 0x10000)
  {
    if (n + 1 > limit)
      return false;
    dst[n++] = static_cast<int16_t>(cp);
    return true;
  }
  if (n + 2 > limit)
    return false;
  const char32_t v = cp - 0x10000;
  dst[n++] = static_cast<int16_t>(0xD800 + (v >> 10));
  dst[n++] = static_cast<int16_t>(0xDC00 + (v & 0x3FF));
  return true;
}
} // namespace

std::u16string toUTF16(std::string_view utf8)
{
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();)
  {
    const char32_t cp = decodeUTF8(utf8, i);
    if (cp < 0x10000)
      out += static_cast<char16_t>(cp);
    else
    {
      const char32_t v = cp - 0x10000;
      out += static_cast<char16_t>(0xD800 + (v >> 10));
      out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    }
  }
  return out;
}

std::string toUTF8(std::u16string_view utf16)
{
  std::string out;
  out.reserve(utf16.size());
  char bytes[4];
  for (size_t i = 0; i < utf16.size();)
    out.append(bytes, encodeUTF8(decodeUTF16(utf16, i), bytes));
  return out;
}

void copyUTF16(std::u16string_view text, int16_t* dst, size_t capacity)
{
  size_t n = 0;
  for (size_t i = 0; i < text.size();)
    if (!putUTF16(decodeUTF16(text, i), dst, n, capacity - 1))
      break;
  dst[n] = 0;
}

void copyUTF16(std::string_view utf8, int16_t* dst, size_t capacity)
{
  size_t n = 0;
  for (size_t i = 0; i < utf8.size();)
    if (!putUTF16(decodeUTF8(utf8, i), dst, n, capacity - 1))
      break;
  dst[n] = 0;
}

void copyUTF8(std::string_view utf8, char* dst, size_t capacity)
{
  char bytes[4];
  size_t n = 0;
  for (size_t i = 0; i < utf8.size();)
  {
    const size_t length = encodeUTF8(decodeUTF8(utf8, i), bytes);
    if (n + length > capacity - 1)
      break;
    for (size_t k = 0; k < length; ++k)
      dst[n++] = bytes[k];
  }
  dst[n] = 0;
}

std::u16string fromUTF16(const int16_t* src, size_t capacity)
{
  std::u16string out;
  if (!src)
    return out;
  for (size_t i = 0; i < capacity && src[i] != 0; ++i)
    out += static_cast<char16_t>(static_cast<uint16_t>(src[i]));
  return out;
}
} // namespace VST3
