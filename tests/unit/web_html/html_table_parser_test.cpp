// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/html_table_parser.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "protocol/device_index.h"
#include "tests/support/fake_window.h"
#include "tests/unit/web_html/reference_walk.h"

namespace {

using Lines = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

const int kMacField = 8;
const int kRowFields[kGridColumnCount] = {0, 1, 2, 3, 4, 5, kMacField};

// What the driver leaves before the walk: the header row alone, an empty list.
struct Search {
    FakeWindow form;
    TComUnitList list;
    Search() { form.SetRowCount(1); }

    void Parse(Lines& lines) {
        CleanHtml(lines);
        PhaseItem(form, list, lines);
    }
    void ParsePage(const std::string& body) {
        Lines lines = SplitPageLines(body);
        ApplyNoItemsRule(lines);
        Parse(lines);
    }
};

std::vector<std::string> RecordCells(const tComUnitInfo& rec) {
    std::vector<std::string> cells;
    for (int field : kRowFields) cells.push_back(ComUnitFieldText(ComUnitField(rec, field), ComUnitFieldWidth(field)));
    return cells;
}

// Every record matches its grid row, in order, and holds nothing but the
// seven cells.
void ExpectListMatchesGrid(const Search& s) {
    const Rows rows = s.form.DataRows();
    ASSERT_EQ(s.list.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(RecordCells(s.list[i]), rows[i]) << "row " << i + 1;
        for (int field : {6, 7, 9, 10})
            EXPECT_EQ(ComUnitField(s.list[i], field)[0], '\0') << "row " << i + 1 << " field " << field;
    }
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Rows ReadExpectedRows(const std::filesystem::path& path) {
    Rows rows;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            cells.push_back(line.substr(start, tab - start));
        cells.push_back(line.substr(start));
        rows.push_back(cells);
    }
    return rows;
}

std::vector<std::string> PageNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(LANVARO_WEB_TEST_DATA))
        if (entry.path().extension() == ".html") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RelayPageTest : public testing::TestWithParam<std::string> {};

TEST_P(RelayPageTest, GivesTheExpectedRowsAndRecords) {
    const std::filesystem::path dir(LANVARO_WEB_TEST_DATA);
    const Rows expected = ReadExpectedRows(dir / (GetParam() + ".expected"));
    Search s;
    s.ParsePage(ReadFile(dir / (GetParam() + ".html")));
    EXPECT_EQ(s.form.DataRows(), expected);
    EXPECT_EQ(s.form.RowCount(), static_cast<int>(expected.size()) + 1);
    ExpectListMatchesGrid(s);
}

INSTANTIATE_TEST_SUITE_P(DataFiles, RelayPageTest, testing::ValuesIn(PageNames()),
                         [](const auto& row) { return row.param; });

TEST(RelayPageFiles, AreThere) { EXPECT_GE(PageNames().size(), 10u); }

struct CleanCase {
    const char* name;
    std::string line;
    std::string cleaned;  // empty: the line is dropped
};
void PrintTo(const CleanCase& c, std::ostream* os) { *os << c.name; }

class CleanHtmlTest : public testing::TestWithParam<CleanCase> {};

TEST_P(CleanHtmlTest, StripsOnlyLeadingStructuralTags) {
    Lines lines{"first", GetParam().line, "last"};
    CleanHtml(lines);
    const Lines expected =
        GetParam().cleaned.empty() ? Lines{"first", "last"} : Lines{"first", GetParam().cleaned, "last"};
    EXPECT_EQ(lines, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CleanHtmlTest,
    testing::Values(CleanCase{"RowTagBeforeCells", "<tr><td>a</td></tr>", "<td>a</td></tr>"},
                    CleanCase{"HeadShieldsLaterTags", "<head><title>T</title></head>", "<head><title>T</title></head>"},
                    CleanCase{"HtmlThenBodyKeepsBody", "<HTML><BODY>", "<BODY>"},
                    CleanCase{"ThreeTagsAllGo", "<html><body><table>", ""},
                    CleanCase{"TitleKeepsItsText", "<TITLE>Devices</TITLE>", "Devices"},
                    CleanCase{"TbodyHoldsBody", "<tbody>", ""}, CleanCase{"StrongHoldsTr", "<strong>x</strong>y", "xy"},
                    CleanCase{"AttributesAreTested", "<meta content=\"text/html\"><td>a</td>", "<td>a</td>"},
                    CleanCase{"ClosingTagsAtTheFront", "</table></body></html>", ""},
                    CleanCase{"TextBeforeTheTag", "  <tr>x", "  x"},
                    CleanCase{"CellTagShields", "<td>a</td><tr>", "<td>a</td><tr>"},
                    CleanCase{"CloseBeforeOpenIsNoTag", "a>b<tr>", "a>b<tr>"},
                    CleanCase{"TagWithoutClose", "<tr", "<tr"}, CleanCase{"NoTags", "plain text", "plain text"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(CleanHtml, DropsLinesThatBecomeEmptyAndKeepsTheOrder) {
    Lines lines{"<html>", "", "a", "<tr>", "b", "</tr>"};
    CleanHtml(lines);
    EXPECT_EQ(lines, (Lines{"a", "b"}));
}

TEST(PhaseItem, RowTagLineFillsRowOneAndLeavesTheClosingTag) {
    Search s;
    Lines lines{"Heading", "<tr><td>a</td><td>b</td><td>c</td><td>d</td><td>e</td><td>f</td><td>g</td></tr>"};
    s.Parse(lines);
    EXPECT_EQ(s.form.DataRows(), (Rows{{"a", "b", "c", "d", "e", "f", "g"}}));
    EXPECT_EQ(lines, (Lines{"Heading", "</tr>"}));
    ExpectListMatchesGrid(s);
}

TEST(PhaseItem, KeepsEveryLineWithoutFilterOrDuplicateTest) {
    Search s;
    s.form.proj = "OTHER";
    const std::string row = "<td>m</td><td>P</td><td>n</td><td>not-an-ip</td><td>x</td><td>y</td><td>z</td>";
    Lines lines{"H", row, row, "no cells here"};
    s.Parse(lines);
    EXPECT_EQ(s.form.DataRows(), (Rows{{"m", "P", "n", "not-an-ip", "x", "y", "z"},
                                       {"m", "P", "n", "not-an-ip", "x", "y", "z"},
                                       Rows::value_type(7)}));
    ExpectListMatchesGrid(s);
}

TEST(PhaseItem, CellsOnlyLinesKeepConsecutiveRowsInListOrder) {
    Search s;
    Lines lines{"<td>h</td>", "<td>1</td>", "<td>2</td>tail", "<td>3</td>", "<td>4</td>"};
    s.Parse(lines);
    EXPECT_EQ(s.form.RowCount(), 5);
    Rows expected;
    for (const char* m : {"1", "2", "3", "4"}) expected.push_back({m, "", "", "", "", "", ""});
    EXPECT_EQ(s.form.DataRows(), expected);
    ExpectListMatchesGrid(s);
    EXPECT_EQ(lines, (Lines{"tail"}));
}

TEST(PhaseItem, ListStopsAtItsLimitAndCountsTheRowsLeftOut) {
    Search s;
    s.list.resize(kMaxListedDevices - 1);
    Lines lines{"H", "<td>1</td>", "<td>2</td>", "<td>3</td>"};
    CleanHtml(lines);
    EXPECT_EQ(PhaseItem(s.form, s.list, lines), 2);
    EXPECT_EQ(s.list.size(), kMaxListedDevices);
    EXPECT_EQ(s.form.DataRows(), (Rows{{"1", "", "", "", "", "", ""}}));
}

TEST(PhaseItem, CellCloseBeforeOpenGivesEmptyCellsAndLeavesTheLine) {
    Search s;
    Lines lines{"H", "</td>x<td>y</td>"};
    s.Parse(lines);
    EXPECT_EQ(s.form.DataRows(), Rows{Rows::value_type(7)});
    EXPECT_EQ(lines, (Lines{"H", "</td>x<td>y</td>"}));
}

TEST(PhaseItem, MarkerJoinedByACellDeletionIsACell) {
    Search s;
    Lines lines{"H", "<t<td>x</td>d>y</td>"};
    s.Parse(lines);
    EXPECT_EQ(s.form.DataRows(), (Rows{{"x", "y", "", "", "", "", ""}}));
}

// A handful of fragments that make tags, cells and half-markers meet in every
// way; the linear walks must agree with the literal ones.
std::string RandomLine(std::mt19937& rng) {
    static const char* const kFragments[] = {"<",       ">",        "<td>",
                                             "</td>",   "<td>",     "</td>",
                                             "<tr>",    "</tr>",    "<t",
                                             "d>",      "</t",      "<td",
                                             "/td>",    "td>",      "</",
                                             "<TD>",    "<body>",   "<b>",
                                             "x",       "yz",       "TR",
                                             " ",       "<title",   "<HTML>",
                                             "<table ", "<strong>", "0123456789abcdefghijklmnopqrstuvwxyz"};
    std::uniform_int_distribution<int> count(0, 24);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kFragments) - 1);
    std::string line;
    for (int n = count(rng); n > 0; --n) line += kFragments[pick(rng)];
    return line;
}

TEST(PageWalks, AgreeWithTheLiteralWalksOnRandomPages) {
    std::mt19937 rng(20240611);
    for (int page = 0; page < 1500; ++page) {
        Lines lines;
        for (int n = std::uniform_int_distribution<int>(0, 12)(rng); n > 0; --n) lines.push_back(RandomLine(rng));

        Lines cleaned;
        for (const auto& line : lines)
            if (std::string c = ReferenceCleanLine(line); !c.empty()) cleaned.push_back(c);
        Rows rows;
        Lines rest;
        for (std::size_t i = 0; i < cleaned.size(); ++i) {
            ReferenceRow row = ReferenceTakeCells(cleaned[i]);
            if (i > 0) rows.push_back(row.cells);
            if (!row.rest.empty()) rest.push_back(row.rest);
        }

        Search s;
        Lines walked = lines;
        CleanHtml(walked);
        ASSERT_EQ(walked, cleaned) << "page " << page;
        PhaseItem(s.form, s.list, walked);
        ASSERT_EQ(s.form.DataRows(), rows) << "page " << page;
        ASSERT_EQ(walked, rest) << "page " << page;
        ExpectListMatchesGrid(s);
    }
}

TEST(PageWalks, HugeLinesTakeLinearTime) {
    // Edited in place, each of these lines would cost minutes.
    std::string tags, cells, brackets;
    while (tags.size() < kHtmlAnswerLimit) tags += "<tr>";
    while (cells.size() < kHtmlAnswerLimit) cells += "<td></td>";
    brackets.assign(kHtmlAnswerLimit, '>');
    const auto start = std::chrono::steady_clock::now();
    Search s;
    Lines lines{"H", tags, cells, brackets, "<td>" + std::string(kHtmlAnswerLimit, 'c') + "</td>"};
    s.Parse(lines);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(10));
    ASSERT_EQ(s.form.RowCount(), 5);
    EXPECT_EQ(s.form.Cell(0, 4), std::string(31, 'c'));
}

TEST(PageWalks, LongRunsAgreeWithTheLiteralWalks) {
    std::string tags, cells;
    for (int i = 0; i < 3000; ++i) {
        tags += (i % 3) ? "<tr>" : "<TR >";
        cells += (i % 5) ? "<td></td>" : "<td>ab</td>";
    }
    Lines lines{tags, cells};
    CleanHtml(lines);
    EXPECT_EQ(lines, (Lines{ReferenceCleanLine(tags), ReferenceCleanLine(cells)}));
    Search s;
    PhaseItem(s.form, s.list, lines);
    const ReferenceRow row = ReferenceTakeCells(ReferenceCleanLine(cells));
    EXPECT_EQ(s.form.DataRows(), Rows{row.cells});
    EXPECT_EQ(lines.back(), row.rest);
}

}  // namespace
