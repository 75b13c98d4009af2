// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/fake_window.h"

tComUnitInfo MakeRecord(const std::vector<std::string>& fields) {
    tComUnitInfo rec{};
    for (int i = 0; i < kComUnitFieldCount && i < static_cast<int>(fields.size()); ++i)
        SetComUnitField(ComUnitField(rec, i), ComUnitFieldWidth(i), fields[static_cast<std::size_t>(i)]);
    return rec;
}
