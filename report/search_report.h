// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The record one search leaves behind: what was asked, through which cards,
// what came back and what became of it, and the problems that explain a
// device that did not show up. Filled on the window thread from what the
// search threads post; read by the status bar, the report dialog and
// lanvaro-cli --report.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "protocol/reply_counters.h"
#include "protocol/udp_socket.h"

struct CardReport {
    std::string name;     // "(routing)" when the system chose the card
    std::string address;  // dotted
    std::string netmask;  // dotted
    int queries = 0;
    int failedSends = 0;
};

struct PartTime {
    std::string part;  // "package search", "UPnP", "ONVIF"
    double seconds = 0;
};

struct UpnpSkipped {
    std::string manufacturer;
    std::string friendlyName;
    std::string ip;  // from the presentation URL; empty without one
};

struct UpnpReport {
    bool ran = false;
    int answered = 0;  // root devices, each once
    int kept = 0;      // became rows
    std::vector<UpnpSkipped> skipped;
    // Cards the search could not open UPnP on, each "name" with its reason.
    std::vector<std::pair<std::string, std::string>> failedCards;
};

// The ONVIF part of a search, once it has one.
struct OnvifReport {
    int matches = 0;
    int devices = 0;
    int malformed = 0;
    int cut = 0;    // entries cut short, or not kept, for the size bounds
    int other = 0;  // WS-Discovery answers that are no ONVIF device (computers, printers)
};

// The Address Range part of a search.
struct RangeReport {
    std::vector<std::string> ranges;  // as typed
    long long addresses = 0;          // probed
    long long datagrams = 0;          // sent
    long long failedSends = 0;
    int rounds = 0;      // sent through completely
    double seconds = 0;  // from the start of the search to the end of listening
    int slowdowns = 0;   // sends the kernel refused for want of room, sent again slower
    // Addresses in this computer's own subnets, and how many new ones went
    // per second for the neighbour table's sake (its limit beside).
    long long onLinkAddresses = 0;
    int onLinkPerSecond = 0;
    int neighbourLimit = 0;
    bool stopped = false;
    // Hosts that refused with an ICMP port unreachable and answered nothing.
    std::vector<std::string> upWithoutService;
};

// Two or more devices (by MAC) answering with one address: only one of
// them can be reached there.
struct AddressConflict {
    std::string ip;
    std::vector<std::string> macs;  // as the table shows them, first seen first
    bool operator==(const AddressConflict&) const = default;
};

struct Problem {
    std::string code;
    std::string text;  // for a person
    std::string fix;
};

struct SearchReport {
    std::string method;     // "Local Broadcast", "IP Relay" or "Address Range"
    std::string transport;  // "UDP", "TCP" or "HttpCmd"
    std::string relay;      // empty for a local broadcast
    std::string filter;
    std::string started;  // UTC, "YYYY-MM-DD HH:MM:SS"
    double seconds = 0;   // the whole search
    std::vector<PartTime> parts;
    std::vector<CardReport> cards;
    int datagrams = 0;  // answers received (a TCP or HTTP answer counts once)
    int pageRows = 0;   // devices an HTTP relay's page listed (they are no packages)
    long long bytes = 0;
    ReplyCounters replies;
    UpnpReport upnp;
    std::optional<OnvifReport> onvif;
    std::optional<RangeReport> range;
    std::vector<Problem> problems;
    std::vector<std::string> outsideNetworks;       // IPs, in table order
    std::vector<AddressConflict> addressConflicts;  // in table order
};

// What the package search's worker learned that only it can see.
struct PackageSearchFacts {
    bool replySocketFailed = false;
    long long replyDrops = 0;      // answers lost to full receive buffers
    bool replyPortShared = false;  // another program listened on the reply port too
    // The program holding the reply port, where it was busy or shared and /proc tells.
    std::optional<std::string> replyPortOwner;
    std::vector<SendOutcome> sends;
    bool relayConnectFailed = false;  // TCP: refused, unreachable or timed out
    bool relayAnswered = false;       // TCP: some bytes came back
    bool httpFetchFailed = false;
};

// "Local Broadcast" / "IP Relay" spelled as the report does.
inline constexpr const char* kLocalBroadcast = "Local Broadcast";
inline constexpr const char* kIpRelay = "IP Relay";
inline constexpr const char* kAddressRange = "Address Range";
