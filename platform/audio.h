// Where the tones of SOUND go: the sound card (SDL), nowhere, or a log that
// tests read. Like the video backend, one backend is in use at a time; the
// caller of a tone waits out its length on the program's clock, so a backend
// only starts the tone and returns.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace qora::platform {

class AudioBackend {
 public:
  virtual ~AudioBackend() = default;
  // A tone of hz hertz for ms milliseconds starts now; returns at once.
  virtual void tone(unsigned hz, unsigned ms) = 0;
};

// The default output through SDL's audio queue; no device: silent, no failure.
std::unique_ptr<AudioBackend> make_sdl_audio();
std::unique_ptr<AudioBackend> make_silent_audio();

// Keeps every tone asked for, with the clock's tick count at its start.
class ToneLog final : public AudioBackend {
 public:
  struct Tone {
    unsigned hz = 0, ms = 0;
    uint32_t at = 0;  // ticks() when the tone started
    bool operator==(const Tone&) const = default;
  };
  void tone(unsigned hz, unsigned ms) override;
  std::vector<Tone> tones() const;
  void clear();

 private:
  mutable std::mutex m_;
  std::vector<Tone> tones_;
};

// The backend in use. Unless one was set: SDL on the real clock, silence on
// the virtual clock (QORA_CLOCK=virtual), where no real time passes.
AudioBackend& audio();
// Installs a backend; returns the one it replaces (nullptr: the default was in use).
std::unique_ptr<AudioBackend> set_audio(std::unique_ptr<AudioBackend> backend);

// SOUND: the tone through the backend in use, then a wait of ms on the clock.
void play_tone(unsigned hz, unsigned ms);

}  // namespace qora::platform
