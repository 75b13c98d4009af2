// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of a lanvaro-cli search, parsed with CLI11.

#include <optional>
#include <string>
#include <vector>

enum class OutputFormat { Table, Csv, Json };

struct SearchOptions {
    std::optional<std::string> relay;  // set: "IP Relay" with this address
    std::string transport = "TCP";
    std::string filter = "ALL";
    OutputFormat format = OutputFormat::Table;
    bool log = false;
    std::optional<std::string> reportPath;  // --report FILE: the search report as JSON
    std::optional<std::string> range;       // set: "Address Range" over these ranges
    int rate = 0;                           // --rate: datagrams per second (0: the default)
};

struct ParsedSearchOptions {
    SearchOptions options;
    std::string error;  // non-empty: a usage error
    // Arguments this parser did not know, left for a caller that takes more.
    std::vector<std::string> rest;
};

// Parses the search options; unknown arguments are an error unless
// `allowRest` is set, in which case they are handed back in `rest`.
ParsedSearchOptions ParseSearchOptions(const std::vector<std::string>& args, bool allowRest = false);

// Checks the arguments of `doctor`, which takes none; returns a usage error,
// or an empty text when there is none.
std::string ParseDoctorOptions(const std::vector<std::string>& args);

extern const char* const kSearchUsage;
