// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <span>
#include <string>
#include <thread>

#include "protocol/datagram_drain.h"
#include "protocol/package_codec.h"
#include "protocol/plain_package.h"
#include "protocol/reply_sockets.h"
#include "protocol/text_format.h"
#include "protocol/udp_socket.h"
#include "protocol/unique_fd.h"
#include "report/port_owner.h"

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

// Polls descriptors until one is ready, the deadline passes or the search
// is cancelled. Returns >0 ready, 0 timed out or cancelled, <0 error.
int PollUntil(std::span<pollfd> fds, Clock::time_point deadline, const std::atomic<bool>& cancel) {
    for (;;) {
        if (cancel.load()) return 0;
        const int left = MillisUntil(deadline);
        if (left == 0) return 0;
        const int slice = std::min(left, static_cast<int>(kCancelSlice.count()));
        const int r = ::poll(fds.data(), fds.size(), slice);
        if (r < 0 && errno == EINTR) continue;
        if (r != 0) return r;
    }
}

int PollUntil(int fd, short events, Clock::time_point deadline, const std::atomic<bool>& cancel) {
    pollfd one{fd, events, 0};
    return PollUntil(std::span<pollfd>(&one, 1), deadline, cancel);
}

void SleepUnlessCancelled(milliseconds pause, const std::atomic<bool>& cancel) {
    const auto end = Clock::now() + pause;
    while (!cancel.load() && Clock::now() < end)
        std::this_thread::sleep_for(std::min<Clock::duration>(kCancelSlice, end - Clock::now()));
}

// The kernel doubles what it is asked for; the granted size is logged so a
// benchmark can show what it measured against.
void CutReceiveBuffers(WindowOps& form, const std::vector<UniqueFd>& socks, int bytes) {
    const int ask = bytes / 2;
    int granted = 0;
    for (const UniqueFd& sock : socks) {
        ::setsockopt(sock.get(), SOL_SOCKET, SO_RCVBUF, &ask, sizeof ask);
        socklen_t len = sizeof granted;
        ::getsockopt(sock.get(), SOL_SOCKET, SO_RCVBUF, &granted, &len);
    }
    form.Log(StrFormat("receive buffer cut to %d bytes, %zu sockets\n", granted, socks.size()));
}

// True when the peer has closed and nothing is left to read.
bool RelayHasClosed(int fd) {
    char next = 0;
    return ::recv(fd, &next, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

// Answers handed to the window thread in one task: enough to spare it a
// wake-up per datagram, few enough to keep each task short.
constexpr std::size_t kAnswersPerTask = 256;
// Nothing is held longer than this, pause or not.
constexpr milliseconds kHoldLimit{100};

// A large answer goes to the window thread in pieces of whole packages, one
// task each, so no single task holds the window for long. The pieces end
// where the parser's walk would: at the first empty package.
void SinkInPieces(const DecodedAnswer& answer, const DecodedSink& sink) {
    constexpr std::size_t kPieceBytes = 256 * 1024;
    const std::vector<char>& bytes = answer.packages;
    auto send = [&](std::size_t from, std::size_t to) {
        DecodedAnswer piece;
        piece.receivedLength = answer.receivedLength;
        // The answer is counted once, with its first piece.
        piece.continuation = from > 0;
        if (from == 0) piece.undecodable = answer.undecodable;
        piece.packages.reserve(to - from + 2);
        piece.packages.assign(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                              bytes.begin() + static_cast<std::ptrdiff_t>(to));
        piece.packages.push_back('\0');
        piece.packages.push_back('\0');
        std::vector<DecodedAnswer> one;
        one.push_back(std::move(piece));
        sink(std::move(one));
    };
    std::size_t start = 0;
    std::size_t pos = 0;
    // Every answer ends in zero bytes, so each package finds its NUL.
    while (pos < bytes.size() && bytes[pos] != '\0') {
        pos = static_cast<std::size_t>(std::find(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end(), '\0') -
                                       bytes.begin()) +
              1;
        if (pos - start >= kPieceBytes) {
            send(start, pos);
            start = pos;
        }
    }
    if (pos > start || pos == 0) send(start, pos);
}

}  // namespace

void HeldAnswers::Take(DatagramDrain& drain, int fd) {
    if (held_.empty()) heldSince_ = Clock::now();
    drain.Take(fd, held_);
}

bool HeldAnswers::Overdue(Clock::time_point now) const {
    return !held_.empty() && (held_.size() >= DatagramDrain::kLimit || now - heldSince_ >= kHoldLimit);
}

void HeldAnswers::HandOver(std::vector<in_addr_t>* senders) {
    SortByArrival(held_);
    std::vector<DecodedAnswer> answers;
    for (const ReceivedDatagram& datagram : held_) {
        if (senders != nullptr) senders->push_back(datagram.source);
        answers.push_back(DecodeReceivedText(datagram.text.c_str(), static_cast<int>(datagram.text.size())));
        if (answers.size() == kAnswersPerTask) {
            sink_(std::move(answers));
            answers.clear();
        }
    }
    if (!answers.empty()) sink_(std::move(answers));
    held_.clear();
}

PackageSearchKind ChoosePackageSearch(SearchMethod method, const std::string& relayTransport) {
    if (method == SearchMethod::IpRelay) {
        if (relayTransport == "HttpCmd") return PackageSearchKind::HttpCommand;
        if (relayTransport == "TCP") return PackageSearchKind::TcpRelay;
    }
    return PackageSearchKind::Udp;
}

DecodedAnswer DecodeReceivedText(const char* text, int receivedLength, bool whole) {
    // Four characters give at most three bytes; two zero bytes behind the
    // data end the package walk even when the last package lacks its NUL.
    const std::size_t capacity = static_cast<std::size_t>(std::max(receivedLength, 0)) / 4 * 3 + 3;
    DecodedAnswer answer;
    answer.receivedLength = receivedLength;
    answer.packages.resize(capacity);
    auto* bytes = reinterpret_cast<unsigned char*>(answer.packages.data());
    int n = Base64Decode(bytes, capacity, text);
    InvertBytes(bytes, n);
    if (!whole) {
        const auto last =
            std::find(answer.packages.rbegin() + (static_cast<int>(capacity) - n), answer.packages.rend(), '\0');
        const int kept = static_cast<int>(answer.packages.rend() - last);
        answer.droppedLength = n - kept;
        n = kept;
    }
    answer.packages.resize(static_cast<std::size_t>(n));
    answer.packages.push_back('\0');
    answer.packages.push_back('\0');
    if (n <= 0 && receivedLength > 0) {
        const std::size_t length = ::strnlen(text, static_cast<std::size_t>(receivedLength));
        answer.undecodable.assign(text, std::min<std::size_t>(length, 200));
        if (answer.undecodable.empty()) answer.undecodable = std::string(1, '\0');
    }
    return answer;
}

std::vector<UniqueFd> OpenReplyPort(WindowOps& form, const SearchTimings& timings, PackageSearchFacts* facts) {
    ReplySockets reply = OpenReplySockets(form, kReplyPort);
    if (facts != nullptr) {
        facts->replyPortShared = reply.portShared;
        // Read here, off the window thread: it walks every process's descriptors.
        if (reply.portShared || reply.sockets.empty()) facts->replyPortOwner = UdpPortOwner(kReplyPort);
    }
    if (reply.sockets.empty()) {
        // The devices' port is named here, as it always has been.
        form.Log("DM_CreateUDPBroadcastSocket(6666) failed!\n");
        if (facts != nullptr) facts->replySocketFailed = true;
    } else if (timings.replyReceiveBuffer > 0) {
        CutReceiveBuffers(form, reply.sockets, timings.replyReceiveBuffer);
    }
    return std::move(reply.sockets);
}

void RunUdpSearch(WindowOps& form, int flag, const SearchTimings& timings, const std::atomic<bool>& cancel,
                  const DecodedSink& sink, PackageSearchFacts* facts) {
    const std::vector<UniqueFd> socks = OpenReplyPort(form, timings, facts);
    if (socks.empty()) return;
    std::vector<pollfd> waits;
    for (const UniqueFd& sock : socks) waits.push_back({sock.get(), POLLIN, 0});

    auto query = std::make_unique<char[]>(kWireBufferSize);
    DatagramDrain drain;
    HeldAnswers held(sink);
    for (int cycle = 0; cycle < timings.cycles && !cancel.load(); ++cycle) {
        std::memset(query.get(), 0, kWireBufferSize);
        if (MakePlainPkg(form, flag, query.get(), nullptr) == 0)
            DM_SendUDPBroadcast(form, kDevicePort, query.get(), facts != nullptr ? &facts->sends : nullptr);

        const auto cycleEnd = Clock::now() + timings.cycleLimit;
        const std::span<pollfd> all(waits);
        for (;;) {
            const auto quietEnd = std::min(Clock::now() + timings.quietTime, cycleEnd);
            int ready = 0;
            if (!held.Empty()) {
                ready = PollUntil(all, std::min(Clock::now() + HeldAnswers::kPause, quietEnd), cancel);
                if (ready == 0) held.HandOver();
            }
            if (ready == 0) ready = PollUntil(all, quietEnd, cancel);
            if (ready <= 0) break;
            for (const pollfd& wait : waits) {
                if (wait.revents != 0) held.Take(drain, wait.fd);
            }
            if (held.Overdue(Clock::now())) held.HandOver();
        }
        held.HandOver();
    }
    if (facts != nullptr) facts->replyDrops = DroppedDatagrams(socks);
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
    std::vector<char> text;
    std::size_t total = 0;
    bool timedOut = ready == 0 && !cancel.load();
    bool limitReached = false;
    // Only an answer its relay closed is known to be whole.
    bool whole = ready > 0;
    while (ready > 0) {
        if (cancel.load()) return;
        // A relay that keeps data coming must not stretch the read time.
        if (Clock::now() >= readDeadline) {
            timedOut = true;
            whole = false;
            break;
        }
        if (total == kRelayAnswerLimit) {
            limitReached = !RelayHasClosed(sock.get());
            whole = !limitReached;
            break;
        }
        if (total == text.size())
            text.resize(std::min(std::max<std::size_t>(text.size() * 2, kWireBufferSize), kRelayAnswerLimit));
        const ssize_t got = ::recv(sock.get(), text.data() + total, text.size() - total, MSG_DONTWAIT);
        if (got > 0) {
            total += static_cast<std::size_t>(got);
            continue;
        }
        if (got == 0) break;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            whole = false;
            break;
        }
        const int more = PollUntil(sock.get(), POLLIN, readDeadline, cancel);
        if (more == 0) {
            timedOut = !cancel.load();
            whole = false;
            break;
        }
        if (more < 0) {
            whole = false;
            break;
        }
    }
    if (cancel.load()) return;
    if (timedOut) form.Log("RECV TIMEOUT");
    if (facts != nullptr) facts->relayAnswered = total > 0;
    if (limitReached) form.Log(StrFormat("RECV LIMIT %zu bytes\n", kRelayAnswerLimit));
    text.resize(total);
    text.push_back('\0');
    DecodedAnswer answer = DecodeReceivedText(text.data(), static_cast<int>(total), whole);
    if (answer.droppedLength > 0)
        form.Log(StrFormat("incomplete last package dropped (%d bytes)\n", answer.droppedLength));
    SinkInPieces(answer, sink);
}
