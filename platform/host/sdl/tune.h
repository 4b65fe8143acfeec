// The tune: a MIDI piece rendered by FluidSynth with the system's General MIDI SoundFont into
// memory ahead of its playing, on a thread of its own at a low priority. A piece that fits in
// the buffer (the shipped one does, with room to spare) is rendered once and played from memory
// at every repeat, so that the synthesiser costs nothing after the first second or so; a longer
// one keeps being rendered ahead as it plays. The output is 44.1 kHz 16-bit stereo.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tw::sdl {

// Starts loading the SoundFont on a thread of its own, so that it is ready when the program
// opens its tune; the process entry calls it before the window is made. When the tune will not be
// played after all, CancelSoundFontPreload lets the load end and be freed without waiting for it.
void PreloadSoundFont();
void CancelSoundFontPreload();

class Tune {
public:
    static constexpr int kRate = 44100;
    // The settings, chosen by measurement (bench/tune_bench.cpp): the shipped tune sounds 21
    // voices at the most; it sends nothing to the chorus, whose output is silence (so leaving it
    // out changes no sample); its reverb is part of its sound and stays.
    static constexpr int kPolyphony = 32;
    static constexpr bool kReverb = true;
    static constexpr bool kChorus = false;
    // As loud as SDL_mixer plays a MIDI piece at its full volume (FluidSynth's own default is 0.2).
    static constexpr double kGain = 1.2;
    // A piece up to this long is kept whole once rendered (16 MB at the most).
    static constexpr int64_t kKeptFrames = int64_t(kRate) * 90;

    // `keptFrames`: the buffer's size (a test gives a small one, so that a piece does not fit).
    explicit Tune(int64_t keptFrames = kKeptFrames);
    ~Tune() { Close(); }
    Tune(const Tune&) = delete;
    Tune& operator=(const Tune&) = delete;

    // Reads the piece and starts rendering it from its start; false when it is not a MIDI file
    // or there is no SoundFont to play it with.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return producer_.joinable(); }
    // Waits (up to a few seconds) until the start of the piece is rendered, so that the tune
    // sounds from the moment it is played.
    void WaitForStart();
    // Back to the start of the piece.
    void Rewind();
    // On the audio thread: the next frames of the piece (interleaved stereo), silence after its
    // end. True once the end has been reached.
    bool Fill(int16_t* out, int frames);
    // Frames rendered and not yet played.
    int64_t Available() const { return written_ - read_; }

private:
    void Produce();
    bool RenderBlock();
    bool Restart();

    const int64_t ringFrames_;
    std::vector<char> midi_;
    std::unique_ptr<int16_t[]> pcm_;  // kKeptFrames stereo frames, used as a ring
    std::thread producer_;

    std::mutex lock_;  // the positions, between Fill, Rewind and the producer's restarts
    std::condition_variable rendered_;
    std::atomic<int64_t> written_{0};  // frames rendered so far
    std::atomic<int64_t> read_{0};     // frames played so far
    std::atomic<int64_t> end_{-1};     // frames in the whole piece, once known
    std::atomic<bool> restart_{false};
    std::atomic<bool> stop_{false};
};

}  // namespace tw::sdl
