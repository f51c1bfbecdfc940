"""The class report of qora-records, run on results bases made here and read
back with Python's HTML parser. Usage: report_check.py QORA_RECORDS"""
import html.parser
import os
import struct
import subprocess
import sys
import tempfile
import unittest

TOOL = None
VOID = {"meta", "br", "hr", "img", "input", "link", "col", "area", "base", "embed", "source", "track", "wbr"}
N, H, FE, HE, LI, LA = 0, 5, 6, 26, 27, 75  # element indices of the shipped table


def record(name, known=(), missed=(), length=None):
    """A 95-byte results record as the game stores it."""
    def bits(elements):
        b = bytearray(32)
        for e in elements:
            b[e // 8] |= 1 << (e % 8)
        return bytes(b)
    raw = name.encode("cp1251")
    return bytes([1, len(raw) if length is None else length]) + raw.ljust(29, b"\0")[:29] + bits(known) + bits(missed)


class Node:
    def __init__(self, tag, attrs):
        self.tag, self.attrs, self.children = tag, dict(attrs), []

    def text(self):
        return "".join(c if isinstance(c, str) else c.text() for c in self.children)

    def all(self, tag=None, **attrs):
        for c in self.children:
            if isinstance(c, Node):
                if (tag is None or c.tag == tag) and all(c.attrs.get(k.rstrip("_")) == v for k, v in attrs.items()):
                    yield c
                yield from c.all(tag, **attrs)

    def one(self, tag=None, **attrs):
        found = list(self.all(tag, **attrs))
        assert len(found) == 1, f"{len(found)} <{tag} {attrs}>"
        return found[0]


class Tree(html.parser.HTMLParser):
    """Builds the element tree and insists that every element is closed where it was opened."""
    def __init__(self, page):
        super().__init__()
        self.root = Node("#root", [])
        self.stack = [self.root]
        self.feed(page)
        self.close()
        assert self.stack == [self.root], f"unclosed <{self.stack[-1].tag}>"

    def handle_starttag(self, tag, attrs):
        node = Node(tag, attrs)
        self.stack[-1].children.append(node)
        if tag not in VOID:
            self.stack.append(node)

    def handle_endtag(self, tag):  # also after <x/>, so a void element's is passed over
        if tag in VOID:
            return
        assert self.stack[-1].tag == tag, f"</{tag}> closes <{self.stack[-1].tag}>"
        self.stack.pop()

    def handle_data(self, data):
        self.stack[-1].children.append(data)


def run(folder, *args):
    env = dict(os.environ, QORA_CLOCK="virtual")  # today is 05.12.2026
    return subprocess.run([TOOL, "report", *args], cwd=folder, env=env, capture_output=True, text=True)


def write(path, data):
    """Bytes, or text in Windows-1251, into a file of a folder made as needed."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("cp1251"))


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def report(*records):
    """The parsed page made from a base of these records."""
    with tempfile.TemporaryDirectory() as d:
        write(os.path.join(d, "Result.qora"), b"".join(records))
        r = run(d, "Result.qora", "-o", "page.html")
        assert r.returncode == 0 and r.stdout == "page.html\n", r
        page = read(os.path.join(d, "page.html"))
    tree = Tree(page).root
    tree.size = len(page.encode())
    # Self-contained: no scripts, no style sheets or pictures fetched from anywhere.
    assert not list(tree.all("script")) and not list(tree.all("link")) and not list(tree.all("img"))
    assert all(not n.attrs.get("src") and not n.attrs.get("href") for n in tree.all())
    return tree


def grid(tree):
    """{pupil: {symbol: standing class}} and {pupil: share}, over all parts of the grid."""
    marks, shares = {}, {}
    for table in tree.one("section", id="grid").all("table"):
        symbols = [th.text() for th in table.one("thead").all("th")][1:-1]
        for tr in table.one("tbody").all("tr"):
            who = tr.one("th").text()
            cells = list(tr.all("td"))
            marks.setdefault(who, {}).update(zip(symbols, (c.attrs.get("class", "n") for c in cells)))
            shares[who] = cells[-1].text()
    return marks, shares


class Report(unittest.TestCase):
    def test_standings_shares_and_ordering(self):
        tree = report(
            record("01.12.2026 - Аня", known=[H, HE, N], missed=[LI]),
            record("01.12.2026 - Боря", known=[LI], missed=[HE]),
            record("02.12.2026 - Аня", known=[LI], missed=[H, N]),
            record("03.12.2026 - Аня", known=[N], missed=[FE]),
            record("03.12.2026 - Боря", known=[HE, FE], missed=[LI, H]),
            record("04.12.2026 - Боря", known=[H], missed=[HE]),
            record("04.12.2026 - Вера", known=[N], missed=[FE, N]),  # in both sets: missed
            record("05.12.2026 - Дима", missed=[N]),
            record("05.12.2026 - Гена", known=[N]))
        marks, shares = grid(tree)
        self.assertEqual(list(marks), ["Аня", "Боря", "Вера", "Гена", "Дима"])
        self.assertEqual(marks, {
            # H known then missed; N known, missed, known again; Li missed then known.
            "Аня": {"H": "f", "He": "k", "Li": "k", "N": "k", "Fe": "m"},
            "Боря": {"H": "k", "He": "f", "Li": "f", "N": "n", "Fe": "k"},
            "Вера": {"H": "n", "He": "n", "Li": "n", "N": "m", "Fe": "m"},
            "Гена": {"H": "n", "He": "n", "Li": "n", "N": "k", "Fe": "n"},
            "Дима": {"H": "n", "He": "n", "Li": "n", "N": "m", "Fe": "n"}})
        self.assertEqual(shares, {"Аня": "60\xa0%", "Боря": "50\xa0%", "Вера": "0\xa0%", "Гена": "100\xa0%",
                                  "Дима": "0\xa0%"})
        # Periodic order in the grid's columns.
        head = tree.one("section", id="grid").one("thead")
        self.assertEqual([th.text() for th in head.all("th")][1:-1], ["H", "He", "Li", "N", "Fe"])
        # Least known first; of equal shares the one more pupils were asked.
        revise = [(li.one("span", class_="sym").text(), li.one("b", class_="pct").text())
                  for li in tree.one("ol", class_="revise").all("li")]
        self.assertEqual(revise, [("Fe", "33\xa0%"), ("N", "50\xa0%"), ("H", "50\xa0%"), ("He", "50\xa0%"),
                                  ("Li", "50\xa0%")])
        summary = {b.attrs["id"]: b.text() for b in tree.one("section", id="summary").all("b")}
        self.assertEqual((summary["pupils"], summary["games"], summary["asked"]), ("5", "9", "5"))
        self.assertEqual(summary["period"], "01.12.2026 \u2013 05.12.2026")
        self.assertEqual((summary["known"], summary["missed"]), ("10 (48\xa0%)", "11 (52\xa0%)"))
        # The periodic table: every element in the game's short-form cell, coloured by the class share.
        cells = {c.one("b").text(): c for c in tree.one("div", class_="ptable").all("div") if c.attrs["class"] != "gap"}
        self.assertEqual(len(cells), 105)
        for sym, area, colour in [("H", "1/1", "q2"), ("He", "1/8", "q2"), ("Fe", "4/8", "q1"), ("N", "2/5", "q2"),
                                  ("La", "12/1", "qn"), ("Lr", "13/15", "qn"), ("Pt", "8/10", "qn"),
                                  ("Rf", "10/4", "qn"), ("Db", "10/5", "qn")]:
            self.assertEqual((cells[sym].attrs["style"], cells[sym].attrs["class"]), ("grid-area:" + area, colour), sym)

    def test_progress_follows_the_dates_and_leaves_out_undated_games(self):
        tree = report(
            record("02.12.2026 - Аня", known=[H], missed=[HE]),
            record("Аня", known=[H, HE]),                       # no "-": the whole name, no date
            record("31.02.2026 - Аня", known=[H]),              # no such day
            record("30.11.2026 - Аня", known=[H, HE, LI, N]),   # saved later, played earlier
            record("02.12.2026 - Аня", known=[LI], missed=[N]),
            record("Боря", missed=[H]))
        summary = {b.attrs["id"]: b.text() for b in tree.one("section", id="summary").all("b")}
        self.assertEqual((summary["games"], summary["undated"], summary["period"]),
                         ("6", "3", "30.11.2026 \u2013 02.12.2026"))
        figures = {f.one("figcaption").one("b").text(): f for f in tree.one("section", id="progress").all("figure")}
        self.assertEqual(list(figures), ["Аня", "Боря"])
        dots = [(float(c.attrs["cx"]), c.one("title").text()) for c in figures["Аня"].all("circle")]
        self.assertEqual([t for _, t in sorted(dots)],
                         ["30.11.2026: 100\xa0% (4 из 4)", "02.12.2026: 50\xa0% (1 из 2)", "02.12.2026: 50\xa0% (1 из 2)"])
        self.assertIn("в начале 100\xa0% → в конце 50\xa0%", figures["Аня"].one("figcaption").text())
        self.assertEqual(list(figures["Боря"].all("svg")), [])
        self.assertEqual(figures["Боря"].one("p").text(), "нет игр с датой")

    def test_names_are_shown_as_typed(self):
        hostile = ["<script>", "&amp;", "\"'><b>x", "\x01a"]
        tree = report(*[record("01.12.2026 - " + n, known=[H]) for n in hostile], record("01.12.2026 -", known=[H]))
        marks, _ = grid(tree)
        self.assertEqual(sorted(marks), sorted(["<script>", "&amp;", "\"'><b>x", "?a", "(без имени)"]))
        self.assertEqual(list(tree.one("section", id="grid").all("b")), [])

    def test_a_full_base_stays_small(self):
        # 1500 pupils each asked every element: the largest grid a full base can give.
        tree = report(*[record(f"05.12.2026 - Ученик {i}", known=range(0, 105, 2), missed=range(1, 105, 2))
                        for i in range(1500)])
        marks, _ = grid(tree)
        self.assertEqual((len(marks), len(marks["Ученик 7"])), (1500, 105))
        self.assertLessEqual(tree.size, 5 * 1024 * 1024)

    def test_empty_base(self):
        tree = report()
        self.assertEqual(tree.one("p", id="empty").text(), "Пока не сохранено ни одной игры: в базе результатов нет записей.")
        self.assertEqual(list(tree.all("section")), [])

    def test_written_beside_the_base_never_over_a_report(self):
        with tempfile.TemporaryDirectory() as d:
            write(os.path.join(d, "class", "Result.qora"), record("01.12.2026 - Аня", known=[H]))
            write(os.path.join(d, "class", "report_2026-12-05.html"), "kept")
            for want in ["class/report_2026-12-05_2.html", "class/report_2026-12-05_3.html"]:
                r = run(d, "class/Result.qora")
                self.assertEqual((r.returncode, r.stdout, r.stderr), (0, want + "\n", ""))
                self.assertIn("Аня", Tree(read(os.path.join(d, want))).root.text())
            self.assertEqual(read(os.path.join(d, "class", "report_2026-12-05.html")), "kept")

    def test_element_table_here_then_beside_the_base_then_beside_the_program(self):
        with open(os.path.join(os.path.dirname(TOOL), "play", "001"), encoding="cp1251") as f:
            shipped = f.read()
        with tempfile.TemporaryDirectory() as d:
            write(os.path.join(d, "class", "Result.qora"), record("01.12.2026 - Аня", known=[H]))
            for folder, table, status, symbol in [(None, None, 0, "H"), ("class", "6,Q,Водород", 0, "Q"),
                                                  (".", "6,Z,Водород", 0, "Z"), (".", None, 1, None)]:
                if folder:  # None: the shipped table; a missing element line: an unusable one
                    write(os.path.join(d, folder, "001"), shipped.replace("6,H,Водород", table) if table else "3\n")
                r = run(d, "class/Result.qora", "-o", "page.html")
                self.assertEqual((r.returncode, r.stderr.count("\n")), (status, status), r)
                if symbol:
                    grid_head = Tree(read(os.path.join(d, "page.html"))).root.one("section", id="grid").one("thead")
                    self.assertEqual([th.text() for th in grid_head.all("th")][1:-1], [symbol])


if __name__ == "__main__":
    TOOL = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
