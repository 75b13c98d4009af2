// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/calls_at_once.h"

#include <exception>
#include <thread>

void RunCallsAtOnce(const std::vector<std::function<void()>>& calls) {
    std::vector<std::exception_ptr> failures(calls.size());
    auto run = [&](std::size_t i) {
        try {
            calls[i]();
        } catch (...) {
            failures[i] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> others;
        others.reserve(calls.size());
        for (std::size_t i = 1; i < calls.size(); ++i) others.emplace_back(run, i);
        if (!calls.empty()) run(0);
    }  // joined here, also when starting a thread threw
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}
