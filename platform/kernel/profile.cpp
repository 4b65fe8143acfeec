// GetPrivateProfileStringA and GetPrivateProfileIntA: settings read from .ini files, parsed by
// host/posix/ini_file (inih underneath) with Windows' rules for what a caller gets back: the
// value without blanks round it or the quotes round all of it, the default without its trailing
// blanks, truncation to the buffer, and the lists of sections or keys when no name is given.
// Nothing here writes a profile file.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "host/posix/ini_file.h"
#include "windows.h"

namespace {

std::shared_ptr<const tw::posix::IniFile> Load(LPCSTR fileName) {
    std::string path = fileName ? fileName : "";
    // A bare file name means one in the Windows folder, which this system does not have.
    if (path.find_first_of("\\/") == std::string::npos) return std::make_shared<const tw::posix::IniFile>();
    for (char& c : path)
        if (c == '\\') c = '/';
    return tw::posix::IniFile::Read(path);
}

DWORD CopyString(std::string_view text, LPSTR out, DWORD size) {
    DWORD n = DWORD(std::min<size_t>(text.size(), size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = 0;
    return n;
}

// Names one after another, each ended by a NUL, and one more NUL at the end. When they do not
// fit, the last one that starts is cut short and the result is size - 2.
DWORD CopyList(const std::vector<std::string_view>& names, LPSTR out, DWORD size) {
    if (size < 2) {
        out[0] = 0;
        return 0;
    }
    DWORD used = 0;
    for (std::string_view name : names) {
        if (used + name.size() + 2 > size) {
            std::memcpy(out + used, name.data(), size - 2 - used);
            out[size - 2] = out[size - 1] = 0;
            return size - 2;
        }
        std::memcpy(out + used, name.data(), name.size());
        used += DWORD(name.size());
        out[used++] = 0;
    }
    out[used] = 0;
    return used;
}

// A name as the caller gives it, without the blanks round it.
std::string_view Trimmed(LPCSTR name) {
    std::string_view s = name;
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                                      DWORD nSize, LPCSTR lpFileName) {
    if (!lpReturnedString || !nSize) return 0;
    auto file = Load(lpFileName);
    if (!file->Exists()) SetLastError(ERROR_FILE_NOT_FOUND);

    std::vector<std::string_view> names;
    if (!lpAppName) {
        for (const auto& s : file->Sections())
            if (!s.name.empty()) names.push_back(s.name);
        return CopyList(names, lpReturnedString, nSize);
    }
    if (!lpKeyName) {
        for (const auto& s : file->Sections())
            if (SameName(s.name, Trimmed(lpAppName)))
                for (const auto& k : s.keys) names.push_back(k.name);
        if (!names.empty()) return CopyList(names, lpReturnedString, nSize);
    } else if (const std::string* value = file->Find(Trimmed(lpAppName), Trimmed(lpKeyName))) {
        return CopyString(tw::posix::IniUnquoted(*value), lpReturnedString, nSize);
    }
    std::string_view fallback = lpDefault ? lpDefault : "";
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    return CopyString(tw::posix::IniUnquoted(fallback), lpReturnedString, nSize);
}

// The number the value starts with, as the system reads it: blanks, a sign, then decimal digits
// or 0x and hexadecimal ones. A value that is no number reads as 0; an empty or missing one as
// the default.
UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
    char text[64];
    if (!GetPrivateProfileStringA(lpAppName, lpKeyName, "", text, sizeof text, lpFileName)) return UINT(nDefault);
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    UINT value = 0;
    for (;; ++p) {
        unsigned digit = std::isdigit(static_cast<unsigned char>(*p))    ? unsigned(*p - '0')
                         : std::isxdigit(static_cast<unsigned char>(*p)) ? unsigned(std::tolower(*p) - 'a' + 10)
                                                                         : 99u;
        if (digit >= base) break;
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}
