#pragma once

// The audible variometer's voice, as a pure sound generator: no device, no
// threads, so what a pilot hears can be checked sample by sample.
//
// Climbing at or above the climb threshold: beeps whose pitch and rate rise
// with the climb. Between the thresholds: silence. Sinking faster than the
// sink threshold: a continuous low tone that drops as the sink grows.
class VarioTone {
public:
    struct Thresholds {
        double climb = 0.1; // (unit: m/s) beeping starts at this climb
        double sink = -2.0; // (unit: m/s) the sink tone starts below this
    };

    // What is heard at one climb rate.
    struct Voice {
        double frequency = 0.0; // (unit: Hz) 0 when silent
        double beepRate = 0.0;  // (unit: beeps per second) 0 for a continuous tone
        double duty = 1.0;      // fraction of each beep period that sounds
    };

    static constexpr double kClimbBaseFrequency = 700.0;  // (unit: Hz) at the climb threshold
    static constexpr double kClimbFrequencyPerMps = 120.0; // (unit: Hz per m/s)
    static constexpr double kMaxFrequency = 1800.0;        // (unit: Hz)
    static constexpr double kBaseBeepRate = 1.5;           // (unit: beeps per second)
    static constexpr double kBeepRatePerMps = 1.2;         // (unit: beeps per second per m/s)
    static constexpr double kMaxBeepRate = 9.0;            // (unit: beeps per second)
    static constexpr double kSinkBaseFrequency = 320.0;    // (unit: Hz) at the sink threshold
    static constexpr double kSinkFrequencyPerMps = 30.0;   // (unit: Hz per m/s of extra sink)
    static constexpr double kMinFrequency = 150.0;         // (unit: Hz)

    explicit VarioTone(int sampleRate);

    Voice voiceFor(double climb) const;

    void setThresholds(const Thresholds& value) { thresholds = value; }
    const Thresholds& currentThresholds() const { return thresholds; }
    // 0 (mute) to 1.
    void setVolume(double value);
    double volume() const { return gain; }

    // Writes `count` mono samples in [-1, 1] for the given climb (unit: m/s),
    // continuing the waveform and the beep rhythm of the previous call so
    // that successive buffers join without clicks.
    void render(float* samples, int count, double climb);

private:
    Thresholds thresholds;
    double rate;          // (unit: samples per second)
    double gain = 0.6;
    double phase = 0.0;     // of the carrier, in cycles [0, 1)
    double beepPhase = 0.0; // of the beep rhythm, in periods [0, 1)
    double envelope = 0.0;  // smoothed on/off, so beeps start and stop without clicks
};
