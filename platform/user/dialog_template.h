// A dialog template in memory, written the way the system's dialog manager reads one: the
// DLGTEMPLATE header, no menu, the dialog class, the title, then each control on a DWORD boundary
// with its class (a name, or a predefined class by its ordinal), its text and no creation data.
// It counts the controls itself. Texts are UTF-8 and go in as UTF-16. It uses nothing but the
// Win32 headers, so the same templates run on the system's own dialog manager too.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace tw::user {

// Predefined control classes by ordinal, as dialog templates name them.
inline LPCSTR ButtonClassOrdinal() { return MAKEINTRESOURCEA(0x0080); }
inline LPCSTR StaticClassOrdinal() { return MAKEINTRESOURCEA(0x0082); }

class DialogTemplate {
public:
    // Position and size in dialog units.
    DialogTemplate(DWORD style, DWORD exStyle, short x, short y, short cx, short cy, const std::string& title = "") {
        DLGTEMPLATE header{style, exStyle, 0, x, y, cx, cy};
        Bytes(&header, sizeof header);
        Word(0);  // no menu
        Word(0);  // the dialog class
        Text(title);
    }

    // A control; `cls` is a class name or an ordinal (ButtonClassOrdinal, StaticClassOrdinal).
    DialogTemplate& Control(DWORD style, short x, short y, short cx, short cy, WORD id, LPCSTR cls,
                            const std::string& text) {
        while (bytes_.size() % 4) bytes_.push_back(0);
        DLGITEMTEMPLATE item{style, 0, x, y, cx, cy, id};
        Bytes(&item, sizeof item);
        if (IS_INTRESOURCE(cls)) {
            Word(0xFFFF);
            Word(LOWORD(reinterpret_cast<ULONG_PTR>(cls)));
        } else {
            Text(cls);
        }
        Text(text);
        Word(0);  // no creation data
        reinterpret_cast<DLGTEMPLATE*>(bytes_.data())->cdit++;
        return *this;
    }

    // The template, DWORD-aligned; valid until the next control is added.
    const DLGTEMPLATE* Get() {
        aligned_.assign((bytes_.size() + 3) / 4, 0);
        std::memcpy(aligned_.data(), bytes_.data(), bytes_.size());
        return reinterpret_cast<const DLGTEMPLATE*>(aligned_.data());
    }

private:
    void Bytes(const void* p, size_t n) {
        const BYTE* b = static_cast<const BYTE*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void Word(WORD w) {
        bytes_.push_back(BYTE(w & 0xFF));
        bytes_.push_back(BYTE(w >> 8));
    }
    // UTF-8 to UTF-16; a character beyond the first plane goes in as a surrogate pair.
    void Text(const std::string& s) {
        for (size_t i = 0; i < s.size();) {
            unsigned char c = static_cast<unsigned char>(s[i++]);
            unsigned cp = c, extra = 0;
            if (c >= 0xF0) cp = c & 0x07, extra = 3;
            else if (c >= 0xE0) cp = c & 0x0F, extra = 2;
            else if (c >= 0xC0) cp = c & 0x1F, extra = 1;
            for (; extra && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; --extra, ++i)
                cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
            if (cp > 0xFFFF) {
                cp -= 0x10000;
                Word(WORD(0xD800 | (cp >> 10)));
                Word(WORD(0xDC00 | (cp & 0x3FF)));
            } else {
                Word(WORD(cp));
            }
        }
        Word(0);
    }
    std::vector<BYTE> bytes_;
    std::vector<DWORD> aligned_;
};

}  // namespace tw::user
