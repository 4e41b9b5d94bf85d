#include "pilot/VarioTone.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr double kEnvelopeSeconds = 0.004; // (unit: s) rise and fall of each beep
} // namespace

VarioTone::VarioTone(int sampleRate) : rate(static_cast<double>(sampleRate > 0 ? sampleRate : 1)) {}

void VarioTone::setVolume(double value) { gain = std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; }

VarioTone::Voice VarioTone::voiceFor(double climb) const {
    Voice voice;
    if (!std::isfinite(climb)) {
        voice.frequency = 0.0;
        return voice;
    }
    if (climb >= thresholds.climb) {
        const double above = climb - thresholds.climb;
        voice.frequency = std::min(kClimbBaseFrequency + kClimbFrequencyPerMps * above, kMaxFrequency);
        voice.beepRate = std::min(kBaseBeepRate + kBeepRatePerMps * above, kMaxBeepRate);
        voice.duty = 0.5;
    } else if (climb < thresholds.sink) {
        const double below = thresholds.sink - climb;
        voice.frequency = std::max(kSinkBaseFrequency - kSinkFrequencyPerMps * below, kMinFrequency);
    }
    return voice;
}

void VarioTone::render(float* samples, int count, double climb) {
    const Voice voice = voiceFor(climb);
    const double envelopeStep = 1.0 / (kEnvelopeSeconds * rate);
    for (int i = 0; i < count; ++i) {
        bool on = voice.frequency > 0.0;
        if (on && voice.beepRate > 0.0) {
            on = beepPhase < voice.duty;
            beepPhase += voice.beepRate / rate;
            beepPhase -= std::floor(beepPhase);
        }
        envelope = on ? std::min(1.0, envelope + envelopeStep) : std::max(0.0, envelope - envelopeStep);
        if (voice.frequency > 0.0) {
            phase += voice.frequency / rate;
            phase -= std::floor(phase);
        }
        samples[i] = static_cast<float>(gain * envelope * std::sin(kTwoPi * phase));
    }
}
