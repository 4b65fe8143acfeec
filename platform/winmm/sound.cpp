// PlaySoundA: one wave effect at a time, from a RIFF WAVE image in memory (a locked WAVE
// resource, as a rule), once or looped, always asynchronous. The image is checked before the host
// sees it; a malformed one plays nothing.
#include <cstdint>
#include <cstring>
#include <string>

#include "core/bytes.h"
#include "host/probe.h"
#include "kernel/kernel_internal.h"
#include "mmsystem.h"
#include "winmm/winmm_internal.h"

namespace tw::winmm {

namespace {

// Larger images are refused rather than trusted: no effect of ours comes near this.
constexpr uint32_t kMaxRiffBytes = 64u << 20;

}  // namespace

size_t CheckWave(const void* image, size_t limit) {
    const auto* p = static_cast<const uint8_t*>(image);
    if (!p || limit < 12) return 0;
    if (std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return 0;
    uint32_t riffSize = Le32(p + 4);
    if (riffSize < 4 || riffSize > kMaxRiffBytes) return 0;
    size_t total = size_t(riffSize) + 8;
    if (total > limit) return 0;
    bool fmt = false, data = false;
    size_t at = 12;
    while (at + 8 <= total) {
        uint32_t size = Le32(p + at + 4);
        const uint8_t* body = p + at + 8;
        if (size > total - at - 8) return 0;  // a chunk running past the image
        if (std::memcmp(p + at, "fmt ", 4) == 0) {
            if (fmt || size < 16) return 0;
            uint16_t tag = Le16(body), channels = Le16(body + 2), blockAlign = Le16(body + 12), bits = Le16(body + 14);
            uint32_t rate = Le32(body + 4);
            if (tag != 1 || channels < 1 || channels > 2 || rate == 0 || (bits != 8 && bits != 16) ||
                blockAlign != channels * bits / 8)
                return 0;
            fmt = true;
        } else if (std::memcmp(p + at, "data", 4) == 0) {
            if (!fmt || data) return 0;  // the format comes first
            data = true;
        }
        at += 8 + size + (size & 1);
    }
    return fmt && data ? total : 0;
}

}  // namespace tw::winmm

using namespace tw;

BOOL WINAPI PlaySoundA(LPCSTR pszSound, HMODULE hmod, DWORD fdwSound) {
    (void)hmod;  // only with SND_RESOURCE, which is not provided
    auto& host = host::Current();
    std::string resource;
    size_t resourceSize = 0;
    bool isResource = pszSound && kernel::FindResourceByData(pszSound, "WAVE", resource, resourceSize);
    host::Note([&] {
        std::string flags = std::to_string(fdwSound);
        if (!pszSound) return "PlaySoundA null " + flags;
        if (isResource) return "PlaySoundA WAVE " + resource + " " + flags;
        return "PlaySoundA memory " + flags;
    });

    if (!pszSound) {
        host.StopWave();
        return TRUE;
    }
    // Sounds by file name, alias or resource name, and synchronous sounds, are not provided.
    constexpr DWORD kProvided = SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP;
    if ((fdwSound & ~kProvided) || !(fdwSound & SND_MEMORY) || !(fdwSound & SND_ASYNC)) return FALSE;
    // A resource's size is known; other memory is trusted up to its own RIFF size.
    size_t limit = isResource ? resourceSize : SIZE_MAX;
    size_t bytes = winmm::CheckWave(pszSound, limit);
    if (!bytes) return FALSE;
    host.PlayWave(pszSound, bytes, (fdwSound & SND_LOOP) != 0);
    return TRUE;
}
