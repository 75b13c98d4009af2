// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "cli/cli_options.h"
#include "cli/table_output.h"

TEST(CliOptions, DefaultsFollowTheWindow) {
    const auto parsed = ParseSearchOptions({});
    ASSERT_TRUE(parsed.error.empty());
    EXPECT_FALSE(parsed.options.relay);
    EXPECT_EQ(parsed.options.transport, "TCP");
    EXPECT_EQ(parsed.options.filter, "ALL");
    EXPECT_EQ(parsed.options.format, OutputFormat::Table);
}

TEST(CliOptions, UsageErrors) {
    EXPECT_FALSE(ParseSearchOptions({"--relay"}).error.empty());
    EXPECT_FALSE(ParseSearchOptions({"--format", "xml"}).error.empty());
    EXPECT_FALSE(ParseSearchOptions({"--transport", "UDP"}).error.empty()) << "a transport needs a relay";
    EXPECT_FALSE(ParseSearchOptions({"--relay", "198.51.100.1", "--transport", "SCTP"}).error.empty());
    EXPECT_FALSE(ParseSearchOptions({"--bogus"}).error.empty());
    const auto rest = ParseSearchOptions({"--mac", "x", "--relay", "198.51.100.1"}, true);
    EXPECT_TRUE(rest.error.empty());
    EXPECT_EQ(rest.rest, (std::vector<std::string>{"--mac", "x"}));
    EXPECT_EQ(*rest.options.relay, "198.51.100.1");
}

TEST(CliOptions, RangeAndRate) {
    const auto parsed = ParseSearchOptions({"--range", "203.0.113.0/24, 198.51.100.7", "--rate", "50000"});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    EXPECT_EQ(parsed.options.range, std::optional<std::string>("203.0.113.0/24, 198.51.100.7"));
    EXPECT_EQ(parsed.options.rate, 50000);
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--range", "203.0.113.0/24", "--relay", "198.51.100.1"}, "--range and --relay cannot be given together"},
        {{"--range", "203.0.113.x"}, "Invalid range - [203.0.113.x]"},
        {{"--range", "198.18.0.0/15"}, "Too many addresses - [131,072]: a search covers at most 65,536"},
        {{"--rate", "100"}, "--rate needs --range"},
        {{"--range", "203.0.113.1", "--rate", "50001"}, "--rate takes 1 to 50,000 datagrams per second"},
        {{"--range", "203.0.113.1", "--rate", "0"}, "--rate takes 1 to 50,000 datagrams per second"},
        {{"--range", "203.0.113.1", "--rate", "9k"}, "--rate takes 1 to 50,000 datagrams per second"},
    };
    for (const auto& [args, error] : refused) EXPECT_EQ(ParseSearchOptions(args).error, error);
}

TEST(CliOptions, ReportFileAndDoctor) {
    const auto parsed = ParseSearchOptions({"--report", "a.json", "--log", "--report", "b.json"});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    EXPECT_EQ(parsed.options.reportPath, std::optional<std::string>("b.json"));
    EXPECT_TRUE(parsed.options.log);
    EXPECT_EQ(ParseSearchOptions({"--log", "--report"}).error, "--report needs a value");

    EXPECT_EQ(ParseDoctorOptions({}), "");
    EXPECT_FALSE(ParseDoctorOptions({"--log"}).empty());
    EXPECT_FALSE(ParseDoctorOptions({"extra"}).empty());
}

TEST(TableOutput, CsvQuotesOnlyWhatNeedsIt) {
    const TableRows rows{{"M,1", "say \"hi\"", "line\nbreak", "198.51.100.1", "80", "255.0.0.0", "aa"}};
    EXPECT_EQ(FormatCsv(rows),
              "Model,Proj,Name,IP,Port,Netmask,Mac\n"
              "\"M,1\",\"say \"\"hi\"\"\",line\\x0abreak,198.51.100.1,80,255.0.0.0,aa\n");
}

TEST(TableOutput, JsonStaysValidWhateverBytesADeviceSent) {
    const TableRows rows{{"q\"\\", "\x01", "caf\xc3\xa9", "\xff", "", "", ""}};
    EXPECT_EQ(FormatJson(rows),
              "[\n  {\"model\": \"q\\\"\\\\\", \"proj\": \"\\u0001\", \"name\": \"caf\xc3\xa9\", \"ip\": \"\\u00ff\", "
              "\"port\": \"\", \"netmask\": \"\", \"mac\": \"\"}\n]\n");
    EXPECT_EQ(FormatJson({}), "[]\n");
}

TEST(TableOutput, TableAlignsColumnsAndEndsWithTheCount) {
    const TableRows rows{{"LongModelName", "P", "N", "198.51.100.1", "80", "255.0.0.0", "aa"}};
    const std::string out = FormatTable(rows, "1 device(s) found!");
    EXPECT_EQ(out,
              "Model          Proj  Name  IP            Port  Netmask    Mac\n"
              "LongModelName  P     N     198.51.100.1  80    255.0.0.0  aa\n"
              "1 device(s) found!\n");
}
