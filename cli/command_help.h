// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `--help` of lanvaro-cli and of each of its commands: the usage lines and
// every option with a line of what it does.

#include <optional>
#include <string>
#include <vector>

struct HelpOption {
    const char* name;  // as typed, with its value: "--relay ADDR"
    const char* what;
};

struct CommandHelpText {
    const char* command;  // "" for the search, "setup", "onvif info", ...
    const char* usage;    // whole lines, each ending in a newline
    const char* about;    // one paragraph
    std::vector<HelpOption> options;
};

// Every command's help, the search first.
const std::vector<CommandHelpText>& AllCommandHelp();

// The help that the arguments ask for, when one of them is --help or -h;
// nullopt when none is. An unknown command gets the top-level help.
std::optional<std::string> HelpAskedFor(const std::vector<std::string>& args);

// One command's help as printed.
std::string FormatCommandHelp(const CommandHelpText& help);
