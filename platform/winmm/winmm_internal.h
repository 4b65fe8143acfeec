// What the rest of the layer and its tests use of WinMM beyond the public API.
#pragma once

#include <cstddef>

namespace tw::winmm {

// Checks a RIFF WAVE image of at most `limit` bytes: RIFF/WAVE header, a PCM "fmt " chunk
// (1 or 2 channels, 8 or 16 bits) before a "data" chunk, every chunk inside the RIFF size.
// Returns the image's whole size (from its header), 0 when it is malformed.
std::size_t CheckWave(const void* image, std::size_t limit);

// Forgets every MCI device without telling the host (a fresh start for tests).
void ResetMci();

}  // namespace tw::winmm
