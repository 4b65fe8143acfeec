// Where the repository is, for the shipped pages and resources the tests use.
#include <cstdlib>

#include "harness/program.h"

namespace tw::test {

std::filesystem::path SourceDir() {
    if (const char* env = std::getenv("TW_SOURCE_DIR"); env && *env) return env;
#ifdef TW_SOURCE_DIR_DEFAULT
    return TW_SOURCE_DIR_DEFAULT;
#else
    // This file is tests/harness/source_dir.cpp under the root.
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
#endif
}

}  // namespace tw::test
