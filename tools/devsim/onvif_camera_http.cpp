// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/onvif_camera_http.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <set>
#include <utility>

#include "onvif/device_client.h"
#include "protocol/text_format.h"
#include "tools/devsim/setup_applier.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kRequestTimeout = 5s;
constexpr std::size_t kMaxHead = 16384;
constexpr std::size_t kMaxBody = 256 * 1024;

// However the answer ends.
struct AtScopeEnd {
    explicit AtScopeEnd(std::function<void()> then) : end(std::move(then)) {}
    std::function<void()> end;
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;
    ~AtScopeEnd() { end(); }
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string HeaderValue(const std::string& head, const std::string& name) {
    const std::string lower = Lower(head);
    const std::size_t at = lower.find("\r\n" + name + ":");
    if (at == std::string::npos) return {};
    const std::size_t start = head.find_first_not_of(' ', at + name.size() + 3);
    const std::size_t end = head.find("\r\n", at + 2);
    return start == std::string::npos || start >= end ? std::string() : head.substr(start, end - start);
}

// The port of an "http://host[:port]/..." XAddr.
int XaddrPort(const std::string& xaddr) {
    const std::string host = OnvifXaddrHost(xaddr);
    const std::size_t at = xaddr.find(host) + host.size();
    if (at < xaddr.size() && xaddr[at] == ':') return std::atoi(xaddr.c_str() + at + 1);
    return 80;
}

std::string AddressOf(std::uint32_t hostOrder) {
    in_addr a{htonl(hostOrder)};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

OnvifSimSettings InitialSettings(const OnvifCamera& camera, int index, const std::string& address,
                                 const OnvifSimOptions& options) {
    OnvifSimSettings s;
    s.number = index;
    s.manufacturer = "Devsim Optics";
    s.model = "Simulated Camera";
    for (const auto& scope : camera.scopes)
        // A scope is percent-encoded; the camera's own answer is plain text.
        if (scope.rfind("onvif://www.onvif.org/hardware/", 0) == 0) s.model = PercentDecode(scope.substr(31));
    s.firmware = "1.4." + std::to_string(index);
    s.serial = "DSO-" + camera.endpoint.substr(camera.endpoint.size() > 8 ? camera.endpoint.size() - 8 : 0);
    s.hardwareId = "rev-A";
    s.hostname = "onvif-cam-" + std::to_string(index);
    char mac[32];
    std::snprintf(mac, sizeof mac, "02:4f:4e:%02x:%02x:%02x", static_cast<unsigned>((index >> 16) & 0xff),
                  static_cast<unsigned>((index >> 8) & 0xff), static_cast<unsigned>(index & 0xff));
    s.mac = mac;
    s.address = address;
    s.prefixLength = address.rfind("127.", 0) == 0 ? 8 : 24;  // loopback, or a box card
    s.clockOffsetSeconds = options.clockOffsetSeconds;
    s.ntp = options.ntp;
    return s;
}

}  // namespace

bool OnvifCameraHttp::Start(const std::vector<OnvifCamera>& cameras, int first, const OnvifSimOptions& options,
                            std::chrono::milliseconds setupDelay, const std::string& logPath,
                            std::function<void(const std::string&)> diag, std::string& error) {
    options_ = options;
    setupDelay_ = setupDelay;
    diag_ = std::move(diag);
    if (!logPath.empty() && !log_.Open(logPath, error)) return false;
    std::set<int> ports;
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        Camera camera;
        camera.xaddrs = cameras[i].xaddrs;
        for (const auto& xaddr : cameras[i].xaddrs) {
            in_addr a{};
            const std::string host = OnvifXaddrHost(xaddr);
            if (xaddr.rfind("http://", 0) != 0 || ::inet_pton(AF_INET, host.c_str(), &a) != 1) continue;
            camera.settings = InitialSettings(cameras[i], first + static_cast<int>(i), host, options);
            camera.settings.quirks = OnvifQuirksOf(options.quirks, first + static_cast<int>(i));
            if (camera.settings.quirks.dst) {
                camera.settings.daylightSavings = true;
                camera.settings.timeZone = "CET-1CEST,M3.5.0,M10.5.0/3";
            }
            camera.port = XaddrPort(xaddr);
            camera.settings.port = camera.port;
            break;
        }
        if (!camera.settings.address.empty()) ports.insert(camera.port);
        cameras_.push_back(std::move(camera));
    }
    for (const int port : ports) {
        auto server = std::make_unique<StreamServer>();
        const StreamServer* serving = server.get();
        if (!server->Start(
                static_cast<std::uint16_t>(port), "onvif device service",
                [this, port, serving](int fd, const sockaddr_in&) { Serve(fd, port, serving->waker()); }, diag_, error))
            return false;
        servers_.push_back(std::move(server));
    }
    applier_ = std::thread([this] { ApplyLoop(); });
    return true;
}

void OnvifCameraHttp::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (applier_.joinable()) applier_.join();
    for (auto& server : servers_) server->Stop();
    servers_.clear();
}

std::vector<std::string> OnvifCameraHttp::Xaddrs(std::size_t camera) const {
    std::lock_guard lock(mutex_);
    return camera < cameras_.size() ? cameras_[camera].xaddrs : std::vector<std::string>();
}

bool OnvifCameraHttp::Rebooting(std::size_t camera) const {
    std::lock_guard lock(mutex_);
    return camera < cameras_.size() && cameras_[camera].rebootUntil.has_value();
}

std::vector<std::size_t> OnvifCameraHttp::TakeGoingDown() {
    std::lock_guard lock(mutex_);
    return std::exchange(goingDown_, {});
}

std::vector<std::size_t> OnvifCameraHttp::TakeRestarted() {
    std::lock_guard lock(mutex_);
    return std::exchange(restarted_, {});
}

void OnvifCameraHttp::Serve(int fd, int port, const Waker& waker) {
    auto deadline = Clock::now() + kRequestTimeout;
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) return;
    const std::string localAddress = AddressOf(ntohl(local.sin_addr.s_addr));

    std::string data;
    char chunk[8192];
    std::size_t headEnd = std::string::npos;
    std::size_t wanted = 0;
    bool continued = false;
    for (int guard = 0; guard < 4096; ++guard) {
        if (headEnd == std::string::npos) {
            headEnd = data.find("\r\n\r\n");
            if (headEnd != std::string::npos) {
                const std::string head = data.substr(0, headEnd + 2);
                const std::string lengthText = HeaderValue(head, "content-length");
                wanted = headEnd + 4 + static_cast<std::size_t>(std::strtoull(lengthText.c_str(), nullptr, 10));
                if (wanted - headEnd - 4 > kMaxBody) return;
                if (!continued && Lower(HeaderValue(head, "expect")) == "100-continue") {
                    continued = true;
                    const std::string go = "HTTP/1.1 100 Continue\r\n\r\n";
                    if (::send(fd, go.data(), go.size(), MSG_NOSIGNAL) < 0) return;
                }
            } else if (data.size() > kMaxHead) {
                return;
            }
        }
        if (headEnd != std::string::npos && data.size() >= wanted) break;
        if (WaitReady(fd, POLLIN, waker, Remaining(deadline)) <= 0) return;
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return;
        data.append(chunk, static_cast<std::size_t>(n));
    }
    if (headEnd == std::string::npos || data.size() < wanted) return;
    const std::string head = data.substr(0, headEnd + 2);
    OnvifSimRequest request;
    const std::string line = head.substr(0, head.find("\r\n"));
    request.method = line.substr(0, line.find(' '));
    const std::size_t pathStart = line.find(' ') == std::string::npos ? line.size() : line.find(' ') + 1;
    request.path = line.substr(pathStart, line.find(' ', pathStart) - pathStart);
    request.authorization = HeaderValue(head, "authorization");
    request.body = data.substr(headEnd + 4, wanted - headEnd - 4);

    OnvifSimAnswer answer;
    bool answering = true;
    auto answerAt = Clock::now();
    int inFlight = 0;  // this camera's requests being answered, this one too
    std::optional<std::size_t> served;
    auto countDown = [this, &served] {
        std::lock_guard lock(mutex_);
        if (served) --cameras_[*served].inFlight;
        served.reset();
    };
    const AtScopeEnd countedDown{countDown};
    {
        std::lock_guard lock(mutex_);
        const auto camera = std::find_if(cameras_.begin(), cameras_.end(), [&](const Camera& c) {
            return c.settings.address == localAddress && c.port == port;
        });
        if (camera == cameras_.end()) {
            answer.status = 404;
            answer.body = "No camera at this address\n";
        } else if (camera->rebootUntil && !camera->settings.quirks.quickRestart) {
            answering = false;
        } else if (camera->settings.quirks.oneConnection && camera->inFlight > 0) {
            answering = false;  // busy: the connection is closed unanswered
            inFlight = camera->inFlight + 1;
        } else {
            served = static_cast<std::size_t>(camera - cameras_.begin());
            inFlight = ++camera->inFlight;
            if (camera->settings.quirks.oneAtATime) answerAt = std::max(answerAt, camera->busyUntil);
            answerAt += options_.callTime;
            camera->busyUntil = answerAt;
            answer = AnswerOnvifRequest(camera->settings, options_, camera->nonces, request,
                                        std::chrono::system_clock::now());
            const auto index = static_cast<std::size_t>(camera - cameras_.begin());
            if (answer.change && camera->settings.quirks.moveFirst) {
                // Gone before the answer is out.
                Apply(*camera, *answer.change);
                answering = false;
            } else if (answer.change) {
                if (options_.rebootNeeded)
                    camera->awaitingReboot = answer.change;
                else
                    Schedule(index, *answer.change);
            }
            if (answer.reboot && camera->awaitingReboot) {
                Schedule(index, *camera->awaitingReboot);
                camera->awaitingReboot.reset();
            }
            if (answer.reboot) {
                camera->rebootUntil = Clock::now() + options_.rebootSilence;
                goingDown_.push_back(index);
                wake_.notify_all();
            }
        }
    }
    log_.Write(localAddress + ":" + std::to_string(port) + "\t" + (answer.operation.empty() ? "-" : answer.operation) +
               "\t" + (answering ? std::to_string(answer.status) : std::string("-")) + "\t" + std::to_string(inFlight));
    if (!answering) return;
    // The camera's thinking time; a client that gave up meanwhile finds the connection closed.
    for (int wait = 0; wait < 1000 && answerAt > Clock::now(); ++wait) {
        // Only a hang-up or devsim stopping ends the wait early.
        if (WaitReady(fd, 0, waker, Remaining(answerAt)) != 0) return;
        deadline = Clock::now() + kRequestTimeout;
    }
    // Done before the answer leaves, so a client's next call never finds this one in flight.
    countDown();
    const std::string bytes = SerializeOnvifAnswer(answer);
    std::size_t sent = 0;
    while (sent < bytes.size() && WaitReady(fd, POLLOUT, waker, Remaining(deadline)) > 0) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

void OnvifCameraHttp::Schedule(std::size_t camera, const OnvifSimAddressChange& change) {
    pending_.push_back({Clock::now() + setupDelay_, camera, change});
    wake_.notify_all();
}

void OnvifCameraHttp::ApplyLoop() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const auto now = Clock::now();
        auto next = now + 1s;
        for (std::size_t i = 0; i < cameras_.size(); ++i) {
            Camera& camera = cameras_[i];
            if (!camera.rebootUntil) continue;
            if (*camera.rebootUntil > now) {
                next = std::min(next, *camera.rebootUntil);
                continue;
            }
            camera.rebootUntil.reset();
            if (!camera.settings.ntp)
                camera.settings.clockOffsetSeconds =
                    static_cast<double>(kOnvifSimFactoryTime) -
                    std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
            restarted_.push_back(i);
            if (diag_) diag_("onvif camera " + camera.settings.address + " restarted");
        }
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->due <= now) {
                Apply(cameras_[it->camera], it->change);
                it = pending_.erase(it);
            } else {
                next = std::min(next, it->due);
                ++it;
            }
        }
        wake_.wait_until(lock, next);
    }
}

void OnvifCameraHttp::Apply(Camera& camera, const OnvifSimAddressChange& change) {
    std::string address = change.address;
    int prefix = change.prefixLength;
    if (change.dhcp) {
        const DhcpPool pool = BoxDhcpPool();
        for (std::uint32_t host = 200; host < 250 && address.empty(); ++host) {
            const std::string candidate = AddressOf(pool.network | host);
            if (std::none_of(cameras_.begin(), cameras_.end(),
                             [&](const Camera& c) { return c.settings.address == candidate; }))
                address = candidate;
        }
        prefix = 32 - __builtin_popcount(~pool.netmask);
        if (address.empty()) return;
    }
    const std::string old = camera.settings.address;
    for (auto& xaddr : camera.xaddrs)
        if (OnvifXaddrHost(xaddr) == old) xaddr.replace(xaddr.find(old), old.size(), address);
    camera.settings.address = address;
    camera.settings.prefixLength = prefix;
    camera.settings.dhcp = change.dhcp;
    camera.settings.configured.reset();
    if (diag_) diag_("onvif camera " + old + " now at " + address + "/" + std::to_string(prefix));
}
