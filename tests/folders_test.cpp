// The game folder of a start and where the shipped tables and the help are read from.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/datafiles.h"
#include "app/folders.h"
#include "app/globals.h"
#include "support/test_support.h"

namespace qora {
namespace {

namespace fs = std::filesystem;
using test::EnvVar;
using test::write_file;

TEST(Folders, TheGameFolderOfAStart) {
  test::TempDir dir;
  const fs::path root = dir.path(), data = root / "usr/share/qora", start = root / "home/pupil";
  for (const fs::path& p : {data, start, root / "class"}) fs::create_directories(p);
  for (const char* f : {"001", "002"}) write_file(data / f, "x"), write_file(root / "class" / f, "x");
  const std::string in_data = (data / "x/..").string(), below_data = (data / "new").string();

  struct Case {
    fs::path cwd, data;
    const char *qora_home, *xdg, *home;
    fs::path want;  // empty: refused
  };
  const Case cases[] = {
      {start, data, "/school/7b", "/xdg", "/h", "/school/7b"},         // QORA_HOME first
      {start, data, "", "/xdg", "/h", "/xdg/qora"},                    // set but empty: not set
      {start, data, nullptr, "relative", "/h", "/h/.local/share/qora"},  // only absolute XDG paths count
      {start, data, "7b", nullptr, "/h", start / "7b"},                // relative to the start
      {root / "class", data, "/school/7b", nullptr, "/h", root / "class"},  // the tables are here
      {data, data, nullptr, nullptr, "/h", "/h/.local/share/qora"},    // never the data folder itself
      {start, {}, "/school/7b", nullptr, "/h", start},                 // a build tree stays where it is
      {start, data, nullptr, nullptr, nullptr, {}},                    // no home at all
      {start, data, in_data.c_str(), nullptr, "/h", {}},              // QORA_HOME in the data folder
      {start, data, below_data.c_str(), nullptr, "/h", {}},
  };
  for (const Case& c : cases) {
    EnvVar a("QORA_HOME", c.qora_home), b("XDG_DATA_HOME", c.xdg), h("HOME", c.home);
    std::string err;
    const fs::path got = choose_game_folder(c.cwd, c.data, err);
    EXPECT_EQ(got, c.want) << c.cwd << " " << (c.qora_home ? c.qora_home : "-");
    EXPECT_EQ(err.empty(), !c.want.empty()) << err;
  }
}

TEST(Folders, TablesFromTheGameFolderElseTheDataFolder) {
  test::TempDir dir;
  const fs::path data = dir.path() / "share";
  fs::create_directories(data / "help");
  fs::copy_file(test::source_dir() / "data/001", data / "001");
  write_file(data / "002", "shipped\n");
  set_data_folder(data);
  GETELEMENTS();
  GETMSG();
  EXPECT_EQ(MSG[1], "shipped");
  EXPECT_EQ(ELEMENT[0].SYMBOL.str(), "N");
  write_file("002", "own\n");  // a teacher's own message table
  GETMSG();
  EXPECT_EQ(MSG[1], "own");
  EXPECT_EQ(shipped_file("001"), (data / "001").string());
  EXPECT_EQ(help_file("qora.chm"), (data / "qora.chm").string());
  set_data_folder({});
  EXPECT_EQ(shipped_file("001"), "001");
  EXPECT_EQ(help_file("help/index.html"), "help/index.html");
}

}  // namespace
}  // namespace qora
