// SPDX-License-Identifier: GPL-3.0-or-later
#include <arpa/inet.h>

#include <gtest/gtest.h>

#include "app/package_search.h"
#include "protocol/reply_parser.h"
#include "relay/site_answers.h"
#include "relay/udp_answers.h"
#include "tests/support/fake_window.h"

namespace {

using namespace std::chrono_literals;

TComUnitList Devices(int n) {
    TComUnitList devices;
    for (int i = 1; i <= n; ++i)
        devices.push_back(MakeRecord({"KX-" + std::to_string(i % 3), i % 2 ? "IPCam" : " ", "cam " + std::to_string(i),
                                      "203.0.113." + std::to_string(i % 250 + 1), "80", "255.255.255.0", "203.0.113.1",
                                      "203.0.113.53", "02:4B:56:00:01:" + std::to_string(10 + i), "HW1", "n"}));
    return devices;
}

// What the window's parser makes of a received text.
TComUnitList Parse(const std::string& received) {
    FakeWindow form;
    TComUnitList list;
    int nextRow = 1;
    const DecodedAnswer answer = DecodeReceivedText(received.c_str(), static_cast<int>(received.size()));
    ParserPlainPkg(form, list, nextRow, answer.packages.data(), static_cast<int>(answer.packages.size()));
    return list;
}

std::vector<std::string> Texts(const TComUnitList& list) {
    std::vector<std::string> texts;
    for (const tComUnitInfo& device : list) {
        std::string text;
        for (int i = 0; i < kComUnitFieldCount; ++i) text += ComUnitFieldText(ComUnitField(device, i), 64) + "|";
        texts.push_back(text);
    }
    return texts;
}

TEST(SiteAnswers, TheWindowReadsBackEveryDeviceFromTheTcpMessageAndTheDatagrams) {
    const SiteAnswers answers(Devices(300), RelayClock::now(), 0.5);
    EXPECT_EQ(Texts(Parse(answers.TcpMessage())), Texts(answers.Devices()));
    ASSERT_EQ(answers.DatagramCount(), 300u);
    TComUnitList fromDatagrams;
    for (std::size_t i = 0; i < answers.DatagramCount(); ++i) {
        const TComUnitList one = Parse(answers.Datagram(i));
        ASSERT_EQ(one.size(), 1u) << i;
        fromDatagrams.push_back(one[0]);
    }
    EXPECT_EQ(Texts(fromDatagrams), Texts(answers.Devices()));
}

TEST(SiteAnswers, AnEmptySiteAnswersWithAnEmptyPackage) {
    const SiteAnswers answers({}, RelayClock::now(), 0.5);
    EXPECT_EQ(answers.TcpMessage(), "/w==") << "one NUL, inverted and encoded";
    ASSERT_EQ(answers.DatagramCount(), 1u);
    EXPECT_EQ(answers.Datagram(0), "/w==");
    EXPECT_TRUE(Parse(answers.TcpMessage()).empty());
}

TEST(SiteAnswers, KeepsThePagesOfAFewFiltersOnly) {
    const SiteAnswers answers(Devices(4), RelayClock::now(), 0.5);
    const auto all = answers.Page("ALL");
    EXPECT_EQ(all->rows, 4);
    EXPECT_EQ(answers.Page("ALL"), all) << "asked again, the same page";
    EXPECT_EQ(answers.Page("IPCam")->rows, 2);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(answers.Page("F" + std::to_string(i))->rows, 0);
    EXPECT_NE(answers.Page("F19"), answers.Page("F19")) << "past the few kept, made for each asker";
}

struct Sent {
    std::string to;
    std::string datagram;
};

sockaddr_in To(const char* address) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = ::inet_addr(address);
    to.sin_port = htons(6667);
    return to;
}

TEST(UdpAnswers, TakeTurnsWithinTheByteBudget) {
    std::vector<Sent> sent;
    UdpAnswers queue(
        [&](const sockaddr_in& to, std::string_view datagram) {
            sent.push_back({::inet_ntoa(to.sin_addr), std::string(datagram)});
            return UdpAnswers::SendResult::Sent;
        },
        1000 * 1000);
    const auto big = std::make_shared<const SiteAnswers>(Devices(400), RelayClock::now(), 0.5);
    const auto small = std::make_shared<const SiteAnswers>(Devices(2), RelayClock::now(), 0.5);
    const auto t0 = RelayClock::now();
    ASSERT_TRUE(queue.Add(To("198.51.100.11"), big, t0));
    ASSERT_TRUE(queue.Add(To("198.51.100.12"), small, t0));
    auto next = queue.Send(t0);
    ASSERT_TRUE(next.has_value()) << "400 datagrams are more than one burst";
    // Turn about: the small answer is out within the first few datagrams.
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[1].to, "198.51.100.12");
    EXPECT_EQ(sent[3].to, "198.51.100.12");
    EXPECT_EQ(sent[4].to, "198.51.100.11");
    std::size_t bytes = 0;
    for (const Sent& s : sent) bytes += s.datagram.size();
    EXPECT_LE(bytes, 17u * 1024);

    // Within a second of sending, all of it, and never faster than the cap.
    RelayClock::time_point now = t0;
    for (int turns = 0; next && turns < 100000; ++turns) {
        now = std::max(now, *next);
        next = queue.Send(now);
    }
    EXPECT_FALSE(next.has_value());
    EXPECT_EQ(sent.size(), 402u);
    bytes = 0;
    for (const Sent& s : sent) bytes += s.datagram.size();
    const double seconds = std::chrono::duration<double>(now - t0).count();
    EXPECT_GE(seconds, (static_cast<double>(bytes) - 16 * 1024) / (1000 * 1000) - 0.001) << bytes << " bytes";
}

TEST(UdpAnswers, BoundWhatWaitsAndGiveUpOnAskersGoneOrUnreachable) {
    UdpAnswers::SendResult result = UdpAnswers::SendResult::Busy;
    int tries = 0;
    UdpAnswers queue(
        [&](const sockaddr_in&, std::string_view) {
            ++tries;
            return result;
        },
        1000 * 1000, 2, 10s);
    const auto answers = std::make_shared<const SiteAnswers>(Devices(3), RelayClock::now(), 0.5);
    const auto t0 = RelayClock::now();
    EXPECT_TRUE(queue.Add(To("198.51.100.11"), answers, t0));
    EXPECT_TRUE(queue.Add(To("198.51.100.12"), answers, t0));
    EXPECT_FALSE(queue.Add(To("198.51.100.13"), answers, t0)) << "two may wait, no more";
    // A busy socket is tried again soon, nothing lost.
    const auto retry = queue.Send(t0);
    ASSERT_TRUE(retry.has_value());
    EXPECT_LE(*retry - t0, 10ms);
    EXPECT_EQ(queue.Waiting(), 2u);
    // An answer ten seconds old goes unsent: its asker stopped listening.
    EXPECT_FALSE(queue.Send(t0 + 11s).has_value());
    EXPECT_EQ(queue.GivenUp(), 2);
    // An asker that cannot be reached loses the rest of its answer at once.
    result = UdpAnswers::SendResult::Failed;
    tries = 0;
    EXPECT_TRUE(queue.Add(To("198.51.100.11"), answers, t0 + 12s));
    EXPECT_FALSE(queue.Send(t0 + 12s).has_value());
    EXPECT_EQ(tries, 1);
}

}  // namespace
