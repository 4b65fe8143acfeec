// The tune rendered ahead by FluidSynth: the shipped piece played whole from memory, the same
// frames as when it streams through a buffer too small for it, from the start again after a
// rewind in either case, with its end told, and no MIDI file refused.
//
// Built when the test program links the SDL host (TW_SDL_HOST_TESTS defined).
#ifdef TW_SDL_HOST_TESTS

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <thread>
#include <vector>

#include "harness/program.h"
#include "host/sdl/tune.h"

namespace {

using tw::sdl::Tune;

const std::string& ShippedTune() {
    static const std::string path = (tw::test::SourceDir() / "pages" / "tintmus.mid").string();
    return path;
}

// The next `frames` frames as the audio thread gets them, waiting for the renderer as a device
// never would (the test reads far faster than the piece plays). Sets `ended` at the end.
std::vector<int16_t> Next(Tune& tune, int64_t frames, bool& ended) {
    std::vector<int16_t> out(size_t(frames) * 2);
    constexpr int kChunk = 1024;
    for (int64_t done = 0; done < frames && !ended; done += kChunk) {
        const int n = int(std::min<int64_t>(kChunk, frames - done));
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (tune.Available() < n && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ended = tune.Fill(out.data() + done * 2, n);
    }
    return out;
}

std::vector<int16_t> Prefix(const std::vector<int16_t>& pcm, int64_t frames) {
    return std::vector<int16_t>(pcm.begin(), pcm.begin() + frames * 2);
}

TEST(SdlTune, WholeOrStreamedTheSameFramesAndFromTheStartAgain) {
    constexpr int64_t kSecond = Tune::kRate;
    Tune whole;
    Tune streamed(5 * kSecond);  // far shorter than the piece
    if (!whole.Open(ShippedTune())) GTEST_SKIP() << "no General MIDI SoundFont installed";
    ASSERT_TRUE(streamed.Open(ShippedTune()));
    whole.WaitForStart();
    streamed.WaitForStart();

    bool wholeEnded = false, streamedEnded = false;
    std::vector<int16_t> a = Next(whole, 200 * kSecond, wholeEnded);
    std::vector<int16_t> b = Next(streamed, 200 * kSecond, streamedEnded);
    ASSERT_TRUE(wholeEnded) << "the end of the piece was not told";
    ASSERT_TRUE(streamedEnded);
    // The shipped piece lasts a minute and a quarter; the frames after the end are silence.
    size_t last = a.size();
    while (last > 0 && a[last - 1] == 0) --last;
    EXPECT_NEAR(double(last) / 2 / kSecond, 74.5, 1.0);
    EXPECT_EQ(a, b) << "streaming through a small buffer changed the piece";
    const std::vector<int16_t> start = Prefix(a, kSecond);
    int16_t after[2048];
    EXPECT_TRUE(whole.Fill(after, 1024)) << "after its end the piece stays ended";

    // From the start again, played whole: the very same frames.
    whole.Rewind();
    whole.WaitForStart();
    bool ended = false;
    EXPECT_EQ(Next(whole, kSecond, ended), start);
    EXPECT_FALSE(ended);

    // Streamed, its start long overwritten: the piece is rendered again from its start, the same
    // notes at the same times give or take a few milliseconds (the synthesiser's clock has moved
    // on), so loud as before in every twentieth of a second.
    streamed.Rewind();
    streamed.WaitForStart();
    const std::vector<int16_t> again = Next(streamed, kSecond, ended);
    EXPECT_FALSE(ended);
    constexpr size_t kWindow = 2 * kSecond / 20;
    for (size_t w = 0; w + kWindow <= start.size(); w += kWindow) {
        double now = 0, before = 0;
        for (size_t i = w; i < w + kWindow; i++) {
            now += double(again[i]) * again[i];
            before += double(start[i]) * start[i];
        }
        EXPECT_NEAR(std::sqrt(now / kWindow), std::sqrt(before / kWindow), 0.05 * std::sqrt(before / kWindow) + 2)
            << "at " << w / 2 << " frames";
    }
    // A rewind a little way in, while its start is still in the buffer: the same frames again.
    streamed.Rewind();
    streamed.WaitForStart();
    EXPECT_EQ(Next(streamed, kSecond, ended), again);
}

TEST(SdlTune, OnlyAMidiFileOpens) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    Tune tune;
    EXPECT_FALSE(tune.Open((dir / "no-such-tune.mid").string()));
    EXPECT_FALSE(tune.Open((tw::test::SourceDir() / "pages" / "dogwood.TWP").string()));
    EXPECT_FALSE(tune.IsOpen());
}

}  // namespace

#endif  // TW_SDL_HOST_TESTS
