// Settings files in the INI format, read as Windows reads its profile files: "[Section]" lines,
// "Key=Value" lines, comment lines starting with ';'; section and key names compared without
// regard to case, blanks round names and values dropped, and of two equal keys the first counts.
// The parsing is inih's (libinih), which goes on past a line it cannot read. A damaged file is
// read as far as it goes: the lines that are settings count, every other line is left out, and
// the file is named once on stderr, with the first line that was left out.
//
// Plain POSIX, shared by the Win32 layer's profile calls and by the tools that need a setting
// before the layer runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tw::posix {

class IniFile {
public:
    struct Key {
        std::string name, value;
    };
    struct Section {
        std::string name;  // "" for the keys before the first section line
        std::vector<Key> keys;
    };

    // The file at `path` as it is now. A file read before and unchanged since is not read
    // again (nor reported again). A missing file, or anything but a regular file, reads as
    // empty.
    static std::shared_ptr<const IniFile> Read(const std::string& path);
    // The same from bytes already in memory, without the report.
    static IniFile Parse(std::string_view bytes);

    bool Exists() const { return exists_; }
    // The value of the key, or null when the section or the key is not there.
    const std::string* Find(std::string_view section, std::string_view key) const;
    const std::vector<Section>& Sections() const { return sections_; }
    // The first line left out (1 is the first line), 0 when every line could be read.
    int FirstBadLine() const { return firstBadLine_; }

private:
    bool exists_ = false;
    std::vector<Section> sections_;
    int firstBadLine_ = 0;
};

// A value as a program reading it through the system sees it: one pair of matching quotes (" or ')
// round the whole of it removed.
std::string_view IniUnquoted(std::string_view value);

// How much of a settings file is read: a file is a few lines, and anything past this is not
// settings.
constexpr std::size_t kIniMaxBytes = 4 << 20;

// Where the user's settings files live: $XDG_CONFIG_HOME (when it is an absolute path), else
// ~/.config. Empty when there is no home folder.
std::string XdgConfigHome();
// Where a whole machine's settings files live.
constexpr char kXdgConfigMachine[] = "/etc/xdg";

}  // namespace tw::posix
