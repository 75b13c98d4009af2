// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated TCP relay, spoken to as the tool does: one flag 02 query,
// one encoded answer on the same connection.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include <gtest/gtest.h>

#include "protocol/package_codec.h"
#include "protocol/plain_package.h"
#include "protocol/reply_parser.h"
#include "protocol/unique_fd.h"
#include "tests/lan/protocol/reply_collector.h"
#include "tests/lan/protocol/sample_devices.h"
#include "tests/support/fake_window.h"

namespace {

using namespace std::chrono_literals;

struct RelayAnswer {
    std::string bytes;
    bool closed = false;  // the relay closed the connection
    UniqueFd sock;        // our end, open while the answer lives
};

// Sends the query and reads until the relay closes or `quiet` passes
// without data (bounded by `limit` in all).
RelayAnswer AskRelay(FakeWindow& form, std::chrono::milliseconds quiet, std::chrono::milliseconds limit = 10s) {
    RelayAnswer answer;
    answer.sock.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const UniqueFd& sock = answer.sock;
    sockaddr_in relay{};
    relay.sin_family = AF_INET;
    relay.sin_port = htons(kDevicePort);
    relay.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(sock.get(), reinterpret_cast<const sockaddr*>(&relay), sizeof relay) != 0) return answer;
    std::vector<char> query(kWireBufferSize, '\0');
    if (MakePlainPkg(form, kFlagRelayQuery, query.data(), nullptr) != 0) return answer;
    if (::send(sock.get(), query.data(), std::strlen(query.data()), MSG_NOSIGNAL) < 0) return answer;
    const auto end = std::chrono::steady_clock::now() + limit;
    char chunk[8192];
    while (std::chrono::steady_clock::now() < end) {
        pollfd fd{sock.get(), POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(quiet.count())) <= 0) break;
        ssize_t n = ::recv(sock.get(), chunk, sizeof chunk, 0);
        if (n <= 0) {
            answer.closed = n == 0;
            break;
        }
        answer.bytes.append(chunk, static_cast<size_t>(n));
    }
    return answer;
}

// The answer as the tool reads it: one message, decoded and parsed whole.
TComUnitList Parse(FakeWindow& form, const std::string& message) {
    std::vector<unsigned char> decoded(message.size() + 1, 0);
    int n = Base64Decode(decoded.data(), decoded.size() - 1, message.c_str());
    InvertBytes(decoded.data(), n);
    TComUnitList list;
    int nextRow = 1;
    ParserPlainPkg(form, list, nextRow, reinterpret_cast<const char*>(decoded.data()), n);
    return list;
}

TEST(TcpRelay, AnswersOneMessageWithEveryDeviceThenCloses) {
    SampleDevsim sim({"--tcp-relay"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    RelayAnswer answer = AskRelay(form, 3s);
    EXPECT_TRUE(answer.closed);
    EXPECT_EQ(RecordTexts(Parse(form, answer.bytes)), RecordTexts(DevicesFromText(kSampleDevices)));
}

TEST(TcpRelay, LargeAnswerArrivesWhole) {
    // Far beyond one 64 KiB buffer: the relay must not stop at a short send.
    auto sim = SampleDevsim::Without({"--tcp-relay", "--count", "3000"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    RelayAnswer answer = AskRelay(form, 3s);
    EXPECT_TRUE(answer.closed);
    EXPECT_GT(answer.bytes.size(), 4u * 65536u);
    EXPECT_EQ(RecordTexts(Parse(form, answer.bytes)), RecordTexts(GenerateDevices(3000)));
}

TEST(TcpRelay, NeverCloseKeepsTheConnectionAfterAnswering) {
    SampleDevsim sim({"--tcp-relay", "--tcp-never-close"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    RelayAnswer answer = AskRelay(form, 700ms);
    EXPECT_FALSE(answer.closed);
    EXPECT_EQ(Parse(form, answer.bytes).size(), 5u);
    // Held connections must not keep devsim from stopping.
    EXPECT_EQ(sim.process.Stop(), 0);
}

TEST(TcpRelay, SilentRelayClosesWithoutAWord) {
    SampleDevsim sim({"--tcp-relay", "--silent"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    RelayAnswer answer = AskRelay(form, 3s);
    EXPECT_TRUE(answer.closed);
    EXPECT_TRUE(answer.bytes.empty());
    auto seen = WaitForLines(sim.QueryLog(), 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].rfind("tcp 127.0.0.1:", 0), 0u) << seen[0];
}

TEST(TcpRelay, NoiseInTheAnswerIsSkippedByTheDecoder) {
    SampleDevsim sim({"--tcp-relay", "--garbage"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    RelayAnswer answer = AskRelay(form, 3s);
    EXPECT_TRUE(answer.closed);
    EXPECT_EQ(RecordTexts(Parse(form, answer.bytes)), RecordTexts(DevicesFromText(kSampleDevices)));
}

}  // namespace
