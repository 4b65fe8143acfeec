// Sound effects from the built-in WAVE resources, and the background tune through MCI.
#pragma once

#include <windows.h>

// The effects, by resource id.
#define SFX_FILL_FIRST 1  // 1 to 4: a fill starts (one of them at random)
#define SFX_FILL_LOOP 5   // a fill is running
#define SFX_CLEAR_LOOP 6  // a clear is running
#define SFX_CLEAR 7       // a clear starts
#define SFX_PICK 8        // a crayon is picked
#define SFX_COUNT 8

extern LPVOID lpWaveData[SFX_COUNT + 1];  // locked resource data, by id; [0] unused
extern HGLOBAL hWaveRes[SFX_COUNT + 1];
extern int bMusicStopped;

void LoadSounds(HINSTANCE hInstance);
void PlaySfx(int id);
void PlaySfxLoop(int id);
void StopSfx();

void OpenMusic();
void StartMusic(HWND hwnd);
void RestartMusic(HWND hwnd);
void StopMusic();
void CloseMusic();
