#include "pilot/VarioAudio.h"

#include <cstdio>
#include <cstring>

VarioAudio::~VarioAudio() {
    if (device != 0) {
        SDL_CloseAudioDevice(device);
    }
}

bool VarioAudio::open(const VarioTone::Thresholds& thresholds) {
    tone.setThresholds(thresholds);
    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = 1;
    // About 12 ms per buffer: the tone follows the needle without lag.
    want.samples = 512;
    want.callback = &VarioAudio::fill;
    want.userdata = this;
    SDL_AudioSpec have{};
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        std::fprintf(stderr, "glider-pilot: no sound (%s); the variometer is silent\n", SDL_GetError());
        return false;
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void VarioAudio::fill(void* self, Uint8* stream, int bytes) {
    VarioAudio& audio = *static_cast<VarioAudio*>(self);
    float* samples = reinterpret_cast<float*>(stream);
    const int count = bytes / static_cast<int>(sizeof(float));
    audio.tone.setVolume(audio.silent.load(std::memory_order_relaxed) ? 0.0
                                                                       : audio.loudness.load(std::memory_order_relaxed));
    audio.tone.render(samples, count, audio.climbRate.load(std::memory_order_relaxed));
}
