// SPDX-License-Identifier: GPL-3.0-or-later
// The TCP relay on port 6666: reads one query, answers with one encoded
// message holding every device's package, then closes (or, with
// --tcp-never-close, keeps the connection open until devsim stops).

#include <fcntl.h>
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

#include "protocol/plain_package.h"
#include "tools/devsim/answers.h"
#include "tools/devsim/devsim_net.h"
#include "tools/devsim/garbage.h"
#include "tools/devsim/line_sink.h"
#include "tools/devsim/service.h"
#include "tools/devsim/stream_server.h"
#include "tools/devsim/wire_codec.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A client that sends nothing useful is dropped after this long.
constexpr auto kQueryTimeout = 5s;
// An answer the client does not take within this long is abandoned.
constexpr auto kSendTimeout = 30s;

class TcpRelay final : public DevsimService {
public:
    bool Start(const DevsimContext& context, std::string& error) override {
        const DevsimOptions& o = context.options;
        devices_ = &context.devices;
        diag_ = context.diag;
        answerDelay_ = std::chrono::milliseconds(o.Integer("--answer-delay-ms", 0));
        neverClose_ = o.Flag("--tcp-never-close");
        garbage_ = o.Flag("--garbage");
        silent_ = o.Flag("--silent");
        if (auto path = o.Text("--log-queries"); path && !queries_.Open(*path, error)) return false;
        return server_.Start(
            kDevicePort, "tcp relay", [this](int fd, const sockaddr_in& peer) { Serve(fd, peer); }, diag_, error);
    }

    void Stop() override { server_.Stop(); }

private:
    void Serve(int fd, const sockaddr_in& peer) {
        const std::string source = "tcp " + AddressText(peer);
        std::string received;
        bool complete = false;
        const auto queryDeadline = Clock::now() + kQueryTimeout;
        char chunk[4096];
        while (!complete && received.size() < static_cast<size_t>(kWireBufferSize)) {
            int ready = WaitReady(fd, POLLIN, server_.waker(), Remaining(queryDeadline));
            if (ready < 0) return;
            if (ready == 0) break;
            ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) break;
            received.append(chunk, static_cast<size_t>(n));
            complete = DecodeBlock(received).find('\0') != std::string::npos;
        }
        std::vector<std::string> packages = SplitPackages(DecodeBlock(received));
        if (packages.empty()) queries_.Write(source + " (no package, " + std::to_string(received.size()) + " bytes)");
        bool query = false;
        for (const std::string& package : packages) {
            queries_.Write(source + " " + package);
            auto flag = PackageFlag(package);
            if (flag && IsQueryFlag(*flag)) query = true;
        }
        if (query && !silent_) {
            if (answerDelay_.count() > 0 && WaitReady(server_.waker().fd(), POLLIN, server_.waker(), answerDelay_) < 0)
                return;
            std::string answer = RelayAnswer(*devices_);
            if (garbage_) answer = WithNoise(answer, static_cast<std::uint32_t>(answer.size()));
            const std::size_t sent = SendAllUntil(fd, answer, server_.waker(), Clock::now() + kSendTimeout);
            if (sent < answer.size()) {
                diag_("tcp relay: answer to " + source + " cut after " + std::to_string(sent) + " of " +
                      std::to_string(answer.size()) + " bytes");
            }
        }
        if (neverClose_) HoldOpen(fd, server_.waker());
    }

    const std::vector<SimDevice>* devices_ = nullptr;
    std::function<void(const std::string&)> diag_;
    std::chrono::milliseconds answerDelay_{0};
    bool neverClose_ = false;
    bool garbage_ = false;
    bool silent_ = false;
    LineSink queries_;
    StreamServer server_;
};

const DevsimServiceRegistration kRegistration{{
    .name = "tcp-relay",
    .options =
        {
            {"--tcp-relay", DevsimOptionKind::Flag, "answer relay queries over TCP on port 6666"},
            {"--tcp-never-close", DevsimOptionKind::Flag, "keep relay connections open after answering"},
            {"--answer-delay-ms", DevsimOptionKind::Integer, "wait before answering a query", 0, 60000},
            {"--log-queries", DevsimOptionKind::Text, "append every received package, with its source, to FILE"},
            {"--garbage", DevsimOptionKind::Flag, "scatter bytes outside the Base64 alphabet through answers"},
            {"--silent", DevsimOptionKind::Flag, "receive and record, never answer"},
        },
    .enabled = [](const DevsimOptions& o) { return o.Flag("--tcp-relay") || o.Flag("--tcp-never-close"); },
    .create = [] { return std::make_unique<TcpRelay>(); },
    .order = 20,
}};

}  // namespace
