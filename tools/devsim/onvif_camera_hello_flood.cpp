// SPDX-License-Identifier: GPL-3.0-or-later
// A hostile host on the WS-Discovery group: whenever a search probes, it
// sends ten Hellos of 64 KiB, each naming thousands of types in a very long
// default namespace. Read naively, every item becomes a copy of that
// namespace: gigabytes from ten datagrams.

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "onvif/probe_message.h"
#include "tools/devsim/devsim_net.h"
#include "tools/devsim/service.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kDiscoveryPort = 3702;
constexpr int kHellosPerFlood = 10;
constexpr std::size_t kNamespaceChars = 32400;
// Below the largest UDP payload (65,507 bytes).
constexpr std::size_t kDatagramBytes = 65000;
// One flood per search: its probes come within a second.
constexpr std::chrono::seconds kFloodInterval{1};

std::string FloodHello(int index) {
    char endpoint[64];
    std::snprintf(endpoint, sizeof endpoint, "urn:uuid:f100d000-0000-4000-8000-%012d", index);
    std::string ns = "http://flood.example/";
    ns.append(kNamespaceChars - ns.size(), 'n');
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
        " xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
        " xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\">"
        "<s:Body><d:Hello><a:EndpointReference><a:Address>" +
        std::string(endpoint) + "</a:Address></a:EndpointReference><d:Types xmlns=\"" + ns + "\">";
    const std::string tail =
        "</d:Types><d:XAddrs>http://203.0.113.66/onvif/device_service</d:XAddrs>"
        "<d:MetadataVersion>1</d:MetadataVersion></d:Hello></s:Body></s:Envelope>";
    std::string hello = head;
    while (hello.size() + 2 + tail.size() <= kDatagramBytes) hello += "a ";
    return hello + tail;
}

class HelloFloodService final : public DevsimService {
public:
    bool Start(const DevsimContext& context, std::string& error) override {
        diag_ = context.diag;
        if (!waker_.valid()) {
            error = "eventfd failed";
            return false;
        }
        socket_ = BindAnyPort(SOCK_DGRAM, kDiscoveryPort, error);
        if (!socket_) return false;
        const int size = 4 * 1024 * 1024;
        ::setsockopt(socket_.get(), SOL_SOCKET, SO_SNDBUFFORCE, &size, sizeof size);
        // Sent through the card the cameras announce themselves on.
        const std::optional<in_addr> via = JoinDiscoveryGroup(socket_.get());
        if (!via) {
            error = "the Hello flood could not join 239.255.255.250 on any card";
            return false;
        }
        ::setsockopt(socket_.get(), IPPROTO_IP, IP_MULTICAST_IF, &*via, sizeof *via);
        for (int i = 0; i < kHellosPerFlood; ++i) hellos_.push_back(FloodHello(i));
        thread_ = std::thread([this] { Run(); });
        return true;
    }

    void Stop() override {
        waker_.Wake();
        if (thread_.joinable()) thread_.join();
    }

private:
    void Run() {
        std::string buffer(65536, '\0');
        auto lastFlood = Clock::now() - kFloodInterval;
        while (true) {
            const int ready = WaitReady(socket_.get(), POLLIN, waker_, std::chrono::milliseconds(1000));
            if (ready < 0) return;
            if (ready == 0) continue;
            const ssize_t n = ::recv(socket_.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n <= 0) continue;
            if (!ParseProbe(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) continue;
            if (Clock::now() - lastFlood < kFloodInterval) continue;
            lastFlood = Clock::now();
            sockaddr_in group{};
            group.sin_family = AF_INET;
            group.sin_port = htons(kDiscoveryPort);
            ::inet_pton(AF_INET, "239.255.255.250", &group.sin_addr);
            for (const std::string& hello : hellos_) {
                std::string error;
                if (!SendDatagram(socket_.get(), group, hello, error)) diag_("onvif hello flood: " + error);
            }
        }
    }

    std::function<void(const std::string&)> diag_;
    std::vector<std::string> hellos_;
    UniqueFd socket_;
    Waker waker_;
    std::thread thread_;
};

const DevsimServiceRegistration kRegistration{{
    .name = "onvif-hello-flood",
    .options = {{"--onvif-hello-flood", DevsimOptionKind::Flag,
                 "answer each search's probes with ten 64 KiB Hellos naming thousands of types"}},
    .enabled = [](const DevsimOptions& o) { return o.Flag("--onvif-hello-flood"); },
    .create = [] { return std::make_unique<HelloFloodService>(); },
}};

}  // namespace
