#include "app/package_search.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

#include "protocol/package_codec.h"
#include "protocol/plain_package.h"
#include "protocol/udp_socket.h"
#include "protocol/unique_fd.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Waits are cut into slices so that a cancelled search (window closing)
// stops within one slice.
constexpr milliseconds kCancelSlice{100};

int MillisUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, left));
}

// Polls one descriptor until it is ready, the deadline passes or the search
// is cancelled. Returns >0 ready, 0 timed out or cancelled, <0 error.
int PollUntil(int fd, short events, Clock::time_point deadline, const std::atomic<bool>& cancel) {
    for (;;) {
        if (cancel.load()) return 0;
        const int left = MillisUntil(deadline);
        if (left == 0) return 0;
        pollfd pfd{fd, events, 0};
        const int slice = std::min(left, static_cast<int>(kCancelSlice.count()));
        const int r = ::poll(&pfd, 1, slice);
        if (r < 0 && errno == EINTR) continue;
        if (r != 0) return r;
    }
}

void SleepUnlessCancelled(milliseconds pause, const std::atomic<bool>& cancel) {
    const auto end = Clock::now() + pause;
    while (!cancel.load() && Clock::now() < end)
        std::this_thread::sleep_for(std::min<Clock::duration>(kCancelSlice, end - Clock::now()));
}

}  // namespace

PackageSearchKind ChoosePackageSearch(SearchMethod method, const std::string& relayTransport) {
    if (method == SearchMethod::IpRelay) {
        if (relayTransport == "HttpCmd") return PackageSearchKind::HttpCommand;
        if (relayTransport == "TCP") return PackageSearchKind::TcpRelay;
    }
    return PackageSearchKind::Udp;
}

DecodedAnswer DecodeReceivedText(const char* text, int receivedLength) {
    // A 64 KiB text decodes to at most 48 KiB; two zero bytes behind the data
    // end the package walk even when the last package lacks its NUL.
    auto decoded = std::make_unique<unsigned char[]>(kWireBufferSize);
    std::memset(decoded.get(), 0, kWireBufferSize);
    const int n = Base64Decode(decoded.get(), kWireBufferSize - 2, text);
    InvertBytes(decoded.get(), n);
    DecodedAnswer answer;
    answer.packages.assign(decoded.get(), decoded.get() + n);
    answer.packages.push_back('\0');
    answer.packages.push_back('\0');
    answer.receivedLength = receivedLength;
    if (n <= 0 && receivedLength > 0) {
        const std::size_t length = ::strnlen(text, static_cast<std::size_t>(receivedLength));
        answer.undecodable.assign(text, std::min<std::size_t>(length, 200));
        if (answer.undecodable.empty()) answer.undecodable = std::string(1, '\0');
    }
    return answer;
}

void RunUdpSearch(WindowOps& form, int flag, const SearchTimings& timings, const std::atomic<bool>& cancel,
                  const DecodedSink& sink, PackageSearchFacts* facts) {
    int rawSock = -1;
    sockaddr_in addr{};
    const int created = DM_CreateUDPBroadcastSocket(form, kReplyPort, rawSock, addr);
    UniqueFd sock(rawSock);
    if (created != 0) {
        // The devices' port is named here, as it always has been.
        form.Log("DM_CreateUDPBroadcastSocket(6666) failed!\n");
        if (facts != nullptr) facts->replySocketFailed = true;
        return;
    }

    auto transfer = std::make_unique<char[]>(kWireBufferSize);
    for (int cycle = 0; cycle < timings.cycles && !cancel.load(); ++cycle) {
        std::memset(transfer.get(), 0, kWireBufferSize);
        if (MakePlainPkg(form, flag, transfer.get(), nullptr) == 0)
            DM_SendUDPBroadcast(form, kDevicePort, transfer.get(), facts != nullptr ? &facts->sends : nullptr);

        const auto cycleEnd = Clock::now() + timings.cycleLimit;
        for (;;) {
            const auto quietEnd = std::min(Clock::now() + timings.quietTime, cycleEnd);
            if (PollUntil(sock.get(), POLLIN, quietEnd, cancel) <= 0) break;
            sockaddr_in from{};
            socklen_t fromLen = sizeof from;
            // One byte is kept back so the received text is always terminated;
            // the rest of an earlier, longer datagram must not be decoded with it.
            const ssize_t got = ::recvfrom(sock.get(), transfer.get(), kWireBufferSize - 1, 0,
                                           reinterpret_cast<sockaddr*>(&from), &fromLen);
            if (got <= 0) continue;
            transfer[static_cast<std::size_t>(got)] = '\0';
            sink(DecodeReceivedText(transfer.get(), static_cast<int>(got)));
        }
    }
}

void RunTcpRelaySearch(WindowOps& form, const std::string& relayAddress, const SearchTimings& timings,
                       const std::atomic<bool>& cancel, const DecodedSink& sink, PackageSearchFacts* facts) {
    sockaddr_in relay{};
    relay.sin_family = AF_INET;
    relay.sin_port = htons(kDevicePort);
    relay.sin_addr.s_addr = ::inet_addr(relayAddress.c_str());

    UniqueFd sock(::socket(AF_INET, SOCK_STREAM, 0));
    if (!sock) {
        form.Log("CREATE SOCKET ERROR");
        return;
    }

    // A text that is not an address gives no usable address: no connection
    // attempt, the same outcome as a refused one.
    bool connected = false;
    if (relay.sin_addr.s_addr != INADDR_NONE) {
        const int flags = ::fcntl(sock.get(), F_GETFL, 0);
        ::fcntl(sock.get(), F_SETFL, flags | O_NONBLOCK);
        int r = ::connect(sock.get(), reinterpret_cast<const sockaddr*>(&relay), sizeof relay);
        if (r == 0) {
            connected = true;
        } else if (errno == EINPROGRESS) {
            if (PollUntil(sock.get(), POLLOUT, Clock::now() + timings.tcpConnectTimeout, cancel) > 0) {
                int err = 0;
                socklen_t len = sizeof err;
                connected = ::getsockopt(sock.get(), SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
            }
        }
        ::fcntl(sock.get(), F_SETFL, flags);
    }
    if (!connected) {
        form.Log("CONNECT ERROR");
        if (facts != nullptr) facts->relayConnectFailed = !cancel.load();
        return;
    }

    auto transfer = std::make_unique<char[]>(kWireBufferSize);
    std::memset(transfer.get(), 0, kWireBufferSize);
    if (MakePlainPkg(form, kFlagRelayQuery, transfer.get(), nullptr) != 0) return;

    const std::size_t queryLength = std::strlen(transfer.get());
    if (::send(sock.get(), transfer.get(), queryLength, MSG_NOSIGNAL) < 0) form.Log("SEND ERROR");
    const auto readDeadline = Clock::now() + timings.tcpReadLimit;

    SleepUnlessCancelled(timings.tcpPause, cancel);
    if (cancel.load()) return;

    const int ready = PollUntil(sock.get(), POLLIN, readDeadline, cancel);
    if (ready < 0) return;
    std::memset(transfer.get(), 0, kWireBufferSize);
    int total = 0;
    bool timedOut = ready == 0 && !cancel.load();
    if (ready > 0) {
        // At most 65,535 bytes are used so the text stays terminated.
        while (total < kWireBufferSize - 1) {
            const ssize_t got = ::recv(sock.get(), transfer.get() + total,
                                       static_cast<std::size_t>(kWireBufferSize - 1 - total), MSG_DONTWAIT);
            if (got > 0) {
                total += static_cast<int>(got);
                continue;
            }
            if (got == 0) break;
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) break;
            const int more = PollUntil(sock.get(), POLLIN, readDeadline, cancel);
            if (more == 0) {
                timedOut = !cancel.load();
                break;
            }
            if (more < 0) break;
        }
    }
    if (cancel.load()) return;
    if (timedOut) form.Log("RECV TIMEOUT");
    if (facts != nullptr) facts->relayAnswered = total > 0;
    sink(DecodeReceivedText(transfer.get(), total));
}
