// Screenshots: a small PNG encoder for the 32-bit screen surface (8-bit RGB, no interlace),
// compressed with fixed-code deflate that finds the long runs of flat colour a screen is made of.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "core/surface.h"

namespace tw::test {

std::vector<uint8_t> EncodePng(const Surface& surface);
bool WritePng(const std::filesystem::path& path, const Surface& surface);

}  // namespace tw::test
