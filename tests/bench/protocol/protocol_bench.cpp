// SPDX-License-Identifier: GPL-3.0-or-later
// Receive-side cost: one device datagram, and a relay's TCP answer holding
// 2,000 devices (decode, invert, parse into records and grid rows); and the
// reader's cost per datagram of a burst waiting on a loopback socket, read
// one by one into a cleared 64 KiB buffer or drained in batches.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "protocol/datagram_drain.h"
#include "protocol/package_codec.h"
#include "protocol/plain_package.h"
#include "protocol/reply_parser.h"
#include "protocol/text_format.h"
#include "protocol/unique_fd.h"
#include "report/report_problems.h"
#include "tests/support/fake_window.h"

namespace {

std::string DevicePackage(int i) {
    return StrFormat(
        "Kestrova,01,CAM-%04d,P1,Camera %d,127.%d.%d.%d,80,255.0.0.0,127.0.0.1,127.0.0.1,"
        "00:11:22:%02X:%02X:%02X,dv%d,nt",
        i, i, 1 + ((i >> 16) & 0x7F), (i >> 8) & 0xFF, i & 0xFF, (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF, i);
}

// The wire text of packages joined with their NULs, as a device or relay sends it.
std::string Wire(int first, int count) {
    std::string plain;
    for (int i = first; i < first + count; ++i) plain += DevicePackage(i) + '\0';
    InvertBytes(plain.data(), static_cast<int>(plain.size()));
    std::string text(static_cast<std::size_t>(Base64EncodedLength(static_cast<int>(plain.size()))) + 1, '\0');
    text.resize(static_cast<std::size_t>(Base64Encode(text.data(), reinterpret_cast<const unsigned char*>(plain.data()),
                                                      static_cast<int>(plain.size()))));
    return text;
}

int Receive(FakeWindow& form, TComUnitList& list, int& nextRow, const std::string& wire,
            std::vector<unsigned char>& decoded) {
    std::memset(decoded.data(), 0, decoded.size());
    const int n = Base64Decode(decoded.data(), decoded.size() - 1, wire.c_str());
    InvertBytes(decoded.data(), n);
    return ParserPlainPkg(form, list, nextRow, reinterpret_cast<const char*>(decoded.data()),
                          static_cast<int>(wire.size()));
}

void BM_DeviceDatagram(benchmark::State& state) {
    const std::string wire = Wire(1, 1);
    std::vector<unsigned char> decoded(kWireBufferSize);
    for (auto _ : state) {
        FakeWindow form;
        TComUnitList list;
        int nextRow = 1;
        benchmark::DoNotOptimize(Receive(form, list, nextRow, wire, decoded));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * static_cast<int64_t>(wire.size())));
}
BENCHMARK(BM_DeviceDatagram);

// One relay answer of 2,000 devices is about 260 KB of text, more than a
// 64 KiB receive buffer holds; here it is decoded whole to measure the
// parser on a list that large.
void BM_TcpAnswerOf2000Devices(benchmark::State& state) {
    constexpr int kDevices = 2000;
    const std::string wire = Wire(1, kDevices);
    std::vector<unsigned char> decoded(wire.size());
    for (auto _ : state) {
        FakeWindow form;
        TComUnitList list;
        int nextRow = 1;
        if (Receive(form, list, nextRow, wire, decoded) != kDevices) state.SkipWithError("not every device was parsed");
    }
    state.counters["devices"] = kDevices;
    state.counters["wire_bytes"] = static_cast<double>(wire.size());
}
BENCHMARK(BM_TcpAnswerOf2000Devices)->Unit(benchmark::kMillisecond);

// A receiving socket on 127.0.0.1 with room for a whole burst, and a sender
// aimed at it. Nothing leaves the loopback card.
struct LoopbackPair {
    LoopbackPair() {
        const int room = 8 * 1024 * 1024;
        ::setsockopt(receiver.get(), SOL_SOCKET, SO_RCVBUFFORCE, &room, sizeof room);
        ::setsockopt(receiver.get(), SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok = ::bind(receiver.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
        socklen_t length = sizeof to;
        ok = ok && ::getsockname(receiver.get(), reinterpret_cast<sockaddr*>(&to), &length) == 0;
    }
    // True when every datagram was queued.
    bool Send(const std::vector<std::string>& datagrams) {
        for (const std::string& d : datagrams) {
            if (::sendto(sender.get(), d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0)
                return false;
        }
        return true;
    }
    UniqueFd receiver{::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)};
    UniqueFd sender{::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)};
    sockaddr_in to{};
    bool ok = false;
};

constexpr int kBurst = 200;

std::vector<std::string> Burst() {
    std::vector<std::string> datagrams;
    for (int i = 0; i < kBurst; ++i) datagrams.push_back(Wire(i + 1, 1));
    return datagrams;
}

// As the search read before: a wait, one datagram, then a 64 KiB decode
// buffer allocated and cleared for it.
int ReadOneByOne(int fd, std::vector<char>& transfer) {
    int decodedDatagrams = 0;
    for (int i = 0; i < kBurst; ++i) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 1000) <= 0) break;
        const ssize_t got = ::recv(fd, transfer.data(), transfer.size() - 1, 0);
        if (got <= 0) continue;
        transfer[static_cast<std::size_t>(got)] = '\0';
        auto decoded = std::make_unique<unsigned char[]>(kWireBufferSize);
        std::memset(decoded.get(), 0, kWireBufferSize);
        const int n = Base64Decode(decoded.get(), kWireBufferSize - 2, transfer.data());
        InvertBytes(decoded.get(), n);
        std::vector<char> kept(decoded.get(), decoded.get() + n + 2);
        benchmark::DoNotOptimize(kept.data());
        ++decodedDatagrams;
    }
    return decodedDatagrams;
}

// As the search reads now: everything waiting, then each decoded into memory
// of its own size.
int ReadDrained(int fd, DatagramDrain& drain, std::vector<ReceivedDatagram>& texts) {
    texts.clear();
    for (int round = 0; round < kBurst && static_cast<int>(texts.size()) < kBurst; ++round) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 1000) <= 0) break;
        drain.Take(fd, texts);
    }
    for (const ReceivedDatagram& datagram : texts) {
        const std::string& text = datagram.text;
        std::vector<char> decoded(text.size() / 4 * 3 + 5, '\0');
        const int n = Base64Decode(reinterpret_cast<unsigned char*>(decoded.data()), decoded.size() - 2, text.c_str());
        InvertBytes(decoded.data(), n);
        benchmark::DoNotOptimize(decoded.data());
    }
    return static_cast<int>(texts.size());
}

void BM_BurstReadOneByOne(benchmark::State& state) {
    LoopbackPair pair;
    const std::vector<std::string> burst = Burst();
    std::vector<char> transfer(kWireBufferSize, '\0');
    for (auto _ : state) {
        state.PauseTiming();
        const bool sent = pair.ok && pair.Send(burst);
        state.ResumeTiming();
        if (!sent || ReadOneByOne(pair.receiver.get(), transfer) != kBurst) state.SkipWithError("burst not read whole");
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BM_BurstReadOneByOne)->Unit(benchmark::kMicrosecond);

void BM_BurstDrained(benchmark::State& state) {
    LoopbackPair pair;
    const std::vector<std::string> burst = Burst();
    DatagramDrain drain;
    std::vector<ReceivedDatagram> texts;
    for (auto _ : state) {
        state.PauseTiming();
        const bool sent = pair.ok && pair.Send(burst);
        state.ResumeTiming();
        if (!sent || ReadDrained(pair.receiver.get(), drain, texts) != kBurst)
            state.SkipWithError("burst not read whole");
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BM_BurstDrained)->Unit(benchmark::kMicrosecond);

}  // namespace

// The ending looks for addresses shared by several MACs over the whole
// table: a relay's 100,000 distinct rows, and a flood of made-up MACs at one
// address, must both stay far from a quadratic walk.
void BM_AddressConflictsOf100000Rows(benchmark::State& state) {
    const bool oneAddress = state.range(0) != 0;
    std::vector<RowAddress> rows;
    char text[32];
    for (unsigned i = 0; i < 100000; ++i) {
        std::snprintf(text, sizeof text, "127.%u.%u.%u", 1 + i / 65536, (i / 256) % 256, i % 256);
        const std::string ip = oneAddress ? std::string("198.51.100.9") : std::string(text);
        std::snprintf(text, sizeof text, "02:4B:43:%02X:%02X:%02X", (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF);
        rows.push_back({ip, text});
    }
    for (auto _ : state) benchmark::DoNotOptimize(FindAddressConflicts(rows));
    state.SetLabel(oneAddress ? "one address, distinct MACs" : "distinct addresses");
}
BENCHMARK(BM_AddressConflictsOf100000Rows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
