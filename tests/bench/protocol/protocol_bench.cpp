// Receive-side cost: one device datagram, and a relay's TCP answer holding
// 2,000 devices (decode, invert, parse into records and grid rows).

#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "protocol/package_codec.h"
#include "protocol/plain_package.h"
#include "protocol/reply_parser.h"
#include "protocol/text_format.h"
#include "tests/support/fake_window.h"

namespace {

std::string DevicePackage(int i) {
    return StrFormat(
        "Kestrova,01,CAM-%04d,P1,Camera %d,10.%d.%d.%d,80,255.0.0.0,10.0.0.1,10.0.0.1,"
        "00:11:22:%02X:%02X:%02X,dv%d,nt",
        i, i, (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF, (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF, i);
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

}  // namespace

BENCHMARK_MAIN();
