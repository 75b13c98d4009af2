// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_problems.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "protocol/device_index.h"
#include "protocol/mac_key.h"
#include "protocol/plain_package.h"
#include "protocol/reply_parser.h"
#include "report/report_text.h"

namespace {

const InterfaceAddress* CardWithAddress(in_addr_t address, const std::vector<InterfaceAddress>& interfaces) {
    for (const InterfaceAddress& entry : interfaces)
        if (entry.address == address) return &entry;
    return nullptr;
}

std::string Plural(int n, const std::string& one, const std::string& many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string UsedCardList(const SearchReport& report) {
    std::string list;
    for (const CardReport& card : report.cards) {
        if (!list.empty()) list += ", ";
        list += card.name + " " + card.address;
    }
    return list;
}

// "eth0 198.51.100.11/24, eth1 ..." for the cards of these source addresses;
// loopback is no card a device sits behind.
std::string CardList(const std::vector<in_addr_t>& sources, const std::vector<InterfaceAddress>& interfaces) {
    std::string list;
    for (const in_addr_t source : sources) {
        const InterfaceAddress* card = CardWithAddress(source, interfaces);
        if (card == nullptr || (card->flags & IFF_LOOPBACK) != 0) continue;
        if (!list.empty()) list += ", ";
        list += card->name + " " + Ipv4Text(card->address) + "/" + std::to_string(std::popcount(ntohl(card->netmask)));
    }
    return list;
}

const std::string kReplyPortText = std::to_string(kReplyPort);

// An answer came from the relay (the UDP and TCP searches count it as a
// datagram, a fetched page too), and not one device was in it.
bool RelayAnsweredEmpty(const SearchReport& report) {
    const ReplyCounters& r = report.replies;
    return report.datagrams > 0 && r.devices == 0 && r.duplicates == 0 && r.notListed == 0 && report.pageRows == 0;
}

}  // namespace

std::vector<CardReport> CardsFromSends(const std::vector<SendOutcome>& sends,
                                       const std::vector<InterfaceAddress>& interfaces) {
    std::vector<CardReport> cards;
    for (const SendOutcome& send : sends) {
        const std::string address = Ipv4Text(send.source);
        auto card = std::find_if(cards.begin(), cards.end(), [&](const CardReport& c) { return c.address == address; });
        if (card == cards.end()) {
            CardReport entry;
            entry.address = address;
            if (const InterfaceAddress* known = CardWithAddress(send.source, interfaces);
                known != nullptr && send.source != htonl(INADDR_ANY)) {
                entry.name = known->name;
                entry.netmask = Ipv4Text(known->netmask);
            } else {
                entry.name = "(routing)";
                entry.netmask = "0.0.0.0";
            }
            cards.push_back(entry);
            card = cards.end() - 1;
        }
        ++card->queries;
        if (!send.sent) ++card->failedSends;
    }
    return cards;
}

std::vector<std::string> OutsideNetworks(const std::vector<std::string>& ips,
                                         const std::vector<InterfaceAddress>& interfaces) {
    std::vector<std::string> outside;
    // A full table holds over 100,000 rows: searching `outside` for each would take minutes.
    std::unordered_set<std::string_view> seen;
    for (const std::string& ip : ips) {
        if (!IsAcceptedIpv4Text(ip.c_str())) continue;
        if (InLocalNetworks(::inet_addr(ip.c_str()), interfaces)) continue;
        if (seen.insert(ip).second) outside.push_back(ip);
    }
    return outside;
}

std::string BroadcastCardList(const std::vector<InterfaceAddress>& interfaces) {
    return CardList(BroadcastSourceAddresses(interfaces), interfaces);
}

std::string MulticastCardList(const std::vector<InterfaceAddress>& interfaces) {
    return CardList(MulticastSourceAddresses(interfaces), interfaces);
}

Problem ReplyPortBusyProblem(const std::optional<std::string>& portOwner) {
    Problem p{"reply-port-busy", "The reply port UDP " + kReplyPortText + " could not be opened", ""};
    p.text += portOwner ? ": " + *portOwner + " holds it." : "; another program probably holds it.";
    p.text += " No answer of a device can be received while it is taken.";
    p.fix = "Close " + (portOwner ? *portOwner : std::string("the other program (often another device finder)")) +
            ", then search again. `ss -lunp 'sport = :" + kReplyPortText + "'` names the program holding the port.";
    return p;
}

Problem ReplyPortSharedProblem(const std::optional<std::string>& portOwner) {
    const std::string who = portOwner ? *portOwner : std::string("Another program");
    return {"reply-port-shared",
            who + " listens on the reply port UDP " + kReplyPortText +
                " too: answers meant for this search can reach it instead, so devices may be missing.",
            "Close " + (portOwner ? *portOwner : std::string("the other program")) +
                " (often another device finder, or a second Lanvaro window that is searching), then search again. "
                "`ss -lunp 'sport = :" +
                kReplyPortText + "'` names the programs on the port."};
}

Problem NoBroadcastCardProblem() {
    return {"no-broadcast-card",
            "No network card is up that can broadcast: the query could only go where the system's routing sends it, "
            "usually nowhere but this computer.",
            "Connect the cable or join the Wi-Fi, and make sure the card is up and has an IPv4 address "
            "(`ip -br addr` lists the cards); then search again."};
}

std::vector<Problem> FindProblems(const SearchReport& report, const PackageSearchFacts& facts,
                                  const std::vector<InterfaceAddress>& interfaces) {
    std::vector<Problem> problems;
    const bool local = report.method == kLocalBroadcast;
    const bool relay = report.method == kIpRelay;
    const bool udp = report.transport == "UDP";

    if (facts.replySocketFailed)
        problems.push_back(ReplyPortBusyProblem(facts.replyPortOwner));
    else if (facts.replyPortShared)
        problems.push_back(ReplyPortSharedProblem(facts.replyPortOwner));

    if (local && BroadcastSourceAddresses(interfaces).empty()) problems.push_back(NoBroadcastCardProblem());

    if (relay && report.transport != "HttpCmd" && !IsAcceptedIpv4Text(report.relay.c_str())) {
        problems.push_back({"relay-address-invalid",
                            "The relay address \"" + report.relay + "\" is not an IPv4 address, so no relay was asked.",
                            "Type the relay's address in dotted form, for example 192.168.1.10, and search again."});
    } else if (relay) {
        std::string why;
        if (report.transport == "TCP" && facts.relayConnectFailed)
            why = "did not accept a TCP connection on port " + std::to_string(kDevicePort) + " (refused or timed out).";
        else if (report.transport == "TCP" && !facts.relayAnswered)
            why = "accepted the connection but sent no answer.";
        else if (udp && !facts.replySocketFailed && report.datagrams == 0)
            why = "did not answer the UDP query sent to its port " + std::to_string(kDevicePort) + ".";
        else if (report.transport == "HttpCmd" && facts.httpFetchFailed)
            why = "did not serve its device page over HTTP.";
        if (!why.empty())
            problems.push_back({"relay-unreachable", "The relay " + report.relay + " " + why,
                                "Check that the relay is switched on and reachable from this computer (`ping " +
                                    report.relay +
                                    "`), that its relay service runs, and that no firewall on the way blocks port " +
                                    std::to_string(report.transport == "HttpCmd" ? 80 : kDevicePort) +
                                    ": is lanvaro-relay running there, and is this computer allowed?"});
        else if (RelayAnsweredEmpty(report))
            problems.push_back(
                {"relay-empty", "The relay at " + report.relay + " answered with no devices.",
                 "The relay found none on its site's network: on the relay's host `lanvaro-relay --check` lists "
                 "what it would serve, and the cards it searches through (--interface)." +
                     std::string(report.transport == "HttpCmd" && report.filter != "ALL"
                                     ? " The HTTP relay lists only the project \"" + report.filter +
                                           "\": search with the filter ALL to see every device."
                                     : "")});
    }

    const bool anySent =
        std::any_of(facts.sends.begin(), facts.sends.end(), [](const SendOutcome& s) { return s.sent; });
    if (local && !facts.replySocketFailed && anySent && report.datagrams == 0) {
        std::string cards = UsedCardList(report);
        problems.push_back(
            {"nothing-answered",
             "The query went out (through " + cards + ") but not one answer came back to UDP port " + kReplyPortText +
                 ".",
             "A firewall on this computer may drop the answers. Allow UDP " + kReplyPortText +
                 " in: ufw: `sudo ufw allow " + kReplyPortText +
                 "/udp`; firewalld: `sudo firewall-cmd --permanent --add-port=" + kReplyPortText +
                 "/udp && sudo firewall-cmd --reload`; nftables: `sudo nft add rule inet filter input udp dport " +
                 kReplyPortText + " accept`; iptables: `sudo iptables -I INPUT -p udp --dport " + kReplyPortText +
                 " -j ACCEPT`. Also check that the devices are on the network of one of these cards: " +
                 (BroadcastCardList(interfaces).empty() ? std::string("none can broadcast")
                                                        : BroadcastCardList(interfaces)) +
                 "."});
    }

    if (facts.replyDrops > 0) {
        problems.push_back(
            {"answers-dropped",
             Plural(static_cast<int>(std::min<long long>(facts.replyDrops, INT_MAX)), "answer was", "answers were") +
                 " dropped by this computer unread: the receive buffers of UDP " + kReplyPortText +
                 " were full, so devices may be missing from the list.",
             "Search again. On a very large site let programs have larger receive buffers: `sudo sysctl -w "
             "net.core.rmem_max=4194304`, kept across restarts by the line `net.core.rmem_max=4194304` in a file "
             "of /etc/sysctl.d/."});
    }

    if (report.replies.notListed > 0) {
        const int n = report.replies.notListed;
        problems.push_back(
            {"too-many-answers",
             GroupedNumber(n) + (n == 1 ? " more answer was" : " more answers were") +
                 " not listed: a search lists at most " + GroupedNumber(static_cast<long long>(kMaxListedDevices)) +
                 " devices, so that a flood of answers cannot take this computer's memory. The list holds the first "
                 "ones that came in; any device may be among those left out.",
             "Where a site really has that many devices, search it a part at a time: one relay per subnet (IP "
             "Relay), or the HTTP relay with a project filter. Otherwise a host is sending made-up answers: "
             "`sudo tcpdump -n udp dst port " +
                 kReplyPortText + "` shows its address; take it off the network and search again."});
    }

    for (const auto& [card, reason] : report.upnp.failedCards) {
        problems.push_back({"upnp-card-failed",
                            "UPnP could not search through " + card + " (" + reason +
                                "), even after retrying: cameras behind that card are missing from the list.",
                            "Search again. If it keeps failing, look for a program holding many ports on " + card +
                                " (`ss -ltnp` lists them)."});
    }

    if (!report.outsideNetworks.empty()) {
        // A flooded table holds up to the listing limit: the sentence names a few.
        constexpr std::size_t kNamed = 20;
        std::string ips;
        const std::size_t named = std::min(report.outsideNetworks.size(), kNamed);
        for (std::size_t i = 0; i < named; ++i) ips += (ips.empty() ? "" : ", ") + report.outsideNetworks[i];
        if (report.outsideNetworks.size() > named)
            ips += " and " + GroupedNumber(static_cast<long long>(report.outsideNetworks.size() - named)) + " more";
        const int n = static_cast<int>(report.outsideNetworks.size());
        problems.push_back(
            {"devices-outside-networks",
             Plural(n, "device lies", "devices lie") + " outside this computer's networks (" + ips +
                 "): a web page there will not open, and only a local broadcast reaches " + (n == 1 ? "it." : "them."),
             "Use Network Setup (right-click the row) to give " + std::string(n == 1 ? "the device" : "each device") +
                 " an address in a network of this computer" +
                 (BroadcastCardList(interfaces).empty() ? std::string() : " (" + BroadcastCardList(interfaces) + ")") +
                 ", or give this computer an address in the device's network."});
    }
    if (!report.addressConflicts.empty()) {
        // Made-up answers can share one address by the thousand: the sentence
        // names a few of each and counts the rest (the JSON keeps them all).
        constexpr std::size_t kNamed = 20;
        std::string text;
        const std::size_t addresses = std::min(report.addressConflicts.size(), kNamed);
        for (std::size_t a = 0; a < addresses; ++a) {
            const AddressConflict& conflict = report.addressConflicts[a];
            if (!text.empty()) text += "; ";
            text += GroupedNumber(static_cast<long long>(conflict.macs.size())) + " devices answer with the address " +
                    conflict.ip + ": ";
            const std::size_t macs = std::min(conflict.macs.size(), kNamed);
            for (std::size_t i = 0; i < macs; ++i) text += (i == 0 ? "" : ", ") + conflict.macs[i];
            if (conflict.macs.size() > macs)
                text += " and " + GroupedNumber(static_cast<long long>(conflict.macs.size() - macs)) + " more";
        }
        if (report.addressConflicts.size() > addresses)
            text += "; and " + GroupedNumber(static_cast<long long>(report.addressConflicts.size() - addresses)) +
                    " more shared addresses";
        problems.push_back({"address-conflict", text + ".",
                            "Give each a free address: select them and choose Network Setup to number them at once."});
    }
    return problems;
}

std::string OutsideNetworksToolTip(const std::string& ip) {
    return ip +
           " lies outside this computer's networks: its web page will not open and only a local broadcast reaches it. "
           "Use Network Setup to move the device into a reachable subnet.";
}

std::vector<AddressConflict> FindAddressConflicts(const std::vector<RowAddress>& rows) {
    // Hashed, not searched: a relay's 100,000 rows, or a flood of made-up MACs
    // at one address, must not cost the window thread a quadratic walk.
    struct Seen {
        AddressConflict conflict;
        std::unordered_set<std::string> keys;
    };
    std::vector<Seen> seen;
    std::unordered_map<std::string, std::size_t> byIp;
    for (const RowAddress& row : rows) {
        if (row.mac.empty() || row.mac.find("NULL") != std::string::npos) continue;
        if (!IsAcceptedIpv4Text(row.ip.c_str())) continue;
        const auto [at, added] = byIp.try_emplace(row.ip, seen.size());
        if (added) seen.push_back({{row.ip, {}}, {}});
        Seen& entry = seen[at->second];
        if (!entry.keys.insert(MacKey(row.mac)).second) continue;
        entry.conflict.macs.push_back(row.mac);
    }
    std::vector<AddressConflict> conflicts;
    for (Seen& s : seen)
        if (s.conflict.macs.size() > 1) conflicts.push_back(std::move(s.conflict));
    return conflicts;
}

std::string AddressConflictToolTip(const AddressConflict& conflict, bool outsideToo) {
    std::string tip = std::to_string(conflict.macs.size()) + " devices answer with the address " + conflict.ip +
                      ": only one of them can be reached there. Select them and choose Network Setup to give each a "
                      "free address.";
    if (outsideToo) tip += "\n" + OutsideNetworksToolTip(conflict.ip);
    return tip;
}
