// What starting an effect costs: PlaySoundA's checks on the headless host, and the SDL host's
// conversion and start of a fill's start sound through SDL_mixer (to the disk driver, so that no
// sound card is needed).
#include <benchmark/benchmark.h>
#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>

#include "host/headless/headless_host.h"
#include "host/sdl/sdl_audio.h"

namespace {

// The locked data of WAVE resource id, and its size.
const void* Wave(int id, DWORD& bytes) {
    HMODULE mod = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceA(mod, MAKEINTRESOURCEA(id), "WAVE");
    bytes = SizeofResource(mod, res);
    return LockResource(LoadResource(mod, res));
}

void BM_PlaySoundA_Headless(benchmark::State& state) {
    tw::test::HeadlessHost host;
    tw::host::SetCurrent(&host);
    DWORD bytes = 0;
    const char* wave = static_cast<const char*>(Wave(1, bytes));
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlaySoundA(wave, nullptr, SND_ASYNC | SND_MEMORY));
        if (state.iterations() % 4096 == 0) host.ClearRecord();
    }
    tw::host::SetCurrent(nullptr);
}
BENCHMARK(BM_PlaySoundA_Headless);

void BM_PlayWave_SdlMixer(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    DWORD bytes = 0;
    const void* wave = Wave(1, bytes);
    tw::sdl::SdlAudio audio([] {});
    audio.PlayWave(wave, bytes, false);  // opens the device
    if (!audio.DeviceOpen()) {
        state.SkipWithError("no audio device, not even SDL's disk driver");
        return;
    }
    for (auto _ : state) audio.PlayWave(wave, bytes, false);
    audio.Shutdown();
}
BENCHMARK(BM_PlayWave_SdlMixer)->Unit(benchmark::kMicrosecond);

}  // namespace
