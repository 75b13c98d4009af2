#pragma once
// A search report as JSON, for scripts (lanvaro-cli --report).

#include <string>

#include "report/search_report.h"

std::string ReportJson(const SearchReport& report);

// A JSON string literal, quotes included; bytes that are not valid UTF-8
// become U+FFFD.
std::string JsonString(const std::string& text);
