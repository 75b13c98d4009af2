// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/memory_form.h"

MemoryForm::MemoryForm() {
    rows.assign(2, std::vector<std::string>(kGridColumnCount));
    for (int c = 0; c < kGridColumnCount; ++c) rows[0][static_cast<std::size_t>(c)] = kGridHeaderTexts[c];
}

bool MemoryForm::LogContains(const std::string& text) const {
    for (const auto& line : log)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

std::vector<std::vector<std::string>> MemoryForm::DataRows() const {
    if (rows.size() <= 1) return {};
    return {rows.begin() + 1, rows.end()};
}

std::string MemoryForm::Cell(int col, int row) {
    if (row < 0 || col < 0 || row >= RowCount() || col >= kGridColumnCount) return {};
    return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void MemoryForm::SetCell(int col, int row, const std::string& text) {
    if (row < 0 || col < 0 || row >= RowCount() || col >= kGridColumnCount) return;
    rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
}

void MemoryForm::SetRowCount(int count) {
    if (count < 0) count = 0;
    rows.resize(static_cast<std::size_t>(count), std::vector<std::string>(kGridColumnCount));
    // Rows that went take their marks with them.
    std::erase_if(marks, [count](const auto& mark) { return mark.first.second >= count; });
    std::erase_if(rowToolTips, [count](const auto& tip) { return tip.first >= count; });
}

void MemoryForm::SetRowToolTip(int row, const std::string& toolTip) {
    if (row < 1 || row >= RowCount()) return;
    if (toolTip.empty())
        rowToolTips.erase(row);
    else
        rowToolTips[row] = toolTip;
}

void MemoryForm::SetCellMark(int col, int row, const std::string& toolTip) {
    if (row < 1 || col < 0 || row >= RowCount() || col >= kGridColumnCount) return;
    if (toolTip.empty())
        marks.erase({col, row});
    else
        marks[{col, row}] = toolTip;
}

void MemoryForm::Log(const std::string& line) {
    std::string l = line;
    if (!l.empty() && l.back() == '\n') l.pop_back();
    log.push_back(l);
}
