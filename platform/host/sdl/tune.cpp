// The tune's synthesiser (its SoundFont loaded ahead when the process entry asks), and the
// thread that renders the piece into the buffer the audio thread plays from.
#include "host/sdl/tune.h"

#include <fluidsynth.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <iterator>

namespace tw::sdl {

namespace {

constexpr int kBlockFrames = 1024;
// How much is rendered before the tune plays: more than the audio device takes at once.
constexpr int64_t kStartFrames = 8 * kBlockFrames;
constexpr const char* kSoundFonts[] = {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2"};

struct Synth {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    Synth() = default;
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;
    ~Synth() {
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

bool IsFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Once the start of the tune is there, the rest of its rendering gives way to the program's own
// thread whenever both want the processor.
void Background() { ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10); }

// The synthesiser with the SoundFonts SDL_SOUNDFONTS names (separated by ';', as SDL_mixer reads
// it), else the General MIDI SoundFont this host names. Null when there is none to load.
std::unique_ptr<Synth> LoadSynth() {
    auto s = std::make_unique<Synth>();
    s->settings = new_fluid_settings();
    if (!s->settings) return nullptr;
    fluid_settings_setnum(s->settings, "synth.sample-rate", Tune::kRate);
    fluid_settings_setint(s->settings, "synth.polyphony", Tune::kPolyphony);
    fluid_settings_setint(s->settings, "synth.reverb.active", Tune::kReverb);
    fluid_settings_setint(s->settings, "synth.chorus.active", Tune::kChorus);
    fluid_settings_setnum(s->settings, "synth.gain", Tune::kGain);
    // Only the samples of the instruments the piece picks are read, as it picks them (on the
    // rendering thread): the load before the first screen is half as long, and smaller.
    fluid_settings_setint(s->settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(s->settings, "synth.lock-memory", 0);
    s->synth = new_fluid_synth(s->settings);
    if (!s->synth) return nullptr;
    if (const char* named = std::getenv("SDL_SOUNDFONTS"); named && *named) {
        std::string list = named;
        for (size_t at = 0; at <= list.size();) {
            size_t end = std::min(list.find(';', at), list.size());
            std::string font = list.substr(at, end - at);
            if (IsFile(font)) fluid_synth_sfload(s->synth, font.c_str(), 1);
            at = end + 1;
        }
    } else {
        for (const char* font : kSoundFonts) {
            if (IsFile(font) && fluid_synth_sfload(s->synth, font, 1) != FLUID_FAILED) break;
        }
    }
    if (fluid_synth_sfcount(s->synth) == 0) return nullptr;
    return s;
}

std::mutex g_preloadLock;
std::future<std::unique_ptr<Synth>> g_preload;
// A preload nobody wants any more finishes here and is freed; the thread is joined at exit.
struct Dropped {
    std::thread thread;
    ~Dropped() {
        if (thread.joinable()) thread.join();
    }
} g_dropped;

std::unique_ptr<Synth> TakeSynth() {
    std::unique_lock lock(g_preloadLock);
    if (g_preload.valid()) return g_preload.get();
    lock.unlock();
    return LoadSynth();
}

fluid_player_t* NewPlayer(fluid_synth_t* synth, const std::vector<char>& midi) {
    fluid_player_t* player = new_fluid_player(synth);
    if (player && (fluid_player_add_mem(player, midi.data(), midi.size()) != FLUID_OK ||
                   fluid_player_play(player) != FLUID_OK)) {
        delete_fluid_player(player);
        player = nullptr;
    }
    return player;
}

}  // namespace

void PreloadSoundFont() {
    std::lock_guard lock(g_preloadLock);
    if (g_preload.valid()) return;
    g_preload = std::async(std::launch::async, LoadSynth);
}

void CancelSoundFontPreload() {
    std::lock_guard lock(g_preloadLock);
    if (!g_preload.valid() || g_dropped.thread.joinable()) return;
    g_dropped.thread = std::thread([preload = std::move(g_preload)]() mutable { preload.get(); });
}

// The buffer holds whole blocks.
Tune::Tune(int64_t keptFrames) : ringFrames_(std::max<int64_t>(keptFrames / kBlockFrames, 2) * kBlockFrames) {}

bool Tune::Open(const std::string& path) {
    Close();
    if (!IsFile(path) || !fluid_is_midifile(path.c_str())) return false;
    std::ifstream in(path, std::ios::binary);
    midi_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (midi_.empty()) return false;
    std::unique_ptr<Synth> synth = TakeSynth();
    if (!synth) return false;
    // Not cleared: only what is rendered is ever read, and pages never written stay unused.
    pcm_.reset(new int16_t[ringFrames_ * 2]);
    written_ = 0;
    read_ = 0;
    end_ = -1;
    restart_ = false;
    stop_ = false;
    producer_ = std::thread([this, synth = std::move(synth)]() mutable {
        fluid_player_t* player = NewPlayer(synth->synth, midi_);
        while (player && !stop_) {
            if (restart_) {
                // From the start again: the piece did not fit, so it is rendered once more.
                std::lock_guard lock(lock_);
                delete_fluid_player(player);
                fluid_synth_system_reset(synth->synth);
                player = NewPlayer(synth->synth, midi_);
                written_ = 0;
                read_ = 0;
                end_ = -1;
                restart_ = false;
                continue;
            }
            if (end_ >= 0 || written_ - read_ > ringFrames_ - kBlockFrames) {
                // Played up to here, or the buffer is full: wait for the audio thread to use it.
                std::unique_lock lock(lock_);
                rendered_.wait_for(lock, std::chrono::milliseconds(50));
                continue;
            }
            int16_t* at = pcm_.get() + (written_ % ringFrames_) * 2;
            fluid_synth_write_s16(synth->synth, kBlockFrames, at, 0, 2, at, 1, 2);
            written_ += kBlockFrames;
            if (written_ == kStartFrames) Background();
            const bool done = fluid_player_get_status(player) == FLUID_PLAYER_DONE;
            if (done) end_ = written_.load();
            rendered_.notify_all();
            // All of it is in the buffer: it plays from there at every repeat, and the synthesiser
            // and its SoundFont go.
            if (done && written_ <= ringFrames_) break;
        }
        if (player) delete_fluid_player(player);
        stop_ = true;
        rendered_.notify_all();
    });
    return true;
}

void Tune::Close() {
    if (!producer_.joinable()) return;
    stop_ = true;
    rendered_.notify_all();
    producer_.join();
    std::lock_guard lock(lock_);
    pcm_.reset();
    midi_.clear();
}

void Tune::WaitForStart() {
    std::unique_lock lock(lock_);
    rendered_.wait_for(lock, std::chrono::seconds(3),
                       [this] { return written_ - read_ >= kStartFrames || end_ >= 0 || stop_; });
}

void Tune::Rewind() {
    std::lock_guard lock(lock_);
    // While the start of the piece is still in the buffer (always, for a piece that fits), it
    // plays from there.
    if (written_ <= ringFrames_ && !restart_) {
        read_ = 0;
        return;
    }
    // Otherwise the producer starts the piece again; until then there is nothing to play.
    read_ = written_.load();
    restart_ = true;
    rendered_.notify_all();
}

bool Tune::Fill(int16_t* out, int frames) {
    std::lock_guard lock(lock_);
    const int64_t read = read_;
    const int64_t ready = restart_ || !pcm_ ? read : written_.load();
    const int64_t n = std::clamp<int64_t>(ready - read, 0, frames);
    for (int64_t done = 0; done < n;) {
        const int64_t at = (read + done) % ringFrames_;
        const int64_t run = std::min(n - done, ringFrames_ - at);
        std::memcpy(out + done * 2, pcm_.get() + at * 2, size_t(run) * 4);
        done += run;
    }
    std::memset(out + n * 2, 0, size_t(frames - n) * 4);
    read_ = read + n;
    if (n) rendered_.notify_all();  // room for the producer
    return !restart_ && end_ >= 0 && read_ >= end_;
}

}  // namespace tw::sdl
