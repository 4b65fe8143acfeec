// Random numbers seeded from the tick count, and the busy-wait delay.
#include "support/support.h"

static DWORD dwRandomState = 0;

// The generator is seeded on every call, so two calls within one tick give the same value.
int RandomBelow(int n)
{
    dwRandomState = GetTickCount();
    dwRandomState = dwRandomState * 214013u + 2531011u;
    int draw = (int)((dwRandomState >> 16) & 0x7FFF);
    return n > 0 ? draw % n : 0;
}

// Busy-waits; no messages are handled meanwhile. The elapsed time is measured as a difference,
// so a wait across the tick counter's wrap-around is as long as any other.
void DelayMs(DWORD ms)
{
    DWORD dwStart = GetTickCount();
    while ((DWORD)(GetTickCount() - dwStart) < ms) {
    }
}
