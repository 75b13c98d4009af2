// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The blocking socket work of a package search. Runs on the search worker;
// every decoded answer goes to `sink`, which hands it to the window thread.

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "protocol/datagram_drain.h"
#include "protocol/unique_fd.h"
#include "protocol/window_ops.h"
#include "report/search_report.h"

enum class PackageSearchKind { Udp, TcpRelay, HttpCommand };

// IP Relay with the transport text exactly "HttpCmd" or "TCP" picks those;
// everything else (Local Broadcast, "UDP", any other text) is the UDP search.
PackageSearchKind ChoosePackageSearch(SearchMethod method, const std::string& relayTransport);

struct SearchTimings {
    int cycles = 2;
    std::chrono::milliseconds quietTime{250};
    // A host that never stops sending must not hold a cycle open.
    std::chrono::milliseconds cycleLimit{3000};
    std::chrono::milliseconds tcpConnectTimeout{5000};
    std::chrono::milliseconds tcpPause{1000};
    // Counted from the moment the query was sent.
    std::chrono::milliseconds tcpReadLimit{10000};
    std::chrono::milliseconds httpTimeout{20000};
    // Test seam, not a timing: above zero, the reply socket's receive buffer
    // is cut to this many bytes (as the kernel reports them), the most a
    // machine without privileges may grant.
    int replyReceiveBuffer = 0;
};

// Decoded and re-inverted plain packages, followed by zero bytes, and the
// number of bytes that were received on the wire.
struct DecodedAnswer {
    std::vector<char> packages;
    int receivedLength = 0;
    // Received text that decodes to nothing at all: its first bytes, for the
    // report; empty otherwise.
    std::string undecodable;
    // Bytes of an unfinished last package that were left out.
    int droppedLength = 0;
    // A later piece of a large answer whose first piece carried its counts.
    bool continuation = false;
};
// Answers in arrival order, several to a call; each call is one task for
// the window thread.
using DecodedSink = std::function<void(std::vector<DecodedAnswer>)>;

// Answers read off the reply sockets while a burst goes on, handed to the
// window thread together once it pauses: on a small machine decoding, or
// waking the window thread, would take a processor the reader needs.
class HeldAnswers {
public:
    explicit HeldAnswers(const DecodedSink& sink) : sink_(sink) {}
    // Reads what waits on the socket.
    void Take(DatagramDrain& drain, int fd);
    bool Empty() const { return held_.empty(); }
    // Held long enough: a host that never pauses must not keep answers from
    // the window, and so many must not wait at all.
    bool Overdue(std::chrono::steady_clock::time_point now) const;
    // Decodes the held answers in arrival order and hands them over, several
    // to a task; their senders are added to `senders` when given.
    void HandOver(std::vector<in_addr_t>* senders = nullptr);

    // A pause this long ends a burst as far as the window thread is concerned.
    static constexpr std::chrono::milliseconds kPause{2};

private:
    const DecodedSink& sink_;
    std::vector<ReceivedDatagram> held_;
    std::chrono::steady_clock::time_point heldSince_;
};

// A relay's answer is read up to this many bytes.
constexpr std::size_t kRelayAnswerLimit = 16 * 1024 * 1024;

// Base64-decodes a received text of receivedLength characters (up to its
// first zero byte, which must come by then) and inverts the bytes back; the
// result is zero-terminated. With `whole` false the text was cut short, so
// the bytes behind the last package's NUL are an unfinished package and are
// dropped.
DecodedAnswer DecodeReceivedText(const char* text, int receivedLength, bool whole = true);

// The reply port's sockets, the receive buffers cut as `timings` asks; none
// when the port could not be opened (logged, and said in `facts`). Who else
// holds the port goes to `facts` too.
std::vector<UniqueFd> OpenReplyPort(WindowOps& form, const SearchTimings& timings, PackageSearchFacts* facts);

// Two cycles of query and listen on the reply port. `form` must be safe to
// use from the calling thread (the driver passes its worker snapshot).
// Waiting datagrams are all read before any is decoded: a stock receive
// buffer holds only a few hundred answers of a burst. What only the worker
// sees goes to `facts` when given.
void RunUdpSearch(WindowOps& form, int flag, const SearchTimings& timings, const std::atomic<bool>& cancel,
                  const DecodedSink& sink, PackageSearchFacts* facts = nullptr);

// Query a relay over TCP and read its one answer until it closes, the read
// time is up or kRelayAnswerLimit bytes have come; an answer cut short loses
// its unfinished last package.
void RunTcpRelaySearch(WindowOps& form, const std::string& relayAddress, const SearchTimings& timings,
                       const std::atomic<bool>& cancel, const DecodedSink& sink, PackageSearchFacts* facts = nullptr);
