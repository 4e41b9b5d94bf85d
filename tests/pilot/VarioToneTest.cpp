// The variometer's voice, rendered to samples and measured as a listener
// would: pitch from zero crossings, beeps from the sound's on and off runs.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/SharedConstants.h"
#include "pilot/VarioTone.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

constexpr int kRate = 44100;

struct Heard {
    double pitch = 0.0;    // (unit: Hz) from zero crossings while sounding
    double beeps = 0.0;    // (unit: per second) starts of sound
    double loudness = 0.0; // largest sample
    double largestJump = 0.0; // between neighbouring samples
};

// Listens to `seconds` of the tone at a steady climb, rendered in uneven
// buffers as a sound card asks for them.
Heard listen(VarioTone& tone, double climb, double seconds) {
    const int total = static_cast<int>(seconds * kRate);
    std::vector<float> samples(static_cast<std::size_t>(total));
    int done = 0;
    for (int size = 331; done < total; size = size == 331 ? 512 : 331) {
        const int count = std::min(size, total - done);
        tone.render(samples.data() + done, count, climb);
        done += count;
    }
    Heard heard;
    int crossings = 0;
    int sounding = 0;
    int starts = 0;
    bool on = false;
    int quiet = 0;
    for (int i = 1; i < total; ++i) {
        const float a = samples[static_cast<std::size_t>(i - 1)];
        const float b = samples[static_cast<std::size_t>(i)];
        heard.loudness = std::max(heard.loudness, static_cast<double>(std::fabs(b)));
        heard.largestJump = std::max(heard.largestJump, static_cast<double>(std::fabs(b - a)));
        const bool loud = std::fabs(b) > 1e-4f;
        quiet = loud ? 0 : quiet + 1;
        if (loud && !on) {
            ++starts;
            on = true;
        } else if (on && quiet > kRate / 200) { // 5 ms of silence ends a beep
            on = false;
        }
        if (loud) {
            ++sounding;
            crossings += (a < 0.0f) != (b < 0.0f) ? 1 : 0;
        }
    }
    heard.pitch = sounding > 0 ? 0.5 * crossings * kRate / sounding : 0.0;
    heard.beeps = starts / seconds;
    return heard;
}

} // namespace

TEST(VarioTone, ClimbBeepsRiseInPitchAndRateWithTheClimb) {
    FloatingPointTraps traps;
    VarioTone tone(kRate);
    const Heard weak = listen(tone, 0.5, 4.0);
    const Heard strong = listen(tone, 3.0, 4.0);
    EXPECT_NEAR(weak.pitch, tone.voiceFor(0.5).frequency, 15.0);
    EXPECT_NEAR(strong.pitch, tone.voiceFor(3.0).frequency, 15.0);
    EXPECT_GT(strong.pitch, weak.pitch + 200.0);
    EXPECT_NEAR(weak.beeps, tone.voiceFor(0.5).beepRate, 0.5);
    EXPECT_GT(strong.beeps, weak.beeps + 2.0);
    EXPECT_LE(tone.voiceFor(50.0).frequency, VarioTone::kMaxFrequency);
    EXPECT_LE(tone.voiceFor(50.0).beepRate, VarioTone::kMaxBeepRate);
}

TEST(VarioTone, SilentBetweenThresholdsAndALowSteadyToneInSink) {
    FloatingPointTraps traps;
    VarioTone tone(kRate);
    listen(tone, 0.0, 0.05); // let any previous sound fade
    EXPECT_EQ(listen(tone, -1.0, 1.0).loudness, 0.0);
    const Heard sink = listen(tone, -4.0, 2.0);
    EXPECT_GT(sink.loudness, 0.1);
    EXPECT_LE(sink.beeps, 0.5 + 0.5); // one start, then it holds
    EXPECT_LT(sink.pitch, listen(tone, 0.2, 2.0).pitch * 0.6);
    EXPECT_GE(tone.voiceFor(-100.0).frequency, VarioTone::kMinFrequency);
}

TEST(VarioTone, ThresholdsMoveWhereBeepingStarts) {
    VarioTone tone(kRate);
    VarioTone::Thresholds thresholds;
    thresholds.climb = 1.0;
    thresholds.sink = -0.5;
    tone.setThresholds(thresholds);
    EXPECT_EQ(tone.voiceFor(0.9).frequency, 0.0);
    EXPECT_GT(tone.voiceFor(1.0).frequency, 0.0);
    EXPECT_EQ(tone.voiceFor(-0.5).frequency, 0.0);
    EXPECT_GT(tone.voiceFor(-0.6).frequency, 0.0);
}

TEST(VarioTone, NoClicksAcrossBuffersOrBeepEdges) {
    FloatingPointTraps traps;
    VarioTone tone(kRate);
    tone.setVolume(1.0);
    // The largest step a full-scale sine at the top pitch takes between
    // samples; a click (a beep switched on or off at once, or a buffer
    // restarting the wave) would jump up to twice the amplitude.
    const double smooth = 2.0 * kPi * VarioTone::kMaxFrequency / kRate * 1.05;
    EXPECT_LE(listen(tone, 8.0, 2.0).largestJump, smooth);
    EXPECT_LE(listen(tone, -6.0, 1.0).largestJump, smooth);
}

TEST(VarioTone, MutedOrNonsenseInputIsSilent) {
    VarioTone tone(kRate);
    tone.setVolume(0.0);
    EXPECT_EQ(listen(tone, 2.0, 0.5).loudness, 0.0);
    tone.setVolume(std::nan(""));
    EXPECT_EQ(tone.volume(), 0.0);
    tone.setVolume(0.5);
    listen(tone, 0.0, 0.05);
    EXPECT_EQ(listen(tone, std::nan(""), 0.5).loudness, 0.0);
}
