// SPDX-License-Identifier: GPL-3.0-or-later
// Ordering the result table: rows are keyed by their sort cell, "@", and the
// whole row text, and compared as texts in the user's locale, ignoring case.

#include <algorithm>
#include <vector>

#include "app/main_form_logic.h"
#include "protocol/locale_text.h"

namespace {

struct RowKey {
    std::string key;
    std::vector<std::string> cells;
};

}  // namespace

void MainFormLogic::SortStringGrid(int column) {
    const int n = form_.RowCount();
    if (n > 2) {
        std::vector<RowKey> keys;
        keys.reserve(static_cast<std::size_t>(n - 1));
        for (int r = 1; r < n; ++r) {
            RowKey row;
            row.key = form_.Cell(column, r) + "@" + GridRowText(form_, r);
            // The cells move as cells, never re-read from the row text, so no
            // text a cell holds can carry the rest of the row into other columns.
            for (int col = 0; col < kGridColumnCount; ++col) row.cells.push_back(form_.Cell(col, r));
            keys.push_back(std::move(row));
        }
        std::stable_sort(keys.begin(), keys.end(),
                         [](const RowKey& a, const RowKey& b) { return CompareTextIgnoreCase(a.key, b.key) < 0; });
        for (int r = 1; r < n; ++r) {
            const std::size_t index =
                SortAscending ? static_cast<std::size_t>(r - 1) : static_cast<std::size_t>(n - 1 - r);
            const std::vector<std::string>& cells = keys[index].cells;
            for (int col = 0; col < kGridColumnCount; ++col)
                form_.SetCell(col, r, cells[static_cast<std::size_t>(col)]);
        }
    }
    if (form_.RowCount() < 2) form_.SetRowCount(2);
    form_.SetHeaderRowFixed(true);
    // Marks belong to cells, not to the texts that just moved.
    MarkIpCells(LocalInterfaceAddresses());
}
