// Loading of the element table "001", the message table "002" and the groups
// file "group.qora" from the working directory; an installed game reads the
// two tables from its data folder when the working directory has none.
#include "app/datafiles.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/folders.h"
#include "app/globals.h"
#include "app/startup.h"
#include "platform/safefile.h"

namespace qora {

namespace {

// Element indices are members of 256-bit sets, so the table never holds more
// than 256 elements whatever count the file claims.
constexpr int32_t MAX_ELEMENTS = 256;
// The periodic table shows indices 0..104; fewer elements cannot be played.
constexpr int32_t MIN_ELEMENTS = 105;
// A task needs the right answer and four decoys with a name.
constexpr int32_t MIN_NAMED_ELEMENTS = 5;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The whole file, or nothing when it is missing or cannot be read.
std::optional<std::string> read_whole_file(const char* name) {
  std::string bytes, err;
  if (platform::read_whole_file(name, bytes, err) != platform::ReadStatus::ok) return std::nullopt;
  return bytes;
}

// Splits text into lines ended by LF or CR LF. A last line without a line end
// is a line too; the line end of the last line does not start another one.
// An empty text gives one empty line.
std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    const size_t lf = text.find('\n', start);
    if (lf == std::string::npos) {
      if (start < text.size() || lines.empty()) lines.push_back(text.substr(start));
      break;
    }
    size_t end = lf;
    if (end > start && text[end - 1] == '\r') --end;
    lines.push_back(text.substr(start, end - start));
    start = lf + 1;
  }
  return lines;
}

// The integer at the start of a line: leading blanks, an optional sign and the
// digits that follow; the rest of the line is ignored. No digits give 0, and a
// value beyond 32 bits is held at the nearest bound.
int64_t leading_integer(std::string_view s) {
  size_t p = 0;
  while (p < s.size() && is_blank(s[p])) ++p;
  bool negative = false;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
  int64_t v = 0;
  for (; p < s.size() && s[p] >= '0' && s[p] <= '9'; ++p) {
    v = v * 10 + (s[p] - '0');
    if (v > int64_t(std::numeric_limits<int32_t>::max())) v = int64_t(std::numeric_limits<int32_t>::max()) + 1;
  }
  return negative ? -v : v;
}

// How long a write of the groups file waits for another game that is saving.
constexpr int GROUP_LOCK_WAIT_MS = 5000;

std::string groups_record() {
  std::string bytes;
  for (int g = 1; g <= 4; ++g)
    bytes.append(reinterpret_cast<const char*>(GRUPARR[size_t(g)].BITS), sizeof GRUPARR[size_t(g)].BITS);
  return bytes;
}

void read_groups(const std::string& data) {
  for (int g = 1; g <= 4; ++g)
    std::memcpy(GRUPARR[size_t(g)].BITS, data.data() + (g - 1) * sizeof(BYTESET), sizeof(BYTESET));
}

enum class GroupWrite { written, found, failed };

// Writes the four groups as the one 128-byte record of the groups file under
// the folder's lock, through the safe writer: the file holds the old or the
// new groups whatever happens, and keeps its permission bits. Temporary files
// of writers killed midway (and the fixed-name one of older versions) are
// removed first. only_if_missing: another game may have made the file while
// this one waited; it is then left as it is (found). On failure err says why.
GroupWrite write_groups_file(bool only_if_missing, std::string& err) {
  platform::FileLock lock;
  switch (lock.acquire(".", GROUP_LOCK_WAIT_MS, err)) {
    case platform::FileLock::Status::acquired:
      break;
    default:
      return GroupWrite::failed;
  }
  if (only_if_missing && platform::exists(GROUPFN)) return GroupWrite::found;
  err = platform::folder_problem(".", {GROUPFN});
  if (!err.empty()) return GroupWrite::failed;
  platform::remove_stale_temps(".", lock);
  std::error_code ec;
  if (std::filesystem::symlink_status(std::string(GROUPFN) + ".tmp", ec).type() == std::filesystem::file_type::regular)
    platform::remove_quietly(std::string(GROUPFN) + ".tmp");
  // Once the new file has taken the name, the groups are saved even if the
  // folder could not be flushed after.
  bool committed = false;
  if (!lock.confirm(err)) return GroupWrite::failed;
  platform::replace_file(GROUPFN, groups_record(), err, &committed);
  return committed ? GroupWrite::written : GroupWrite::failed;
}

}  // namespace

void set_default_groups() {
  for (auto& g : GRUPARR) g.clear();
  for (int e = 0; e <= 25; ++e) GRUPARR[1].include(e);
  for (int e = 26; e <= 74; ++e) GRUPARR[2].include(e);
  for (int e = 75; e <= 104; ++e) GRUPARR[3].include(e);
}

int32_t TOINT(const std::string& s) {
  size_t p = 0;
  while (p < s.size() && is_blank(s[p])) ++p;
  bool negative = false;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
  if (p == s.size()) return 0;  // no digits at all
  int64_t v = 0;
  for (; p < s.size(); ++p) {
    if (s[p] < '0' || s[p] > '9') return 0;
    v = v * 10 + (s[p] - '0');
    if (v > int64_t(std::numeric_limits<int32_t>::max()) + 1) return 0;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min()) return 0;
  return int32_t(v);
}

bool load_element_table(const std::string& path, std::string& err) {
  const auto text = read_whole_file(path.c_str());
  if (!text) {
    err = "File Not found " + path;
    return false;
  }
  const std::vector<std::string> lines = split_lines(*text);

  // The count, held within what an element set can address.
  const int64_t declared = leading_integer(lines[0]);
  ELCOUNT = int32_t(std::clamp<int64_t>(declared, 0, MAX_ELEMENTS));
  ELEMENT.assign(size_t(ELCOUNT) + 1, DATABASE{});

  // As many element lines as the count declares, as far as the file goes; a
  // line whose number is not one of 1..ELCOUNT is skipped.
  const size_t wanted = size_t(std::max<int64_t>(declared, 0));
  for (size_t k = 1; k < lines.size() && k <= wanted; ++k) {
    std::string field[3];
    int counter = 1;
    for (char c : lines[k]) {
      if (is_blank(c) || c == '\r') continue;
      if (c == ',') {
        ++counter;
      } else if (counter <= 3) {
        field[counter - 1] += c;
      }
    }
    const int32_t number = TOINT(field[0]);
    if (number < 1 || number > ELCOUNT) continue;
    DATABASE& el = ELEMENT[size_t(number - 1)];
    el.SYMBOL = field[1];
    el.NAME = field[2];
  }

  if (ELCOUNT < MIN_ELEMENTS) {
    err = "Element table " + path + " holds " + std::to_string(ELCOUNT) + " elements, " +
          std::to_string(MIN_ELEMENTS) + " are needed";
    return false;
  }
  int32_t named = 0;
  for (int32_t i = 0; i < ELCOUNT; ++i)
    if (!ELEMENT[size_t(i)].NAME.empty()) ++named;
  if (named < MIN_NAMED_ELEMENTS) {
    err = "Element table " + path + " has " + std::to_string(named) + " elements with a name, " +
          std::to_string(MIN_NAMED_ELEMENTS) + " are needed";
    return false;
  }
  return true;
}

void GETELEMENTS() {
  const std::string path = shipped_file(ELFN);
  std::string err;
  if (load_element_table(path, err)) return;
  std::error_code ec;
  EXITQORA(std::filesystem::exists(path, ec) ? err : err + "\n" + missing_tables_hint());
}

void GETMSG() {
  const std::string path = shipped_file(MSGFN);
  std::string err;
  if (!load_message_table(path, err)) EXITQORA(err + "\n" + missing_tables_hint());
}

bool load_message_table(const std::string& path, std::string& err) {
  const auto text = read_whole_file(path.c_str());
  if (!text) {
    err = "File Not found " + path;
    return false;
  }
  const std::vector<std::string> lines = split_lines(*text);
  MSG.clear();
  MSG.reserve(std::max<size_t>(lines.size() + 1, MSG_COUNT_NEEDED + 1));
  MSG.emplace_back();  // MSG[0] stays empty
  MSG.insert(MSG.end(), lines.begin(), lines.end());
  // A short file leaves the lines it lacks empty rather than missing.
  if (MSG.size() < size_t(MSG_COUNT_NEEDED) + 1) MSG.resize(size_t(MSG_COUNT_NEEDED) + 1);
  return true;
}

void GETGRUP() {
  std::string data, err;
  const platform::ReadStatus st = platform::read_whole_file(GROUPFN, data, err);
  if (st == platform::ReadStatus::foreign) platform::note_once(err);
  if (st != platform::ReadStatus::ok) {
    // No groups file yet: start with the defaults and store them. When the
    // file cannot be written the game goes on with the defaults in memory.
    // A file that exists but cannot be read now is played with the defaults
    // and left alone, so a passing read error never replaces saved groups.
    set_default_groups();
    if (st == platform::ReadStatus::missing && write_groups_file(true, err) == GroupWrite::found &&
        platform::read_whole_file(GROUPFN, data, err) == platform::ReadStatus::ok &&
        data.size() >= 4 * sizeof(BYTESET))
      read_groups(data);  // made by another game meanwhile
    return;
  }
  if (data.size() < 4 * sizeof(BYTESET)) {
    // A cut file cannot be trusted: play with the defaults and leave the file
    // as it is until the group screen saves new groups.
    set_default_groups();
    return;
  }
  read_groups(data);
}

bool SAVEGRUP() {
  std::string err;
  if (write_groups_file(false, err) == GroupWrite::written) return true;
  std::fprintf(stderr, "qora: could not save %s: %s\n", GROUPFN, err.c_str());
  return false;
}

int32_t usable_element_count() {
  return std::clamp<int32_t>(std::min<int32_t>(ELCOUNT, int32_t(ELEMENT.size())), 0, MAX_ELEMENTS);
}

}  // namespace qora
