// WinMM's clock: timeGetTime, milliseconds of the host's clock (32 bits, wrapping).
#include "host/host.h"
#include "mmsystem.h"

DWORD WINAPI timeGetTime(void) { return DWORD(tw::host::Current().NowMicros() / 1000); }
