#pragma once
// A search report for people: the whole report as text (the report dialog,
// a support ticket) and the status bar's one line.

#include <string>

#include "report/search_report.h"

// Every section, each problem with its fix.
std::string ReportText(const SearchReport& report);

// "Broadcast through eth0, eth1 · 2,043 replies · 3 ignored · 1 device outside
// your networks".
std::string StatusSummary(const SearchReport& report);

// The status line while a part of the search runs ("package search", "UPnP").
std::string RunningStatus(const std::string& part);

// 2043 -> "2,043".
std::string GroupedNumber(long long n);
