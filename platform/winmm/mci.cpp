// mciSendStringA for the MIDI sequencer: open, play, stop, seek and close, with the wait and
// notify flags. One sequencer device at a time (the host has one MIDI player). Notifications
// reach the callback window as MM_MCINOTIFY posted on the program's thread; the end of a piece
// comes from the host through SoundEvents, delivered inside its PollInput or WaitInput.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "host/probe.h"
#include "mmsystem.h"
#include "winmm/winmm_internal.h"

namespace tw::winmm {

namespace {

struct Device {
    unsigned id = 1;
    std::string alias;       // upper case
    bool playing = false;
    bool atEnd = false;      // played to the end and not sought back since
    HWND notifyHwnd = nullptr;
    bool notifyPending = false;  // a play notify waits for the end of the piece
};

struct Mci : host::Host::SoundEvents {
    std::optional<Device> device;
    void MidiFinished() override;
};

Mci& State() {
    static Mci mci;
    return mci;
}

std::string Upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void Notify(HWND hwnd, WPARAM code, unsigned id) {
    if (!hwnd) return;
    tw::host::Note([&] { return "MM_MCINOTIFY " + std::to_string(code); });
    PostMessageA(hwnd, MM_MCINOTIFY, code, LPARAM(id));
}

// Ends a pending play notify with `code` (aborted, superseded, or successful at the end).
void EndPending(Device& d, WPARAM code) {
    if (!d.notifyPending) return;
    d.notifyPending = false;
    Notify(d.notifyHwnd, code, d.id);
}

// Splits a command into words; a word in double quotes may hold blanks.
MCIERROR Split(const char* s, std::vector<std::string>& words) {
    for (;;) {
        while (*s == ' ' || *s == '\t') ++s;
        if (!*s) return 0;
        std::string word;
        if (*s == '"') {
            const char* end = std::strchr(s + 1, '"');
            if (!end) return MCIERR_NO_CLOSING_QUOTE;
            word.assign(s + 1, end);
            s = end + 1;
        } else {
            while (*s && *s != ' ' && *s != '\t') word += *s++;
        }
        words.push_back(std::move(word));
    }
}

struct Flags {
    bool wait = false, notify = false;
    std::optional<std::string> alias, type, to;
};

// Reads the words after the device name. `keywords` lists the valued keywords the command takes.
MCIERROR ReadFlags(const std::vector<std::string>& words, std::initializer_list<const char*> keywords, Flags& f) {
    for (size_t i = 2; i < words.size(); ++i) {
        std::string w = Upper(words[i]);
        bool* flag = w == "WAIT" ? &f.wait : w == "NOTIFY" ? &f.notify : nullptr;
        if (flag) {
            if (*flag) return MCIERR_DUPLICATE_FLAGS;
            *flag = true;
            continue;
        }
        bool known = std::any_of(keywords.begin(), keywords.end(), [&](const char* k) { return w == k; });
        std::optional<std::string>* value =
            w == "ALIAS" ? &f.alias : w == "TYPE" ? &f.type : w == "TO" ? &f.to : nullptr;
        if (!known || !value) return MCIERR_UNRECOGNIZED_KEYWORD;
        if (*value) return MCIERR_DUPLICATE_FLAGS;
        if (i + 1 >= words.size()) return MCIERR_MISSING_STRING_ARGUMENT;
        *value = words[++i];
    }
    return 0;
}

bool IsMidiFile(const std::string& path) {
    size_t dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : Upper(path.substr(dot));
    return ext == ".MID" || ext == ".MIDI" || ext == ".RMI";
}

MCIERROR Open(Mci& mci, const std::vector<std::string>& words, HWND callback, std::string& result) {
    Flags f;
    if (MCIERROR e = ReadFlags(words, {"ALIAS", "TYPE"}, f)) return e;
    std::string path = words[1];
    if (f.type ? Upper(*f.type) != "SEQUENCER" : !IsMidiFile(path))
        return f.type ? MCIERR_INVALID_DEVICE_NAME : MCIERR_EXTENSION_NOT_FOUND;
    std::string alias = Upper(f.alias ? *f.alias : path);
    if (mci.device) return mci.device->alias == alias ? MCIERR_DUPLICATE_ALIAS : MCIERR_DEVICE_OPEN;
    std::replace(path.begin(), path.end(), '\\', '/');
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return MCIERR_FILE_NOT_FOUND;
    auto& host = host::Current();
    if (!host.OpenMidi(path)) return MCIERR_INVALID_FILE;
    host.SetSoundEvents(&mci);
    Device d;
    d.alias = alias;
    mci.device = d;
    result = std::to_string(d.id);
    if (f.notify) Notify(callback, MCI_NOTIFY_SUCCESSFUL, d.id);
    return 0;
}

MCIERROR Play(Device& d, const Flags& f, HWND callback) {
    if (f.wait) return MCIERR_UNSUPPORTED_FUNCTION;  // the program's thread is never held up
    if (f.notify) EndPending(d, MCI_NOTIFY_SUPERSEDED);
    if (d.atEnd) {
        // Nothing is left to play: done at once.
        if (f.notify) Notify(callback, MCI_NOTIFY_SUCCESSFUL, d.id);
        return 0;
    }
    if (!d.playing) host::Current().PlayMidi();
    d.playing = true;
    if (f.notify) {
        d.notifyPending = true;
        d.notifyHwnd = callback;
    }
    return 0;
}

}  // namespace

void Mci::MidiFinished() {
    if (!device || !device->playing) return;
    device->playing = false;
    device->atEnd = true;
    EndPending(*device, MCI_NOTIFY_SUCCESSFUL);
}

void ResetMci() { State().device.reset(); }

static MCIERROR SendString(const char* command, HWND callback, std::string& result) {
    std::vector<std::string> words;
    if (MCIERROR e = Split(command, words)) return e;
    if (words.empty()) return MCIERR_MISSING_COMMAND_STRING;
    std::string verb = Upper(words[0]);
    bool known = verb == "OPEN" || verb == "PLAY" || verb == "STOP" || verb == "SEEK" || verb == "CLOSE";
    if (!known) return MCIERR_UNRECOGNIZED_COMMAND;
    if (words.size() < 2) return MCIERR_MISSING_DEVICE_NAME;
    Mci& mci = State();
    if (verb == "OPEN") return Open(mci, words, callback, result);

    if (!mci.device || mci.device->alias != Upper(words[1])) return MCIERR_INVALID_DEVICE_NAME;
    Device& d = *mci.device;
    Flags f;
    if (MCIERROR e = ReadFlags(words, verb == "SEEK" ? std::initializer_list<const char*>{"TO"}
                                                     : std::initializer_list<const char*>{},
                               f))
        return e;
    auto& host = host::Current();
    if (verb == "PLAY") return Play(d, f, callback);
    if (verb == "SEEK") {
        if (!f.to) return MCIERR_MISSING_PARAMETER;
        if (Upper(*f.to) != "START") return MCIERR_UNSUPPORTED_FUNCTION;  // only the start is needed
        EndPending(d, MCI_NOTIFY_ABORTED);
        host.SeekMidiStart();
        d.playing = false;
        d.atEnd = false;
    } else if (verb == "STOP") {
        EndPending(d, MCI_NOTIFY_ABORTED);
        if (d.playing) host.StopMidi();
        d.playing = false;
    } else {  // CLOSE
        EndPending(d, MCI_NOTIFY_ABORTED);
        unsigned id = d.id;
        host.CloseMidi();
        mci.device.reset();
        if (f.notify) Notify(callback, MCI_NOTIFY_SUCCESSFUL, id);
        return 0;
    }
    if (f.notify) Notify(callback, MCI_NOTIFY_SUCCESSFUL, d.id);
    return 0;
}

}  // namespace tw::winmm

using namespace tw;

MCIERROR WINAPI mciSendStringA(LPCSTR lpstrCommand, LPSTR lpstrReturnString, UINT uReturnLength, HWND hwndCallback) {
    tw::host::Note([&] { return std::string("mciSendStringA ") + (lpstrCommand ? lpstrCommand : "(null)"); });
    if (lpstrReturnString && uReturnLength) lpstrReturnString[0] = 0;
    if (!lpstrCommand) return MCIERR_MISSING_COMMAND_STRING;
    std::string result;
    MCIERROR e = winmm::SendString(lpstrCommand, hwndCallback, result);
    if (e || !lpstrReturnString || !uReturnLength) return e;
    if (result.size() >= uReturnLength) return MCIERR_PARAM_OVERFLOW;
    std::memcpy(lpstrReturnString, result.c_str(), result.size() + 1);
    return 0;
}
