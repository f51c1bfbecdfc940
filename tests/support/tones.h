// The tones the game plays, caught in a log for the life of the object
// instead of going to the sound card.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/audio.h"

namespace qora::test {

class Tones {
 public:
  Tones() {
    auto log = std::make_unique<platform::ToneLog>();
    log_ = log.get();
    old_ = platform::set_audio(std::move(log));
  }
  ~Tones() { platform::set_audio(std::move(old_)); }
  Tones(const Tones&) = delete;
  Tones& operator=(const Tones&) = delete;

  // The tones so far, and the log emptied.
  std::vector<platform::ToneLog::Tone> take() {
    auto t = log_->tones();
    log_->clear();
    return t;
  }

 private:
  platform::ToneLog* log_;
  std::unique_ptr<platform::AudioBackend> old_;
};

}  // namespace qora::test
