#pragma once

#include <SDL.h>

#include <atomic>

#include "pilot/VarioTone.h"

// The variometer's voice on the sound card. SDL pulls samples from its own
// thread; the flight hands over the climb rate, volume and mute through
// atomics, so neither side ever waits for the other.
class VarioAudio {
public:
    static constexpr int kSampleRate = 44100; // (unit: samples per second)

    VarioAudio() = default;
    ~VarioAudio();
    VarioAudio(const VarioAudio&) = delete;
    VarioAudio& operator=(const VarioAudio&) = delete;

    // False (after a one-line note on standard error) when no sound device
    // opens: the flight goes on silently.
    bool open(const VarioTone::Thresholds& thresholds);
    void setClimb(double climb) { climbRate.store(climb, std::memory_order_relaxed); }
    void setVolume(double volume) { loudness.store(volume, std::memory_order_relaxed); }
    void setMuted(bool muted) { silent.store(muted, std::memory_order_relaxed); }

private:
    static void fill(void* self, Uint8* stream, int bytes);

    SDL_AudioDeviceID device = 0;
    VarioTone tone{kSampleRate};
    std::atomic<double> climbRate{0.0};
    std::atomic<double> loudness{0.6};
    std::atomic<bool> silent{false};
};
