// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The relay's UDP answers on their way out: one datagram per device to the
// asker's reply port, every answer taking its turn, and all of them within
// one byte budget. A 24-byte query draws a datagram per device to an address
// anyone can forge, so what goes out is capped, and so is what waits.

#include <netinet/in.h>

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "relay/relay_access.h"
#include "relay/site_answers.h"

class UdpAnswers {
public:
    // Busy: the socket cannot take it now; Failed: the asker cannot be
    // reached, so the rest of its answer is given up.
    enum class SendResult { Sent, Busy, Failed };
    using Sender = std::function<SendResult(const sockaddr_in& to, std::string_view datagram)>;

    UdpAnswers(Sender sender, double bytesPerSecond, std::size_t maxWaiting = 64,
               RelayClock::duration maxAge = std::chrono::seconds(10));

    // Queues every datagram of `answers` for `to`; false (nothing queued)
    // when `maxWaiting` answers wait already.
    bool Add(const sockaddr_in& to, std::shared_ptr<const SiteAnswers> answers, RelayClock::time_point now);
    // Sends what the budget allows, one datagram of each answer in turn.
    // Answers older than `maxAge` are given up: their askers stopped
    // listening long ago. Returns when to call again; nullopt when nothing waits.
    std::optional<RelayClock::time_point> Send(RelayClock::time_point now);
    std::size_t Waiting() const { return waiting_.size(); }
    long long GivenUp() const { return givenUp_; }

private:
    struct Answer {
        sockaddr_in to;
        std::shared_ptr<const SiteAnswers> answers;
        std::size_t next = 0;
        RelayClock::time_point queued;
    };

    Sender sender_;
    ByteBudget budget_;
    std::size_t maxWaiting_;
    RelayClock::duration maxAge_;
    std::deque<Answer> waiting_;
    long long givenUp_ = 0;
};
