// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/relay_request.h"

#include <array>
#include <vector>

#include "protocol/com_unit_info.h"
#include "protocol/package_codec.h"
#include "protocol/plain_package.h"

namespace {

// Decoded bytes of a wire text: NUL-terminated packages, then zero bytes.
std::vector<char> Decoded(std::string_view text) {
    const std::string terminated(text.substr(0, text.find('\0')));
    std::vector<char> bytes(terminated.size() / 4 * 3 + 3, '\0');
    const int n = Base64Decode(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), terminated.c_str());
    InvertBytes(bytes.data(), n);
    bytes.resize(static_cast<std::size_t>(n));
    return bytes;
}

// The flag of "Kestrova,NN" followed by the end or a comma.
std::optional<int> Flag(std::string_view package) {
    const std::string_view token(kProtocolToken, kProtocolTokenLength);
    if (package.size() < token.size() + 3 || package.substr(0, token.size()) != token) return std::nullopt;
    if (package[token.size()] != ',') return std::nullopt;
    const char tens = package[token.size() + 1];
    const char ones = package[token.size() + 2];
    if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return std::nullopt;
    if (package.size() > token.size() + 3 && package[token.size() + 3] != ',') return std::nullopt;
    return (tens - '0') * 10 + (ones - '0');
}

std::optional<NetworkType> TypeNamed(std::string_view keyword) {
    for (NetworkType type : {NetworkType::Static, NetworkType::Dhcp, NetworkType::Torvo})
        if (keyword == NetworkTypeKeyword(type)) return type;
    return std::nullopt;
}

// The eleven fields after "Kestrova,03,", split at every comma: a field
// cannot hold one, so any other count is a broken package.
void ReadSetup(std::string_view payload, RelayDatagram& read) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = payload.find(',');
        fields.push_back(payload.substr(0, comma));
        if (comma == std::string_view::npos || fields.size() > kComUnitFieldCount) break;
        payload.remove_prefix(comma + 1);
    }
    if (fields.size() != kComUnitFieldCount) {
        read.refusal = "the package does not hold eleven fields";
        return;
    }
    for (int i = 0; i < kComUnitFieldCount; ++i) {
        if (fields[static_cast<std::size_t>(i)].size() >= ComUnitFieldWidth(i)) {
            read.refusal = "field " + std::to_string(i + 1) + " is longer than the record holds";
            return;
        }
    }
    ControlRequest& r = read.request;
    r.model = fields[0];
    r.proj = fields[1];
    r.name = fields[2];
    r.ip = fields[3];
    r.port = fields[4];
    r.netmask = fields[5];
    r.gateway = fields[6];
    r.dns = fields[7];
    r.mac = fields[8];
    r.dev = fields[9];
    const std::optional<NetworkType> type = TypeNamed(fields[10]);
    if (!type) {
        read.refusal = "no network type the dialog offers";
        return;
    }
    r.type = *type;
    if (const auto field = FirstRejectedField(r))
        read.refusal = InvalidFieldMessage(*field, RequestFieldText(r, *field));
}

}  // namespace

RelayDatagram ReadRelayDatagram(std::string_view datagram) {
    RelayDatagram read;
    const std::vector<char> bytes = Decoded(datagram);
    const std::string_view all(bytes.data(), bytes.size());
    const std::size_t nul = all.find('\0');
    const std::string_view package = all.substr(0, nul);
    const std::optional<int> flag = Flag(package);
    if (flag == kFlagRelayQuery) {
        read.kind = DatagramKind::RelayQuery;
    } else if (flag == kFlagNetworkSetup) {
        read.kind = DatagramKind::Setup;
        if (nul == std::string_view::npos) {
            read.refusal = "the package has no end";
        } else if (all.find_first_not_of('\0', nul) != std::string_view::npos) {
            read.refusal = "more than one package";
        } else {
            ReadSetup(package.substr(std::min(package.size(), static_cast<std::size_t>(kProtocolTokenLength) + 4)),
                      read);
        }
    }
    return read;
}

TcpRequest ReadTcpRequest(std::string_view received) {
    const std::vector<char> bytes = Decoded(received);
    const std::string_view all(bytes.data(), bytes.size());
    const std::size_t nul = all.find('\0');
    if (nul == std::string_view::npos)
        return received.size() >= kTcpRequestLimit ? TcpRequest::Other : TcpRequest::Incomplete;
    return Flag(all.substr(0, nul)) == kFlagRelayQuery ? TcpRequest::RelayQuery : TcpRequest::Other;
}

HttpRequestHead ReadHttpRequestHead(std::string_view received) {
    HttpRequestHead head;
    std::size_t end = received.find("\r\n\r\n");
    const std::size_t bare = received.find("\n\n");
    if (bare != std::string_view::npos && (end == std::string_view::npos || bare < end)) end = bare;
    if (end == std::string_view::npos || end >= kHttpHeadLimit) {
        head.state =
            received.size() >= kHttpHeadLimit ? HttpRequestHead::State::TooLarge : HttpRequestHead::State::Incomplete;
        return head;
    }
    std::string_view line = received.substr(0, received.find('\n'));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // METHOD SP TARGET SP HTTP/x.y, nothing more and nothing less.
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos ||
        line.substr(second + 1, 5) != "HTTP/" || first == 0 || second == first + 1) {
        head.state = HttpRequestHead::State::Malformed;
        return head;
    }
    for (char c : line)
        if (static_cast<unsigned char>(c) < 0x21 && c != ' ') {
            head.state = HttpRequestHead::State::Malformed;
            return head;
        }
    head.state = HttpRequestHead::State::Complete;
    head.method = line.substr(0, first);
    head.target = line.substr(first + 1, second - first - 1);
    return head;
}
