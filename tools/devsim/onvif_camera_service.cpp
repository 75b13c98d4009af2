// SPDX-License-Identifier: GPL-3.0-or-later
// Simulated ONVIF cameras on the WS-Discovery group: each answers a Probe
// whose types it holds with a ProbeMatches to the prober, after a random
// 0..500 ms, as real devices spread their answers.

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include <queue>

#include "onvif/device_client.h"
#include "onvif/probe_message.h"
#include "tools/devsim/devsim_net.h"
#include "tools/devsim/onvif_camera.h"
#include "tools/devsim/onvif_camera_address.h"
#include "tools/devsim/onvif_camera_http.h"
#include "tools/devsim/query_loss.h"
#include "tools/devsim/service.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kDiscoveryPort = 3702;
constexpr int kMaxAnswerDelayMs = 500;
// A flood of probes cannot grow the queue without bound.
constexpr std::size_t kMaxPending = 200000;
// A Hello-only camera repeats its Hello, so any search window hears one.
constexpr std::chrono::milliseconds kHelloInterval{300};

struct PendingAnswer {
    Clock::time_point due;
    sockaddr_in to;
    std::size_t camera;
    std::string relatesTo;
    // A unicast Probe is answered from the address it was sent to.
    in_addr from{};
    bool operator>(const PendingAnswer& other) const { return due > other.due; }
};

class OnvifCameraService final : public DevsimService {
public:
    bool Start(const DevsimContext& context, std::string& error) override {
        const DevsimOptions& o = context.options;
        diag_ = context.diag;
        loss_ = std::make_unique<QueryLoss>(o.Integer("--loss", 0));
        if (o.Has("--onvif-answer-delay-ms")) fixedDelay_ = static_cast<int>(o.Integer("--onvif-answer-delay-ms", 0));
        cameras_ = GenerateOnvifCameras(static_cast<int>(o.Integer("--onvif", 0)),
                                        static_cast<int>(o.Integer("--onvif-first", 0)));
        if (o.Flag("--onvif-malformed")) cameras_.push_back(FaultyOnvifCamera(OnvifCameraFault::Malformed));
        if (o.Flag("--onvif-bomb")) cameras_.push_back(FaultyOnvifCamera(OnvifCameraFault::Bomb));
        if (o.Flag("--onvif-repeat")) cameras_.push_back(FaultyOnvifCamera(OnvifCameraFault::Repeat));
        if (o.Flag("--onvif-hello")) cameras_.push_back(FaultyOnvifCamera(OnvifCameraFault::HelloOnly));
        if (!waker_.valid()) {
            error = "eventfd failed";
            return false;
        }
        socket_ = BindAnyPort(SOCK_DGRAM, kDiscoveryPort, error);
        if (!socket_) return false;
        const int size = 4 * 1024 * 1024;
        const int on = 1;
        ::setsockopt(socket_.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        ::setsockopt(socket_.get(), SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size);
        ::setsockopt(socket_.get(), SOL_SOCKET, SO_SNDBUFFORCE, &size, sizeof size);
        const std::optional<in_addr> via = JoinDiscoveryGroup(socket_.get());
        if (!via) {
            error = "ONVIF cameras could not join 239.255.255.250 on any card";
            return false;
        }
        announceVia_ = *via;
        if (!PlaceOnvifCamerasOnBoxCard(cameras_, static_cast<int>(o.Integer("--onvif-first", 0)), error) ||
            !StartDeviceServices(o, error))
            return false;
        thread_ = std::thread([this] { Run(); });
        return true;
    }

    void Stop() override {
        waker_.Wake();
        if (thread_.joinable()) thread_.join();
        http_.Stop();
    }

private:
    bool StartDeviceServices(const DevsimOptions& o, std::string& error) {
        OnvifSimOptions sim;
        const std::string auth = o.Text("--onvif-auth", "both");
        if (auth == "none")
            sim.auth = OnvifSimAuth::None;
        else if (auth == "wsse")
            sim.auth = OnvifSimAuth::Wsse;
        else if (auth == "digest")
            sim.auth = OnvifSimAuth::Digest;
        else if (auth != "both") {
            error = "--onvif-auth takes none, wsse, digest or both";
            return false;
        }
        sim.user = o.Text("--onvif-user", sim.user);
        sim.password = o.Text("--onvif-password", sim.password);
        sim.clockOffsetSeconds = static_cast<double>(o.Integer("--onvif-clock-offset", 0));
        sim.ntp = o.Flag("--onvif-ntp");
        sim.rebootNeeded = o.Flag("--onvif-reboot-needed");
        if (const auto refused = o.Text("--onvif-refuse")) sim.refuse = {*refused};
        sim.streamUri = o.Text("--onvif-stream-uri", "");
        sim.rebootSilence = std::chrono::milliseconds(o.Integer("--onvif-reboot-ms", 3000));
        sim.callTime = std::chrono::milliseconds(o.Integer("--onvif-call-ms", 0));
        if (const auto quirks = o.Text("--onvif-quirk")) {
            const auto choice = ParseOnvifQuirks(*quirks, error);
            if (!choice) return false;
            sim.quirks = *choice;
        }
        return http_.Start(cameras_, static_cast<int>(o.Integer("--onvif-first", 0)), sim,
                           std::chrono::milliseconds(o.Integer("--setup-delay-ms", 2000)), o.Text("--onvif-log", ""),
                           diag_, error);
    }

    void Run() {
        std::string buffer(65536, '\0');
        std::mt19937 random(std::random_device{}());
        std::uniform_int_distribution<int> delay(0, kMaxAnswerDelayMs);
        ::setsockopt(socket_.get(), IPPROTO_IP, IP_MULTICAST_IF, &announceVia_, sizeof announceVia_);
        auto nextHello = Clock::now();
        while (true) {
            const auto now = Clock::now();
            if (now >= nextHello) {
                Announce();
                nextHello = now + kHelloInterval;
            }
            for (const std::size_t leaving : http_.TakeGoingDown()) Bye(leaving);
            for (const std::size_t restarted : http_.TakeRestarted()) Hello(restarted);
            while (!pending_.empty() && pending_.top().due <= now) {
                Answer(pending_.top());
                pending_.pop();
            }
            auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextHello - now);
            if (!pending_.empty())
                wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(pending_.top().due - now) +
                                          std::chrono::milliseconds(1));
            const int ready = WaitReady(socket_.get(), POLLIN, waker_, wait);
            if (ready < 0) return;
            if (ready == 0) continue;
            sockaddr_in from{};
            in_addr to{};
            const ssize_t n = ReceiveDatagram(socket_.get(), buffer.data(), buffer.size(), from, to);
            if (n <= 0) continue;
            const auto probe = ParseProbe(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
            if (!probe) continue;
            // A Probe to the group is answered by every camera after a random
            // delay; one sent to an address by the camera there, at once.
            const bool toAll = SentToAll(to);
            for (std::size_t i = 0; i < cameras_.size() && pending_.size() < kMaxPending; ++i) {
                if (cameras_[i].fault == OnvifCameraFault::HelloOnly || !OnvifCameraMatches(cameras_[i], probe->types))
                    continue;
                if (!toAll && !StandsAt(i, to)) continue;
                if (http_.Rebooting(i)) continue;
                if (loss_->Misses()) continue;
                const int after = fixedDelay_ >= 0 ? fixedDelay_ : toAll ? delay(random) : 0;
                pending_.push({Clock::now() + std::chrono::milliseconds(after), from, i, probe->messageId,
                               toAll ? in_addr{} : to});
            }
        }
    }

    void Announce() {
        sockaddr_in group{};
        group.sin_family = AF_INET;
        group.sin_port = htons(kDiscoveryPort);
        ::inet_pton(AF_INET, "239.255.255.250", &group.sin_addr);
        for (const OnvifCamera& camera : cameras_) {
            if (camera.fault != OnvifCameraFault::HelloOnly) continue;
            std::string error;
            if (!SendDatagram(socket_.get(), group, OnvifHello(camera, NewMessageId()), error, OwnAddress(camera)))
                diag_("onvif hello: " + error);
        }
    }

    // A camera back from a restart says so, at the address it serves at now.
    void Hello(std::size_t index) {
        OnvifCamera camera = cameras_[index];
        camera.xaddrs = http_.Xaddrs(index);
        ToGroup(camera, OnvifHello(camera, NewMessageId()), "onvif hello: ");
    }

    // A camera going down for a restart says so first.
    void Bye(std::size_t index) { ToGroup(cameras_[index], OnvifBye(cameras_[index], NewMessageId()), "onvif bye: "); }

    void ToGroup(const OnvifCamera& camera, const std::string& message, const char* what) {
        sockaddr_in group{};
        group.sin_family = AF_INET;
        group.sin_port = htons(kDiscoveryPort);
        ::inet_pton(AF_INET, "239.255.255.250", &group.sin_addr);
        std::string error;
        if (!SendDatagram(socket_.get(), group, message, error, OwnAddress(camera))) diag_(what + error);
    }

    // Whether the camera's device service is at that address.
    bool StandsAt(std::size_t camera, in_addr address) {
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &address, text, sizeof text);
        for (const std::string& xaddr : http_.Xaddrs(camera))
            if (OnvifXaddrHost(xaddr) == text) return true;
        return false;
    }

    void Answer(const PendingAnswer& answer) {
        if (http_.Rebooting(answer.camera)) return;
        // A camera given a new address answers with it, and from it.
        OnvifCamera camera = cameras_[answer.camera];
        camera.xaddrs = http_.Xaddrs(answer.camera);
        // A probe sent to one address is answered from it; one to the group
        // from the camera's own address.
        const auto from = answer.from.s_addr != htonl(INADDR_ANY) ? std::optional(answer.from) : OwnAddress(camera);
        const int copies = camera.fault == OnvifCameraFault::Repeat ? 3 : 1;
        for (int i = 0; i < copies; ++i) {
            std::string error;
            if (!SendDatagram(socket_.get(), answer.to, OnvifProbeMatches(camera, answer.relatesTo, NewMessageId()),
                              error, from))
                diag_("onvif: " + error);
        }
    }

    // The IPv4 host of the camera's http XAddr, where it serves: a camera
    // answers from its own address, not from whichever the route picks.
    static std::optional<in_addr> OwnAddress(const OnvifCamera& camera) {
        for (const std::string& xaddr : camera.xaddrs) {
            in_addr address{};
            if (xaddr.rfind("http://", 0) == 0 && ::inet_pton(AF_INET, OnvifXaddrHost(xaddr).c_str(), &address) == 1)
                return address;
        }
        return std::nullopt;
    }

    std::function<void(const std::string&)> diag_;
    std::vector<OnvifCamera> cameras_;
    OnvifCameraHttp http_;
    std::unique_ptr<QueryLoss> loss_;
    int fixedDelay_ = -1;  // else random
    UniqueFd socket_;
    in_addr announceVia_{};
    Waker waker_;
    std::thread thread_;
    std::priority_queue<PendingAnswer, std::vector<PendingAnswer>, std::greater<>> pending_;
};

const DevsimServiceRegistration kRegistration{{
    .name = "onvif-cameras",
    .options = {{"--onvif", DevsimOptionKind::Integer, "run N simulated ONVIF cameras (WS-Discovery)", 0, 5000},
                {"--onvif-answer-delay-ms", DevsimOptionKind::Integer,
                 "answer every Probe after this delay instead of a random 0-500 ms", 0, 10000},
                {"--onvif-first", DevsimOptionKind::Integer, "number of the first ONVIF camera (default 0)", 0, 100000},
                {"--onvif-malformed", DevsimOptionKind::Flag, "add an ONVIF camera answering with malformed XML"},
                {"--onvif-bomb", DevsimOptionKind::Flag, "add an ONVIF camera answering with an entity bomb"},
                {"--onvif-repeat", DevsimOptionKind::Flag, "add an ONVIF camera answering every probe three times"},
                {"--onvif-hello", DevsimOptionKind::Flag, "add an ONVIF camera sending Hellos, never answering"},
                {"--onvif-auth", DevsimOptionKind::Text,
                 "sign-in the cameras' device services take: none, wsse, digest or both (default)"},
                {"--onvif-user", DevsimOptionKind::Text, "the cameras' user name (default admin)"},
                {"--onvif-password", DevsimOptionKind::Text, "the cameras' password (default admin)"},
                {"--onvif-clock-offset", DevsimOptionKind::Integer,
                 "the cameras' clocks run SECONDS ahead (negative: behind)", -864000, 864000},
                {"--onvif-ntp", DevsimOptionKind::Flag, "the cameras keep time by NTP"},
                {"--onvif-reboot-needed", DevsimOptionKind::Flag,
                 "a new address needs a reboot (SetNetworkInterfaces answers RebootNeeded)"},
                {"--onvif-reboot-ms", DevsimOptionKind::Integer,
                 "a camera told to reboot is silent this long, then says Hello (default 3000)", 0, 600000},
                {"--onvif-call-ms", DevsimOptionKind::Integer,
                 "each device service call is answered this long after it arrived (default 0)", 0, 10000},
                {"--onvif-refuse", DevsimOptionKind::Text, "the cameras answer this operation with a SOAP fault"},
                {"--onvif-quirk", DevsimOptionKind::Text,
                 "NAME[,NAME] a way of real cameras for every camera, or spread: camera k takes the k-th of "
                 "open-reads, local-clock, clock-auth, soap11, gateway-subnet, move-first, ignore-change, dst, "
                 "octet-stream-snapshot, inside-address, stream-user-info, no-media2, quick-restart, one-at-a-time, "
                 "one-connection"},
                {"--onvif-stream-uri", DevsimOptionKind::Text,
                 "the address every camera names for its main stream (default rtsp://ITS-ADDRESS:554/stream/main)"},
                {"--onvif-log", DevsimOptionKind::Text,
                 "append each device service request to FILE (ADDRESS:PORT, operation, status, the camera's requests "
                 "in flight)"}},
    .enabled =
        [](const DevsimOptions& o) {
            return o.Integer("--onvif", 0) > 0 || o.Flag("--onvif-malformed") || o.Flag("--onvif-bomb") ||
                   o.Flag("--onvif-repeat") || o.Flag("--onvif-hello");
        },
    .create = [] { return std::make_unique<OnvifCameraService>(); },
}};

}  // namespace
