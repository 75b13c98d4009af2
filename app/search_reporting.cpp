// SPDX-License-Identifier: GPL-3.0-or-later
// The search report, filled on the window thread as the parts of a search
// post what they saw, and completed when the search ends.

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <ctime>

#include "app/main_form_logic.h"
#include "protocol/broadcast_interfaces.h"
#include "protocol/plain_package.h"
#include "protocol/text_format.h"
#include "report/report_problems.h"
#include "report/report_text.h"
#include "upnp/presentation_url.h"
#include "upnp/upnp_result_thread.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    return text;
}

}  // namespace

void MainFormLogic::BeginReport(const SearchSettings& settings) {
    report_ = SearchReport{};
    if (settings.method == SearchMethod::AddressRange) {
        BeginRangeReport(settings);
        return;
    }
    const bool local = settings.method == SearchMethod::LocalBroadcast;
    report_.method = local ? kLocalBroadcast : kIpRelay;
    if (local) {
        report_.transport = "UDP";
    } else {
        switch (ChoosePackageSearch(SearchMethod::IpRelay, settings.relayTransport)) {
            case PackageSearchKind::TcpRelay:
                report_.transport = "TCP";
                break;
            case PackageSearchKind::HttpCommand:
                report_.transport = "HttpCmd";
                break;
            case PackageSearchKind::Udp:
                report_.transport = "UDP";
                break;
        }
        report_.relay = settings.relayAddress;
    }
    report_.filter = settings.proj;
    report_.started = UtcNow();
    // A watch search leaves the status bar to the watch.
    if (userSearch_) form_.SetStatusText(RunningStatus(local ? "local broadcast" : "relay " + report_.relay));
}

void MainFormLogic::BeginRangeReport(const SearchSettings& settings) {
    report_.method = kAddressRange;
    report_.transport = "UDP";
    report_.filter = settings.proj;
    report_.started = UtcNow();
    report_.range.emplace();
    report_.range->ranges = tableRanges_.items;
    if (userSearch_) form_.SetStatusText(RunningStatus("address range " + Joined(tableRanges_.items)));
}

void MainFormLogic::CountAnswer(const DecodedAnswer& answer) {
    if (answer.receivedLength <= 0 || answer.continuation) return;
    ++report_.datagrams;
    report_.bytes += answer.receivedLength;
    if (!answer.undecodable.empty())
        report_.replies.Reject(RejectReason::Undecodable, answer.undecodable.data(), answer.undecodable.size());
}

void MainFormLogic::EndPackagePart(const PackageSearchFacts& facts) {
    facts_ = facts;
    report_.parts.push_back({report_.range ? "address range" : "package search", SecondsSince(searchStartedAt_)});
    report_.cards = CardsFromSends(facts.sends, LocalInterfaceAddresses());
    if (!userSearch_) return;
    if (HasUpnpPart(report_.filter))
        form_.SetStatusText(RunningStatus("UPnP"));
    else if (HasOnvifPart(report_.filter))
        form_.SetStatusText(RunningStatus("ONVIF"));
}

void MainFormLogic::RecordUpnpPart() {
    UpnpReport& upnp = report_.upnp;
    upnp.ran = true;
    report_.parts.push_back({"UPnP", SecondsSince(searchStartedAt_)});
    auto skip = [&upnp](const DeviceInformationContainer& device) {
        const auto address = AddressFromPresentationUrl(device.PresentationURL);
        upnp.skipped.push_back({device.ManufacturerName, device.FriendlyName, address ? address->ip : ""});
    };
    for (const DeviceInformationContainer& device : Engine.m_Devices) {
        if (UpnpDeviceRecord(device))
            ++upnp.kept;
        else
            skip(device);
    }
    for (const DeviceInformationContainer& device : Engine.m_SkippedDevices) skip(device);
    upnp.answered = upnp.kept + static_cast<int>(upnp.skipped.size());
    for (const FailedCard& card : Engine.m_FailedCards) upnp.failedCards.emplace_back(card.name, card.reason);
}

void MainFormLogic::RecordOnvifPart() {
    report_.parts.push_back({"ONVIF", SecondsSince(searchStartedAt_)});
    const WsdCounts& counts = OnvifEngine.m_Counts;
    report_.onvif = OnvifReport{counts.matches, static_cast<int>(OnvifEngine.m_Devices.size()), counts.malformed,
                                counts.cut, counts.other};
}

void MainFormLogic::CompleteReport() {
    const std::vector<InterfaceAddress> interfaces = LocalInterfaceAddresses();
    IpCellMarks marks = MarkIpCells(interfaces);
    report_.outsideNetworks = std::move(marks.outside);
    report_.addressConflicts = std::move(marks.conflicts);

    report_.seconds = SecondsSince(searchStartedAt_);
    // The diagnostic log keeps only the lines it always had; problems live in the report.
    report_.problems = FindProblems(report_, facts_, interfaces);

    lastReport_ = report_;
    hasReport_ = true;
    if (userSearch_) form_.SetStatusText(StatusSummary(lastReport_));
}

IpCellMarks MainFormLogic::MarkIpCells(const std::vector<InterfaceAddress>& interfaces) {
    std::vector<RowAddress> rows;
    for (int row = 1; row < form_.RowCount(); ++row)
        rows.push_back({form_.Cell(kColIp, row), form_.Cell(kColMac, row)});
    IpCellMarks marks;
    marks.conflicts = FindAddressConflicts(rows);
    std::vector<std::string> ips;
    // A device the range search reached stands where this computer reaches it.
    auto foundByRange = [this](const std::string& ip) {
        const std::optional<std::uint32_t> address = ParseAddress(ip);
        return address && InAddressBlocks(tableRanges_.blocks, htonl(*address));
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string& ip = rows[i].ip;
        const bool outside = !foundByRange(ip) && !OutsideNetworks({ip}, interfaces).empty();
        const auto conflict = std::find_if(marks.conflicts.begin(), marks.conflicts.end(),
                                           [&](const AddressConflict& c) { return c.ip == ip; });
        // A UPnP or ONVIF row at a conflicting address is marked too: the same devices answer there.
        std::string tip;
        if (conflict != marks.conflicts.end())
            tip = AddressConflictToolTip(*conflict, outside);
        else if (outside)
            tip = OutsideNetworksToolTip(ip);
        form_.SetCellMark(kColIp, static_cast<int>(i) + 1, tip);
        form_.SetRowToolTip(static_cast<int>(i) + 1, FoundByRangeToolTip(static_cast<int>(i) + 1));
        if (!foundByRange(ip)) ips.push_back(ip);
    }
    marks.outside = OutsideNetworks(ips, interfaces);
    return marks;
}
