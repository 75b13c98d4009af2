// SPDX-License-Identifier: GPL-3.0-or-later
// devsim's command line: services declare options, the parser enforces them.

#include "tools/devsim/devsim_options.h"

#include <gtest/gtest.h>

namespace {

const std::vector<DevsimOption> kDeclared = {
    {"--flag", DevsimOptionKind::Flag, "a flag"},
    {"--file", DevsimOptionKind::Text, "a file"},
    {"--count", DevsimOptionKind::Integer, "a count", 0, 100},
};

std::optional<DevsimOptions> Parse(std::vector<const char*> args, std::string& error) {
    args.insert(args.begin(), "lanvaro-devsim");
    return DevsimOptions::Parse(static_cast<int>(args.size()), args.data(), kDeclared, error);
}

TEST(DevsimOptions, TakesValuesInBothFormsAndFallsBackWhenAbsent) {
    std::string error;
    auto o = Parse({"--flag", "--file", "a b", "--count=42"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_TRUE(o->Flag("--flag"));
    EXPECT_EQ(o->Text("--file", ""), "a b");
    EXPECT_EQ(o->Integer("--count", 7), 42);

    o = Parse({}, error);
    ASSERT_TRUE(o);
    EXPECT_FALSE(o->Flag("--flag"));
    EXPECT_FALSE(o->Text("--file"));
    EXPECT_EQ(o->Integer("--count", 7), 7);
}

TEST(DevsimOptions, RejectsWhatCannotBeMeant) {
    struct Case {
        std::vector<const char*> args;
        const char* reason;
    };
    const Case cases[] = {
        {{"--nope"}, "unknown option --nope"},
        {{"--file"}, "needs a value"},
        {{"--flag=1"}, "takes no value"},
        {{"--count", "101"}, "integer from 0 to 100"},
        {{"--count", "-1"}, "integer from 0 to 100"},
        {{"--count", "12abc"}, "integer from 0 to 100"},
        {{"--count", ""}, "integer from 0 to 100"},
        {{"--flag", "--flag"}, "given twice"},
        {{"stray"}, "unknown option stray"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(Parse(c.args, error)) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

TEST(DevsimOptions, HelpListsEveryOption) {
    std::string help = DevsimOptionsHelp(kDeclared);
    for (const DevsimOption& option : kDeclared) EXPECT_NE(help.find(option.name), std::string::npos);
}

}  // namespace
