// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How every lanvaro-cli command runs CLI11: the arguments in the order given,
// its errors as one usage line. Only for the .cpp files of cli/, which link
// CLI11 themselves.

#include <CLI/CLI.hpp>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

// Parses args into app. Empty on success, else the usage error: "unknown
// argument --flag=V" for a flag given a value, "X needs a value" for an
// option at the end without its value, else CLI11's message.
std::string ParseCommandLine(CLI::App& app, const std::vector<std::string>& args);

// A command's app: no help option of CLI11's own, and arguments it does not
// know kept for the caller to refuse in its own words.
void PrepareCommandApp(CLI::App& app);

// An option taking one value whose repeats are kept, not merged, so that
// RepeatedOption can refuse them.
CLI::Option* AddSingleValueOption(CLI::App& app, const char* name);

// "NAME given twice" for the first of these given more than once; empty when
// none was.
std::string RepeatedOption(std::initializer_list<const CLI::Option*> options);

// "--verify SECONDS": a whole number from 1 to 3600, else nullopt.
std::optional<int> VerifySeconds(const std::string& text);
inline constexpr const char* kVerifyRangeError = "--verify takes a number of seconds from 1 to 3600";
