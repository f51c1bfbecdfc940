// The Windows platform layer: the crash-safe files (replacing a file other
// games are reading, claiming a name only when it is free, the folder's lock
// between two holders, the cleanup of temporary files, Windows paths) and the
// game folder named in UTF-16 by the environment or the system.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "state/folders.h"
#include "platform/folderfs.h"
#include "platform/folderlock.h"
#include "platform/paths.h"
#include "platform/safefile.h"
#include "support/test_support.h"

namespace qora {
namespace {

namespace pf = platform;

TEST(SafeFileWin, ReplacesAFileOnceItsReaderLetsGoAndKeepsOneHeldForGood) {
  test::TempDir dir;
  std::string err;
  ASSERT_TRUE(pf::replace_file("t.qora", "old", err)) << err;
  // Windows replaces no file while another program has it open: the
  // replacement waits out a reader (another game reading the table)...
  HANDLE reader = CreateFileW(L"t.qora", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  std::thread let_go([reader] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    CloseHandle(reader);
  });
  EXPECT_TRUE(pf::replace_file("t.qora", "new", err)) << err;
  let_go.join();
  EXPECT_EQ(test::read_file("t.qora"), "new");
  // ...but not one that keeps it: then the old content stays and no
  // temporary file is left.
  HANDLE holder = CreateFileW(L"t.qora", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  bool committed = true;
  EXPECT_FALSE(pf::replace_file("t.qora", "newer", err, &committed));
  EXPECT_FALSE(committed);
  EXPECT_NE(err.find("rename"), std::string::npos) << err;
  CloseHandle(holder);
  EXPECT_EQ(test::read_file("t.qora"), "new");
  EXPECT_TRUE(pf::names_with_prefix(".", ".qora.").empty());
}

TEST(SafeFileWin, PlacesANewNameOnlyWhenFree) {
  test::TempDir dir;
  std::string err;
  ASSERT_TRUE(pf::replace_file("taken", "first", err)) << err;
  for (const char* name : {"taken", "free"}) {
    pf::StagedFile f;
    ASSERT_TRUE(f.write(".", "second", pf::new_file_mode(), pf::StagedFile::Kind::outside_lock, err)) << err;
    const auto placed = f.place_new(name, err);
    EXPECT_EQ(placed, std::string(name) == "taken" ? pf::StagedFile::Place::exists : pf::StagedFile::Place::placed)
        << name << err;
  }
  EXPECT_EQ(test::read_file("taken"), "first");
  EXPECT_EQ(test::read_file("free"), "second");
  EXPECT_TRUE(pf::names_with_prefix(".", ".qora.").empty());
}

TEST(SafeFileWin, FolderLockTakesTurnsAndCleanupSparesHeldTemporaries) {
  test::TempDir dir;
  std::string err;
  pf::FileLock a, b;
  ASSERT_EQ(a.acquire(".", 100, err), pf::FileLock::Status::acquired) << err;
  EXPECT_EQ(b.acquire(".", 50, err), pf::FileLock::Status::busy);
  bool asked = false;
  EXPECT_EQ(b.acquire(".", 5000, err, [&] { return asked = true; }), pf::FileLock::Status::not_needed);
  EXPECT_TRUE(asked);
  a.release();
  ASSERT_EQ(b.acquire(".", 100, err), pf::FileLock::Status::acquired) << err;
  EXPECT_TRUE(b.confirm(err)) << err;
  EXPECT_TRUE(b.local());  // a folder on the computer's own disk

  // A temporary file that a writer holds open and locked stays; one no one
  // holds (its writer was killed) goes.
  pf::fsys::Dir d = pf::fsys::Dir::open(".");
  pf::fsys::File held = d.create_new(".qora.ptmp.1.1.held", 0644);
  ASSERT_TRUE(held.valid() && held.try_lock());
  ASSERT_TRUE(d.create_new(".qora.ptmp.1.2.left", 0644).valid());
  ASSERT_TRUE(d.create_new(".qora.tmp.1.3.left", 0644).valid());
  EXPECT_EQ(held.write("filled", 6), 6);  // a locked file is still written
  pf::remove_stale_temps(".", b);
  EXPECT_EQ(pf::names_with_prefix(".", ".qora.tmp."), std::vector<std::string>{});
  EXPECT_EQ(pf::names_with_prefix(".", ".qora.ptmp."), std::vector<std::string>{".qora.ptmp.1.1.held"});
}

TEST(SafeFileWin, RefusesWhatIsNotAFileAndNamesWindowsReadsAsMore) {
  test::TempDir dir;
  std::string bytes, err;
  EXPECT_EQ(pf::read_whole_file("missing", bytes, err), pf::ReadStatus::missing);
  ASSERT_TRUE(CreateDirectoryW(L"folder", nullptr));
  EXPECT_EQ(pf::read_whole_file("folder", bytes, err), pf::ReadStatus::foreign) << err;
  test::write_file("t.qora", "table");
  // A stream of a file, a device, a name Windows would cut short.
  for (const char* name : {"t.qora:hidden", "NUL", "con.txt", "t.qora.", "COM1"})
    EXPECT_FALSE(pf::fsys::bare_name(name)) << name;
  EXPECT_TRUE(pf::fsys::bare_name("1player.qora"));
  pf::fsys::Dir d = pf::fsys::Dir::open(".");
  EXPECT_FALSE(d.open_file("NUL", pf::fsys::Dir::Access::read).valid());

  struct Case { const char *path, *dir, *name; } const cases[] = {
      {"C:\\Qora\\1player.qora", "C:\\Qora", "1player.qora"},
      {"\\\\server\\class\\Result.qora", "\\\\server\\class", "Result.qora"},
      {"a/b\\c", "a/b", "c"},
      {"Result.qora", ".", "Result.qora"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pf::dir_of(c.path), c.dir) << c.path;
    EXPECT_EQ(pf::name_of(c.path), c.name) << c.path;
  }
  EXPECT_EQ(pf::in_dir("C:\\", "x"), "C:\\x");
}

TEST(PathsWin, GameFolderNamedInUtf16) {
  namespace fs = std::filesystem;
  const wchar_t* share = L"\\\\server\\Химия\\7А";
  const fs::path installed = L"C:\\Program Files\\Qora";
  std::string err;
  {
    test::EnvVar none("QORA_HOME", nullptr);
    ASSERT_EQ(_wputenv_s(L"QORA_HOME", share), 0);
    EXPECT_EQ(pf::env("QORA_HOME"), reinterpret_cast<const char*>(u8"\\\\server\\Химия\\7А"));
    EXPECT_EQ(choose_game_folder(L"C:\\Users\\Маша", installed, err).wstring(), share) << err;
  }
  // Without QORA_HOME: the user's roaming application data.
  const fs::path user = choose_game_folder(L"C:\\Users\\Маша", installed, err);
  const wchar_t* appdata = _wgetenv(L"APPDATA");
  ASSERT_NE(appdata, nullptr);
  EXPECT_EQ(user, fs::path(appdata) / L"Qora") << err;
}

}  // namespace
}  // namespace qora
