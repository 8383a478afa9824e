#include "abitext.h"

#include "abi.h"

#include <cstring>

namespace vst3host {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one character of UTF-8 at `text[i]` and advances `i`; malformed
// sequences yield U+FFFD and consume one byte.
char32_t nextUtf8(std::string_view text, size_t& i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char first = byte(i);
    size_t length = 1;
    char32_t c = first;
    if (first >= 0xF0 && first < 0xF8) {
        length = 4;
        c = first & 0x07;
    } else if (first >= 0xE0) {
        length = first < 0xF0 ? 3 : 0;
        c = first & 0x0F;
    } else if (first >= 0xC2) {
        length = 2;
        c = first & 0x1F;
    } else if (first >= 0x80) {
        length = 0;
    }
    if (length == 0 || i + length > text.size()) {
        ++i;
        return first < 0x80 ? first : kReplacement;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    i += length;
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
        return kReplacement;
    return c;
}

} // namespace

std::string fromUtf16(const int16_t* text, size_t capacity)
{
    std::string out;
    for (size_t i = 0; i < capacity && text[i] != 0; ++i) {
        const char32_t unit = static_cast<uint16_t>(text[i]);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < capacity) {
            const char32_t low = static_cast<uint16_t>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, unit >= 0xD800 && unit < 0xE000 ? kReplacement : unit);
    }
    return out;
}

void toUtf16(std::string_view text, int16_t* out, size_t capacity)
{
    if (capacity == 0)
        return;
    size_t used = 0;
    for (size_t i = 0; i < text.size();) {
        const char32_t c = nextUtf8(text, i);
        const size_t units = c >= 0x10000 ? 2 : 1;
        if (used + units + 1 > capacity)
            break;
        if (units == 2) {
            out[used++] = static_cast<int16_t>(0xD800 + ((c - 0x10000) >> 10));
            out[used++] = static_cast<int16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out[used++] = static_cast<int16_t>(c);
        }
    }
    out[used] = 0;
}

std::vector<int16_t> toUtf16(std::string_view text)
{
    std::vector<int16_t> out(2 * text.size() + 1);
    toUtf16(text, out.data(), out.size());
    return out;
}

std::string fromFixed(const char* text, size_t capacity)
{
    return std::string(text, strnlen(text, capacity));
}

std::string tuidToString(const uint8_t* id)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < 16; ++i) {
        out += digits[id[i] >> 4];
        out += digits[id[i] & 0xF];
    }
    return out;
}

const char* resultName(v3_result result)
{
    switch (result) {
    case V3_NO_INTERFACE: return "no interface";
    case V3_OK: return "ok";
    case V3_FALSE: return "false";
    case V3_INVALID_ARG: return "invalid argument";
    case V3_NOT_IMPLEMENTED: return "not implemented";
    case V3_INTERNAL_ERR: return "internal error";
    case V3_NOT_INITIALIZED: return "not initialised";
    case V3_NOMEM: return "out of memory";
    default: return "unknown result";
    }
}

} // namespace vst3host
