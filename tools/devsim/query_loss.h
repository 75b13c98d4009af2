// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A lossy link (--loss PERCENT): each simulated device misses that share of
// the queries it is sent, each query and device drawn on its own.

#include <random>

class QueryLoss {
public:
    explicit QueryLoss(long long percent) : percent_(static_cast<int>(percent)), random_(std::random_device{}()) {}

    bool Misses() {
        if (percent_ <= 0) return false;
        return std::uniform_int_distribution<int>(0, 99)(random_) < percent_;
    }

private:
    int percent_;
    std::mt19937 random_;
};
