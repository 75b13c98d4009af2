// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window for the fuzz targets: the in-memory form, with the grid as a
// search leaves it (header row only), a log that is counted rather than kept
// so a long run does not grow without end, and writes outside the grid
// treated as the parser faults they would be.

#include <cstddef>
#include <string>

#include "protocol/memory_form.h"

class FuzzForm : public MemoryForm {
public:
    FuzzForm() {
        rows.resize(1);
        method = SearchMethod::IpRelay;
        relayAddress = "127.0.0.1";
        relayTransport = "UDP";
    }

    std::size_t logLines = 0;

    void SetCell(int col, int row, const std::string& text) override {
        if (row < 0 || col < 0 || row >= RowCount() || col >= kGridColumnCount) __builtin_trap();
        MemoryForm::SetCell(col, row, text);
    }
    void SetRowCount(int count) override {
        if (count < 0 || count > 100000) __builtin_trap();
        MemoryForm::SetRowCount(count);
    }
    void Log(const std::string&) override { ++logLines; }
};

inline void Require(bool condition) {
    if (!condition) __builtin_trap();
}
