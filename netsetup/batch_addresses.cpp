// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/batch_addresses.h"

#include <arpa/inet.h>

#include <algorithm>
#include <future>

#include "netsetup/control_package.h"
#include "protocol/mac_key.h"
#include "protocol/text_format.h"

namespace {

std::string HostOrderText(std::uint32_t address) {
    in_addr a{htonl(address)};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

std::vector<std::string> MacKeys(const std::vector<BatchMember>& members) {
    std::vector<std::string> keys;
    for (const BatchMember& m : members) keys.push_back(MacKey(m.mac));
    return keys;
}

}  // namespace

const tComUnitInfo* OutsiderAt(const TComUnitList& listed, const std::vector<BatchMember>& members,
                               const std::string& ip) {
    const std::vector<std::string> memberMacs = MacKeys(members);
    const bool memberAddress =
        std::any_of(members.begin(), members.end(), [&ip](const BatchMember& m) { return m.currentIp == ip; });
    for (const tComUnitInfo& record : listed) {
        if (ComUnitFieldText(record.ip) != ip) continue;
        const std::string mac = ComUnitFieldText(record.mac);
        if (memberAddress && mac.find("NULL") != std::string::npos) continue;
        if (std::find(memberMacs.begin(), memberMacs.end(), MacKey(mac)) == memberMacs.end()) return &record;
    }
    return nullptr;
}

std::vector<ProbeResult> ProbeAll(const std::vector<std::string>& ips, const AddressProber& probe,
                                  std::size_t parallel) {
    std::vector<ProbeResult> results(ips.size());
    if (!probe) {
        for (ProbeResult& r : results) r = {ProbeOutcome::Unavailable, "no prober"};
        return results;
    }
    parallel = std::max<std::size_t>(parallel, 1);
    for (std::size_t start = 0; start < ips.size(); start += parallel) {
        std::vector<std::future<ProbeResult>> running;
        const std::size_t end = std::min(ips.size(), start + parallel);
        for (std::size_t i = start; i < end; ++i)
            running.push_back(std::async(std::launch::async, [&probe, ip = ips[i]] { return probe(ip); }));
        for (std::size_t i = start; i < end; ++i) results[i] = running[i - start].get();
    }
    return results;
}

std::optional<BatchAddressing> AssignBatchAddresses(const std::vector<BatchMember>& members, const std::string& first,
                                                    const std::string& netmask, const TComUnitList& listed,
                                                    const AddressProber& probe, const BatchProgress& progress) {
    const auto start = ParseAddress(first);
    const auto mask = ParseAddress(netmask);
    if (!start || !mask) return std::nullopt;
    const std::uint32_t network = *start & *mask;
    const std::uint32_t broadcast = network | ~*mask;
    BatchAddressing result;
    result.assignments.resize(members.size());
    const int total = static_cast<int>(members.size());
    std::size_t next = 0;  // the member the next free address goes to
    std::uint64_t candidate = *start;
    if (progress && !progress(0, total)) {
        result.cancelled = true;
        return result;
    }
    // Each round looks at as many candidates as members still wait, so the
    // probes of one round run together and few are wasted.
    while (next < members.size() && candidate < broadcast) {
        struct Candidate {
            std::string ip;
            std::string usedBy;  // non-empty: skipped without a probe
            bool probe = false;
        };
        std::vector<Candidate> round;
        std::vector<std::string> toProbe;
        while (round.size() < members.size() - next && candidate < broadcast) {
            const auto host = static_cast<std::uint32_t>(candidate++);
            if (host == network) continue;
            Candidate c{HostOrderText(host), {}, false};
            if (const tComUnitInfo* other = OutsiderAt(listed, members, c.ip)) {
                c.usedBy = StrFormat("used by %s (%s)", ComUnitFieldText(other->name).c_str(),
                                     ComUnitFieldText(other->mac).c_str());
            } else {
                const bool member = std::any_of(members.begin(), members.end(),
                                                [&c](const BatchMember& m) { return m.currentIp == c.ip; });
                c.probe = !member;
                if (c.probe) toProbe.push_back(c.ip);
            }
            round.push_back(std::move(c));
        }
        const std::vector<ProbeResult> probed = ProbeAll(toProbe, probe);
        std::size_t p = 0;
        for (const Candidate& c : round) {
            if (next == members.size()) break;
            std::string skip = c.usedBy;
            if (c.probe) {
                const ProbeResult& r = probed[p++];
                if (r.outcome == ProbeOutcome::Answered) skip = "answers";
                if (r.outcome == ProbeOutcome::Unavailable && result.probeUnavailable.empty())
                    result.probeUnavailable = r.detail.empty() ? std::string("unavailable") : r.detail;
            }
            if (!skip.empty()) {
                result.assignments[next].skipped.push_back(c.ip + " (" + skip + ")");
                continue;
            }
            result.assignments[next++].ip = c.ip;
        }
        if (progress && !progress(static_cast<int>(next), total)) {
            result.cancelled = true;
            return result;
        }
    }
    return result;
}

std::string BatchOutsideNetworksText(const std::vector<std::string>& ips) {
    std::string list;
    for (std::size_t i = 0; i < ips.size() && i < 5; ++i) list += (i == 0 ? "" : ", ") + ips[i];
    if (ips.size() > 5) list += ", ...";
    return StrFormat("%zu %s at %s outside this computer's networks (%s): %s will not open from here.", ips.size(),
                     ips.size() == 1 ? "device will be" : "devices will be",
                     ips.size() == 1 ? "an address" : "addresses", list.c_str(),
                     ips.size() == 1 ? "its page" : "their pages");
}
