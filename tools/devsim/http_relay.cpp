// SPDX-License-Identifier: GPL-3.0-or-later
// The HTTP relay: serves GET /device.get?DeviceType=X with a table of the
// simulated devices of project X, in the page variant chosen by
// --http-page or by a "page" query parameter.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "tools/devsim/devsim_net.h"
#include "tools/devsim/http_relay_pages.h"
#include "tools/devsim/line_sink.h"
#include "tools/devsim/service.h"
#include "tools/devsim/stream_server.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kRequestTimeout = 5s;
constexpr auto kSendTimeout = 30s;
constexpr std::size_t kMaxHead = 16384;

class HttpRelay final : public DevsimService {
public:
    bool Start(const DevsimContext& context, std::string& error) override {
        const DevsimOptions& o = context.options;
        devices_ = &context.devices;
        diag_ = context.diag;
        port_ = static_cast<int>(o.Integer("--http-relay", 0));
        const std::string pageName = o.Text("--http-page", "normal");
        const auto kind = ParseHttpPageKind(pageName);
        if (!kind) {
            error = "unknown --http-page " + pageName + " (one of " + HttpPageKindNames() + ")";
            return false;
        }
        defaultKind_ = o.Flag("--http-slow") ? HttpPageKind::Slow : *kind;
        if (auto path = o.Text("--http-log"); path && !log_.Open(*path, error)) return false;
        return server_.Start(
            static_cast<std::uint16_t>(port_), "http relay",
            [this](int fd, const sockaddr_in& peer) { Serve(fd, peer); }, diag_, error);
    }

    void Stop() override { server_.Stop(); }

private:
    // Reads the request head; empty when the client sent none in time.
    std::string ReadHead(int fd) {
        std::string head;
        const auto deadline = Clock::now() + kRequestTimeout;
        char chunk[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHead) {
            const int ready = WaitReady(fd, POLLIN, server_.waker(), Remaining(deadline));
            if (ready <= 0) return {};
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) return {};
            head.append(chunk, static_cast<std::size_t>(n));
        }
        return head;
    }

    void Serve(int fd, const sockaddr_in& peer) {
        const std::string head = ReadHead(fd);
        if (head.empty()) return;
        const auto request = ParseHttpRelayRequest(head);
        if (!request) {
            log_.Write("BAD " + EscapeForLog(head.substr(0, head.find("\r\n"))));
            SendAll(fd, SerializeHttpAnswer({400, "Bad Request", {}, {}}), peer);
            return;
        }
        HttpPageKind kind = defaultKind_;
        if (request->page) {
            const auto asked = ParseHttpPageKind(*request->page);
            if (asked) kind = *asked;
        }
        log_.Write("GET " + EscapeForLog(request->target) + "\tDeviceType=" + EscapeForLog(request->deviceType) +
                   "\tpage=" + HttpPageKindName(kind));
        if (kind == HttpPageKind::Slow) {
            if (HoldOpen(fd, server_.waker())) log_.Write("CLOSED by client, unanswered");
            return;
        }
        HttpRelayAnswer answer;
        if (request->method != "GET" || request->path != "/device.get" || !request->hasDeviceType)
            answer = {404, "Not Found", {}, "<html><body>Not Found</body></html>\n"};
        else
            answer = BuildHttpRelayAnswer(kind, DevicesOfProject(*devices_, request->deviceType), *request, port_);
        SendAll(fd, SerializeHttpAnswer(answer), peer);
    }

    void SendAll(int fd, const std::string& data, const sockaddr_in& peer) {
        const std::size_t sent = SendAllUntil(fd, data, server_.waker(), Clock::now() + kSendTimeout);
        log_.Write("SENT " + std::to_string(sent) + " of " + std::to_string(data.size()) + " bytes to " +
                   AddressText(peer));
    }

    const std::vector<SimDevice>* devices_ = nullptr;
    std::function<void(const std::string&)> diag_;
    int port_ = 0;
    HttpPageKind defaultKind_ = HttpPageKind::Normal;
    LineSink log_;
    StreamServer server_;
};

const DevsimServiceRegistration kRegistration{{
    .name = "http-relay",
    .options =
        {
            {"--http-relay", DevsimOptionKind::Integer, "serve the device table page over HTTP on PORT", 1, 65535},
            {"--http-page", DevsimOptionKind::Text,
             "page variant (a \"page\" query parameter overrides it): " + HttpPageKindNames()},
            {"--http-slow", DevsimOptionKind::Flag, "accept HTTP requests and never answer"},
            {"--http-log", DevsimOptionKind::Text, "append every HTTP request and answer size to FILE"},
        },
    .enabled = [](const DevsimOptions& o) { return o.Has("--http-relay"); },
    .create = [] { return std::make_unique<HttpRelay>(); },
    .order = 30,
}};

}  // namespace
