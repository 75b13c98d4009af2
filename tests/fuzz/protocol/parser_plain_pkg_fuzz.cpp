// SPDX-License-Identifier: GPL-3.0-or-later
// The input is a received message: it goes through the whole receive
// sequence (decode, invert, parse). The same bytes are also handed to the
// parser as an exactly sized, possibly unterminated decoded buffer.

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "protocol/package_codec.h"
#include "protocol/plain_package.h"
#include "protocol/reply_parser.h"
#include "tests/fuzz/protocol/fuzz_form.h"

namespace {

void CheckParse(const char* buf, int len) {
    FuzzForm form;
    TComUnitList list;
    int nextRow = 1;
    ReplyCounters counters;
    const int added = ParserPlainPkg(form, list, nextRow, buf, len, &counters);
    Require(added >= 0 && static_cast<std::size_t>(added) == list.size());
    // Every package read is listed, dropped as a duplicate or refused.
    Require(counters.devices == added);
    Require(counters.packages == counters.devices + counters.duplicates + counters.notListed + counters.Rejected());
    Require(counters.hiddenByFilter <= counters.devices);
    Require(nextRow >= 1 && nextRow <= added + 1 && form.RowCount() == nextRow);
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            const bool sameIp = std::strncmp(list[i].ip, list[j].ip, sizeof list[i].ip) == 0;
            const bool sameMac = std::strncmp(list[i].mac, list[j].mac, sizeof list[i].mac) == 0;
            Require(!(sameIp && sameMac));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= static_cast<std::size_t>(kWireBufferSize)) return 0;

    std::vector<char> received(static_cast<std::size_t>(kWireBufferSize), '\0');
    std::memcpy(received.data(), data, size);
    std::vector<unsigned char> decoded(static_cast<std::size_t>(kWireBufferSize), 0);
    const int n = Base64Decode(decoded.data(), decoded.size() - 1, received.data());
    Require(InvertBytes(decoded.data(), n) == 0);
    CheckParse(reinterpret_cast<const char*>(decoded.data()), static_cast<int>(size));

    // No trailing zero: a read past len shows under the sanitizer.
    auto exact = std::make_unique<char[]>(size);
    std::memcpy(exact.get(), data, size);
    CheckParse(exact.get(), static_cast<int>(size));
    return 0;
}
