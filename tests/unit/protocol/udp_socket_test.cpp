// SPDX-License-Identifier: GPL-3.0-or-later
// Sockets here stay on loopback. Whatever calls DM_SendUDPBroadcast runs in
// a private network namespace, so even a faulty build cannot broadcast from
// this machine.

#include "protocol/udp_socket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/datagram_drain.h"
#include "protocol/reply_sockets.h"
#include "protocol/unique_fd.h"
#include "tests/support/fake_window.h"
#include "tests/support/private_network.h"

namespace {

int LocalPort(int sock) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

int IntOption(int sock, int name) {
    int value = 0;
    socklen_t len = sizeof value;
    ::getsockopt(sock, SOL_SOCKET, name, &value, &len);
    return value;
}

// The largest receive buffer this process can get by asking for `size`, with
// privileges (SO_RCVBUFFORCE) or without (SO_RCVBUF, capped by rmem_max).
int LargestReceiveBuffer(int size) {
    int best = 0;
    for (int name : {SO_RCVBUF, SO_RCVBUFFORCE}) {
        UniqueFd probe(::socket(AF_INET, SOCK_DGRAM, 0));
        if (::setsockopt(probe.get(), SOL_SOCKET, name, &size, sizeof size) == 0)
            best = std::max(best, IntOption(probe.get(), SO_RCVBUF));
    }
    return best;
}

TEST(ReplySocket, BindsAnyAddressWithReuseAndALargerReceiveBuffer) {
    FakeWindow form;
    int sock = -1;
    sockaddr_in addr{};
    addr.sin_port = 1234;  // must be cleared
    ASSERT_EQ(DM_CreateUDPBroadcastSocket(form, 0, sock, addr), 0);
    UniqueFd owner(sock);
    EXPECT_GE(sock, 0);
    EXPECT_EQ(addr.sin_family, AF_INET);
    EXPECT_EQ(addr.sin_addr.s_addr, htonl(INADDR_ANY));
    EXPECT_EQ(addr.sin_port, 0);
    EXPECT_GT(LocalPort(sock), 0);
    EXPECT_NE(IntOption(sock, SO_REUSEADDR), 0);
    EXPECT_EQ(IntOption(sock, SO_BROADCAST), 0);
    EXPECT_TRUE(form.log.empty());

    UniqueFd plain(::socket(AF_INET, SOCK_DGRAM, 0));
    const int usual = IntOption(plain.get(), SO_RCVBUF);
    const int largest = LargestReceiveBuffer(kReplySocketReceiveBuffer);
    if (largest <= usual) {
        GTEST_SKIP() << "this process cannot get a receive buffer above the default (" << usual
                     << " bytes), so asking for one shows no effect";
    }
    EXPECT_EQ(IntOption(sock, SO_RCVBUF), largest) << "the largest buffer within reach was not asked for";
}

TEST(ReplySocket, PortHeldWithoutReuseFailsAtBindAndLeavesTheHandle) {
    UniqueFd holder(::socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    ASSERT_EQ(::bind(holder.get(), reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    const int port = LocalPort(holder.get());

    FakeWindow form;
    int sock = -1;
    sockaddr_in addr{};
    EXPECT_EQ(DM_CreateUDPBroadcastSocket(form, port, sock, addr), -1);
    EXPECT_GE(sock, 0) << "the caller closes the live handle";
    EXPECT_EQ(ntohs(addr.sin_port), port);
    EXPECT_EQ(form.log, std::vector<std::string>{"bind() error : Address already in use"});
    CloseSocket(sock);
    EXPECT_EQ(sock, -1);
    CloseSocket(sock);  // a second close is harmless
}

TEST(ReplySocket, TwoReplySocketsMayShareAPort) {
    FakeWindow form;
    int first = -1;
    int second = -1;
    sockaddr_in addr{};
    ASSERT_EQ(DM_CreateUDPBroadcastSocket(form, 0, first, addr), 0);
    UniqueFd a(first);
    ASSERT_EQ(DM_CreateUDPBroadcastSocket(form, LocalPort(first), second, addr), 0);
    UniqueFd b(second);
    EXPECT_TRUE(form.log.empty());

    // A search beside them takes one socket and does not gather a group.
    const ReplySockets beside = OpenReplySockets(form, LocalPort(first));
    EXPECT_TRUE(beside.portShared);
    EXPECT_EQ(beside.sockets.size(), 1u);
    EXPECT_TRUE(form.log.empty());
}

int FreeUdpPort() {
    UniqueFd probe(::socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in any{};
    any.sin_family = AF_INET;
    if (::bind(probe.get(), reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) return 0;
    return LocalPort(probe.get());
}

// Datagrams of about one device answer's size, numbered from 0000.
void SendToLoopback(int port, int count) {
    UniqueFd sender(::socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < count; ++i) {
        std::string text = std::to_string(10000 + i % 10000).substr(1);
        text.resize(140, '0');
        ASSERT_EQ(::sendto(sender.get(), text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
                  140);
    }
}

// Cuts each member's receive buffer (the kernel doubles `ask`), sends `count`
// datagrams to the port with nobody reading, then reads what the group holds.
std::vector<ReceivedDatagram> BurstWithNobodyReading(int port, const std::vector<UniqueFd>& group, int ask, int count) {
    for (const UniqueFd& sock : group) ::setsockopt(sock.get(), SOL_SOCKET, SO_RCVBUF, &ask, sizeof ask);
    SendToLoopback(port, count);
    DatagramDrain drain;
    std::vector<ReceivedDatagram> got;
    for (const UniqueFd& sock : group) drain.Take(sock.get(), got);
    return got;
}

// A stock receive buffer (212,992 bytes) holds 256 answers. Two thousand
// from one sender, with nobody reading meanwhile, must all be held by the
// group and read back in the order they were sent.
TEST(ReplySocket, AGroupHoldsABurstNoStockBufferCouldInArrivalOrder) {
    const int port = FreeUdpPort();
    FakeWindow form;
    const ReplySockets opened = OpenReplySockets(form, port);
    const std::vector<UniqueFd>& group = opened.sockets;
    ASSERT_EQ(group.size(), kReplySocketCount);
    EXPECT_FALSE(opened.portShared);
    EXPECT_TRUE(form.log.empty()) << form.log.front();
    constexpr int kBurst = 2000;
    std::vector<ReceivedDatagram> got = BurstWithNobodyReading(port, group, 212992 / 2, kBurst);
    SortByArrival(got);
    std::vector<int> order;
    for (const ReceivedDatagram& datagram : got) order.push_back(std::stoi(datagram.text.substr(0, 4)));
    std::vector<int> sent(kBurst);
    for (int i = 0; i < kBurst; ++i) sent[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(order, sent);
    EXPECT_EQ(DroppedDatagrams(group), 0);
}

TEST(ReplySocket, AGroupCountsWhatItsFullBuffersDropped) {
    const int port = FreeUdpPort();
    FakeWindow form;
    const ReplySockets opened = OpenReplySockets(form, port);
    const std::vector<UniqueFd>& group = opened.sockets;
    constexpr int kBurst = 500;
    const std::vector<ReceivedDatagram> got = BurstWithNobodyReading(port, group, 1, kBurst);
    EXPECT_GT(DroppedDatagrams(group), 0);
    EXPECT_EQ(static_cast<long long>(got.size()) + DroppedDatagrams(group), kBurst);
}

// Runs one send in a private namespace and reports its result, its log and
// what a receiver on 127.0.0.1 got, as "ret|log lines|datagram".
std::string SendAndListen(SearchMethod method, const std::string& relay, const std::string& text) {
    UniqueFd receiver(::socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(receiver.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return "receiver bind failed";

    FakeWindow form;
    form.method = method;
    form.relayAddress = relay;
    const int ret = DM_SendUDPBroadcast(form, LocalPort(receiver.get()), text.c_str());

    std::string got = "(nothing)";
    pollfd p{receiver.get(), POLLIN, 0};
    if (::poll(&p, 1, ret == 0 ? 2000 : 100) > 0) {
        char buf[1024];
        const ssize_t n = ::recv(receiver.get(), buf, sizeof buf, 0);
        got = n >= 0 ? std::string(buf, static_cast<std::size_t>(n)) : "(recv failed)";
    }
    std::string log;
    for (const auto& line : form.log) log += line + ";";
    return std::to_string(ret) + "|" + log + "|" + got;
}

TEST(SendUdp, RelayAddressGetsTheTextWithoutItsNul) {
    const auto out = RunInPrivateNetwork(
        [] { return SendAndListen(SearchMethod::IpRelay, "127.0.0.1", "tJqMi42QiZ7Tz8/TwMDAwP8="); });
    if (!out) GTEST_SKIP() << "no private network namespace on this machine";
    EXPECT_EQ(*out, "0||tJqMi42QiZ7Tz8/TwMDAwP8=");
}

TEST(SendUdp, RelayTextThatIsNoAddressSendsNothing) {
    for (const std::string relay : {"not-an-address", "<Customized>", "", "255.255.255.255", "127.0.0.1x"}) {
        const auto out = RunInPrivateNetwork([&] { return SendAndListen(SearchMethod::IpRelay, relay, "AAAA"); });
        if (!out) GTEST_SKIP() << "no private network namespace on this machine";
        EXPECT_EQ(*out, "-1|Invalid relay address [" + relay + "];|(nothing)") << relay;
    }
}

TEST(SendUdp, BroadcastWithoutARouteReportsTheSendError) {
    // The namespace has loopback only, so the broadcast has no way out.
    const auto out = RunInPrivateNetwork([] { return SendAndListen(SearchMethod::LocalBroadcast, "", "AAAA"); });
    if (!out) GTEST_SKIP() << "no private network namespace on this machine";
    EXPECT_EQ(*out, "-1|sendto() error : Network is unreachable len=-1;|(nothing)");
}

// A window that names the cards a broadcast may leave through.
class CardsWindow : public FakeWindow {
public:
    explicit CardsWindow(std::vector<std::string> cards) : cards_(std::move(cards)) {}
    std::vector<std::string> BroadcastCardNames() override { return cards_; }

private:
    std::vector<std::string> cards_;
};

// Two cards, and no route for 255.255.255.255: routing alone finds no way
// out (the test above), a socket bound to each card's address does. The
// kernel hands each broadcast back to local listeners too, with the card's
// address as its source, so the receiver sees which cards it left through:
// "result|log lines|sources;".
std::optional<std::string> BroadcastThroughCards(const std::vector<std::string>& named) {
    const unsigned uid = ::getuid();
    const unsigned gid = ::getgid();
    return RunInPrivateNetwork([&] {
        // Root inside the namespace, so the ip tool keeps its capabilities.
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
        const char* cards =
            "ip link add a0 type veth peer name a1 && ip link add b0 type veth peer name b1 && "
            "ip addr add 198.51.100.1/24 dev a0 && ip addr add 203.0.113.1/24 dev b0 && "
            "ip link set a0 up && ip link set a1 up && ip link set b0 up && ip link set b1 up";
        if (std::system((std::string(cards) + " >/dev/null 2>&1").c_str()) != 0) return std::string("no cards");
        UniqueFd receiver(::socket(AF_INET, SOCK_DGRAM, 0));
        sockaddr_in any{};
        any.sin_family = AF_INET;
        if (::bind(receiver.get(), reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) return std::string("bind");

        CardsWindow form(named);
        const int ret = DM_SendUDPBroadcast(form, LocalPort(receiver.get()), "AAAA");
        std::set<std::string> sources;
        pollfd p{receiver.get(), POLLIN, 0};
        for (int i = 0; i < 20 && ::poll(&p, 1, 500) > 0; ++i) {
            char buf[64];
            sockaddr_in from{};
            socklen_t len = sizeof from;
            if (::recvfrom(receiver.get(), buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len) < 0) break;
            char host[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &from.sin_addr, host, sizeof host);
            sources.insert(host);
        }
        std::string text = std::to_string(ret) + "|" + std::to_string(form.log.size()) + "|";
        for (const auto& source : sources) text += source + ";";
        return text;
    });
}

TEST(SendUdp, BroadcastLeavesThroughEveryCard) {
    const auto out = BroadcastThroughCards({});
    if (!out) GTEST_SKIP() << "no private network namespace on this machine";
    if (*out == "no cards") GTEST_SKIP() << "cannot make virtual network cards here (ip, veth)";
    EXPECT_EQ(*out, "0|0|198.51.100.1;203.0.113.1;");
}

// A relay names its site's cards: the broadcast leaves through those only,
// and through none when none of them can send it.
TEST(SendUdp, BroadcastLeavesThroughTheNamedCardsOnly) {
    auto out = BroadcastThroughCards({"b0"});
    if (!out) GTEST_SKIP() << "no private network namespace on this machine";
    if (*out == "no cards") GTEST_SKIP() << "cannot make virtual network cards here (ip, veth)";
    EXPECT_EQ(*out, "0|0|203.0.113.1;");
    out = BroadcastThroughCards({"eth7", "lo"});
    EXPECT_EQ(*out, "-1|1|") << "routing's card is no named card";
}

}  // namespace
