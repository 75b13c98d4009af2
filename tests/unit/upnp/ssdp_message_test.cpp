// SPDX-License-Identifier: GPL-3.0-or-later
#include "upnp/ssdp_message.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/support/data_files.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Each NAME.answer beside NAME.expected: "rejected", or the USN, UDN and
// location, one a line.
class SsdpAnswerTest : public testing::TestWithParam<std::string> {};

TEST_P(SsdpAnswerTest, ReadsOnlyARootDevicesAnswer) {
    const fs::path base = fs::path(LANVARO_TEST_DATA) / "ssdp" / GetParam();
    const auto answer = ParseRootDeviceAnswer(ReadFile(base.string() + ".answer"));
    std::istringstream expected(ReadFile(base.string() + ".expected"));
    std::string usn, udn, location;
    std::getline(expected, usn);
    if (usn == "rejected") {
        EXPECT_FALSE(answer.has_value());
        return;
    }
    std::getline(expected, udn);
    std::getline(expected, location);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->usn, usn);
    EXPECT_EQ(answer->udn, udn);
    EXPECT_EQ(answer->location, location);
}

INSTANTIATE_TEST_SUITE_P(Files, SsdpAnswerTest,
                         testing::ValuesIn(DataFileNames(fs::path(LANVARO_TEST_DATA) / "ssdp", ".answer")),
                         [](const testing::TestParamInfo<std::string>& p) { return p.param; });

TEST(SsdpMessage, ASearchIsReadBackAsNoAnswer) {
    const std::string search = BuildMSearch(ssdp::kRootDevice, 1);
    EXPECT_EQ(search.rfind("M-SEARCH * HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(search.find("\r\nMX: 1\r\n"), std::string::npos);
    EXPECT_NE(search.find("\r\nMAN: \"ssdp:discover\"\r\n"), std::string::npos);
    EXPECT_EQ(search.substr(search.size() - 4), "\r\n\r\n");
    // This host hears its own search on the group; it must not count.
    EXPECT_FALSE(ParseRootDeviceAnswer(search).has_value());
}

}  // namespace
