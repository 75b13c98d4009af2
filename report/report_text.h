// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A search report for people: the whole report as text (the report dialog,
// a support ticket) and the status bar's one line.

#include <string>

#include "protocol/text_format.h"
#include "report/search_report.h"

// Every section, each problem with its fix.
std::string ReportText(const SearchReport& report);

// "Broadcast through eth0, eth1 · 2,043 replies · 3 ignored · 1 device outside
// your networks".
std::string StatusSummary(const SearchReport& report);

// The status line while a part of the search runs ("package search", "UPnP").
std::string RunningStatus(const std::string& part);

// "2 hosts answered but offered no camera service: 203.0.113.3, ...", the
// first 20 named.
std::string HostsWithoutServiceText(const std::vector<std::string>& hosts);

// The Address Range section of the report.
std::string RangeText(const RangeReport& range);
