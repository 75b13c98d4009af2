// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_search.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "protocol/address_range.h"

namespace {
// Longer than the longest search (an HTTP relay given up at 20 s, then the
// UPnP part) so that only a fault could reach it.
constexpr std::chrono::seconds kSearchBound{60};
}  // namespace

bool RunSearchToEnd(ConsoleForm& form, MainFormLogic& logic) {
    // A range search sends at its rate: twice the time its datagrams take is allowed besides.
    std::chrono::seconds bound = kSearchBound;
    if (form.method == SearchMethod::AddressRange) {
        const auto addresses = static_cast<long long>(ParseAddressRanges(form.addressRange).addresses);
        bound += std::chrono::seconds(2 * addresses * 8 / std::max(logic.RangeRate(), 1));
    }
    logic.Button1Click();
    return form.RunUntil([&logic] { return !logic.Searching(); }, bound);
}

void ApplySearchOptions(ConsoleForm& form, MainFormLogic& logic, const SearchOptions& options) {
    form.proj = options.filter;
    form.method = options.relay   ? SearchMethod::IpRelay
                  : options.range ? SearchMethod::AddressRange
                                  : SearchMethod::LocalBroadcast;
    form.addressRange = options.range.value_or("");
    if (options.rate > 0) logic.SetRangeRate(options.rate);
    form.relayAddress = options.relay.value_or("<Customized>");
    form.relaySelectedIndex = options.relay ? -1 : 0;
    form.relayTransport = options.transport;
}

bool RunSetupSearch(ConsoleForm& form, MainFormLogic& logic, const SearchOptions& options) {
    logic.FormCreate({});
    ApplySearchOptions(form, logic, options);
    if (RunSearchToEnd(form, logic)) return true;
    std::fprintf(stderr, "lanvaro-cli setup: the search did not end in time\n");
    return false;
}

TableRows FoundRows(ConsoleForm& form) {
    if (form.label1Caption == "0 device(s) found!") return {};
    return form.DataRows();
}
