// Opening a document or a web address with the application the desktop
// associates with it. The game never waits for the application and never
// hears of a failure beyond the boolean of open_document.
#pragma once

#include <string>

namespace qora::platform {

// Starts "xdg-open TARGET" (no shell, the target is one argument) in a session
// of its own with stdin, stdout and stderr on /dev/null, and returns at once.
// The opener is reaped in the background, so no zombie remains. Returns false
// when the opener could not be started.
bool open_document(const std::string& target) noexcept;

// Opens the help: the compiled help file chm when it exists and the desktop
// has an application for compiled help, otherwise the HTML copy html. Both
// paths may be relative to the working directory; the opener gets them
// absolute. Blocks for about a second at most (the desktop query).
void open_help(const std::string& chm, const std::string& html) noexcept;

// Whether the desktop names a default application for compiled help files
// (asked with xdg-mime, bounded by budget_ms in all). Used by open_help.
bool has_chm_viewer(int budget_ms = 1000) noexcept;

}  // namespace qora::platform
