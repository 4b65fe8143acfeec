// What a test may watch and steer in the layer: a record of the calls the program makes of the
// platform, and faults to inject into them. Only the headless host has a probe; on the real
// hosts there is none, and the layer asks for it before it formats a single line.
#pragma once

#include <string_view>

#include "host/host.h"

namespace tw::host {

// Calls a test can make fail.
enum class Fault { GlobalAlloc, SetTimer, DirectDrawCreate, SetDisplayMode, FileCreate, FileWrite, FileRename };

class Probe {
public:
    virtual ~Probe() = default;
    // True when a test asked this call to fail.
    virtual bool InjectFault(Fault fault) = 0;
    // Records a call the program made of the platform, in order ("SetDisplayMode 800 600 16").
    virtual void Note(std::string_view line) = 0;
};

inline Probe* CurrentProbe() { return Current().Diagnostics(); }

inline bool InjectFault(Fault fault) {
    Probe* probe = CurrentProbe();
    return probe && probe->InjectFault(fault);
}

// Records the line make() returns; without a probe, make is never called.
template <typename Make>
void Note(Make&& make) {
    if (Probe* probe = CurrentProbe()) probe->Note(make());
}

}  // namespace tw::host
