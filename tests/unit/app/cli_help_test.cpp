// SPDX-License-Identifier: GPL-3.0-or-later
// lanvaro-cli's --help: every command has one, each option it shows is
// explained, and the arguments reach the help of the command they name.

#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "cli/command_help.h"

namespace {

std::set<std::string> OptionsIn(const std::string& text) {
    std::set<std::string> found;
    const std::regex option("--[a-z][a-z-]*");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        found.insert(it->str());
    return found;
}

TEST(CommandHelp, EveryOptionAUsageLineShowsIsExplained) {
    for (const CommandHelpText& help : AllCommandHelp()) {
        std::set<std::string> explained;
        for (const HelpOption& option : help.options) {
            EXPECT_NE(std::string(option.what), "") << option.name;
            for (const std::string& name : OptionsIn(option.name)) explained.insert(name);
        }
        for (const std::string& shown : OptionsIn(help.usage))
            EXPECT_TRUE(explained.count(shown) != 0) << "'" << help.command << "' shows " << shown;
        EXPECT_TRUE(explained.count("--help") != 0) << help.command;
    }
}

TEST(CommandHelp, TheTopLevelNamesEveryCommand) {
    const std::string top = *HelpAskedFor({"--help"});
    for (const CommandHelpText& help : AllCommandHelp())
        EXPECT_NE(top.find(std::string("  ") + help.command), std::string::npos) << help.command;
}

TEST(CommandHelp, ArgumentsReachTheirCommandsHelp) {
    const auto usage = [](std::vector<std::string> args) {
        const auto help = HelpAskedFor(args);
        return help ? help->substr(0, help->find('\n')) : std::string("none");
    };
    EXPECT_EQ(usage({"--filter", "ALL"}), "none");
    EXPECT_EQ(usage({"-h"}).rfind("usage: lanvaro-cli [--relay ADDR]", 0), 0u);
    EXPECT_EQ(usage({"doctor", "--help"}), "usage: lanvaro-cli doctor");
    EXPECT_EQ(usage({"setup", "--onvif", "198.51.100.7", "--help"}).rfind("usage: lanvaro-cli setup --mac", 0), 0u);
    EXPECT_EQ(usage({"onvif", "--help"}).rfind("usage: lanvaro-cli onvif info", 0), 0u);
    EXPECT_EQ(
        usage({"onvif", "sync-time", "--ip", "198.51.100.7", "--help"}).rfind("usage: lanvaro-cli onvif sync-time", 0),
        0u);
    // An unknown command still gets help rather than an error.
    EXPECT_EQ(usage({"frobnicate", "--help"}).rfind("usage: lanvaro-cli [--relay ADDR]", 0), 0u);
}

}  // namespace
