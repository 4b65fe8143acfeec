// The resource script compiler behind twrc: reads a .rc script (string table, bitmaps, cursors,
// icons and user-typed resources naming files) and turns it into a C++ source whose static
// registrar hands every resource to the layer at start-up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw::rc {

// One compiled resource. Type and name are either "#<number>" (an integer id) or an upper-case
// string, the way the system stores resource names.
struct Resource {
    std::string type;
    std::string name;
    std::vector<uint8_t> data;
};

// Parses script text. displayName is used in error messages ("file:line: message"); files the
// script names are looked up relative to baseDir. On failure returns false with error set.
bool ParseScript(std::string_view text, const std::string& displayName, const std::string& baseDir,
                 std::vector<Resource>& out, std::string& error);

// Reads the script at path and parses it.
bool CompileFile(const std::string& path, std::vector<Resource>& out, std::string& error);

// The C++ source that registers the resources with tw::kernel::RegisterResource.
std::string EmitSource(const std::vector<Resource>& resources, const std::string& scriptName);

}  // namespace tw::rc
