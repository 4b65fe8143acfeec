// The SDL host's sound: wave effects on one SDL_mixer channel and a MIDI tune through
// SDL_mixer's music player (FluidSynth with the system's General MIDI SoundFont). The audio device
// opens at the first sound; without one every call is a silent no-op.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

struct Mix_Chunk;
typedef struct _Mix_Music Mix_Music;

namespace tw::sdl {

class SdlAudio {
public:
    // `wake` is called from the audio thread when a piece has ended.
    explicit SdlAudio(std::function<void()> wake);
    ~SdlAudio();
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;

    void PlayWave(const void* riff, size_t bytes, bool loop);
    void StopWave();
    bool OpenMidi(const std::string& path);
    void PlayMidi();
    void StopMidi();
    void SeekMidiStart();
    void CloseMidi();
    // True once after a piece has played to its end (stops, seeks and closes never count).
    bool TakeMidiEnded() { return midiEnded_.exchange(false); }
    // Closes the device (the object may open it again).
    void Shutdown();

    bool DeviceOpen() const { return state_ == State::Open; }

private:
    enum class State { Closed, Open, Failed };
    bool EnsureDevice();
    void HaltMusic();
    static void MusicFinished();

    std::function<void()> wake_;
    State state_ = State::Closed;
    Mix_Chunk* chunk_ = nullptr;
    Mix_Music* music_ = nullptr;
    bool paused_ = false;
    std::atomic<bool> halting_{false};
    std::atomic<bool> midiEnded_{false};
};

}  // namespace tw::sdl
