// Text conversions at the ABI boundary: UTF-16 fields (v3_str_128 and
// friends), fixed-size 8-bit fields that need not be terminated, class IDs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vst3host {

// UTF-16 text of at most `capacity` units, ending at the first zero if any.
// Unpaired surrogates become U+FFFD.
std::string fromUtf16(const int16_t* text, size_t capacity);

// Writes `text` as zero-terminated UTF-16 into `out`, cut at a character
// boundary so that it fits into `capacity` units including the terminator.
void toUtf16(std::string_view text, int16_t* out, size_t capacity);

// Zero-terminated UTF-16 of `text`, for calls that take a plain pointer.
std::vector<int16_t> toUtf16(std::string_view text);

// An 8-bit field of `capacity` bytes that a plug-in may fill to the brim.
std::string fromFixed(const char* text, size_t capacity);

// 32 upper-case hex digits, the bytes in memory order.
std::string tuidToString(const uint8_t* id);

} // namespace vst3host
