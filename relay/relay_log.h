// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The relay's log: one line per event on stderr, which journald keeps for a
// service. Every line is made inert (control characters as \xNN), since
// clients and devices choose much of what it says.

#include <functional>
#include <mutex>
#include <string>

#include "relay/relay_access.h"

class RelayLog {
public:
    using Writer = std::function<void(const std::string& line)>;
    // Lines go to stderr unless a writer is given (tests).
    explicit RelayLog(Writer writer = {});

    void Line(const std::string& text);
    // A line others can cause in any number (a client refused, a packet
    // dropped, a device's odd answer): at most kLimitedPerSecond such lines
    // are written a second; the next one written says how many were not.
    void Limited(const std::string& text, RelayClock::time_point now);

    static constexpr int kLimitedPerSecond = 20;

private:
    void Write(const std::string& text);

    Writer writer_;
    std::mutex mutex_;
    RelayClock::time_point second_{};
    int inSecond_ = 0;
    long long untold_ = 0;
};
