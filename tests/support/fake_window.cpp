#include "tests/support/fake_window.h"

FakeWindow::FakeWindow() {
    rows.assign(2, std::vector<std::string>(kGridColumnCount));
    for (int c = 0; c < kGridColumnCount; ++c) rows[0][static_cast<std::size_t>(c)] = kGridHeaderTexts[c];
}

bool FakeWindow::LogContains(const std::string& text) const {
    for (const auto& line : log)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

std::vector<std::vector<std::string>> FakeWindow::DataRows() const {
    if (rows.size() <= 1) return {};
    return {rows.begin() + 1, rows.end()};
}

std::string FakeWindow::Cell(int col, int row) {
    if (row < 0 || col < 0 || row >= RowCount() || col >= kGridColumnCount) return {};
    return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void FakeWindow::SetCell(int col, int row, const std::string& text) {
    if (row < 0 || col < 0 || row >= RowCount() || col >= kGridColumnCount) return;
    rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
}

void FakeWindow::SetRowCount(int count) {
    if (count < 0) count = 0;
    rows.resize(static_cast<std::size_t>(count), std::vector<std::string>(kGridColumnCount));
}

void FakeWindow::Log(const std::string& line) {
    std::string l = line;
    if (!l.empty() && l.back() == '\n') l.pop_back();
    log.push_back(l);
}

tComUnitInfo MakeRecord(const std::vector<std::string>& fields) {
    tComUnitInfo rec{};
    for (int i = 0; i < kComUnitFieldCount && i < static_cast<int>(fields.size()); ++i)
        SetComUnitField(ComUnitField(rec, i), ComUnitFieldWidth(i), fields[static_cast<std::size_t>(i)]);
    return rec;
}
