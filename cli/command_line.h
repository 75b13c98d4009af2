#pragma once
// How every lanvaro-cli command runs CLI11: the arguments in the order given,
// its errors as one usage line. Only for the .cpp files of cli/, which link
// CLI11 themselves.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

// Parses args into app. Empty on success, else the usage error: "unknown
// argument --flag=V" for a flag given a value, "X needs a value" for an
// option at the end without its value, else CLI11's message.
std::string ParseCommandLine(CLI::App& app, const std::vector<std::string>& args);
