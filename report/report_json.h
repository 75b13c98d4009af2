// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A search report as JSON, for scripts (lanvaro-cli --report).

#include <string>

#include "report/search_report.h"

std::string ReportJson(const SearchReport& report);

// How a byte that is no part of valid UTF-8 is written.
enum class StrayByte {
    Replacement,  // U+FFFD
    Latin1,       // the character of that byte's value, so nothing is lost
};

// A JSON string literal, quotes included, valid whatever bytes text holds.
std::string JsonString(const std::string& text, StrayByte stray = StrayByte::Replacement);
