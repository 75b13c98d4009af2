// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/relay_log.h"

#include <cstdio>

#include "protocol/terminal_text.h"

RelayLog::RelayLog(Writer writer) : writer_(std::move(writer)) {}

void RelayLog::Write(const std::string& text) {
    const std::string line = TerminalText(text);
    if (writer_) {
        writer_(line);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void RelayLog::Line(const std::string& text) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Write(text);
}

void RelayLog::Limited(const std::string& text, RelayClock::time_point now) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (now - second_ >= std::chrono::seconds(1)) {
        second_ = now;
        inSecond_ = 0;
    }
    if (inSecond_ >= kLimitedPerSecond) {
        ++untold_;
        return;
    }
    ++inSecond_;
    if (untold_ > 0) {
        Write(text + " (and " + std::to_string(untold_) + " more such lines not logged)");
        untold_ = 0;
        return;
    }
    Write(text);
}
