// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/range_search.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "onvif/probe_message.h"
#include "onvif/wsd_search.h"
#include "protocol/broadcast_interfaces.h"
#include "protocol/plain_package.h"
#include "protocol/reply_sockets.h"
#include "protocol/send_errors.h"
#include "protocol/text_format.h"
#include "protocol/udp_socket.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

enum class Kind { Query, ProbeTransmitter, ProbeDevice, MSearch };

constexpr milliseconds kProgressEvery{100};
// A cancelled search stops within this.
constexpr milliseconds kCancelSlice{50};
// Sends between two looks at the sockets, so answers are read while a large
// range goes out.
constexpr int kMostSendsPerTurn = 64;
constexpr int kQueuedErrorTries = 3;
// Each try waits for the slowed pace, so this bounds the time too.
constexpr int kSlowDownTries = 100;
constexpr int kMaxReadsPerWake = 256;
constexpr int kMaxLoggedFailures = 20;

std::string ErrorText(int errnum) { return std::strerror(errnum); }

// One socket per kind: an ephemeral port on every card, answers and ICMP
// errors for what it sent coming back to it.
UniqueFd KindSocket(WindowOps& form, const char* kind) {
    UniqueFd sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!sock) {
        form.Log(StrFormat("Address Range: no socket for the %s: %s\n", kind, ErrorText(errno).c_str()));
        return sock;
    }
    // Answers of many cameras at once must not overflow it.
    const int size = kReplySocketReceiveBuffer;
    if (::setsockopt(sock.get(), SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        ::setsockopt(sock.get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(sock.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
        !ReceiveSendErrors(sock.get())) {
        form.Log(StrFormat("Address Range: cannot open the %s socket: %s\n", kind, ErrorText(errno).c_str()));
        sock.reset();
    }
    return sock;
}

class RangeRun {
public:
    RangeRun(WindowOps& form, const RangeSearchPlan& plan, const std::atomic<bool>& cancel, const RangeSinks& sinks)
        : form_(form),
          plan_(plan),
          cancel_(cancel),
          sinks_(sinks),
          held_(sinks.packages),
          pace_(plan.rate, plan.onLinkPerSecond, Clock::now()) {}

    RangeFindings Run(const SearchTimings& timings, PackageSearchFacts* facts) {
        const Clock::time_point started = Clock::now();
        findings_.addresses = static_cast<long long>(plan_.targets.size());
        findings_.onLinkAddresses = std::count_if(plan_.targets.begin(), plan_.targets.end(),
                                                  [](const RangeTarget& target) { return target.onLink; });
        Open(timings, facts);
        const long long perRound = static_cast<long long>(plan_.targets.size()) * static_cast<long long>(kinds_.size());
        const long long total = perRound * plan_.rounds;
        Clock::time_point listenEnd = Clock::time_point::max();
        Clock::time_point nextProgress = started;
        long long next = 0;
        int slowTries = 0;
        // The first datagram of the first round to an on-link address takes a neighbour entry.
        const auto newOnLink = [&](long long index) {
            return index < perRound && index % static_cast<long long>(kinds_.size()) == 0 && Target(index).onLink;
        };
        while (!cancel_.load()) {
            Clock::time_point now = Clock::now();
            for (int sends = 0; next < total && sends < kMostSendsPerTurn; ++sends) {
                if (pace_.Due(newOnLink(next)) > now) break;
                const Outcome outcome = Send(next);
                if (outcome == Outcome::SlowDown && ++slowTries < kSlowDownTries) {
                    ++findings_.slowdowns;
                    pace_.SlowDown(now);
                    break;
                }
                if (outcome != Outcome::Sent) ++findings_.failedSends;
                slowTries = 0;
                pace_.Sent(newOnLink(next), now);
                ++next;
                now = Clock::now();
            }
            if (next == total && listenEnd == Clock::time_point::max()) {
                findings_.sendingSeconds = std::chrono::duration<double>(now - started).count();
                listenEnd = now + plan_.listen;
            }
            if (now >= nextProgress) {
                if (sinks_.progress) sinks_.progress(next, total);
                nextProgress = now + kProgressEvery;
            }
            if (now >= listenEnd) break;

            Clock::time_point wake = std::min({listenEnd, nextProgress, now + kCancelSlice});
            if (next < total) wake = std::min(wake, pace_.Due(newOnLink(next)));
            if (!held_.Empty()) wake = std::min(wake, lastTake_ + HeldAnswers::kPause);
            Wait(wake);
            if (!held_.Empty() && (held_.Overdue(Clock::now()) || Clock::now() - lastTake_ >= HeldAnswers::kPause))
                HandOverAnswers();
        }
        HandOverAnswers();
        if (sinks_.progress) sinks_.progress(next, total);
        findings_.stopped = cancel_.load();
        findings_.rounds = perRound > 0 ? static_cast<int>(next / perRound) : plan_.rounds;
        if (facts != nullptr) facts->replyDrops = DroppedDatagrams(replies_);
        findings_.onvifDevices = collector_.TakeDevices();
        findings_.onvifCounts = collector_.Counts();
        for (const in_addr_t host : closed_)
            if (answered_.count(host) == 0) upHosts_.push_back(ntohl(host));
        std::sort(upHosts_.begin(), upHosts_.end());
        for (const std::uint32_t host : upHosts_) findings_.upWithoutService.push_back(Ipv4Text(htonl(host)));
        return std::move(findings_);
    }

private:
    enum class Outcome { Sent, Failed, SlowDown };

    void Open(const SearchTimings& timings, PackageSearchFacts* facts) {
        if (plan_.deviceQuery) {
            replies_ = OpenReplyPort(form_, timings, facts);
            std::array<char, kWireBufferSize> query{};
            if (!replies_.empty() && MakePlainPkg(form_, kFlagLocalQuery, query.data(), nullptr) == 0) {
                query_ = KindSocket(form_, "device query");
                queryText_ = query.data();
            }
            if (query_) kinds_.push_back(Kind::Query);
        }
        if (plan_.probes) {
            probe_ = KindSocket(form_, "WS-Discovery probe");
            // The same MessageID goes to every address of a round: one per
            // Probe and round keeps what is remembered small.
            for (int round = 0; round < plan_.rounds && probe_; ++round) {
                for (std::size_t type = 0; type < std::size(kOnvifProbeTypes); ++type) {
                    std::string id = NewMessageId();
                    probes_.push_back(BuildProbe(id, kOnvifProbeTypes[type]));
                    collector_.AddOwnProbe(std::move(id));
                }
            }
            if (probe_) {
                kinds_.push_back(Kind::ProbeTransmitter);
                kinds_.push_back(Kind::ProbeDevice);
            }
        }
        if (plan_.mSearch) {
            search_ = KindSocket(form_, "M-SEARCH");
            if (search_) kinds_.push_back(Kind::MSearch);
        }
        for (const UniqueFd& sock : replies_) polled_.push_back({sock.get(), POLLIN, 0});
        for (const UniqueFd* sock : {&query_, &probe_, &search_})
            if (*sock) polled_.push_back({sock->get(), POLLIN, 0});
    }

    const RangeTarget& Target(long long index) const {
        const auto perAddress = static_cast<long long>(kinds_.size());
        return plan_
            .targets[static_cast<std::size_t>((index / perAddress) % static_cast<long long>(plan_.targets.size()))];
    }

    Outcome Send(long long index) {
        const auto perAddress = static_cast<long long>(kinds_.size());
        const Kind kind = kinds_[static_cast<std::size_t>(index % perAddress)];
        const auto round =
            static_cast<std::size_t>(index / (perAddress * static_cast<long long>(plan_.targets.size())));
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = Target(index).address;
        int fd = -1;
        std::string built;
        const std::string* text = &built;
        switch (kind) {
            case Kind::Query:
                fd = query_.get();
                to.sin_port = htons(kDevicePort);
                text = &queryText_;
                break;
            case Kind::ProbeTransmitter:
            case Kind::ProbeDevice:
                fd = probe_.get();
                to.sin_port = htons(wsd::kPort);
                text = &probes_[round * 2 + (kind == Kind::ProbeDevice ? 1 : 0)];
                break;
            case Kind::MSearch:
                fd = search_.get();
                to.sin_port = htons(ssdp::kPort);
                built = BuildMSearch(ssdp::kRootDevice, 1, Ipv4Text(to.sin_addr.s_addr));
                break;
        }
        for (int tries = 0;; ++tries) {
            if (::sendto(fd, text->data(), text->size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) >= 0) {
                ++findings_.datagrams;
                return Outcome::Sent;
            }
            const int error = errno;
            if (error == EINTR) continue;
            // An ICMP error for an earlier datagram: this one was not sent.
            if (IsQueuedIcmpError(error) && tries < kQueuedErrorTries) {
                DrainErrors(fd);
                continue;
            }
            if (IsSlowDownError(error)) return Outcome::SlowDown;
            if (++loggedFailures_ <= kMaxLoggedFailures)
                form_.Log(StrFormat("Address Range: sending to %s:%d failed: %s\n",
                                    Ipv4Text(to.sin_addr.s_addr).c_str(), ntohs(to.sin_port),
                                    ErrorText(error).c_str()));
            return Outcome::Failed;
        }
    }

    void DrainErrors(int fd) {
        errors_.clear();
        DrainSendErrors(fd, errors_);
        for (const SendError& error : errors_)
            if (error.HostUpPortClosed()) closed_.insert(error.destination);
    }

    void Wait(Clock::time_point wake) {
        const auto left = std::max<Clock::duration>(wake - Clock::now(), Clock::duration::zero());
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        const timespec timeout{static_cast<time_t>(seconds.count()),
                               static_cast<long>(std::chrono::nanoseconds(left - seconds).count())};
        if (::ppoll(polled_.data(), polled_.size(), &timeout, nullptr) <= 0) return;
        for (const pollfd& entry : polled_) {
            if (entry.revents == 0) continue;
            if ((entry.revents & POLLERR) != 0) DrainErrors(entry.fd);
            if ((entry.revents & POLLIN) == 0) continue;
            if (entry.fd == probe_.get() || entry.fd == search_.get() || entry.fd == query_.get()) {
                ReadKindSocket(entry.fd);
            } else {
                held_.Take(drain_, entry.fd);
                lastTake_ = Clock::now();
            }
        }
    }

    void ReadKindSocket(int fd) {
        for (int i = 0; i < kMaxReadsPerWake; ++i) {
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = ::recvfrom(fd, buffer_.data(), buffer_.size(), MSG_DONTWAIT,
                                           reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got < 0) {
                // The error of an earlier send, reported here once.
                if (errno == EINTR || IsQueuedIcmpError(errno)) continue;
                return;
            }
            answered_.insert(from.sin_addr.s_addr);
            const std::string_view datagram(buffer_.data(), static_cast<std::size_t>(got));
            if (fd == probe_.get()) {
                collector_.Take(datagram, from, true);
            } else if (fd == search_.get()) {
                if (auto answer = ParseRootDeviceAnswer(datagram)) {
                    ++findings_.rootDeviceAnswers;
                    if (sinks_.rootDevice) sinks_.rootDevice(std::move(*answer));
                }
            }
        }
    }

    void HandOverAnswers() {
        senders_.clear();
        held_.HandOver(&senders_);
        answered_.insert(senders_.begin(), senders_.end());
    }

    WindowOps& form_;
    const RangeSearchPlan& plan_;
    const std::atomic<bool>& cancel_;
    const RangeSinks& sinks_;
    RangeFindings findings_;
    WsdCollector collector_{findings_.onvifLog};
    HeldAnswers held_;
    DatagramDrain drain_;
    SendPace pace_;
    std::vector<Kind> kinds_;
    std::vector<UniqueFd> replies_;
    UniqueFd query_;
    UniqueFd probe_;
    UniqueFd search_;
    std::string queryText_;
    std::vector<std::string> probes_;  // round by round, each round's two types
    std::vector<pollfd> polled_;
    std::vector<char> buffer_ = std::vector<char>(65536);
    std::vector<SendError> errors_;
    std::vector<in_addr_t> senders_;
    std::unordered_set<in_addr_t> answered_;
    std::unordered_set<in_addr_t> closed_;
    std::vector<std::uint32_t> upHosts_;
    Clock::time_point lastTake_;
    int loggedFailures_ = 0;
};

}  // namespace

long long RangeDatagrams(const RangeSearchPlan& plan) {
    const long long perAddress = (plan.deviceQuery ? 1 : 0) + (plan.probes ? 2 : 0) + (plan.mSearch ? 1 : 0);
    return static_cast<long long>(plan.targets.size()) * perAddress * plan.rounds;
}

RangeFindings RunRangeSearch(WindowOps& form, const RangeSearchPlan& plan, const SearchTimings& timings,
                             const std::atomic<bool>& cancel, const RangeSinks& sinks, PackageSearchFacts* facts) {
    RangeRun run(form, plan, cancel, sinks);
    return run.Run(timings, facts);
}
