// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "web/html_table_parser.h"

namespace {

using Lines = std::vector<std::string>;

struct SplitCase {
    const char* name;
    std::string body;
    Lines lines;
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitPageLinesTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitPageLinesTest, SplitsAtEveryKindOfLineEnd) { EXPECT_EQ(SplitPageLines(GetParam().body), GetParam().lines); }

INSTANTIATE_TEST_SUITE_P(Bodies, SplitPageLinesTest,
                         testing::Values(SplitCase{"MixedEnds", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                                         SplitCase{"LastLineWithoutEnd", "a\nb", {"a", "b"}},
                                         SplitCase{"FinalEndAddsNoLine", "a\n", {"a"}},
                                         SplitCase{"EmptyLinesCount", "a\n\n\r\n\rb", {"a", "", "", "", "b"}},
                                         SplitCase{"CrThenCrLf", "a\r\r\nb", {"a", "", "b"}},
                                         SplitCase{"LfCrIsTwoEnds", "a\n\rb", {"a", "", "b"}},
                                         SplitCase{"OnlyALineEnd", "\r\n", {""}}, SplitCase{"Empty", "", {}},
                                         SplitCase{"TextEndsAtZeroByte", std::string("ab\0cd\nef", 8), {"ab"}},
                                         SplitCase{"ZeroByteFirst", std::string("\0ab", 3), {}},
                                         SplitCase{"HighBytesKept", "\xFF\xFE\n\x80", {"\xFF\xFE", "\x80"}}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(SplitPageLines, ReadsNothingBeyondTheAnswerLimit) {
    std::string body(kHtmlAnswerLimit - 2, 'x');
    body += "\nyz\nlost";
    const Lines lines = SplitPageLines(body);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), kHtmlAnswerLimit - 2);
    EXPECT_EQ(lines[1], "y");
}

struct NoItemsCase {
    const char* name;
    Lines lines;
    bool emptied;
};
void PrintTo(const NoItemsCase& c, std::ostream* os) { *os << c.name; }

class NoItemsRuleTest : public testing::TestWithParam<NoItemsCase> {};

TEST_P(NoItemsRuleTest, EmptiesOnlyShortPagesWithTheMarker) {
    Lines lines = GetParam().lines;
    ApplyNoItemsRule(lines);
    EXPECT_EQ(lines, GetParam().emptied ? Lines{} : GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, NoItemsRuleTest,
    testing::Values(NoItemsCase{"MarkerAlone", {"No available items"}, true},
                    NoItemsCase{"FourLinesWithCells", {"<html>", "<td>a</td>", "<b>No available items</b>", "x"}, true},
                    NoItemsCase{"FiveLinesIgnored", {"1", "2", "3", "4", "No available items"}, false},
                    NoItemsCase{"MarkerCaseCounts", {"no available items"}, false},
                    NoItemsCase{"NoMarker", {"<td>a</td>"}, false}, NoItemsCase{"NoLines", {}, false}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
