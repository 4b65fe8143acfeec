// The diagnostic log, log.txt. Nothing opens it during a normal run, so every line is dropped.
#include "support/support.h"

#include <mmsystem.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>

static int bLogOpen = 0;
static DWORD dwLogStart = 0;  // tenths of a second at LogOpen

int LogLine(LPCSTR format, ...)
{
    char prefix[32];
    wsprintfA(prefix, "%i:  ", (int)(timeGetTime() / 100 - dwLogStart));
    if (!bLogOpen)
        return 1;

    FILE* file = std::fopen("log.txt", "a+");
    if (!file)
        return 0;
    std::fputs(prefix, file);
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    std::fclose(file);
    return 1;
}

int LogOpen()
{
    FILE* file = std::fopen("log.txt", "wb");
    if (!file)
        return 0;
    std::fclose(file);
    dwLogStart = timeGetTime() / 100;
    bLogOpen = 1;
    std::time_t now = std::time(NULL);
    LogLine("Log file for Tintwell: %s\nTime Message", std::ctime(&now));
    return 1;
}
