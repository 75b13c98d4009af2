// Ordering the result table: rows are keyed by their sort cell, "@", and the
// whole row text, and compared as texts in the user's locale, ignoring case.

#include <algorithm>
#include <vector>

#include "app/main_form_logic.h"
#include "protocol/locale_text.h"

namespace {

struct RowKey {
    std::string key;
    std::string rowText;
};

}  // namespace

void MainFormLogic::SortStringGrid(int column) {
    const int n = form_.RowCount();
    if (n > 2) {
        std::vector<RowKey> keys;
        keys.reserve(static_cast<std::size_t>(n - 1));
        for (int r = 1; r < n; ++r) {
            std::string rowText = GridRowText(form_, r);
            // The row text is kept beside its key rather than cut back out of
            // it, so a sort cell holding "@" restores its row unchanged.
            keys.push_back({form_.Cell(column, r) + "@" + rowText, std::move(rowText)});
        }
        std::stable_sort(keys.begin(), keys.end(),
                         [](const RowKey& a, const RowKey& b) { return CompareTextIgnoreCase(a.key, b.key) < 0; });
        for (int r = 1; r < n; ++r) {
            const std::size_t index =
                SortAscending ? static_cast<std::size_t>(r - 1) : static_cast<std::size_t>(n - 1 - r);
            SetGridRowText(form_, r, keys[index].rowText);
        }
    }
    if (form_.RowCount() < 2) form_.SetRowCount(2);
    form_.SetHeaderRowFixed(true);
    // Marks belong to cells, not to the texts that just moved.
    MarkRowsOutsideNetworks();
}
