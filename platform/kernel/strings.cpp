// KERNEL32/USER32 string helpers: wsprintfA (the classic subset of printf, output capped at
// 1024 characters including the terminator) and lstrlenA.
#include <cstdarg>
#include <cstdint>
#include <cstring>

#include "windows.h"

namespace {

constexpr int kMaxOutput = 1024;  // characters, the terminator included

class Output {
public:
    explicit Output(char* out) : out_(out) {}
    void Put(char c) {
        if (len_ < kMaxOutput - 1) out_[len_++] = c;
    }
    void Repeat(char c, int n) {
        for (int i = 0; i < n; ++i) Put(c);
    }
    int Finish() {
        out_[len_] = 0;
        return len_;
    }

private:
    char* out_;
    int len_ = 0;
};

struct Conversion {
    bool left = false, zero = false, alt = false;
    int width = 0;
    int precision = -1;
};

void PutPadded(Output& out, const Conversion& conv, const char* text, int len) {
    int pad = conv.width > len ? conv.width - len : 0;
    if (!conv.left) out.Repeat(conv.zero ? '0' : ' ', pad);
    for (int i = 0; i < len; ++i) out.Put(text[i]);
    if (conv.left) out.Repeat(' ', pad);
}

void PutNumber(Output& out, Conversion conv, uint64_t magnitude, bool negative, unsigned base, bool upper) {
    char digits[32];
    int n = 0;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[n++] = set[magnitude % base];
        magnitude /= base;
    } while (magnitude);
    int zeros = conv.precision > n ? conv.precision - n : 0;
    char prefix[3] = {};
    int prefixLen = 0;
    if (negative) prefix[prefixLen++] = '-';
    if (conv.alt && base == 16) {
        prefix[prefixLen++] = '0';
        prefix[prefixLen++] = upper ? 'X' : 'x';
    }
    int len = prefixLen + zeros + n;
    int pad = conv.width > len ? conv.width - len : 0;
    if (conv.zero && !conv.left && conv.precision < 0) {
        zeros += pad;  // zero padding goes between the sign and the digits
        pad = 0;
    }
    if (!conv.left) out.Repeat(' ', pad);
    for (int i = 0; i < prefixLen; ++i) out.Put(prefix[i]);
    out.Repeat('0', zeros);
    while (n) out.Put(digits[--n]);
    if (conv.left) out.Repeat(' ', pad);
}

}  // namespace

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
    if (!lpOut) return 0;
    Output out(lpOut);
    if (!lpFmt) return out.Finish();
    va_list args;
    va_start(args, lpFmt);
    for (const char* p = lpFmt; *p; ++p) {
        if (*p != '%') {
            out.Put(*p);
            continue;
        }
        ++p;
        if (*p == '%') {
            out.Put('%');
            continue;
        }
        Conversion conv;
        for (;; ++p) {
            if (*p == '-') conv.left = true;
            else if (*p == '0') conv.zero = true;
            else if (*p == '#') conv.alt = true;
            else break;
        }
        while (*p >= '0' && *p <= '9') conv.width = conv.width * 10 + (*p++ - '0');
        if (*p == '.') {
            ++p;
            conv.precision = 0;
            while (*p >= '0' && *p <= '9') conv.precision = conv.precision * 10 + (*p++ - '0');
        }
        bool isLong = false;
        if (*p == 'l' || *p == 'h') {
            isLong = *p == 'l';
            ++p;
        }
        (void)isLong;  // int and LONG are both 32 bits here, as on Windows
        switch (*p) {
        case 'd':
        case 'i': {
            int v = va_arg(args, int);
            PutNumber(out, conv, v < 0 ? uint64_t(-int64_t(v)) : uint64_t(v), v < 0, 10, false);
            break;
        }
        case 'u':
            PutNumber(out, conv, va_arg(args, unsigned), false, 10, false);
            break;
        case 'x':
        case 'X':
            PutNumber(out, conv, va_arg(args, unsigned), false, 16, *p == 'X');
            break;
        case 'c': {
            char c = char(va_arg(args, int));
            PutPadded(out, conv, &c, 1);
            break;
        }
        case 's': {
            const char* s = va_arg(args, const char*);
            if (!s) s = "(null)";
            int len = 0;
            while (s[len] && (conv.precision < 0 || len < conv.precision)) ++len;
            PutPadded(out, conv, s, len);
            break;
        }
        case 0:
            --p;  // a lone '%' at the end: stop
            break;
        default:
            out.Put(*p);  // unknown conversions print their letter, as the system does
            break;
        }
    }
    va_end(args);
    return out.Finish();
}

int WINAPI lstrlenA(LPCSTR lpString) { return lpString ? int(std::strlen(lpString)) : 0; }
