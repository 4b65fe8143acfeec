// SDL_mixer behind the host's sound calls. The program's thread only ever waits for SDL_mixer's
// audio lock; the end of a piece travels back as an atomic flag and a wake of the host.
#include "host/sdl/sdl_audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdlib>
#include <sys/stat.h>

namespace tw::sdl {

namespace {

constexpr int kEffectChannel = 0;
constexpr const char* kSoundFonts[] = {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2"};

// The one SdlAudio that has the device (SDL_mixer's hook takes no context).
std::atomic<SdlAudio*> g_owner{nullptr};

bool IsFile(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

SdlAudio::SdlAudio(std::function<void()> wake) : wake_(std::move(wake)) {}

SdlAudio::~SdlAudio() { Shutdown(); }

bool SdlAudio::EnsureDevice() {
    if (state_ != State::Closed) return state_ == State::Open;
    state_ = State::Failed;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(1);
    // The tune's instruments: the General MIDI SoundFont, unless the user names others.
    if (!std::getenv("SDL_SOUNDFONTS")) {
        for (const char* font : kSoundFonts) {
            if (IsFile(font)) {
                Mix_SetSoundFonts(font);
                break;
            }
        }
    }
    Mix_Init(MIX_INIT_MID);
    g_owner = this;
    Mix_HookMusicFinished(&SdlAudio::MusicFinished);
    state_ = State::Open;
    return true;
}

void SdlAudio::Shutdown() {
    if (state_ == State::Open) {
        Mix_HaltChannel(-1);
        CloseMidi();
        Mix_HookMusicFinished(nullptr);
        if (chunk_) Mix_FreeChunk(chunk_);
        chunk_ = nullptr;
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SdlAudio* self = this;
        g_owner.compare_exchange_strong(self, nullptr);
    }
    state_ = State::Closed;
}

// --- effects ---

void SdlAudio::PlayWave(const void* riff, size_t bytes, bool loop) {
    if (!EnsureDevice()) return;
    // Converted to the device's format here, so the caller's image is not needed afterwards.
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(riff, static_cast<int>(bytes)), 1);
    // The old chunk is freed only once its channel has stopped (the halt is synchronous).
    Mix_HaltChannel(kEffectChannel);
    if (chunk_) Mix_FreeChunk(chunk_);
    chunk_ = chunk;
    if (chunk_) Mix_PlayChannel(kEffectChannel, chunk_, loop ? -1 : 0);
}

void SdlAudio::StopWave() {
    if (state_ != State::Open) return;
    Mix_HaltChannel(kEffectChannel);
}

// --- music ---

void SdlAudio::MusicFinished() {
    // On the audio thread (or inside Mix_HaltMusic on the program's): only flags and a wake.
    SdlAudio* self = g_owner.load();
    if (!self || self->halting_) return;
    self->midiEnded_ = true;
    if (self->wake_) self->wake_();
}

void SdlAudio::HaltMusic() {
    halting_ = true;
    Mix_HaltMusic();
    halting_ = false;
    paused_ = false;
    // An end that came just before is overtaken by the halt.
    midiEnded_ = false;
}

bool SdlAudio::OpenMidi(const std::string& path) {
    if (!EnsureDevice()) return true;  // no sound on this machine: the tune is silent
    CloseMidi();
    music_ = Mix_LoadMUS(path.c_str());
    return music_ != nullptr;
}

void SdlAudio::PlayMidi() {
    if (!music_) return;
    midiEnded_ = false;
    if (paused_ && Mix_PlayingMusic()) {
        Mix_ResumeMusic();
    } else {
        Mix_PlayMusic(music_, 0);
    }
    paused_ = false;
}

void SdlAudio::StopMidi() {
    if (!music_) return;
    Mix_PauseMusic();
    paused_ = true;
    midiEnded_ = false;
}

void SdlAudio::SeekMidiStart() {
    if (music_) HaltMusic();
}

void SdlAudio::CloseMidi() {
    if (!music_) return;
    HaltMusic();
    Mix_FreeMusic(music_);
    music_ = nullptr;
}

}  // namespace tw::sdl
