// The audio backend in use, the silent backend and the tone log.
#include "platform/audio.h"

#include "platform/clock.h"

namespace qora::platform {

namespace {

class SilentAudio final : public AudioBackend {
 public:
  void tone(unsigned, unsigned) override {}
};

struct Slot {
  std::mutex m;
  std::unique_ptr<AudioBackend> backend;
};

Slot& slot() {
  static Slot s;
  return s;
}

}  // namespace

std::unique_ptr<AudioBackend> make_silent_audio() { return std::make_unique<SilentAudio>(); }

void ToneLog::tone(unsigned hz, unsigned ms) {
  const uint32_t at = ticks();
  std::lock_guard<std::mutex> g(m_);
  tones_.push_back(Tone{hz, ms, at});
}

std::vector<ToneLog::Tone> ToneLog::tones() const {
  std::lock_guard<std::mutex> g(m_);
  return tones_;
}

void ToneLog::clear() {
  std::lock_guard<std::mutex> g(m_);
  tones_.clear();
}

AudioBackend& audio() {
  Slot& s = slot();
  std::lock_guard<std::mutex> g(s.m);
  if (!s.backend) s.backend = clock().is_virtual() ? make_silent_audio() : make_sdl_audio();
  return *s.backend;
}

std::unique_ptr<AudioBackend> set_audio(std::unique_ptr<AudioBackend> backend) {
  Slot& s = slot();
  std::lock_guard<std::mutex> g(s.m);
  std::swap(s.backend, backend);
  return backend;
}

void play_tone(unsigned hz, unsigned ms) {
  audio().tone(hz, ms);
  sleep_ms(ms);
}

}  // namespace qora::platform
