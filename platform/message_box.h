// The platform's message box: a text, a caption and an OK button, shown
// with no owner window until the user closes it.
#pragma once

#include <string>

namespace qora::platform {

// Shows the box (texts in UTF-8) and returns when it is closed. Where no box
// can be shown, and always with QORA_VIDEO=headless so that tests and
// scripted runs never wait for a click, the caption and the text go to
// stderr as one line instead.
void message_box(const std::string& caption, const std::string& text) noexcept;

}  // namespace qora::platform
