// What rendering the shipped tune costs with FluidSynth's settings: SDL_mixer's (44.1 kHz, 256
// voices, reverb and chorus) against the ones host/sdl/tune.h chose, and the cheaper ones it did
// not choose. Each iteration renders ten seconds of the piece; "cpu_per_audio_s" is the CPU time
// one second of it takes. The tune's own sound decides what may go: scripts/tune_compare.sh holds
// the result against the old one with sox, sample by sample.
#include <benchmark/benchmark.h>
#include <fluidsynth.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness/program.h"
#include "host/sdl/tune.h"

namespace {

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// Args: sample rate, polyphony, reverb, chorus.
void BM_TuneRender(benchmark::State& state) {
    struct stat st;
    if (::stat(kSoundFont, &st) != 0) {
        state.SkipWithError("no TimGM6mb SoundFont");
        return;
    }
    const int rate = int(state.range(0));
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", rate);
    fluid_settings_setint(settings, "synth.polyphony", int(state.range(1)));
    fluid_settings_setint(settings, "synth.reverb.active", int(state.range(2)));
    fluid_settings_setint(settings, "synth.chorus.active", int(state.range(3)));
    fluid_settings_setnum(settings, "synth.gain", tw::sdl::Tune::kGain);
    fluid_synth_t* synth = new_fluid_synth(settings);
    fluid_synth_sfload(synth, kSoundFont, 1);
    const std::string tune = (tw::test::SourceDir() / "pages" / "tintmus.mid").string();
    fluid_player_t* player = new_fluid_player(synth);
    fluid_player_add(player, tune.c_str());
    fluid_player_set_loop(player, -1);
    fluid_player_play(player);
    std::vector<int16_t> block(2 * 1024);
    int voices = 0;
    for (auto _ : state) {
        for (int done = 0; done < 10 * rate; done += 1024) {
            fluid_synth_write_s16(synth, 1024, block.data(), 0, 2, block.data(), 1, 2);
            voices = std::max(voices, fluid_synth_get_active_voice_count(synth));
        }
    }
    state.counters["cpu_per_audio_s"] =
        benchmark::Counter(double(state.iterations()) * 10, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["voices"] = voices;
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
}
BENCHMARK(BM_TuneRender)
    ->ArgNames({"rate", "polyphony", "reverb", "chorus"})
    ->Args({44100, 256, 1, 1})  // SDL_mixer's
    ->Args({44100, tw::sdl::Tune::kPolyphony, tw::sdl::Tune::kReverb, tw::sdl::Tune::kChorus})  // chosen
    ->Args({44100, 32, 0, 0})   // no reverb: the tune asks for some
    ->Args({22050, 32, 1, 0})   // half the rate: less above 8 kHz
    ->Unit(benchmark::kMillisecond);

}  // namespace
