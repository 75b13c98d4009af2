// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/lan/protocol/reply_collector.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

#include "protocol/package_codec.h"
#include "protocol/plain_package.h"
#include "protocol/reply_parser.h"
#include "protocol/udp_socket.h"
#include "tests/support/fake_window.h"

ReplyCollector::ReplyCollector(WindowOps& form) : form_(form) {
    sockaddr_in address{};
    ok_ = DM_CreateUDPBroadcastSocket(form_, kReplyPort, sock_, address) == 0;
}

ReplyCollector::~ReplyCollector() { CloseSocket(sock_); }

int ReplyCollector::Send(int flag, const tComUnitInfo* record) {
    std::vector<char> out(kWireBufferSize, '\0');
    if (MakePlainPkg(form_, flag, out.data(), record) != 0) return -1;
    return DM_SendUDPBroadcast(form_, kDevicePort, out.data());
}

std::vector<Datagram> ReplyCollector::Receive(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
    std::vector<Datagram> datagrams;
    const auto end = std::chrono::steady_clock::now() + limit;
    std::vector<char> buffer(kWireBufferSize + 1);
    while (sock_ >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd fd{sock_, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(std::min(left, quiet).count())) <= 0) break;
        sockaddr_in from{};
        socklen_t length = sizeof from;
        ssize_t n = ::recvfrom(sock_, buffer.data(), kWireBufferSize, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0) break;
        char host[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &from.sin_addr, host, sizeof host);
        datagrams.push_back({std::string(buffer.data(), static_cast<size_t>(n)),
                             std::string(host) + ":" + std::to_string(ntohs(from.sin_port))});
    }
    return datagrams;
}

void ReplyCollector::Parse(const std::vector<Datagram>& datagrams) {
    std::vector<unsigned char> decoded(kWireBufferSize);
    for (const Datagram& datagram : datagrams) {
        std::fill(decoded.begin(), decoded.end(), 0);
        // Keep the last byte zero whatever arrives, so the walk always ends.
        int n = Base64Decode(decoded.data(), decoded.size() - 1, datagram.text.c_str());
        InvertBytes(decoded.data(), n);
        // Like the search driver: the walk is bounded by the bytes received.
        int received = static_cast<int>(std::min(datagram.text.size(), decoded.size() - 1));
        ParserPlainPkg(form_, list, nextRow, reinterpret_cast<const char*>(decoded.data()), received);
    }
}

tComUnitInfo RecordOf(const SimDevice& device) {
    return MakeRecord(std::vector<std::string>(device.fields.begin(), device.fields.end()));
}

std::string RecordText(const tComUnitInfo& record) {
    std::string text;
    for (int i = 0; i < kComUnitFieldCount; ++i) {
        if (i > 0) text += '|';
        text += ComUnitFieldText(ComUnitField(record, i), ComUnitFieldWidth(i));
    }
    return text;
}

std::vector<SimDevice> DevicesFromText(const std::string& text) {
    std::vector<SimDevice> devices;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        if (auto device = ParseDeviceLine(line)) devices.push_back(*device);
    }
    return devices;
}

std::vector<std::string> RecordTexts(const TComUnitList& list) {
    std::vector<std::string> texts;
    for (const tComUnitInfo& record : list) texts.push_back(RecordText(record));
    return texts;
}

std::vector<std::string> RecordTexts(const std::vector<SimDevice>& devices) {
    std::vector<std::string> texts;
    for (const SimDevice& device : devices) texts.push_back(RecordText(RecordOf(device)));
    return texts;
}
