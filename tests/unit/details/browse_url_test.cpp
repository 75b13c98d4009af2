// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/browse_url.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(BrowsePort, ReadsOnlyWholeDecimalPortNumbers) {
    const struct {
        const char* text;
        int port;
    } cases[] = {
        {"8080", 8080}, {"", 80},         {"abc", 80},      {"80abc", 80},
        {"99999", 80},  {"65535", 65535}, {"65536", 80},    {"0", 80},
        {"-1", 80},     {"+8080", 80},    {" 8080 ", 8080}, {"00081", 81},
        {"1", 1},       {"8 080", 80},    {"0x50", 80},     {"99999999999999999999999", 80},
        {"\t554", 554},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("trigger_port \"") + c.text + "\"");
        EXPECT_EQ(BrowsePort(c.text), c.port);
    }
}

TEST(CheckUrlHost, AcceptsDottedIPv4AndPlainHostNames) {
    const struct {
        const char* ip;
        const char* host;
    } cases[] = {
        {"198.51.100.10", "198.51.100.10"},
        {"203.0.113.1", "203.0.113.1"},
        {"255.255.255.255", "255.255.255.255"},
        // Browsers would read "010" as octal 8.
        {"198.051.100.010", "198.51.100.10"},
        {"cam-01", "cam-01"},
        {"Camera.lan", "Camera.lan"},
        {"3com", "3com"},
        {"host.0xyz", "host.0xyz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ip);
        const UrlHost h = CheckUrlHost(c.ip);
        EXPECT_EQ(h.host, c.host);
        EXPECT_EQ(h.problem, "");
    }
}

TEST(CheckUrlHost, RefusesTextsThatWouldNameAnotherPlaceOrBreakTheUrl) {
    const std::string cases[] = {
        "",
        " 203.0.113.1",
        "203.0.113.1 ",
        "203.0.113.1/evil",
        "user@203.0.113.1",
        "evil.com@203.0.113.1",
        "203.0.113.1#frag",
        "203.0.113.1?q=1",
        "203.0.113.1:81",
        std::string("203.0.113.1\n"),
        std::string("203.0\x01.113.1"),
        std::string("203.0.113.1\0x", 13),
        "203.0.113",
        "1.2.3.4.5",
        "256.1.1.1",
        "203..113.1",
        ".",
        "203.0.113.1.",
        "-cam",
        "cam-",
        "cam_01",
        "%32%30%33.0.113.1",
        "[::1]",
        "2130706433",
        "0x7f000001",
        "cam.0x1F",
        "\\\\share",
        "kamera.\xC3\xBC",
        "javascript:alert(1)",
        std::string(254, 'a'),
    };
    for (const std::string& ip : cases) {
        SCOPED_TRACE(PrintableText(ip));
        const UrlHost h = CheckUrlHost(ip);
        EXPECT_EQ(h.host, "");
        EXPECT_NE(h.problem, "");
    }
}

TEST(MakePageAddress, FormsHttpHostColonPort) {
    EXPECT_EQ(MakePageAddress("198.51.100.10", "8080").url, "http://198.51.100.10:8080");
    EXPECT_EQ(MakePageAddress("198.51.100.10", "").url, "http://198.51.100.10:80");
    EXPECT_EQ(MakePageAddress("198.51.100.10", "web").url, "http://198.51.100.10:80");
    EXPECT_EQ(MakePageAddress("cam-01", "554").url, "http://cam-01:554");

    const PageAddress refused = MakePageAddress("203.0.113.1/admin", "80");
    EXPECT_FALSE(refused.url.has_value());
    EXPECT_NE(refused.problem, "");
}

}  // namespace
