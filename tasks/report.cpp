#include "tasks/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <unordered_map>

#include "platform/cp1251.h"
#include "app/datafiles.h"
#include "app/folders.h"
#include "app/globals.h"
#include "platform/safefile.h"
#include "tasks/scorefiles.h"
#include "toolkit/format.h"

namespace qora::report {

namespace {

// How every report page begins: what tells an earlier report from any other file.
constexpr std::string_view kPageStart = "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>Qora: ";

// ---- The page's texts ------------------------------------------------------

// Written here in UTF-8 so that they can be read and proofread where they
// stand; they become Windows-1251, the code page of every text inside the
// program, once, on first use. A noun that follows a count comes in its three
// forms (one, few, many) in a row.
enum Text {
  kTitle,
  kMade,
  kFromBase,
  kNoGames,
  kSummary,
  kPupil,
  kPupil2,
  kPupil5,
  kGame,
  kGame2,
  kGame5,
  kUndated,
  kUndated2,
  kUndated5,
  kPeriod,
  kAsked,
  kAsked2,
  kAsked5,
  kAnsKnown,
  kAnsKnown2,
  kAnsKnown5,
  kAnsMissed,
  kAnsMissed2,
  kAnsMissed5,
  kGrid,
  kGridNote,
  kLegKnown,
  kLegMissed,
  kLegForgot,
  kLegNever,
  kPupilCol,
  kShareCol,
  kOf,
  kRevise,
  kReviseNote,
  kForgot,
  kProgress,
  kProgressNote,
  kStartShare,
  kEndShare,
  kNoDated,
  kTable,
  kTableNote,
  kNoName,
  kNothingAsked,
  kKnowOf,
  kTextCount
};

constexpr const char* kUtf8[kTextCount] = {
    "Отчёт по классу",  // the page title
    "Составлен",  // made on (a date follows)
    "по базе результатов",  // from the results base (a file name follows)
    "Пока не сохранено ни одной игры: в базе результатов нет записей.",  // no games yet
    "Класс в целом",  // the class at a glance
    "ученик",  // pupils: one, few, many
    "ученика",
    "учеников",
    "игра",  // games
    "игры",
    "игр",
    "игра без даты",  // games without a date
    "игры без даты",
    "игр без даты",
    "период",  // period
    "элемент в заданиях",  // elements asked
    "элемента в заданиях",
    "элементов в заданиях",
    "верный ответ",  // answers known
    "верных ответа",
    "верных ответов",
    "ошибка",  // answers missed
    "ошибки",
    "ошибок",
    "Кто что знает",  // who knows what
    "Строка — ученик, столбец — элемент, который хоть раз спрашивался. В клетке — итог последней игры ученика, где был этот элемент; в конце строки — доля элементов, которые ученик знает.",  // how to read the grid
    "знает: верный ответ в последней игре",  // known in the latest game
    "не знает: ошибка в последней игре",  // missed in the latest game
    "забыто: раньше верно, потом ошибка",  // known earlier, missed later
    "не спрашивался",  // never asked
    "Ученик",  // pupil
    "Знает",  // knows (share)
    "из",  // of
    "Что повторить",  // what to revise
    "Для каждого элемента — доля учеников, которые знают его сейчас, среди тех, кого о нём спрашивали. Сначала то, что класс знает хуже всего.",  // how to read the list
    "забыли:",  // forgot:
    "Успехи по играм",  // progress
    "Точки — доля верных ответов в каждой игре ученика, линия — среднее по пяти соседним играм; шкала дат общая для всего класса. «В начале» и «в конце» — доля верных ответов в первых и в последних играх: по три игры с каждого края, а если игр меньше шести — по половине (при нечётном числе средняя игра не в счёт). Игры без даты на графиках не показаны.",  // how to read the charts
    "в начале",  // at the start
    "в конце",  // at the end
    "нет игр с датой",  // no dated games
    "Периодическая таблица",  // the periodic table
    "Цвет и число в клетке — доля учеников, которые знают элемент сейчас.",  // how to read the table
    "(без имени)",  // (no name)
    "Ни один элемент ещё не спрашивался.",  // no element asked yet
    "знают",  // know (n of m follows)
};

const std::string& T(Text t) {
  static const std::vector<std::string> cp = [] {
    std::vector<std::string> v;
    for (const char* s : kUtf8) v.push_back(utf8_to_cp1251(s));
    return v;
  }();
  return cp[size_t(t)];
}

// The form of a noun, whose three forms begin at `one`, that agrees with n.
const std::string& form(long long n, Text one) {
  return PLURAL(n, T(one), T(Text(one + 1)), T(Text(one + 2)));
}

Text first_form(Noun noun) {
  switch (noun) {
    case Noun::pupil: return kPupil;
    case Noun::game: return kGame;
    case Noun::undated_game: return kUndated;
    case Noun::element_asked: return kAsked;
    case Noun::answer_known: return kAnsKnown;
    case Noun::answer_missed: return kAnsMissed;
  }
  return kPupil;
}

// The standings' marks are markup, not text: they print in black and white.
constexpr const char* kMark[] = {"&middot;", "+", "&minus;", "&darr;"};
constexpr const char* kMarkClass[] = {"n", "k", "m", "f"};
constexpr const char* kNbspPct = "&nbsp;%";

// ---- Dates -----------------------------------------------------------------

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int days_from_civil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

platform::LocalTime civil_from_days(int z) {
  z += 719468;
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = z - era * 146097;
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  platform::LocalTime t;
  t.day = doy - (153 * mp + 2) / 5 + 1;
  t.month = mp < 10 ? mp + 3 : mp - 9;
  t.year = yoe + era * 400 + (t.month <= 2);
  return t;
}

std::string day_text(int day, bool with_year = true) {
  const platform::LocalTime t = civil_from_days(day);
  return two_digits(t.day) + "." + two_digits(t.month) + (with_year ? "." + std::to_string(t.year) : "");
}

// ---- Escaping --------------------------------------------------------------

void append_escaped_char(std::string& out, char c) {
  switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    case '\'': out += "&#39;"; break;
    default: out += c;
  }
}

// Windows-1251 text as escaped UTF-8 for the page. Control characters, which
// a damaged record may hold, become "?".
std::string esc(std::string_view cp1251) {
  std::string out;
  for (char c : cp1251_to_printable_utf8(cp1251)) append_escaped_char(out, c);
  return out;
}

// ---- Shares ----------------------------------------------------------------

// A share as a whole percentage, halves rounded to even.
int percent(long part, long whole) {
  return whole > 0 ? int(std::nearbyint(100.0 * double(part) / double(whole))) : 0;
}

std::string pct_text(long part, long whole) { return std::to_string(percent(part, whole)) + kNbspPct; }

// The colour band of a share: 0 (below 20 %) to 4 (80 % and more).
int band(long part, long whole) { return std::min(4, percent(part, whole) / 20); }

// ---- Pupils ----------------------------------------------------------------

// A key that orders Windows-1251 names alphabetically without regard to
// case, with "ё" right after "е".
std::vector<int> collation_key(std::string_view name) {
  std::vector<int> key;
  key.reserve(name.size());
  for (char ch : name) {
    int c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    if (c >= 0xC0 && c <= 0xDF) c += 0x20;  // А..Я -> а..я
    if (c == 0xA8 || c == 0xB8)              // Ё, ё
      key.push_back(0xE5 * 2 + 1);
    else
      key.push_back(c * 2);
  }
  return key;
}

std::string pupil_name(const Pupil& p) {
  return p.name.empty() ? std::string("<i>") + esc(T(kNoName)) + "</i>" : esc(p.name);
}

}  // namespace

// ---- The analysis ----------------------------------------------------------

int parse_date(std::string_view text) {
  int part[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int k = 0;
  for (char c : text) {
    if (c == '.') {
      if (++k > 2) return -1;
    } else if (c >= '0' && c <= '9') {
      if (++digits[k] > 4) return -1;
      part[k] = part[k] * 10 + (c - '0');
    } else {
      return -1;
    }
  }
  if (k != 2 || digits[0] < 1 || digits[0] > 2 || digits[1] < 1 || digits[1] > 2 || digits[2] != 4)
    return -1;
  const int d = part[0], m = part[1], y = part[2];
  if (m < 1 || m > 12 || d < 1) return -1;
  const int dim = days_from_civil(m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, 1) - days_from_civil(y, m, 1);
  return d > dim ? -1 : days_from_civil(y, m, d);
}

const std::vector<Cell>& table_cells() {
  static const std::vector<Cell> cells = [] {
    std::vector<Cell> c;
    // Runs of cells in drawing order: row, first and last column. The
    // lanthanides (row 12) are drawn inside row 8, the actinides (row 13)
    // inside row 10.
    const int runs[][3] = {{1, 1, 1},   {1, 8, 8},  {2, 1, 8},   {3, 1, 8},  {4, 1, 10},
                           {5, 1, 8},   {6, 1, 10}, {7, 1, 8},   {8, 1, 2},  {12, 1, 15},
                           {8, 4, 10},  {9, 1, 8},  {10, 1, 2},  {13, 1, 15}, {10, 4, 5}};
    for (const auto& r : runs)
      for (int col = r[1]; col <= r[2]; ++col) c.push_back({r[0], col});
    return c;
  }();
  return cells;
}

std::vector<int> periodic_order(int elcount) {
  elcount = std::clamp(elcount, 0, 256);
  std::vector<int> order;
  for (uint8_t e : TABLEPOS)
    if (e < elcount) order.push_back(e);
  for (int e = int(TABLEPOS.size()); e < elcount; ++e) order.push_back(e);
  return order;
}

ClassView analyse(const std::vector<RESULTREC>& records, int elcount) {
  ClassView v;
  v.elcount = std::clamp(elcount, 0, 256);
  const auto n = size_t(v.elcount);
  std::unordered_map<std::string, size_t> slot;
  for (const RESULTREC& r : records) {
    std::string_view date, player;
    scorefiles::split_result_name(r.NAME.view(), date, player);
    auto [it, fresh] = slot.try_emplace(std::string(player), v.pupils.size());
    if (fresh) {
      v.pupils.emplace_back();
      v.pupils.back().name = player;
      v.pupils.back().standing.assign(n, Standing::never);
    }
    Pupil& p = v.pupils[it->second];
    Game g;
    g.day = parse_date(date);
    for (size_t e = 0; e < n; ++e) {
      // An element in both sets (only in a damaged record) counts as missed.
      const bool missed = r.UNKNOWEL.has(int(e)), known = !missed && r.KNOWEL.has(int(e));
      if (!missed && !known) continue;
      ++g.asked;
      Standing& s = p.standing[e];
      if (known) {
        ++g.known;
        s = Standing::known;
      } else {
        s = s == Standing::known || s == Standing::forgotten ? Standing::forgotten : Standing::missed;
      }
    }
    p.games.push_back(g);
    ++v.games;
    v.answers_known += g.known;
    v.answers_missed += g.asked - g.known;
    if (g.day < 0) {
      ++v.undated;
    } else {
      v.first_day = v.first_day < 0 ? g.day : std::min(v.first_day, g.day);
      v.last_day = std::max(v.last_day, g.day);
    }
  }

  std::vector<std::pair<std::vector<int>, size_t>> keys;
  for (size_t i = 0; i < v.pupils.size(); ++i) keys.emplace_back(collation_key(v.pupils[i].name), i);
  std::sort(keys.begin(), keys.end());
  std::vector<Pupil> sorted;
  sorted.reserve(keys.size());
  for (auto& k : keys) sorted.push_back(std::move(v.pupils[k.second]));
  v.pupils = std::move(sorted);

  v.class_known.assign(n, 0);
  v.class_asked.assign(n, 0);
  for (Pupil& p : v.pupils)
    for (size_t e = 0; e < n; ++e) {
      if (p.standing[e] == Standing::never) continue;
      ++p.asked;
      ++v.class_asked[e];
      if (p.standing[e] == Standing::known) ++p.known, ++v.class_known[e];
    }
  for (int e : periodic_order(v.elcount))
    if (v.class_asked[size_t(e)] > 0) v.asked.push_back(e);
  return v;
}

// ---- The page --------------------------------------------------------------

namespace {

constexpr const char* kStyle = R"(
body{font:15px/1.45 "Liberation Sans","DejaVu Sans",Arial,sans-serif;color:#1d1d1d;margin:24px 28px;max-width:1500px}
h1{font-size:26px;margin:0}
h2{font-size:20px;margin:30px 0 4px;padding-bottom:3px;border-bottom:2px solid #555}
.made,.note{color:#555;margin:4px 0 10px}
.stats{display:flex;flex-wrap:wrap;gap:10px;margin:10px 0}
.stats div{border:1px solid #bbb;border-radius:6px;padding:6px 14px}
.stats b{display:block;font-size:22px}
table{border-collapse:collapse}
.legend{margin:6px 0 10px;padding:0}
.legend li{display:inline-block;margin-right:18px;list-style:none}
.legend span,.scale span{display:inline-block;width:22px;height:20px;line-height:20px;text-align:center;border:1px solid #888;margin-right:5px;font-weight:bold}
.wide{overflow-x:auto}
.grid{margin:0 0 14px;font-size:14px}
.grid th,.grid td{border:1px solid #c4c4c4;text-align:center;padding:0;min-width:23px;height:23px}
.grid thead th{font-weight:bold;background:#f0f0f0}
.grid th.who{text-align:left;padding:0 10px 0 6px;white-space:nowrap;font-weight:normal;position:sticky;left:0;background:#fff}
.grid tbody tr:nth-child(even) th.who{background:#f3f3f3}
.grid tbody tr:hover th{background:#fff3b0}
.grid td{color:#9a9a9a}
.grid td.share{padding:0 8px;text-align:right;white-space:nowrap;color:#1d1d1d;font-weight:bold}
.k,.m,.f{font-weight:bold}
td.k,span.k{background:#a8dba0;color:#14501a}
td.m,span.m{background:#f29d9d;color:#7a0c0c}
td.f,span.f{background:#ffd27a;color:#6b4200}
.revise{columns:3 330px;column-gap:28px;padding-left:2.6em;margin:6px 0}
.revise li{break-inside:avoid;padding:2px 0}
.revise .sym{display:inline-block;min-width:26px;font-weight:bold}
.bar{display:inline-block;width:80px;height:12px;border:1px solid #999;vertical-align:middle;margin:0 6px}
.bar i{display:block;height:100%}
.revise small{color:#555}
.charts{display:grid;grid-template-columns:repeat(auto-fill,minmax(290px,1fr));gap:10px 18px}
.charts figure{margin:0;border:1px solid #ccc;border-radius:6px;padding:6px 8px;break-inside:avoid}
.charts figcaption{font-size:14px}
.charts figcaption small{color:#555}
.charts svg{display:block;width:100%;height:auto}
.ptable{display:grid;grid-template-columns:repeat(15,56px);grid-template-rows:repeat(10,48px) 14px repeat(2,48px);gap:3px;margin:8px 0}
.ptable div{border:1px solid #777;text-align:center;font-size:12px;line-height:1.1;padding-top:5px}
.ptable b{display:block;font-size:18px}
.ptable .gap{border:1px dashed #999;color:#666;padding-top:14px}
.q0{background:#ee8a8a}.q1{background:#f8bb7c}.q2{background:#f7e58a}.q3{background:#bfe0a0}.q4{background:#7fc47f}
.qn{background:#fff;color:#999;border-style:dashed!important}
.scale{margin:4px 0}
.scale span{width:auto;padding:0 6px;font-weight:normal;margin-right:8px}
@media print{body{margin:0;font-size:12px}h2{break-after:avoid}.wide{overflow:visible}
*{-webkit-print-color-adjust:exact;print-color-adjust:exact}}
)";

const char* kBandText[] = {"0&ndash;19&nbsp;%", "20&ndash;39&nbsp;%", "40&ndash;59&nbsp;%",
                           "60&ndash;79&nbsp;%", "80&ndash;100&nbsp;%"};

struct Page {
  const ClassView& v;
  const std::vector<DATABASE>& el;
  std::string out;

  std::string sym(int e) const { return esc(el[size_t(e)].SYMBOL.view()); }
  std::string name(int e) const { return esc(el[size_t(e)].NAME.view()); }

  // A number in bold and what it counts, the noun agreeing with count.
  void stat(const std::string& value, long long count, Noun noun, const char* id) {
    out += "<div><b id=\"" + std::string(id) + "\">" + value + "</b>" + esc(form(count, first_form(noun))) +
           "</div>";
  }
  void stat(const std::string& value, Text label, const char* id) {
    out += "<div><b id=\"" + std::string(id) + "\">" + value + "</b>" + esc(T(label)) + "</div>";
  }

  void summary() {
    out += "<section id=\"summary\"><h2>" + esc(T(kSummary)) + "</h2><div class=\"stats\">";
    stat(std::to_string(v.pupils.size()), static_cast<long long>(v.pupils.size()), Noun::pupil, "pupils");
    stat(std::to_string(v.games), v.games, Noun::game, "games");
    if (v.first_day >= 0)
      stat(day_text(v.first_day) + " &ndash; " + day_text(v.last_day), kPeriod, "period");
    if (v.undated > 0) stat(std::to_string(v.undated), v.undated, Noun::undated_game, "undated");
    stat(std::to_string(v.asked.size()), static_cast<long long>(v.asked.size()), Noun::element_asked, "asked");
    const long all = v.answers_known + v.answers_missed;
    stat(std::to_string(v.answers_known) + " <small>(" + pct_text(v.answers_known, all) + ")</small>",
         v.answers_known, Noun::answer_known, "known");
    stat(std::to_string(v.answers_missed) + " <small>(" + pct_text(v.answers_missed, all) + ")</small>",
         v.answers_missed, Noun::answer_missed, "missed");
    out += "</div></section>\n";
  }

  void legend() {
    const Text texts[] = {kLegNever, kLegKnown, kLegMissed, kLegForgot};
    out += "<ul class=\"legend\">";
    for (int s : {1, 2, 3, 0})
      out += std::string("<li><span class=\"") + kMarkClass[s] + "\">" + kMark[s] + "</span>" +
             esc(T(texts[s])) + "</li>";
    out += "</ul>";
  }

  // The grid in parts of at most 40 element columns, so that it fits a
  // screen and a printed page; every part repeats the names and the shares.
  void grid() {
    out += "<section id=\"grid\"><h2>" + esc(T(kGrid)) + "</h2><p class=\"note\">" + esc(T(kGridNote)) + "</p>";
    legend();
    if (v.asked.empty()) {
      out += "<p>" + esc(T(kNothingAsked)) + "</p></section>\n";
      return;
    }
    const size_t parts = (v.asked.size() + 39) / 40;
    const size_t per = (v.asked.size() + parts - 1) / parts;
    for (size_t from = 0; from < v.asked.size(); from += per) {
      const size_t to = std::min(v.asked.size(), from + per);
      out += "<div class=\"wide\"><table class=\"grid\"><thead><tr><th class=\"who\">" + esc(T(kPupilCol)) + "</th>";
      for (size_t i = from; i < to; ++i)
        out += "<th title=\"" + name(v.asked[i]) + "\">" + sym(v.asked[i]) + "</th>";
      out += "<th>" + esc(T(kShareCol)) + "</th></tr></thead><tbody>\n";
      for (const Pupil& p : v.pupils) {
        out += "<tr><th class=\"who\">" + pupil_name(p) + "</th>";
        for (size_t i = from; i < to; ++i) {
          const auto s = size_t(p.standing[size_t(v.asked[i])]);
          out += s == 0 ? std::string("<td>") : std::string("<td class=") + kMarkClass[s] + ">";
          out += kMark[s];
          out += "</td>";
        }
        out += "<td class=\"share q" + std::to_string(band(p.known, p.asked)) + "\" title=\"" + std::to_string(p.known) + " " + esc(T(kOf)) + " " +
               std::to_string(p.asked) + "\">" + pct_text(p.known, p.asked) + "</td></tr>\n";
      }
      out += "</tbody></table></div>\n";
    }
    out += "</section>\n";
  }

  void revise() {
    out += "<section id=\"revise\"><h2>" + esc(T(kRevise)) + "</h2><p class=\"note\">" + esc(T(kReviseNote)) + "</p>";
    std::vector<int> order = v.asked;
    // Least known first; among equal shares the element more pupils were asked.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      const long ka = v.class_known[size_t(a)], na = v.class_asked[size_t(a)];
      const long kb = v.class_known[size_t(b)], nb = v.class_asked[size_t(b)];
      if (ka * nb != kb * na) return ka * nb < kb * na;
      return na > nb;
    });
    out += "<ol class=\"revise\">";
    for (int e : order) {
      const int k = v.class_known[size_t(e)], n = v.class_asked[size_t(e)];
      int forgot = 0;
      for (const Pupil& p : v.pupils) forgot += p.standing[size_t(e)] == Standing::forgotten;
      out += "<li><span class=\"sym\">" + sym(e) + "</span> " + name(e) + " <span class=\"bar\"><i class=\"q" +
             std::to_string(band(k, n)) + "\" style=\"width:" + std::to_string(percent(k, n)) +
             "%\"></i></span><b class=\"pct\">" + pct_text(k, n) + "</b> <small>" + esc(T(kKnowOf)) + " " +
             std::to_string(k) + " " + esc(T(kOf)) + " " + std::to_string(n);
      if (forgot > 0) out += ", " + esc(T(kForgot)) + " " + std::to_string(forgot);
      out += "</small></li>\n";
    }
    out += "</ol></section>\n";
  }

  // A small chart of the share known per game over the class's period (games
  // of one day stand side by side within that day), with the mean of five
  // neighbouring games as the trend.
  void chart(const Pupil& p) {
    std::vector<std::pair<int, const Game*>> dated;  // by day, then file order
    for (const Game& g : p.games)
      if (g.day >= 0 && g.asked > 0) dated.emplace_back(g.day, &g);
    std::stable_sort(dated.begin(), dated.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const size_t n = dated.size();
    // The share over the dated games from..to-1.
    const auto share = [&](size_t from, size_t to) {
      long k = 0, a = 0;
      for (size_t i = from; i < to; ++i) k += dated[i].second->known, a += dated[i].second->asked;
      return pct_text(k, a);
    };
    out += "<figure><figcaption><b>" + pupil_name(p) + "</b><br><small>" + esc(counted(static_cast<long long>(p.games.size()), Noun::game));
    if (n >= 2) {
      const size_t m = std::min<size_t>(3, n / 2);
      out += " &middot; " + esc(T(kStartShare)) + " " + share(0, m) + " &rarr; " + esc(T(kEndShare)) + " " +
             share(n - m, n);
    }
    out += "</small></figcaption>";
    if (n == 0) {
      out += "<p class=\"note\">" + esc(T(kNoDated)) + "</p></figure>\n";
      return;
    }
    constexpr double x0 = 34, x1 = 292, y0 = 8, y1 = 88;
    const double span = double(v.last_day - v.first_day + 1);
    const auto xpos = [&](double day) { return x0 + (x1 - x0) * (day - v.first_day) / span; };
    char buf[96];
    out += "<svg viewBox=\"0 0 300 112\" width=\"300\" height=\"112\" role=\"img\"><g stroke=\"#ddd\">";
    for (int q = 0; q <= 4; ++q) {
      std::snprintf(buf, sizeof buf, "<line x1=\"%g\" x2=\"%g\" y1=\"%g\" y2=\"%g\"/>", x0, x1,
                    y1 - (y1 - y0) * q / 4, y1 - (y1 - y0) * q / 4);
      out += buf;
    }
    out += "</g><g font-size=\"10\" fill=\"#666\" text-anchor=\"end\"><text x=\"30\" y=\"12\">100%</text>"
           "<text x=\"30\" y=\"52\">50%</text><text x=\"30\" y=\"92\">0%</text></g>"
           "<g font-size=\"10\" fill=\"#666\" text-anchor=\"middle\">";
    // The first and the last day of the period, and the first of each month
    // between them where it does not crowd the ends.
    std::snprintf(buf, sizeof buf, "<text x=\"%g\" y=\"104\" text-anchor=\"start\">", x0);
    out += buf + day_text(v.first_day, false) + "</text>";
    std::snprintf(buf, sizeof buf, "<text x=\"%g\" y=\"104\" text-anchor=\"end\">", x1);
    out += buf + day_text(v.last_day, false) + "</text>";
    for (int d = v.first_day + 1; d <= v.last_day; ++d) {
      const double x = xpos(d);
      if (civil_from_days(d).day != 1 || x - x0 < 40 || x1 - x < 40) continue;
      std::snprintf(buf, sizeof buf, "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%g\" y2=\"%g\" stroke=\"#bbb\"/>", x, x,
                    y0, y1 + 3);
      out += buf;
      std::snprintf(buf, sizeof buf, "<text x=\"%.1f\" y=\"104\">", x);
      out += buf + day_text(d, false) + "</text>";
    }
    out += "</g>";
    std::vector<std::pair<double, double>> pts(n);
    for (size_t i = 0; i < n;) {
      size_t j = i;
      while (j < n && dated[j].first == dated[i].first) ++j;
      for (size_t k = i; k < j; ++k) {
        const Game& g = *dated[k].second;
        pts[k] = {xpos(dated[k].first + (double(k - i) + 0.5) / double(j - i)),
                  y1 - (y1 - y0) * double(g.known) / double(g.asked)};
      }
      i = j;
    }
    std::string line, trend, dots;
    for (size_t i = 0; i < n; ++i) {
      const Game& g = *dated[i].second;
      long k = 0, a = 0;
      for (size_t w = i < 2 ? 0 : i - 2; w < std::min(n, i + 3); ++w)
        k += dated[w].second->known, a += dated[w].second->asked;
      std::snprintf(buf, sizeof buf, "%s%.1f,%.1f", i ? " " : "", pts[i].first, pts[i].second);
      line += buf;
      std::snprintf(buf, sizeof buf, "%s%.1f,%.1f", i ? " " : "", pts[i].first,
                    y1 - (y1 - y0) * double(k) / double(a));
      trend += buf;
      std::snprintf(buf, sizeof buf, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2.6\">", pts[i].first, pts[i].second);
      dots += buf + std::string("<title>") + day_text(dated[i].first) + ": " + pct_text(g.known, g.asked) + " (" +
              std::to_string(g.known) + " " + esc(T(kOf)) + " " + std::to_string(g.asked) + ")</title></circle>";
    }
    out += "<polyline fill=\"none\" stroke=\"#9ab7dc\" points=\"" + line + "\"/><g fill=\"#6b93c9\">" + dots +
           "</g>";
    if (n >= 3)
      out += "<polyline class=\"trend\" fill=\"none\" stroke=\"#123f80\" stroke-width=\"2.4\" points=\"" + trend +
             "\"/>";
    out += "</svg></figure>\n";
  }

  void progress() {
    out += "<section id=\"progress\"><h2>" + esc(T(kProgress)) + "</h2><p class=\"note\">" + esc(T(kProgressNote)) +
           "</p><div class=\"charts\">\n";
    for (const Pupil& p : v.pupils) chart(p);
    out += "</div></section>\n";
  }

  void table() {
    out += "<section id=\"table\"><h2>" + esc(T(kTable)) + "</h2><p class=\"note\">" + esc(T(kTableNote)) + "</p>";
    out += "<div class=\"scale\">";
    for (int b = 0; b < 5; ++b)
      out += "<span class=\"q" + std::to_string(b) + "\">" + kBandText[b] + "</span>";
    out += "<span class=\"qn\">" + esc(T(kLegNever)) + "</span></div><div class=\"wide\"><div class=\"ptable\">\n";
    const auto& cells = table_cells();
    for (size_t t = 0; t < cells.size(); ++t) {
      const int e = TABLEPOS[t];
      if (e >= v.elcount) continue;
      const int k = v.class_known[size_t(e)], n = v.class_asked[size_t(e)];
      out += "<div class=\"" + (n > 0 ? "q" + std::to_string(band(k, n)) : std::string("qn")) +
             "\" style=\"grid-area:" + std::to_string(cells[t].row) + "/" + std::to_string(cells[t].col) +
             "\" title=\"" + name(e);
      if (n > 0) out += ": " + esc(T(kKnowOf)) + " " + std::to_string(k) + " " + esc(T(kOf)) + " " + std::to_string(n);
      out += "\"><b>" + sym(e) + "</b>" + (n > 0 ? pct_text(k, n) : std::string("&ndash;")) + "</div>";
    }
    // The places of the two f-rows in rows 8 and 10, column 3.
    const auto range = [&](int first, int last) {
      return first < v.elcount && last < v.elcount ? sym(first) + "&ndash;" + sym(last) : std::string();
    };
    out += "<div class=\"gap\" style=\"grid-area:8/3\">" + range(TABLEPOS[56], TABLEPOS[70]) + "</div>";
    out += "<div class=\"gap\" style=\"grid-area:10/3\">" + range(TABLEPOS[88], TABLEPOS[102]) + "</div>";
    out += "\n</div></div></section>\n";
  }
};

}  // namespace

std::string render(const ClassView& view, const std::vector<DATABASE>& elements,
                   const std::string& base_name, const platform::LocalTime& made) {
  // Element indices past the table that was loaded are left out.
  ClassView v = view;
  v.elcount = std::min<int>(v.elcount, int(elements.size()));
  std::erase_if(v.asked, [&](int e) { return e >= v.elcount; });
  Page page{v, elements, {}};
  std::string& out = page.out;
  out.reserve(64 * 1024 + v.pupils.size() * (v.asked.size() * 16 + 2048));
  out += std::string(kPageStart) + esc(T(kTitle)) +
         "</title><style>" + std::string(kStyle) + "</style></head><body>\n";
  out += "<h1>Qora: " + esc(T(kTitle)) + "</h1><p class=\"made\">" + esc(T(kMade)) + " " +
         date_text(made) + " " +
         esc(T(kFromBase)) + " &laquo;" + esc(utf8_to_cp1251(base_name)) + "&raquo;</p>\n";
  if (v.games == 0) {
    out += "<p id=\"empty\">" + esc(T(kNoGames)) + "</p>\n";
  } else {
    page.summary();
    page.grid();
    page.revise();
    page.progress();
    page.table();
  }
  out += "</body></html>\n";
  return out;
}

// ---- The command -----------------------------------------------------------

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

std::string counted(long long n, Noun noun) {
  const Text one = first_form(noun);
  return COUNTED(n, T(one), T(Text(one + 1)), T(Text(one + 2)));
}

}  // namespace qora::report
