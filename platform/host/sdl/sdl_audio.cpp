// SDL_mixer behind the host's sound calls. The program's thread only ever waits for the audio
// thread's copy of the next frames of the tune; the end of a piece travels back as an atomic flag
// and a wake of the host.
#include "host/sdl/sdl_audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstring>

namespace tw::sdl {

namespace {

constexpr int kEffectChannel = 0;
// Frames the device takes at once: about 46 ms, so that the audio thread wakes 21 times a second.
constexpr int kDeviceFrames = 2048;

}  // namespace

SdlAudio::SdlAudio(std::function<void()> wake) : wake_(std::move(wake)) {}

SdlAudio::~SdlAudio() { Shutdown(); }

bool SdlAudio::EnsureDevice() {
    if (state_ != State::Closed) return state_ == State::Open;
    state_ = State::Failed;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    // Exactly the tune's format: SDL converts for a device that wants another.
    if (Mix_OpenAudioDevice(Tune::kRate, AUDIO_S16SYS, 2, kDeviceFrames, nullptr, 0) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(1);
    Mix_HookMusic(&SdlAudio::MixTune, this);
    state_ = State::Open;
    return true;
}

void SdlAudio::Shutdown() {
    if (state_ == State::Open) {
        Mix_HaltChannel(-1);
        Mix_HookMusic(nullptr, nullptr);
        if (chunk_) Mix_FreeChunk(chunk_);
        chunk_ = nullptr;
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    CloseMidi();
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

void SdlAudio::MixTune(void* self, uint8_t* stream, int bytes) {
    // On the audio thread; the effects are mixed in over the tune afterwards.
    auto* audio = static_cast<SdlAudio*>(self);
    std::lock_guard lock(audio->musicLock_);
    if (!audio->playing_) {
        std::memset(stream, 0, size_t(bytes));
        return;
    }
    if (audio->tune_.Fill(reinterpret_cast<int16_t*>(stream), bytes / 4) && !audio->atEnd_) {
        audio->atEnd_ = true;
        audio->midiEnded_ = true;
        if (audio->wake_) audio->wake_();
    }
}

bool SdlAudio::OpenMidi(const std::string& path) {
    if (!EnsureDevice()) return true;  // no sound on this machine: the tune is silent
    CloseMidi();
    {
        std::lock_guard lock(musicLock_);
        atEnd_ = false;
    }
    return tune_.Open(path);
}

void SdlAudio::PlayMidi() {
    if (!tune_.IsOpen()) return;
    tune_.WaitForStart();
    std::lock_guard lock(musicLock_);
    playing_ = true;
    midiEnded_ = false;
}

void SdlAudio::StopMidi() {
    std::lock_guard lock(musicLock_);
    playing_ = false;
    midiEnded_ = false;
}

void SdlAudio::SeekMidiStart() {
    std::lock_guard lock(musicLock_);
    playing_ = false;
    tune_.Rewind();
    atEnd_ = false;
    // An end that came just before is overtaken by the seek.
    midiEnded_ = false;
}

void SdlAudio::CloseMidi() {
    {
        std::lock_guard lock(musicLock_);
        playing_ = false;
        midiEnded_ = false;
    }
    tune_.Close();
}

}  // namespace tw::sdl
