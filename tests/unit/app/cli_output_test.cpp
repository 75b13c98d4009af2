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
