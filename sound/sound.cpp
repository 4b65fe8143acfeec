// Effects are locked once and played straight from the executable's memory, one at a time; the
// tune is opened under one alias and started again from the top each time it ends. Nothing here
// looks at a result: without a sound device or the tune the program simply stays quiet, as it
// does when the settings turn the sounds or the music off.
#include "sound/sound.h"

#include "app/settings.h"

#include <mmsystem.h>
#include <string.h>

LPVOID lpWaveData[SFX_COUNT + 1];
HGLOBAL hWaveRes[SFX_COUNT + 1];
int bMusicStopped;

#define MUSIC_FILE "tintmus.mid"
#define MUSIC_ALIAS "MainMidi"
#define MUSIC_DIR_CHARS 260
#define MUSIC_COMMAND_CHARS 256

void LoadSounds(HINSTANCE hInstance)
{
    for (int id = 1; id <= SFX_COUNT; id++) {
        HRSRC hRes = FindResourceA(hInstance, MAKEINTRESOURCEA(id), "WAVE");
        hWaveRes[id] = LoadResource(hInstance, hRes);
        lpWaveData[id] = LockResource(hWaveRes[id]);
    }
}

void PlaySfx(int id)
{
    if (!Settings.bSounds)
        return;
    PlaySoundA((LPCSTR)lpWaveData[id], NULL, SND_ASYNC | SND_MEMORY);
}

void PlaySfxLoop(int id)
{
    if (!Settings.bSounds)
        return;
    PlaySoundA((LPCSTR)lpWaveData[id], NULL, SND_ASYNC | SND_MEMORY | SND_LOOP);
}

void StopSfx()
{
    PlaySoundA(NULL, NULL, 0);
}

void OpenMusic()
{
    // Without music nothing is opened, and every later command finds no device, as without the
    // tune's file.
    if (!Settings.bMusic)
        return;
    char szDir[MUSIC_DIR_CHARS] = "";
    char szCommand[MUSIC_COMMAND_CHARS];
    const DWORD nDir = GetCurrentDirectoryA(sizeof szDir, szDir);
    // A folder whose name would not fit the command is left without music rather than written
    // past the end of the buffer.
    const size_t nFixed = strlen("open \"\\" MUSIC_FILE "\" alias " MUSIC_ALIAS " type sequencer");
    if (nDir == 0 || nDir >= sizeof szDir || nDir + nFixed >= sizeof szCommand)
        return;
    wsprintfA(szCommand, "open \"%s\\%s\" alias %s type sequencer", szDir, MUSIC_FILE, MUSIC_ALIAS);
    mciSendStringA(szCommand, NULL, 0, NULL);
    mciSendStringA("seek " MUSIC_ALIAS " to start wait", NULL, 0, NULL);
}

void StartMusic(HWND hwnd)
{
    bMusicStopped = 0;
    mciSendStringA("seek " MUSIC_ALIAS " to start wait", NULL, 0, NULL);
    mciSendStringA("play " MUSIC_ALIAS " notify", NULL, 0, hwnd);
}

void RestartMusic(HWND hwnd)
{
    if (bMusicStopped)
        return;
    mciSendStringA("seek " MUSIC_ALIAS " to start wait", NULL, 0, NULL);
    mciSendStringA("play " MUSIC_ALIAS " notify", NULL, 0, hwnd);
}

void StopMusic()
{
    bMusicStopped = 1;
    mciSendStringA("stop " MUSIC_ALIAS, NULL, 0, NULL);
}

void CloseMusic()
{
    mciSendStringA("close " MUSIC_ALIAS, NULL, 0, NULL);
}
