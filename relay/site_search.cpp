// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/site_search.h"

#include "app/package_search.h"
#include "protocol/device_index.h"
#include "protocol/plain_package.h"
#include "protocol/reply_parser.h"
#include "protocol/text_format.h"
#include "relay/relay_form.h"
#include "report/report_problems.h"

std::shared_ptr<const SiteAnswers> SearchSite(const std::vector<std::string>& searchCards, RelayLog& log,
                                              const std::atomic<bool>& cancel) {
    const auto start = RelayClock::now();
    RelayForm form(log, searchCards);
    TComUnitList devices;
    int nextRow = 1;
    DeviceIndex index;
    ReplyCounters counters;
    PackageSearchFacts facts;
    RunUdpSearch(
        form, kFlagLocalQuery, SearchTimings{}, cancel,
        [&](std::vector<DecodedAnswer> answers) {
            for (const DecodedAnswer& answer : answers)
                ParserPlainPkg(form, devices, nextRow, answer.packages.data(), static_cast<int>(answer.packages.size()),
                               &counters, &index);
        },
        &facts);
    const double seconds = std::chrono::duration<double>(RelayClock::now() - start).count();

    std::vector<std::string> cards;
    for (const CardReport& card : CardsFromSends(facts.sends, LocalInterfaceAddresses()))
        cards.push_back(card.name + (card.address == "0.0.0.0" ? "" : " " + card.address) +
                        (card.failedSends > 0 ? " (send failed)" : ""));
    const std::string through = Joined(cards);
    std::string line = StrFormat("site search: %zu devices in %.3f s", devices.size(), seconds);
    if (!through.empty()) line += " through " + through;
    log.Line(line);
    if (facts.replySocketFailed)
        log.Line("site search: UDP " + std::to_string(kReplyPort) + " could not be opened" +
                 (facts.replyPortOwner ? ", " + *facts.replyPortOwner + " holds it" : std::string()));
    else if (facts.replyPortShared)
        log.Line("site search: another program listens on UDP " + std::to_string(kReplyPort) +
                 (facts.replyPortOwner ? " (" + *facts.replyPortOwner + ")" : std::string()) + " and may take answers");
    if (facts.replyDrops > 0)
        log.Line(StrFormat("site search: %lld answers dropped unread (receive buffers full)", facts.replyDrops));
    if (counters.notListed > 0)
        log.Line(
            StrFormat("site search: %d more devices not listed (%zu at most)", counters.notListed, kMaxListedDevices));
    return std::make_shared<const SiteAnswers>(std::move(devices), RelayClock::now(), seconds);
}
