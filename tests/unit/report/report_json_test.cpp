// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_json.h"

#include <gtest/gtest.h>

// Texts come from devices and relays: whatever they hold, the report must
// stay valid JSON.
TEST(ReportJson, StringsAreEscapedAndKeptValid) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("say \"hi\" \\ now"), "\"say \\\"hi\\\" \\\\ now\"");
    EXPECT_EQ(JsonString("a\nb\tc\x01"), "\"a\\nb\\tc\\u0001\"");
    EXPECT_EQ(JsonString("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
    EXPECT_EQ(JsonString("bad \xFF\xC3"), "\"bad \\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"") << "a UTF-16 surrogate is no character";
    // Valid JSON raw, but a C1 control (here CSI) acts on a terminal showing the file.
    EXPECT_EQ(JsonString("csi \xC2\x9B"
                         "1m \xC2\x80\xC2\x9F \xC2\xA0"),
              "\"csi \\u009b1m \\u0080\\u009f \xC2\xA0\"");
}

TEST(ReportJson, EmptyReportHasEveryKey) {
    EXPECT_EQ(ReportJson(SearchReport{}),
              "{\"search\": {\"method\": \"\", \"transport\": \"\", \"relay\": \"\", \"filter\": \"\", \"seconds\": "
              "0.000}, \"cards\": [], \"replies\": {\"datagrams\": 0, \"bytes\": 0, \"packages\": 0, \"devices\": 0, "
              "\"duplicates\": 0, \"hidden_by_filter\": 0, \"rejected\": 0, \"rejected_reasons\": {}}, \"upnp\": "
              "{\"answered\": 0, \"kept\": 0, \"skipped\": []}, \"problems\": [], \"outside_networks\": [], "
              "\"address_conflicts\": []}\n");
}

TEST(ReportJson, OnvifPartOnlyWhenTheSearchHadOne) {
    SearchReport report;
    report.onvif = OnvifReport{4, 2, 1, 3, 5};
    const std::string json = ReportJson(report);
    EXPECT_NE(json.find("\"onvif\": {\"matches\": 4, \"devices\": 2, \"malformed\": 1, \"cut\": 3, \"other\": 5}, "
                        "\"problems\""),
              std::string::npos)
        << json;
}

TEST(ReportJson, AddressConflictsListEachAddressWithItsMacs) {
    SearchReport report;
    report.addressConflicts = {{"198.51.100.90", {"02:4B:43:00:00:01", "02:4B:43:00:00:02"}},
                               {"198.51.100.7", {"A", "B"}}};
    const std::string json = ReportJson(report);
    EXPECT_NE(json.find("\"address_conflicts\": [{\"ip\": \"198.51.100.90\", \"macs\": [\"02:4B:43:00:00:01\", "
                        "\"02:4B:43:00:00:02\"]}, {\"ip\": \"198.51.100.7\", \"macs\": [\"A\", \"B\"]}]}"),
              std::string::npos)
        << json;
}

TEST(ReportJson, RangePartOnlyWhenTheSearchHadOne) {
    EXPECT_EQ(ReportJson(SearchReport{}).find("\"range\""), std::string::npos);
    SearchReport report;
    RangeReport range;
    range.ranges = {"203.0.113.0/24"};
    range.addresses = 256;
    range.datagrams = 2048;
    range.seconds = 1.25;
    range.rounds = 2;
    range.upWithoutService = {"203.0.113.1", "203.0.113.3"};
    report.range = range;
    const std::string json = ReportJson(report);
    EXPECT_NE(
        json.find("\"range\": {\"ranges\": [\"203.0.113.0/24\"], \"addresses\": 256, \"datagrams\": 2048, "
                  "\"seconds\": 1.250, \"rounds\": 2, \"up_without_service\": [\"203.0.113.1\", \"203.0.113.3\"], "
                  "\"failed_sends\": 0, \"slowdowns\": 0, \"on_link_addresses\": 0, \"on_link_per_second\": 0, "
                  "\"neighbour_limit\": 0, \"stopped\": false}, \"problems\""),
        std::string::npos)
        << json;
}
