// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/wsd_collector.h"

#include <arpa/inet.h>

#include "onvif/discovery_message.h"
#include "onvif/onvif_answer_filter.h"
#include "onvif/onvif_rows.h"
#include "protocol/broadcast_interfaces.h"

namespace {

// A host that floods the port cannot fill the log.
constexpr int kMaxProblemLines = 50;

// What a row put in place of the device's own XAddrs stands for.
std::string FirstHttpXAddr(const OnvifDeviceInfo& device) {
    for (const std::string& xaddr : device.xaddrs)
        if (xaddr.rfind("http://", 0) == 0) return xaddr;
    return device.xaddrs.empty() ? std::string() : device.xaddrs.front();
}

}  // namespace

void WsdCollector::Take(std::string_view datagram, const sockaddr_in& from, bool toProbingSocket) {
    const std::string sender = Ipv4Text(from.sin_addr.s_addr) + ":" + std::to_string(ntohs(from.sin_port));
    DiscoveryMessage message = ParseDiscoveryMessage(datagram);
    if (message.kind == DiscoveryKind::Malformed) {
        ++counts_.malformed;
        Problem("WS-Discovery: ignored a datagram from " + sender + ": " + message.detail);
        return;
    }
    if (!message.parserNote.empty())
        Problem("WS-Discovery: the XML parser, on a datagram from " + sender + ": " + message.parserNote);
    // Probes (this search's own among them) are the group's normal
    // traffic; a Bye changes nothing.
    if (message.kind == DiscoveryKind::Other) {
        // Kept for whoever watches a camera restart.
        for (const DiscoveryEntry& entry : message.entries)
            if (!entry.device.endpoint.empty() && byes_.size() < kMaxByes) byes_.push_back(entry.device.endpoint);
        if (message.detail != "Probe")
            Problem("WS-Discovery: ignored a " + message.detail + " from " + sender + ": not a ProbeMatches or Hello");
        return;
    }
    counts_.cut += message.entriesNotRead;
    const AnswerArrival arrival{ownProbes_.count(message.relatesTo) > 0, toProbingSocket};
    for (DiscoveryEntry& entry : message.entries) {
        const bool cut = entry.cut;
        if (cut) ++counts_.cut;
        if (!IsOnvifDeviceAnswer(message, entry, arrival)) {
            ++counts_.other;
            continue;
        }
        ++counts_.matches;
        entry.device.answeredFrom = sender;
        switch (set_.Add(std::move(entry.device))) {
            case OnvifDeviceSet::AddResult::NoEndpoint:
                Problem("WS-Discovery: ignored a device from " + sender + ": no endpoint reference and no XAddr");
                break;
            case OnvifDeviceSet::AddResult::Full:
                if (!cut) ++counts_.cut;
                if (!fullLogged_)
                    log_.push_back("WS-Discovery: more than " + std::to_string(OnvifDeviceSet::kMaxDevices) +
                                   " devices or " + std::to_string(OnvifDeviceSet::kMaxTextBytes >> 20) +
                                   " MiB of their text; the rest are counted, not listed");
                fullLogged_ = true;
                break;
            default:
                break;
        }
    }
}

std::vector<OnvifDeviceInfo> WsdCollector::TakeDevices() {
    for (const OnvifDeviceInfo& device : set_.Devices())
        if (!device.xaddr.empty() && !XAddrNamedBySender(device))
            Problem("WS-Discovery: " + device.endpoint + ": the camera names " + FirstHttpXAddr(device) +
                    "; using the address it answered from, " + device.xaddr);
    if (problems_ > kMaxProblemLines)
        log_.push_back("WS-Discovery: " + std::to_string(problems_ - kMaxProblemLines) +
                       " more ignored datagrams not logged");
    return set_.Take();
}

void WsdCollector::Problem(std::string line) {
    if (++problems_ <= kMaxProblemLines) log_.push_back(std::move(line));
}
