#include "state/folders.h"

#include <system_error>
#include <vector>

#include "platform/paths.h"
#include "state/globals.h"

namespace qora {

namespace fs = std::filesystem;

namespace {

fs::path g_data;

// A path named in UTF-8 text (the environment's), whatever the system's own
// encoding of paths.
fs::path utf8_path(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

// Whether inner is outer or lies inside it, both taken with their links
// resolved as far as they exist.
bool lies_within(const fs::path& inner, const fs::path& outer) {
  std::error_code ec;
  const fs::path i = fs::weakly_canonical(inner, ec);
  if (ec) return false;
  const fs::path o = fs::weakly_canonical(outer, ec);
  if (ec) return false;
  auto a = i.begin();
  for (auto b = o.begin(); b != o.end(); ++a, ++b) {
    if (b->empty()) continue;  // the trailing slash of a folder name
    if (a == i.end() || *a != *b) return false;
  }
  return true;
}

}  // namespace

fs::path program_folder() { return platform::program_file().parent_path(); }

fs::path installed_data_folder() {
  const fs::path bin = program_folder();
  if (bin.empty()) return {};
  std::error_code ec;
  const fs::path data = platform::shipped_files_of(bin);
  // Where the shipped files lie beside the program, the program's folder
  // counts only when it holds them (a build folder keeps them in play/).
  if (data == bin) return holds_tables(bin) ? data : fs::path();
  return fs::is_directory(data, ec) ? data : fs::path();
}

std::string find_table(const std::string& name, const std::string& base_path) {
  std::vector<fs::path> places = {name, fs::path(base_path).parent_path() / name};
  if (const fs::path bin = program_folder(); !bin.empty()) {
    places.push_back(bin / name);
    places.push_back(bin / "play" / name);
  }
  if (const fs::path data = installed_data_folder(); !data.empty()) places.push_back(data / name);
  std::error_code ec;
  for (const fs::path& p : places)
    if (fs::is_regular_file(p, ec)) return p.string();
  return {};
}

bool holds_tables(const fs::path& folder) {
  std::error_code ec;
  return fs::is_regular_file(folder / ELFN, ec) && fs::is_regular_file(folder / MSGFN, ec);
}

fs::path choose_game_folder(const fs::path& cwd, const fs::path& data, std::string& err) {
  if (holds_tables(cwd) && (data.empty() || !lies_within(cwd, data))) return cwd;
  if (data.empty()) return cwd;  // a build tree: its play folder is the one to start in
  fs::path game;
  if (const std::string home = platform::env("QORA_HOME"); !home.empty()) {
    // A relative name is taken from the folder of the start; a name from the
    // root on (a share's \\server\class too) stands as it is.
    const fs::path named = utf8_path(home);
    game = named.has_root_directory() ? named : cwd / named;
  } else {
    game = platform::user_game_folder(err);
    if (game.empty()) return {};
  }
  // A share's name (two separators first) is left as written: normalising
  // would merge its separators.
  const std::string named = game.string();
  const bool share = named.size() > 1 && (named[0] == '/' || named[0] == '\\') && named[1] == named[0];
  if (!share) game = game.lexically_normal();
  if (lies_within(game, data)) {
    err = "the game folder " + game.string() + " lies in the installed data folder " + data.string() +
          ", which is never written; set QORA_HOME to another folder";
    return {};
  }
  return game;
}

bool enter_game_folder(std::string& err) {
  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  const fs::path data = installed_data_folder();
  const fs::path game = choose_game_folder(cwd, data, err);
  if (game.empty()) return false;
  set_data_folder(data);
  if (game == cwd) return true;
  fs::create_directories(game, ec);
  if (!ec) fs::current_path(game, ec);
  if (ec) {
    err = "cannot use the game folder " + game.string() + ": " + ec.message();
    return false;
  }
  return true;
}

std::string missing_tables_hint() {
  // A build tree keeps the shipped files in its play folder, beside the program.
  const fs::path exe = platform::program_file();
  const fs::path play = exe.parent_path() / "play";
  if (!exe.empty() && holds_tables(play))
    return "qora: the game's files are in " + play.string() + ": start it there (cd " + play.string() +
           " && ../" + exe.filename().string() + "), or with scripts/play from the sources";
  return "qora: start the game in a folder that holds its files " + std::string(ELFN) + " and " +
         std::string(MSGFN) + " (from the sources: scripts/play)";
}

void set_data_folder(const fs::path& data) { g_data = data; }

std::string shipped_file(const std::string& name) {
  std::error_code ec;
  if (g_data.empty() || fs::exists(name, ec)) return name;
  return (g_data / name).string();
}

std::string help_file(const std::string& name) {
  return g_data.empty() ? name : (g_data / name).string();
}

}  // namespace qora
