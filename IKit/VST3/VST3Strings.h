#pragma once

// Text conversions between the framework's UTF-8 and the host's UTF-16, and
// copies into the fixed-size, zero-terminated fields of the ABI records.
// Malformed input (bad UTF-8 bytes, unpaired surrogates) becomes U+FFFD; a
// copy that must be shortened never splits a character. Any thread; the
// functions returning strings allocate, the copies into fixed fields do not.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace VST3
{
// Size in UTF-16 units (terminator included) of the hosts' fixed text fields.
constexpr size_t kString128Size = 128;

std::u16string toUTF16(std::string_view utf8);
std::string toUTF8(std::u16string_view utf16);

// Copies `text` into dst[capacity] as UTF-16, zero-terminated, shortened to
// at most capacity - 1 units. capacity must be at least 1.
void copyUTF16(std::u16string_view text, int16_t* dst, size_t capacity);
void copyUTF16(std::string_view utf8, int16_t* dst, size_t capacity);

// Copies `utf8` into dst[capacity], zero-terminated, shortened to at most
// capacity - 1 bytes at a character boundary. capacity must be at least 1.
void copyUTF8(std::string_view utf8, char* dst, size_t capacity);

// The text of a host's UTF-16 field, up to its first 0 or `capacity` units.
std::u16string fromUTF16(const int16_t* src, size_t capacity);
} // namespace VST3
