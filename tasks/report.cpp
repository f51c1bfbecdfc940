// The class report's command: reading the base, naming and writing the page.
#include "tasks/report.h"

#include <cstdio>

#include "platform/safefile.h"
#include "state/datafiles.h"
#include "state/folders.h"
#include "state/globals.h"
#include "tasks/scorefiles.h"
#include "toolkit/format.h"

namespace qora::report {

std::string default_name(const std::string& base_path, const platform::LocalTime& day, int k) {
  const std::string name = "report_" + std::to_string(day.year) + "-" + two_digits(day.month) + "-" +
                           two_digits(day.day) + (k > 1 ? "_" + std::to_string(k) : "") + ".html";
  return platform::in_dir(platform::dir_of(base_path), name);
}

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "qora-records: %s\n", message.c_str());
  return 1;
}

}  // namespace

int run(const std::string& base_path, const std::string& out) {
  std::string bytes, err;
  switch (platform::read_whole_file(base_path, bytes, err)) {
    case platform::ReadStatus::missing:
      return fail(base_path + ": no such file");
    case platform::ReadStatus::failed:
    case platform::ReadStatus::foreign:
      return fail(err);
    case platform::ReadStatus::ok:
      break;
  }
  // A page named with -o may replace only an earlier report, never a file
  // of the game.
  if (!out.empty()) {
    if (scorefiles::game_file_name(platform::name_of(out)))
      return fail("will not write the report over " + out + ", a file of the game: name another page");
    std::string earlier;
    const platform::ReadStatus st = platform::read_whole_file(out, earlier, err);
    if (st != platform::ReadStatus::missing && (st != platform::ReadStatus::ok || !earlier.starts_with(kPageStart)))
      return fail("will not write the report over " + out + ": it is not an earlier report");
  }
  if (bytes.size() % sizeof(RESULTREC) != 0)
    return fail(base_path + ": damaged (" + std::to_string(bytes.size()) + " bytes is not a whole number of " +
                std::to_string(sizeof(RESULTREC)) + "-byte records)");
  const std::string table = find_table(ELFN, base_path);
  if (table.empty())
    return fail("the element table \"" + std::string(ELFN) +
                "\" is neither here, beside the base, nor beside the program");
  if (!load_element_table(table, err)) return fail(err);

  const platform::LocalTime today = platform::local_now();
  const ClassView view = analyse(scorefiles::parse_results(bytes), usable_element_count());
  const std::string page = render(view, ELEMENT, platform::name_of(base_path), today);

  // The page is written whole under a temporary name first: a report named
  // with -o is replaced only by a complete page, and a new one takes the
  // first free name, never that of a report already there.
  platform::StagedFile staged;
  const mode_t mode = out.empty() ? platform::new_file_mode() : platform::mode_for(out);
  if (!staged.write(platform::dir_of(out.empty() ? base_path : out), page, mode,
                    platform::StagedFile::Kind::outside_lock, err))
    return fail(err);
  std::string path = out;
  if (!out.empty() && !staged.replace(out, err)) return fail(err);
  for (int k = 1; out.empty(); ++k) {
    path = default_name(base_path, today, k);
    const platform::StagedFile::Place placed = staged.place_new(path, err);
    if (placed == platform::StagedFile::Place::placed) break;
    if (placed == platform::StagedFile::Place::failed) return fail(err);
    if (k == 9999) return fail(path + ": no free name for the report");
  }
  std::printf("%s\n", path.c_str());
  return 0;
}

}  // namespace qora::report
