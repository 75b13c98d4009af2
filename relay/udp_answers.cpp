// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/udp_answers.h"

#include <string>

namespace {

// A little more than one datagram's worth may go at once, so a burst is
// never longer than a few milliseconds at the capped rate.
constexpr double kBurstBytes = 16 * 1024;
// A socket that cannot take a datagram is tried again this soon.
constexpr auto kRetry = std::chrono::milliseconds(5);

}  // namespace

UdpAnswers::UdpAnswers(Sender sender, double bytesPerSecond, std::size_t maxWaiting, RelayClock::duration maxAge)
    : sender_(std::move(sender)), budget_(bytesPerSecond, kBurstBytes), maxWaiting_(maxWaiting), maxAge_(maxAge) {}

bool UdpAnswers::Add(const sockaddr_in& to, std::shared_ptr<const SiteAnswers> answers, RelayClock::time_point now) {
    if (waiting_.size() >= maxWaiting_ || !answers) return false;
    waiting_.push_back({to, std::move(answers), 0, now});
    return true;
}

std::optional<RelayClock::time_point> UdpAnswers::Send(RelayClock::time_point now) {
    while (!waiting_.empty()) {
        Answer answer = std::move(waiting_.front());
        waiting_.pop_front();
        if (now - answer.queued > maxAge_) {
            ++givenUp_;
            continue;
        }
        const std::string datagram = answer.answers->Datagram(answer.next);
        if (!budget_.Take(datagram.size(), now)) {
            const RelayClock::time_point ready = budget_.ReadyAt(datagram.size(), now);
            waiting_.push_front(std::move(answer));
            return ready;
        }
        const SendResult sent = sender_(answer.to, datagram);
        if (sent == SendResult::Busy) {
            waiting_.push_front(std::move(answer));
            return now + kRetry;
        }
        if (sent == SendResult::Failed) {
            ++givenUp_;
            continue;
        }
        if (++answer.next < answer.answers->DatagramCount()) waiting_.push_back(std::move(answer));
    }
    return std::nullopt;
}
