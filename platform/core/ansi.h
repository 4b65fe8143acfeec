// The layer's ANSI code page is UTF-8 (CP_UTF8, as a Windows program may ask for itself), so the
// names the system hands over (printers, folders) show as they are. A byte that does not begin a
// proper UTF-8 sequence stands for itself, as in Latin-1, so that such text still shows. Dialog
// templates hold UTF-16, which becomes this ANSI text and back.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tw::ansi {

// The character at `at` (moved past it).
inline char32_t Next(std::string_view s, size_t& at) {
    const unsigned char lead = static_cast<unsigned char>(s[at]);
    const size_t extra = lead >= 0xF0 && lead <= 0xF4   ? 3
                         : lead >= 0xE0 && lead <= 0xEF ? 2
                         : lead >= 0xC2 && lead <= 0xDF ? 1
                                                        : 0;
    if (extra == 0 || at + extra >= s.size()) {
        ++at;
        return lead;
    }
    char32_t c = lead & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        const unsigned char b = static_cast<unsigned char>(s[at + k]);
        if ((b & 0xC0) != 0x80) {
            ++at;
            return lead;
        }
        c = (c << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not characters.
    static constexpr char32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
    if (c < kLeast[extra] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        ++at;
        return lead;
    }
    at += extra + 1;
    return c;
}

inline void Append(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// UTF-16 code units up to a zero (surrogate pairs joined) to ANSI text; a surrogate out of its
// pair becomes U+FFFD.
template <typename NextUnit>
std::string FromUtf16(NextUnit next) {
    std::string out;
    char32_t u = next();
    while (u) {
        char32_t after = next();
        if (u >= 0xD800 && u <= 0xDBFF && after >= 0xDC00 && after <= 0xDFFF) {
            Append(out, 0x10000 + ((u - 0xD800) << 10) + (after - 0xDC00));
            after = next();
        } else {
            Append(out, u >= 0xD800 && u <= 0xDFFF ? char32_t(0xFFFD) : u);
        }
        u = after;
    }
    return out;
}

// ANSI text to UTF-16 code units, handed one at a time to `put`.
template <typename PutUnit>
void ToUtf16(std::string_view s, PutUnit put) {
    for (size_t i = 0; i < s.size();) {
        char32_t c = Next(s, i);
        if (c >= 0x10000) {
            put(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            put(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            put(char16_t(c));
        }
    }
}

}  // namespace tw::ansi
