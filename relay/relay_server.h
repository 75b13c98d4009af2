// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The relay's service: relay queries on UDP and TCP, the HTTP command's
// device page, and control packages sent on to the site. One thread serves
// every client without blocking; the site's search runs on a thread of its
// own (SiteDevices), and queries that need it wait without holding anyone up.

#include <netinet/in.h>

#include <memory>
#include <string>
#include <vector>

#include "protocol/plain_package.h"
#include "protocol/unique_fd.h"
#include "relay/relay_access.h"
#include "relay/relay_log.h"
#include "relay/relay_request.h"
#include "relay/relay_settings.h"
#include "relay/site_devices.h"
#include "relay/udp_answers.h"

struct RelayCounts {
    long long queries = 0;  // served or waiting, every kind
    long long refused = 0;  // clients outside the allow list
    long long rateLimited = 0;
    long long setupsForwarded = 0;
    long long setupsDropped = 0;  // forwarding off, refused by the checks, or the send failed
    long long ignored = 0;        // datagrams of no interest: the relay's own, devices' queries, noise
    long long busy = 0;           // connections or UDP answers beyond what the relay holds at once
};

class RelayServer {
public:
    RelayServer(RelaySettings settings, SiteDevices& site, RelayLog& log);
    ~RelayServer();
    RelayServer(const RelayServer&) = delete;
    RelayServer& operator=(const RelayServer&) = delete;

    // Binds UDP and TCP on the device port and TCP on the HTTP port; false
    // with the reason in `error`.
    bool Open(std::string& error);
    // Serves until `stopFd` is readable.
    void Run(int stopFd);
    const RelayCounts& Counts() const { return counts_; }

    // What the relay holds at once.
    static constexpr std::size_t kMaxConnections = 256;
    static constexpr std::size_t kMaxUdpWaiting = 64;

private:
    struct Connection;

    void RefreshAddresses(RelayClock::time_point now);
    void ReadDatagrams(RelayClock::time_point now);
    void OnDatagram(const sockaddr_in& from, in_addr_t to, std::string_view data, RelayClock::time_point now);
    void OnSetup(in_addr_t client, in_addr_t to, const RelayDatagram& read, RelayClock::time_point now);
    void QueueUdpAnswer(const sockaddr_in& from, std::shared_ptr<const SiteAnswers> answers,
                        RelayClock::time_point now);
    void OnSearchEnded(RelayClock::time_point now);

    void Accept(int listener, bool http, RelayClock::time_point now);
    void Progress(Connection& c, short revents, RelayClock::time_point now);
    void Decide(Connection& c, RelayClock::time_point now);
    void Answer(Connection& c, const std::shared_ptr<const SiteAnswers>& answers);
    void Reply(Connection& c, int status, const std::string& text);
    void Write(Connection& c);
    void Close(Connection& c);

    // Who may ask and how often; logs a refusal. False: serve nothing.
    bool Admitted(in_addr_t client, const char* kind, RelayClock::time_point now);

    RelaySettings settings_;
    SiteDevices& site_;
    RelayLog& log_;
    RelayCounts counts_;
    UniqueFd udp_;
    UniqueFd tcp_;
    UniqueFd http_;
    QueryRateLimit rates_;
    UdpAnswers udpAnswers_;
    std::vector<sockaddr_in> udpWaiting_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::vector<in_addr_t> ownAddresses_;      // every address of this host
    std::vector<in_addr_t> ownCardAddresses_;  // of its cards but loopback
    RelayClock::time_point addressesRead_{};
    std::vector<char> datagram_;
};
