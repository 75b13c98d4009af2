// SPDX-License-Identifier: GPL-3.0-or-later
// The input is what a client sends the relay. Its first byte picks the form
// the rest is read in: as it came off the wire, or as plain text the fuzzer
// writes and the tool's codec encodes (so the checks of a control package
// are reached, not only the decoder). Whatever comes, a control package let
// through must be one the dialog would have sent, and sending it again must
// give the same request.

#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/package_codec.h"
#include "protocol/plain_package.h"
#include "relay/relay_request.h"
#include "tests/fuzz/protocol/fuzz_form.h"
#include "web/http_command.h"

namespace {

bool SameRequest(const ControlRequest& a, const ControlRequest& b) {
    for (RequestField field : kRequestFields)
        if (RequestFieldText(a, field) != RequestFieldText(b, field)) return false;
    return a.type == b.type;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string wire = (data[0] & 1) != 0 ? EncodeWireText(rest) : std::string(rest);

    const RelayDatagram read = ReadRelayDatagram(wire);
    if (read.kind != DatagramKind::Setup) Require(read.refusal.empty());
    if (read.kind == DatagramKind::Setup && read.refusal.empty()) {
        Require(!FirstRejectedField(read.request).has_value());
        Require(read.request.type != NetworkType::None);
        const std::string again =
            EncodeWireText(RecordPackageText(kFlagNetworkSetup, MakeControlRecord(read.request)) + '\0');
        const RelayDatagram reread = ReadRelayDatagram(again);
        Require(reread.kind == DatagramKind::Setup && reread.refusal.empty());
        Require(SameRequest(reread.request, read.request));
    }

    const TcpRequest tcp = ReadTcpRequest(std::string_view(wire).substr(0, kTcpRequestLimit));
    if (tcp == TcpRequest::RelayQuery) Require(ReadRelayDatagram(wire).kind == DatagramKind::RelayQuery);

    const HttpRequestHead head = ReadHttpRequestHead(rest);
    if (head.state == HttpRequestHead::State::Complete) {
        Require(!head.method.empty() && !head.target.empty());
        for (char c : head.method + head.target) Require(static_cast<unsigned char>(c) > 0x20);
        if (const auto filter = HttpCommandFilter(head.target)) Require(filter->size() <= head.target.size());
    }
    return 0;
}
