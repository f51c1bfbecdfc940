// The square wave, and the SDL audio backend that queues it on the sound
// card. Without a sound device a tone is silent and never fails.
#include "platform/tone.h"

#include <SDL.h>

#include <mutex>
#include <vector>

#include "platform/audio.h"

namespace qora::platform {

SquareWave::SquareWave(double hz, int sample_rate, int16_t amplitude)
    : step_(sample_rate > 0 ? hz / sample_rate : 0), amplitude_(amplitude),
      silent_(hz < kLowestTone || sample_rate <= 0 || hz * 2 >= sample_rate) {}

void SquareWave::fill(int16_t* out, size_t n) {
  if (silent_) {
    for (size_t i = 0; i < n; ++i) out[i] = 0;
    return;
  }
  for (size_t i = 0; i < n; ++i) {
    out[i] = phase_ < 0.5 ? amplitude_ : int16_t(-amplitude_);
    phase_ += step_;
    if (phase_ >= 1.0) phase_ -= 1.0;
  }
}

namespace {

constexpr int16_t kAmplitude = 6000;  // about a fifth of full scale: clearly audible, not harsh

struct Audio {
  std::once_flag once;
  SDL_AudioDeviceID dev = 0;  // 0: no device
  int rate = 0;
};

Audio& audio() {
  static Audio a;
  return a;
}

// Opens the default output once, on first use; remembers a failure.
SDL_AudioDeviceID audio_device(int& rate) {
  Audio& a = audio();
  std::call_once(a.once, [&a] {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    SDL_AudioSpec want{}, have{};
    want.freq = 48000;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 1024;
    want.callback = nullptr;  // samples are queued
    a.dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (a.dev == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return;
    }
    a.rate = have.freq;
    SDL_PauseAudioDevice(a.dev, 0);
  });
  rate = a.rate;
  return a.dev;
}

class SdlAudio final : public AudioBackend {
 public:
  void tone(unsigned hz, unsigned ms) override {
    if (hz < kLowestTone || ms == 0) return;
    int rate = 0;
    SDL_AudioDeviceID dev = audio_device(rate);
    if (!dev) return;
    std::vector<int16_t> samples(size_t(uint64_t(rate) * ms / 1000));
    SquareWave(hz, rate, kAmplitude).fill(samples.data(), samples.size());
    // A device that has stopped taking samples must not make the queue grow without end.
    if (SDL_GetQueuedAudioSize(dev) > Uint32(rate) * sizeof(int16_t)) SDL_ClearQueuedAudio(dev);
    SDL_QueueAudio(dev, samples.data(), Uint32(samples.size() * sizeof(int16_t)));
  }
};

}  // namespace

std::unique_ptr<AudioBackend> make_sdl_audio() { return std::make_unique<SdlAudio>(); }

}  // namespace qora::platform
