// Where the game works and where its shipped files lie.
//
// The game opens its files by bare name in its working folder, the game
// folder. Run from a folder that holds the element and message tables (the
// play folder of a build, or a class's own copy), that folder is the game
// folder. An installed game started elsewhere (from the desktop menu, in the
// home folder) works in $QORA_HOME, else in $XDG_DATA_HOME/qora, else in
// ~/.local/share/qora (on Windows %APPDATA%\Qora), and reads the tables and the help from its data
// folder, share/qora beside the bin/ it runs from, unless the game folder
// holds tables of its own. The data folder is never written.
#pragma once

#include <filesystem>
#include <string>

namespace qora {

// The data folder of an installed program: share/qora beside the bin/ folder
// the running program lies in on Linux, the program's own folder on Windows
// (found from the program's file as the system tells it, so a moved or
// unpacked install works too). Empty when there is no such folder (a build
// tree).
std::filesystem::path installed_data_folder();

// Whether folder holds the element table "001" and the message table "002".
bool holds_tables(const std::filesystem::path& folder);

// The game folder of a start in cwd with the given data folder (empty when
// not installed): cwd when it holds the tables and is not the data folder;
// else, for an installed program, the folder named by the environment; else
// cwd. Empty, with the reason in err, when the environment names none (no
// home folder) or names the data folder itself.
std::filesystem::path choose_game_folder(const std::filesystem::path& cwd,
                                         const std::filesystem::path& data, std::string& err);

// Start-up: chooses the game folder for this program, creates it when missing
// and makes it the working folder; remembers the data folder for shipped_file
// and help_file. False with a one-line reason in err when the folder cannot
// be named, created or entered.
bool enter_game_folder(std::string& err);

// The line that follows the message of a missing element or message table:
// where the shipped files of a build tree are and how to start the game
// there, or, elsewhere, how to start it at all.
std::string missing_tables_hint();

// The folder of the running program (empty when it cannot be told).
std::filesystem::path program_folder();

// Where the records tool finds a shipped table (name) for a base file: the
// current folder, beside the base, beside the program or in its play folder
// (a build tree), the installed data folder. Empty when none holds it.
std::string find_table(const std::string& name, const std::string& base_path);

// The data folder this run reads shipped files from (empty: the game folder).
void set_data_folder(const std::filesystem::path& data);

// The path to read a shipped table by: its bare name when the working folder
// holds it (a teacher's own table), else the copy in the data folder.
std::string shipped_file(const std::string& name);

// The path of a part of the help: in the data folder when there is one,
// else the bare name in the working folder.
std::string help_file(const std::string& name);

}  // namespace qora
