// The SDL host's sound: wave effects on one SDL_mixer channel, and the MIDI tune (host/sdl/tune),
// mixed in under them through SDL_mixer's music hook. The audio device opens at the first sound;
// without one every call is a silent no-op.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "host/sdl/tune.h"

struct Mix_Chunk;

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
    static void MixTune(void* self, uint8_t* stream, int bytes);

    std::function<void()> wake_;
    State state_ = State::Closed;
    Mix_Chunk* chunk_ = nullptr;
    Tune tune_;
    std::mutex musicLock_;   // between the audio thread's mixing and the playing's changes
    bool playing_ = false;
    bool atEnd_ = false;     // the end of this pass has been told
    std::atomic<bool> midiEnded_{false};
};

}  // namespace tw::sdl
