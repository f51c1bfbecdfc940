#include "app/startup.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "game/menu.h"
#include "platform/record.h"
#include "platform/script.h"
#include "screens/groups.h"
#include "screens/window.h"
#include "state/datafiles.h"
#include "state/fatal.h"
#include "state/folders.h"
#include "state/geometry.h"
#include "state/globals.h"
#include "state/settings.h"
#include "tasks/scorefiles.h"

namespace qora {

namespace {

// Argument n of the command line, or the empty text when it is missing.
std::string_view argument(int argc, char** argv, int n) {
  return (n < argc && argv && argv[n]) ? std::string_view(argv[n]) : std::string_view();
}

// A switch given as the first or the second argument, compared as a whole text.
bool given(int argc, char** argv, std::string_view lower, std::string_view upper) {
  const std::string_view a1 = argument(argc, argv, 1), a2 = argument(argc, argv, 2);
  return a1 == lower || a1 == upper || a2 == lower || a2 == upper;
}

// The options of the command line that change what the program does ("f",
// "s", "g"), as a recorded session names them: each one given, lower case,
// one blank apart, in that order.
std::string start_options(int argc, char** argv) {
  std::string out;
  for (const char* o : {"f", "s", "g"}) {
    const char upper[2] = {char(*o - 'a' + 'A'), 0};
    if (!given(argc, argv, o, upper)) continue;
    if (!out.empty()) out += ' ';
    out += o;
  }
  return out;
}

}  // namespace

void ALLINIT(int argc, char** argv) {
  // A data file that turns out unusable, now or later, ends the program here.
  SET_FATAL_HANDLER(EXITQORA);

  // Scripted input (QORA_SCRIPT) is read and checked first, before any window
  // or thread exists and from the folder the program was started in: a bad
  // script stops the program here.
  if (std::string err; !platform::script_load(err)) {
    std::fprintf(stderr, "qora: %s\n", err.c_str());
    std::fflush(stderr);
    std::exit(2);
  }
  // A recorded session replays only as it was started: another option skips
  // other pauses or opens the group editor, and the replay would go astray.
  const std::string options = start_options(argc, argv);
  if (std::string recorded; platform::script_options(recorded) && recorded != options) {
    std::fprintf(stderr, "qora: the input script was recorded as \"qora%s%s\"; replay it with the same options\n",
                 recorded.empty() ? "" : " ", recorded.c_str());
    std::fflush(stderr);
    std::exit(2);
  }
  // So is the recording of the session (QORA_RECORD), whose clock every
  // later reading of the time comes from.
  if (std::string err; !platform::record_load(err, options)) {
    std::fprintf(stderr, "qora: %s\n", err.c_str());
    std::fflush(stderr);
    std::exit(2);
  }

  // 1. Every file is opened by its bare name in the working directory, the
  //    game folder: the folder of the start when it holds the tables, else
  //    (an installed game) the per-user or per-class folder, made when
  //    missing. A folder that cannot be made or entered ends the start.
  if (std::string err; !enter_game_folder(err)) {
    std::fprintf(stderr, "qora: %s\n", err.c_str());
    std::fflush(stderr);
    std::exit(1);
  }

  // 2. Start values of the settings.
  G_ISCREENRESOLUTION = 4;
  SOUNDOK = false;

  // 3. The settings object reads the settings (nothing is stored between runs).
  {
    TAppSettings settings;
    settings.LOADSETTINGS();
  }

  // 4. Command line: "f"/"F" as the first or second argument skips the pauses,
  //    "s"/"S" leaves the sound off ("g"/"G" is taken by run()).
  if (given(argc, argv, "f", "F")) {
    READTIME = 0;
    READHELP = 0;
  } else {
    READTIME = 100;
    READHELP = 100;
  }
  if (given(argc, argv, "s", "S")) SOUNDOK = false;

  // 5. The data files; a missing or unusable element or message file ends the
  //    program here, before any window opens.
  GETELEMENTS();
  GETMSG();
  GETGRUP();
  //    Results that games left waiting in this folder (a game that could not
  //    get the lock in time leaves its own) go into their tables now.
  scorefiles::merge_pending(".");

  // 6. The graphics window with its colours, geometry, fonts and pictures.
  //    Without a window there is nothing to play on: say why and stop rather
  //    than poll a window that does not exist.
  std::string why;
  if (!INITGRAPHWITHVARIBLES(&why)) {
    std::fprintf(stderr, "qora: cannot open the graphics window: %s\n", why.c_str());
    std::fflush(stderr);
    std::exit(1);
  }
}

void ALLDONE() {
  DONEGRAPHWITHVARIBLES();
  // The last chance for results this game still holds or left pending. What
  // it still holds in memory (the folder took not even a pending file) goes
  // with the game: say so rather than lose it silently.
  scorefiles::merge_pending(".");
  if (const size_t n = scorefiles::unsaved_count(); n > 0)
    std::fprintf(stderr, "qora: %zu result(s) of this game could not be saved: the game folder takes no files\n", n);
}

[[noreturn]] void EXITQORA(const std::string& exitmsg) {
  std::fprintf(stderr, "%s\n", exitmsg.c_str());
  std::fflush(stderr);
  std::exit(1);
}

int run(int argc, char** argv) {
  ALLINIT(argc, argv);
  // "g"/"G" as the first or second argument: the teacher's way to the group
  // editor, whose menu item is hidden. The menu follows, with the groups as
  // the file holds them.
  if (given(argc, argv, "g", "G")) {
    SETGROUPS();
    GETGRUP();
  }
  MAINMENU();
  ALLDONE();
  return 0;
}

}  // namespace qora
