// SPDX-License-Identifier: GPL-3.0-or-later
#include <clocale>

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "tests/support/fake_window.h"

namespace {

class GridOrdering : public ::testing::Test {
protected:
    void SetUp() override { std::setlocale(LC_ALL, "C.UTF-8"); }

    void Fill(const std::vector<std::vector<std::string>>& data) {
        form.SetRowCount(static_cast<int>(data.size()) + 1);
        for (std::size_t r = 0; r < data.size(); ++r)
            for (std::size_t c = 0; c < data[r].size(); ++c)
                form.SetCell(static_cast<int>(c), static_cast<int>(r) + 1, data[r][c]);
    }
    std::vector<std::string> Column(int col) {
        std::vector<std::string> out;
        for (int r = 1; r < form.RowCount(); ++r) out.push_back(form.Cell(col, r));
        return out;
    }

    FakeWindow form;
    MainFormLogic logic{form};
};

}  // namespace

TEST_F(GridOrdering, HeaderClicksToggleOneFlagAcrossColumns) {
    Fill({{"B", "p2"}, {"C", "p1"}, {"A", "p3"}});
    ASSERT_TRUE(logic.SortAscending);
    logic.StringGrid1MouseUp(true, 0, 0);  // first click of a run orders descending
    EXPECT_EQ(Column(0), (std::vector<std::string>{"C", "B", "A"}));
    logic.StringGrid1MouseUp(true, 0, 0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"A", "B", "C"}));
    logic.StringGrid1MouseUp(true, 1, 0);  // another column: direction flips again
    EXPECT_EQ(Column(1), (std::vector<std::string>{"p3", "p2", "p1"}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"A", "B", "C"})) << "rows move whole";
}

TEST_F(GridOrdering, OnlyALeftClickOnTheHeaderOrders) {
    Fill({{"B"}, {"A"}});
    logic.StringGrid1MouseUp(false, 0, 0);
    logic.StringGrid1MouseUp(true, 0, 1);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"B", "A"}));
    EXPECT_TRUE(logic.SortAscending);
}

TEST_F(GridOrdering, SingleRowOnlyTogglesAndEmptyTableStaysAsItIs) {
    Fill({{"only", "x"}});
    logic.StringGrid1MouseUp(true, 0, 0);
    EXPECT_FALSE(logic.SortAscending);
    EXPECT_EQ(form.RowCount(), 2);
    EXPECT_EQ(form.Cell(1, 1), "x");

    form.SetRowCount(1);
    logic.SortStringGrid(0);
    EXPECT_EQ(form.RowCount(), 2) << "an empty table keeps one empty row";
    EXPECT_TRUE(form.headerRowFixed);
}

TEST_F(GridOrdering, CaseInsensitiveTiesAreOrderedByTheRestOfTheRow) {
    Fill({{"axis", "b"}, {"AXIS", "a"}, {"Axis", "c"}});
    logic.SortAscending = true;
    logic.SortStringGrid(0);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(GridOrdering, CellsCompareAsTextsNotNumbers) {
    Fill({{"", "", "", "198.51.100.9"}, {"", "", "", "198.51.100.10"}});
    logic.SortAscending = true;
    logic.SortStringGrid(3);
    EXPECT_EQ(Column(3), (std::vector<std::string>{"198.51.100.10", "198.51.100.9"}));
}

TEST_F(GridOrdering, ASortCellHoldingTheSeparatorRestoresItsRowUnchanged) {
    const std::vector<std::string> tricky{"m@x", "p@", "@name", "198.51.100.1", "80", "255.0.0.0", "aa:bb:cc:dd:ee:ff"};
    Fill({{"zz", "p"}, tricky});
    logic.SortAscending = true;
    logic.SortStringGrid(0);
    EXPECT_EQ(form.DataRows().at(0), tricky);
    logic.SortStringGrid(2);
    EXPECT_EQ(form.DataRows().at(0), tricky);
}
