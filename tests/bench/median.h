// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The figure a LAN benchmark prints of its repeated runs.

#include <algorithm>
#include <vector>

// The middle value (the upper of the two middle ones for an even count); 0
// when there is none.
inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
