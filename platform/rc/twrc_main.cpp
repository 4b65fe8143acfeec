// twrc: compiles a resource script into a C++ source for the non-Windows builds.
// Usage: twrc input.rc output.cpp
#include <cstdio>
#include <fstream>

#include "rc/rc_script.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: twrc input.rc output.cpp\n");
        return 2;
    }
    std::vector<tw::rc::Resource> resources;
    std::string error;
    if (!tw::rc::CompileFile(argv[1], resources, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::string name = argv[1];
    size_t slash = name.find_last_of('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    std::string source = tw::rc::EmitSource(resources, name);
    std::string tmp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << source;
        if (!out.flush()) {
            std::fprintf(stderr, "twrc: cannot write %s\n", argv[2]);
            std::remove(tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "twrc: cannot write %s\n", argv[2]);
        std::remove(tmp.c_str());
        return 1;
    }
    return 0;
}
