// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_text.h"

#include <algorithm>
#include <cstdio>

namespace {

const std::string kDot = " \xC2\xB7 ";  // middle dot

std::string Count(long long n, const char* one, const char* many) {
    return GroupedNumber(n) + " " + (n == 1 ? one : many);
}

std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

std::string SearchLine(const SearchReport& r) {
    std::string line = r.method;
    if (!r.relay.empty()) line += " " + r.relay + " over " + r.transport;
    if (r.range) line += " " + Joined(r.range->ranges);
    return line + ", filter " + r.filter;
}

}  // namespace

std::string HostsWithoutServiceText(const std::vector<std::string>& hosts) {
    constexpr std::size_t kNamed = 20;
    const std::size_t named = std::min(hosts.size(), kNamed);
    std::string text =
        Count(static_cast<long long>(hosts.size()), "host", "hosts") + " answered but offered no camera service: ";
    for (std::size_t i = 0; i < named; ++i) text += (i == 0 ? "" : ", ") + hosts[i];
    if (hosts.size() > named) text += " and " + GroupedNumber(static_cast<long long>(hosts.size() - named)) + " more";
    return text;
}

std::string RangeText(const RangeReport& range) {
    std::string t = "Address range " + Joined(range.ranges) + ":\n";
    t += "  " + Count(range.addresses, "address", "addresses") +
         " probed: " + Count(range.datagrams, "datagram", "datagrams") + " sent in " +
         Count(range.rounds, "round", "rounds");
    if (range.failedSends > 0) t += ", " + GroupedNumber(range.failedSends) + " could not be sent";
    t += " (" + Seconds(range.seconds) + " with the listening)\n";
    if (range.onLinkAddresses > 0)
        t += "  " + Count(range.onLinkAddresses, "address lies", "addresses lie") +
             " in this computer's own networks: at most " + GroupedNumber(range.onLinkPerSecond) +
             " new ones a second, so the neighbour table (" + GroupedNumber(range.neighbourLimit) +
             " entries) never fills\n";
    if (range.slowdowns > 0)
        t += "  slowed down " + Count(range.slowdowns, "time", "times") +
             ": this computer had no room for more datagrams for a moment\n";
    if (range.stopped) t += "  stopped before the end\n";
    if (!range.upWithoutService.empty()) t += "  " + HostsWithoutServiceText(range.upWithoutService) + "\n";
    return t;
}

std::string RunningStatus(const std::string& part) { return "Searching: " + part + "..."; }

std::string StatusSummary(const SearchReport& r) {
    std::string line;
    if (r.range) {
        line = "Address range " + Joined(r.range->ranges) + ": " + Count(r.range->addresses, "address", "addresses") +
               " probed" + (r.range->stopped ? " (stopped)" : "");
    } else if (r.method == kLocalBroadcast) {
        std::string names;
        for (const CardReport& card : r.cards)
            if (card.name != "(routing)") names += (names.empty() ? "" : ", ") + card.name;
        line = names.empty() ? "Broadcast through the system's route" : "Broadcast through " + names;
    } else {
        line = "Relay " + r.relay + " over " + r.transport;
    }
    line += kDot + Count(r.datagrams, "reply", "replies");
    if (r.replies.Rejected() > 0) line += kDot + GroupedNumber(r.replies.Rejected()) + " ignored";
    if (r.upnp.ran) line += kDot + "UPnP " + GroupedNumber(r.upnp.answered) + " answered";
    if (r.onvif) line += kDot + "ONVIF " + GroupedNumber(r.onvif->devices) + " answered";
    if (r.range && !r.range->upWithoutService.empty())
        line += kDot + Count(static_cast<long long>(r.range->upWithoutService.size()), "host", "hosts") +
                " without a camera service";
    if (!r.outsideNetworks.empty())
        line += kDot + Count(static_cast<long long>(r.outsideNetworks.size()), "device", "devices") +
                " outside your networks";
    int others = 0;
    for (const Problem& p : r.problems)
        if (p.code != "devices-outside-networks") ++others;
    if (others > 0) line += kDot + Count(others, "problem", "problems");
    return line;
}

std::string ReportText(const SearchReport& r) {
    std::string t = "Search Report\n\n";
    t += "Search: " + SearchLine(r) + "\n";
    t += "Started " + r.started + " UTC, took " + Seconds(r.seconds);
    for (std::size_t i = 0; i < r.parts.size(); ++i)
        t += (i == 0 ? " (" : ", ") + r.parts[i].part + " " + Seconds(r.parts[i].seconds) +
             (i + 1 == r.parts.size() ? ")" : "");
    t += "\n";
    if (r.range) t += "\n" + RangeText(*r.range);
    t += "\nNetwork cards used:\n";
    if (r.cards.empty()) t += "  none\n";
    for (const CardReport& c : r.cards)
        t += "  " + c.name + "  " + c.address + " netmask " + c.netmask + "  " + Count(c.queries, "query", "queries") +
             " sent, " + Count(c.failedSends, "send", "sends") + " failed\n";

    const ReplyCounters& k = r.replies;
    t += "\nReplies:\n";
    t += "  " + Count(r.datagrams, "answer", "answers") + " received (" + Count(r.bytes, "byte", "bytes") + ")\n";
    t += "  " + Count(k.packages, "package", "packages") + " read: " + Count(k.devices, "device", "devices") +
         " listed, " + GroupedNumber(k.duplicates) + " duplicates dropped, " + GroupedNumber(k.hiddenByFilter) +
         " hidden by the filter, " + GroupedNumber(k.Rejected()) + " rejected\n";
    static const char* const kReasonText[kRejectReasonCount] = {"not a Kestrova package", "unexpected flag",
                                                                "undecodable text"};
    for (int i = 0; i < kRejectReasonCount; ++i) {
        const RejectTally& tally = k.rejects[static_cast<std::size_t>(i)];
        if (tally.count > 0)
            t += "    " + std::string(kReasonText[i]) + ": " + GroupedNumber(tally.count) + ", e.g. \"" +
                 tally.example + "\"\n";
    }

    if (r.upnp.ran) {
        t += "\nUPnP: " + Count(r.upnp.answered, "root device", "root devices") + " answered, " +
             GroupedNumber(r.upnp.kept) + " kept\n";
        for (const UpnpSkipped& s : r.upnp.skipped)
            t += "  skipped: " + (s.manufacturer.empty() ? "(no maker)" : s.manufacturer) + " / " +
                 (s.friendlyName.empty() ? "(no name)" : s.friendlyName) + (s.ip.empty() ? "" : " at " + s.ip) + "\n";
        if (!r.upnp.skipped.empty()) t += "  Only AXIS and Vivotek cameras are listed.\n";
    }
    if (r.onvif)
        t += "\nONVIF: " + Count(r.onvif->matches, "match", "matches") + ", " +
             Count(r.onvif->devices, "device", "devices") + ", " + GroupedNumber(r.onvif->malformed) +
             " malformed answers, " + GroupedNumber(r.onvif->other) + " other answers, " + GroupedNumber(r.onvif->cut) +
             " cut for size\n";

    t += "\nProblems:\n";
    if (r.problems.empty()) t += "  none found\n";
    for (const Problem& p : r.problems) t += "  [" + p.code + "] " + p.text + "\n    Fix: " + p.fix + "\n";

    t += "\nDevices outside this computer's networks:\n";
    if (r.outsideNetworks.empty()) t += "  none\n";
    for (const std::string& ip : r.outsideNetworks) t += "  " + ip + "\n";
    return t;
}
