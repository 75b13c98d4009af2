#pragma once
// The blocking socket work of a package search. Runs on the search worker;
// every decoded answer goes to `sink`, which hands it to the window thread.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

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
};

// Decoded and re-inverted plain packages, followed by zero bytes, and the
// number of bytes that were received on the wire.
struct DecodedAnswer {
    std::vector<char> packages;
    int receivedLength = 0;
    // Received text that decodes to nothing at all: its first bytes, for the
    // report; empty otherwise.
    std::string undecodable;
};
using DecodedSink = std::function<void(DecodedAnswer)>;

// Base64-decodes a received text (up to its first zero byte) and inverts
// the bytes back; the result is zero-terminated.
DecodedAnswer DecodeReceivedText(const char* text, int receivedLength);

// Two cycles of query and listen on the reply port. `form` must be safe to
// use from the calling thread (the driver passes its worker snapshot).
// What only the worker sees goes to `facts` when given.
void RunUdpSearch(WindowOps& form, int flag, const SearchTimings& timings, const std::atomic<bool>& cancel,
                  const DecodedSink& sink, PackageSearchFacts* facts = nullptr);

// Query a relay over TCP and read its one answer until it closes.
void RunTcpRelaySearch(WindowOps& form, const std::string& relayAddress, const SearchTimings& timings,
                       const std::atomic<bool>& cancel, const DecodedSink& sink, PackageSearchFacts* facts = nullptr);
