// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated devices on UDP 6666: answer queries to the querier's reply
// port, record control packages, and the UDP fault modes.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <thread>

#include "protocol/plain_package.h"
#include "tools/devsim/answers.h"
#include "tools/devsim/box_card.h"
#include "tools/devsim/devsim_net.h"
#include "tools/devsim/garbage.h"
#include "tools/devsim/line_sink.h"
#include "tools/devsim/query_loss.h"
#include "tools/devsim/service.h"
#include "tools/devsim/setup_applier.h"
#include "tools/devsim/wire_codec.h"

namespace {

using Clock = std::chrono::steady_clock;

// Chatter goes to at most this many queriers; a test has one or two.
constexpr size_t kMaxChatterTargets = 16;

struct PendingAnswer {
    Clock::time_point due;
    sockaddr_in to;
    std::uint32_t seed;
    // A unicast query: only the devices at this address answer, from it.
    std::optional<in_addr> onlyAt;
};

struct PendingSetup {
    Clock::time_point due;
    std::string package;
};

class UdpResponder final : public DevsimService {
public:
    bool Start(const DevsimContext& context, std::string& error) override {
        const DevsimOptions& o = context.options;
        // A copy: control packages change it, one device at a time.
        devices_ = context.devices;
        setupDelay_ = std::chrono::milliseconds(o.Integer("--setup-delay-ms", 2000));
        ignoreSetup_ = o.Flag("--ignore-setup");
        pool_ = BoxDhcpPool();
        diag_ = context.diag;
        perDatagram_ = static_cast<int>(o.Integer("--per-datagram", 1));
        answerDelay_ = std::chrono::milliseconds(o.Integer("--answer-delay-ms", 0));
        pace_ = std::chrono::microseconds(o.Integer("--pace-us", 0));
        chatterInterval_ = std::chrono::milliseconds(o.Integer("--chatter-interval-ms", 50));
        chatter_ = o.Flag("--chatter");
        garbage_ = o.Flag("--garbage");
        rejects_ = o.Flag("--rejects");
        silent_ = o.Flag("--silent");
        loss_ = std::make_unique<QueryLoss>(o.Integer("--loss", 0));
        if (!record_.Open(o.Text("--record", "-"), error)) return false;
        if (auto path = o.Text("--log-queries"); path && !queries_.Open(*path, error)) return false;
        if (!waker_.valid()) {
            error = "eventfd failed";
            return false;
        }
        socket_ = BindAnyPort(SOCK_DGRAM, kDevicePort, error);
        if (!socket_) return false;
        const int on = 1;
        ::setsockopt(socket_.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        if (o.Flag("--own-addresses")) {
            card_ = FirstBoxCard();
            if (!card_) {
                error = "--own-addresses needs a network card with an IPv4 address";
                return false;
            }
            if (!StandDevicesOnCard(error)) return false;
        }
        thread_ = std::thread([this] { Run(); });
        return true;
    }

    void Stop() override {
        waker_.Wake();
        if (thread_.joinable()) thread_.join();
    }

private:
    void Run() {
        std::string buffer(kWireBufferSize + 1, '\0');
        while (true) {
            auto now = Clock::now();
            SendDue(now);
            auto wait = std::chrono::milliseconds(1000);
            if (!pending_.empty()) wait = std::min(wait, Until(pending_.front().due, now));
            if (!setups_.empty()) wait = std::min(wait, Until(setups_.front().due, now));
            if (!chatterTargets_.empty()) wait = std::min(wait, Until(nextChatter_, now));
            int ready = WaitReady(socket_.get(), POLLIN, waker_, wait);
            if (ready < 0) return;
            if (ready == 0) continue;
            sockaddr_in from{};
            in_addr to{};
            const ssize_t n = ReceiveDatagram(socket_.get(), buffer.data(), kWireBufferSize, from, to);
            if (n < 0) continue;
            Received(std::string_view(buffer.data(), static_cast<size_t>(n)), from, to);
        }
    }

    static std::chrono::milliseconds Until(Clock::time_point due, Clock::time_point now) {
        if (due <= now) return std::chrono::milliseconds(0);
        return std::chrono::ceil<std::chrono::milliseconds>(due - now);
    }

    // Every device answers a query to all; a device query sent to one
    // address only the devices there.
    void Received(std::string_view datagram, const sockaddr_in& from, in_addr to) {
        std::vector<std::string> packages = DecodePackages(datagram);
        const std::string source = "udp " + AddressText(from);
        if (packages.empty()) queries_.Write(source + " (no package, " + std::to_string(datagram.size()) + " bytes)");
        bool query = false;
        bool deviceQuery = false;
        for (const std::string& package : packages) {
            queries_.Write(source + " " + package);
            auto flag = PackageFlag(package);
            if (!flag) continue;
            if (*flag == kControlFlag) {
                record_.Write(package);
                if (!ignoreSetup_) setups_.push_back({Clock::now() + setupDelay_, package});
            }
            if (IsQueryFlag(*flag)) query = true;
            if (*flag == kFlagLocalQuery) deviceQuery = true;
        }
        if (!query) return;
        sockaddr_in replyTo = from;
        replyTo.sin_port = htons(kReplyPort);
        std::optional<in_addr> onlyAt;
        if (deviceQuery && !SentToAll(to)) onlyAt = to;
        if (!silent_) pending_.push_back({Clock::now() + answerDelay_, replyTo, ++seed_, onlyAt});
        if (onlyAt) return;
        if (chatter_ && chatterTargets_.size() < kMaxChatterTargets &&
            std::none_of(chatterTargets_.begin(), chatterTargets_.end(),
                         [&](const sockaddr_in& t) { return t.sin_addr.s_addr == replyTo.sin_addr.s_addr; })) {
            if (chatterTargets_.empty()) nextChatter_ = Clock::now();
            chatterTargets_.push_back(replyTo);
        }
    }

    void SendDue(Clock::time_point now) {
        // One delay for all, so the front is always the earliest.
        while (!setups_.empty() && setups_.front().due <= now) {
            if (auto change = ApplyControlPackage(devices_, setups_.front().package, pool_)) diag_(*change);
            setups_.pop_front();
            // A device that moved answers from its new address.
            std::string error;
            if (card_ && !StandDevicesOnCard(error)) diag_(error);
        }
        // Answers are queued in arrival order with one delay for all, so the
        // front is always the earliest.
        while (!pending_.empty() && pending_.front().due <= now) {
            PendingAnswer answer = pending_.front();
            pending_.pop_front();
            if (answer.onlyAt) {
                AnswerFrom(answer.to, *answer.onlyAt);
                continue;
            }
            if (garbage_) {
                for (const std::string& datagram : GarbageDatagrams(answer.seed)) Send(answer.to, datagram);
            }
            for (const std::string& datagram : AnswerDatagrams(HeardBy(), perDatagram_)) Send(answer.to, datagram);
            if (rejects_) {
                // One of each kind a receiver must refuse, so counts are known.
                Send(answer.to, EncodePackage("Acme,01,not a package of this protocol"));
                Send(answer.to, EncodePackage("Kestrova,07,a flag no device sends"));
                Send(answer.to, "%%%% !!!! ???? ####");
            }
        }
        if (!chatterTargets_.empty() && nextChatter_ <= now) {
            std::string datagram = devices_.empty()
                                       ? EncodePackage("Kestrova,00,????")
                                       : EncodePackage(DevicePackage(devices_[chatterIndex_++ % devices_.size()]));
            for (const sockaddr_in& target : chatterTargets_) Send(target, datagram);
            nextChatter_ = now + chatterInterval_;
        }
    }

    // The devices that got this query over the lossy link.
    std::vector<SimDevice> HeardBy() {
        std::vector<SimDevice> heard;
        heard.reserve(devices_.size());
        for (const SimDevice& device : devices_) {
            if (!loss_->Misses()) heard.push_back(device);
        }
        return heard;
    }

    void AnswerFrom(const sockaddr_in& to, in_addr at) {
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &at, text, sizeof text);
        std::vector<SimDevice> here;
        for (const SimDevice& device : HeardBy())
            if (device.Ip() == text) here.push_back(device);
        for (const std::string& datagram : AnswerDatagrams(here, perDatagram_)) {
            std::string error;
            if (!SendDatagramFrom(socket_.get(), to, at, datagram, error)) diag_(error);
        }
    }

    bool StandDevicesOnCard(std::string& error) {
        std::vector<std::string> addresses;
        for (const SimDevice& device : devices_) addresses.push_back(device.Ip());
        return AddCardAddresses(*card_, addresses, error);
    }

    void Send(const sockaddr_in& to, const std::string& datagram) {
        std::string error;
        if (!SendDatagram(socket_.get(), to, datagram, error)) diag_(error);
        if (pace_.count() > 0) std::this_thread::sleep_for(pace_);
    }

    std::vector<SimDevice> devices_;
    // Set with --own-addresses: the card the devices stand on.
    std::optional<BoxCard> card_;
    std::chrono::milliseconds setupDelay_{2000};
    bool ignoreSetup_ = false;
    DhcpPool pool_;
    std::deque<PendingSetup> setups_;
    std::function<void(const std::string&)> diag_;
    int perDatagram_ = 1;
    std::chrono::milliseconds answerDelay_{0};
    std::chrono::microseconds pace_{0};
    std::chrono::milliseconds chatterInterval_{50};
    bool chatter_ = false;
    bool garbage_ = false;
    bool rejects_ = false;
    bool silent_ = false;
    std::unique_ptr<QueryLoss> loss_;
    LineSink record_;
    LineSink queries_;
    Waker waker_;
    UniqueFd socket_;
    std::thread thread_;
    std::deque<PendingAnswer> pending_;
    std::vector<sockaddr_in> chatterTargets_;
    Clock::time_point nextChatter_;
    size_t chatterIndex_ = 0;
    std::uint32_t seed_ = 0;
};

const DevsimServiceRegistration kRegistration{{
    .name = "udp-devices",
    .options =
        {
            {"--no-udp", DevsimOptionKind::Flag, "do not answer on UDP 6666"},
            {"--per-datagram", DevsimOptionKind::Integer, "device packages per answer datagram (default 1)", 1, 1000},
            {"--answer-delay-ms", DevsimOptionKind::Integer, "wait before answering a query", 0, 60000},
            {"--pace-us", DevsimOptionKind::Integer, "pause after each datagram sent (default 0)", 0, 1000000},
            {"--record", DevsimOptionKind::Text, "append received control packages to FILE (default stdout)"},
            {"--log-queries", DevsimOptionKind::Text, "append every received package, with its source, to FILE"},
            {"--chatter", DevsimOptionKind::Flag, "after a query, keep sending to the querier until stopped"},
            {"--chatter-interval-ms", DevsimOptionKind::Integer, "pause between chatter datagrams (default 50)", 1,
             60000},
            {"--garbage", DevsimOptionKind::Flag, "send malformed datagrams beside every answer"},
            {"--rejects", DevsimOptionKind::Flag,
             "after every answer send one foreign package, one with an unknown flag and one undecodable datagram"},
            {"--silent", DevsimOptionKind::Flag, "receive and record, never answer"},
            {"--setup-delay-ms", DevsimOptionKind::Integer,
             "a device takes the settings of a control package after this long (default 2000)", 0, 600000},
            {"--ignore-setup", DevsimOptionKind::Flag, "record control packages but keep the devices' settings"},
            {"--own-addresses", DevsimOptionKind::Flag,
             "give each device and UPnP camera in the subnet of the host's first card an address of its own there, "
             "answering unicast searches from it (a routed box)"},
        },
    .enabled = [](const DevsimOptions& o) { return !o.Flag("--no-udp"); },
    .create = [] { return std::make_unique<UdpResponder>(); },
    .order = 10,
}};

}  // namespace
