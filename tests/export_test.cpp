// The teachers' tools: qora-records run as a program on files the game's own
// appends wrote, and the spreadsheet export, read back from the workbook it
// writes (a zip of XML parts, unpacked with unzip) and beside the records
// tool's CSV.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "app/datafiles.h"
#include "app/globals.h"
#include "platform/cp1251.h"
#include "support/fake_desktop.h"
#include "support/records.h"
#include "support/test_support.h"
#include "tasks/export.h"
#include "tasks/scorefiles.h"

namespace qora {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::records;
using test::res;
using test::write_file;
using Sheet = std::map<uint32_t, std::map<std::string, std::string>>;  // row -> column -> text

std::string part(const std::string& book, const std::string& name) {
  return test::run("/usr/bin/unzip -p '" + book + "' '" + name + "'").out;
}

std::string between(const std::string& s, size_t from, const std::string& a, const std::string& b) {
  const size_t i = s.find(a, from);
  return i == std::string::npos ? "" : s.substr(i + a.size(), s.find(b, i + a.size()) - i - a.size());
}

// The cells of a sheet: inline texts and numbers, by row and column letters.
Sheet cells(const std::string& xml) {
  Sheet out;
  for (size_t c = xml.find("<c r=\""); c != std::string::npos; c = xml.find("<c r=\"", c + 1)) {
    const std::string ref = between(xml, c, "r=\"", "\"");
    const size_t digit = ref.find_first_of("0123456789");
    const size_t end = xml.find("</c>", c);
    const std::string body = xml.substr(c, end - c);
    out[uint32_t(std::stoul(ref.substr(digit)))][ref.substr(0, digit)] =
        body.find("inlineStr") != std::string::npos ? between(body, body.find("<t"), ">", "</t>")
                                                     : between(body, 0, "<v>", "</v>");
  }
  return out;
}

std::string utf8(int n) { return cp1251_to_utf8(msg(n)); }

// The rows below the header as the records tool's CSV: its status words and its quoting.
std::string csv_of(Sheet sheet) {
  auto field = [](std::string v) {
    if (v == utf8(123) || v == utf8(124)) return std::string(v == utf8(123) ? "known" : "unknown");
    if (!v.empty() && std::string_view("=+-@\t\r").find(v[0]) != std::string_view::npos) v.insert(0, "'");
    if (v.find_first_of(",\"") == std::string::npos) return v;
    for (size_t i = 0; (i = v.find('"', i)) != std::string::npos; i += 2) v.insert(i, "\"");
    return "\"" + v + "\"";
  };
  std::string csv = "date,player,symbol,status\n";
  for (auto& [row, c] : sheet)
    if (row > 1) csv += field(c["A"]) + "," + field(c["B"]) + "," + field(c["C"]) + "," + field(c["D"]) + "\n";
  return csv;
}

void write_base(const std::vector<RESULTREC>& recs, size_t extra_bytes = 0) {
  write_file(RESFN, test::bytes_of(recs) + std::string(extra_bytes, '\0'));
}

struct Export : ::testing::Test {
  Export() {
    for (const char* f : {ELFN, MSGFN}) fs::copy_file(test::source_dir() / "data" / f, f);
    GETELEMENTS();
    GETMSG();
  }
  std::string book(int k = 1) { return exporter::workbook_name(platform::local_now(), k); }
  test::FakeDesktop desk;  // its folder first: the working folder below wins
  test::TempDir dir;
};

TEST_F(Export, RowsAreTheRecordsToolsCsvAndTheSummaryCountsThem) {
  // Element index 0 is nitrogen, 5 hydrogen, 26 helium.
  write_base({res("05.12.2026 - Иван", {26, 0}, {5}), res("Ольга", {5}),  // no "-": no date, the whole name
              res("05.12.2026 - Nobody", {}),                // no elements: no rows
              res(" \t05.12.2026 -  A\"B, C", {}, {0}),      // trimmed date, quoted player
              res("07.12.2026 - @SUM(A1)", {}, {26})});      // a formula to a spreadsheet
  GETRES();
  const std::string path = (dir.path() / book()).string();
  ASSERT_TRUE(fs::exists(path));
  EXPECT_TRUE(test::eventually([&] { return read_file(desk.dir() / "log") == path + "\n"; }));
  const std::string xml = part(path, "xl/worksheets/sheet1.xml");
  const std::string csv = csv_of(cells(xml));
  EXPECT_EQ(csv, "date,player,symbol,status\n"
                 "05.12.2026,Иван,N,known\n"
                 "05.12.2026,Иван,H,unknown\n"
                 "05.12.2026,Иван,He,known\n"
                 ",Ольга,H,known\n"
                 "05.12.2026,\" A\"\"B, C\",N,unknown\n"
                 "07.12.2026,'@SUM(A1),He,unknown\n");
  EXPECT_EQ(records("results Result.qora").out, csv);
  EXPECT_EQ(cells(xml)[1]["A"], utf8(119));
  EXPECT_NE(xml.find("state=\"frozen\""), std::string::npos);
  EXPECT_NE(xml.find("<autoFilter ref=\"A1:D7\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<c r=\"D1\" s=\"1\""), std::string::npos);  // the bold style

  // Per game: the records without rows are left out. Per element: N, H and
  // He are each known once and missed once, so they stay in index order.
  Sheet sum = cells(part(path, "xl/worksheets/sheet2.xml"));
  EXPECT_EQ(sum.size(), 5u);
  // The counting columns say what they count.
  EXPECT_EQ(sum[1]["C"] + "|" + sum[1]["D"] + "|" + sum[1]["E"] + "|" + sum[1]["H"],
            "Верных ответов|Ошибок|Доля верных|Верных ответов");
  EXPECT_EQ(sum[2]["B"] + "|" + sum[2]["C"] + "|" + sum[2]["D"], "Иван|2|1");
  EXPECT_DOUBLE_EQ(std::stod(sum[2]["E"]), 2.0 / 3);
  EXPECT_EQ(sum[3]["A"] + "|" + sum[3]["B"], "|Ольга");
  std::string elements;
  for (uint32_t r = 2; r <= 4; ++r) elements += sum[r]["G"] + sum[r]["H"] + sum[r]["I"] + " ";
  EXPECT_EQ(elements, "N11 H11 He11 ");
  EXPECT_NE(part(path, "xl/charts/chart1.xml").find("<c:barChart>"), std::string::npos);
}

TEST_F(Export, MissingOrDamagedBaseGivesTheHeaderAlone) {
  int k = 0;
  for (int torn : {-1, 0, 40}) {  // no file; a sound record (for contrast); a record cut short
    if (torn >= 0) write_base({res("05.12.2026 - Иван", {1}, {2})}, size_t(torn));
    GETRES();
    const std::string path = book(++k);
    EXPECT_EQ(cells(part(path, "xl/worksheets/sheet1.xml")).size(), torn == 0 ? 3u : 1u) << torn;
    EXPECT_EQ(cells(part(path, "xl/worksheets/sheet2.xml")).size(), torn == 0 ? 3u : 1u) << torn;
    EXPECT_EQ(part(path, "xl/charts/chart1.xml").empty(), torn != 0) << torn;
  }
}

TEST_F(Export, AFullBaseExportsEveryRowPastSixteenBits) {
  std::vector<RESULTREC> recs(MAXRESULT + 1);
  for (size_t r = 0; r < recs.size(); ++r) {
    recs[r].NAME = "05.12.2026 - p" + std::to_string(r);
    for (int e = 0; e < 105; ++e) (e % 2 ? recs[r].KNOWEL : recs[r].UNKNOWEL).include(e);
  }
  write_base(recs);  // one record too many: the export and the records tool take the first 1500
  READBAS(RESFN);
  EXPECT_EQ(FRACOUNT, MAXRESULT);
  ALLRESULTARR.clear();
  APPENDRESULT();
  std::string path, err;
  ASSERT_TRUE(exporter::write_workbook(ALLRESULTARR, ".", "full.xlsx", path, err)) << err;
  const std::string xml = part(path, "xl/worksheets/sheet1.xml");
  const Sheet rows = cells(xml);
  // A 16-bit count would wrap at row 65537 and overwrite the top.
  ASSERT_EQ(rows.size(), 157501u);
  EXPECT_EQ(rows.rbegin()->first, 157501u);
  EXPECT_EQ(rows.at(1).at("A"), utf8(119));
  // (Compared whole: a diff of 157,501 lines would take all the memory.)
  EXPECT_TRUE(csv_of(rows) == records("results Result.qora").out) << "rows differ from the records tool's";
  EXPECT_NE(xml.find("<autoFilter ref=\"A1:D157501\"/>"), std::string::npos);
}

TEST_F(Export, AnotherExportTakesTheNextFreeNameAndNeverOverwrites) {
  write_base({res("05.12.2026 - Иван", {1})});
  write_file(book(1), "kept");
  EXPECT_EQ(records("export Result.qora").out, book(2) + "\n");
  GETRES();
  EXPECT_EQ(records("export Result.qora class.xlsx").out, "class.xlsx\n");
  const test::Run again = records("export Result.qora class.xlsx");
  EXPECT_EQ(std::pair(again.status, again.err),
            std::pair(1, std::string("qora-records: could not write the workbook: class.xlsx already exists\n")));
  EXPECT_EQ(read_file(book(1)), "kept");
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(".")) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"001", "002", "Result.qora", "class.xlsx", book(1), book(2), book(3),
                                          "out.txt", "err.txt"}));
  EXPECT_TRUE(test::eventually([&] { return fs::exists(desk.dir() / "log"); }));
  EXPECT_EQ(read_file(desk.dir() / "log"), (dir.path() / book(3)).string() + "\n");  // the tool opens nothing
}

TEST_F(Export, AFailedWriteShowsTheMessageAndLeavesNothing) {
  test::EnvVar video("QORA_VIDEO", "headless");
  std::vector<RESULTREC> recs(200, res("05.12.2026 - Иван", {1, 2, 3, 4, 5}, {6, 7, 8}));
  write_base(recs);
  const std::string expect = "qora: " + utf8(128) + ": " + utf8(129) + "\n";
  for (bool disk_full : {true, false}) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
    rlimit small{32768, old.rlim_max};
    testing::internal::CaptureStderr();
    if (disk_full) {
      setrlimit(RLIMIT_FSIZE, &small);
      GETRES();
      setrlimit(RLIMIT_FSIZE, &old);
    } else {
      ALLRESULTARR.assign(recs.begin(), recs.end());
      EXPORTTOEXCEL("no-such-folder");
    }
    const std::string err = testing::internal::GetCapturedStderr();
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(err.substr(err.find('\n') + 1), expect) << disk_full << err;
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 3) << disk_full;
  }
  EXPECT_FALSE(fs::exists(desk.dir() / "log"));
}

// ---- qora-records ----------------------------------------------------------

using QoraRecords = Export;

TEST_F(QoraRecords, PrintsTheTablesTheGameWrote) {
  std::vector<PLAYREC> games = {test::game("05.12.2026 - Иван", 40), test::game("05.12.2026 - Ольга", 70),
                                {0, {}, 7, 9, 5, 31, 44}};
  games.back().NAME = utf8_to_cp1251("Пётр");  // 7 * 7 * 31 / (5 * 44) = 6.9 -> 7
  for (const PLAYREC& g : games) ASSERT_TRUE(scorefiles::append_score(g, ONEPLAYERFN));
  EXPECT_EQ(records("top5 1player.qora").out, "1\t70\t05.12.2026 - Ольга\n2\t40\t05.12.2026 - Иван\n3\t7\tПётр\n");
  const test::Run r = records("scores 1player.qora");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "05.12.2026 - Иван\t10\t10\t10\t40\t10\t40\n"
                   "05.12.2026 - Ольга\t10\t10\t10\t70\t10\t70\n"
                   "Пётр\t7\t9\t5\t31\t44\t7\n");
}

// Also the class report's: a missing or torn base, a page that cannot be written, bad arguments.
TEST_F(QoraRecords, BadInputFailsAndAnEmptyTableListsNothing) {
  fs::remove("001");  // no element table beside the base: the tools find the build's
  write_file(RESFN, std::string(95, '\0'));
  write_file("torn.qora", std::string(53 * 3 + 1, '\0'));  // a torn last record
  write_file("empty.qora", "");
  write_file("notes.txt", "the teacher's notes");
  const std::pair<const char*, int> cases[] = {
      {"top5 empty.qora", 0}, {"top5 1player.qora", 1}, {"top5 torn.qora", 1}, {"scores torn.qora", 1},
      {"", 2}, {"top5", 2}, {"list torn.qora", 2}, {"top5 a b", 2},
      {"report none.qora", 1}, {"report torn.qora", 1}, {"report Result.qora -o no/x.html", 1},
      {"report -o x.html", 2}, {"report Result.qora -o", 2}, {"report a b", 2},
      // Never over a file of the game or anything but an earlier report.
      {"report Result.qora -o Result.qora", 1}, {"report Result.qora -o 001", 1},
      {"report Result.qora -o notes.txt", 1}, {"export Result.qora Res.bak", 1}, {"export Result.qora 1p051226.old", 1}};
  for (const auto& [args, status] : cases) {
    const test::Run r = records(args);
    EXPECT_EQ(r.status, status) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_TRUE(status != 1 || std::count(r.err.begin(), r.err.end(), '\n') == 1) << args << ": " << r.err;
    EXPECT_TRUE(status != 2 || r.err.find("usage") != std::string::npos) << args;
  }
  for (const auto& e : fs::directory_iterator(".")) EXPECT_NE(e.path().extension(), ".html");
  EXPECT_EQ(read_file(RESFN), std::string(95, '\0'));
  EXPECT_EQ(read_file("notes.txt"), "the teacher's notes");
  for (const char* f : {"001", "Res.bak", "1p051226.old"}) EXPECT_FALSE(fs::exists(f)) << f;
}

TEST_F(QoraRecords, FlippedAndTruncatedFilesNeverCrashIt) {
  for (int i = 0; i < 8; ++i)
    ASSERT_TRUE(scorefiles::append_score(test::game("05.12.2026 - Иван", uint16_t(10 + i)), ONEPLAYERFN) &&
                scorefiles::append_result(res("05.12.2026 - Иван", {1, 2, 3}, {4}), RESFN));
  const std::string table = read_file(ONEPLAYERFN), base = read_file(RESFN);
  std::mt19937 rng(4242);
  for (int round = 0; round < 20; ++round) {
    std::string t = table, b = base;
    for (int i = 0; i < 30; ++i) t[rng() % t.size()] = char(rng()), b[rng() % b.size()] = char(rng());
    if (round % 2) t.resize(rng() % t.size()), b.resize(rng() % b.size());
    write_file("t.qora", t);
    write_file("b.qora", b);
    for (const char* args : {"top5 t.qora", "scores t.qora", "results b.qora"}) {
      const test::Run r = records(args);
      EXPECT_TRUE(r.status == 0 || r.status == 1) << args << " round " << round << ": " << r.err;
      // Whatever the bytes, the output is one record per line.
      for (char c : r.out) EXPECT_TRUE(c == '\n' || c == '\t' || uint8_t(c) >= 0x20) << args;
    }
  }
}

}  // namespace
}  // namespace qora
