#include "cli/cli_search.h"

#include <chrono>
#include <cstdio>

namespace {
// Longer than the longest search (an HTTP relay given up at 20 s, then the
// UPnP part) so that only a fault could reach it.
constexpr std::chrono::seconds kSearchBound{60};
}  // namespace

bool RunSearchToEnd(ConsoleForm& form, MainFormLogic& logic) {
    logic.Button1Click();
    return form.RunUntil([&logic] { return !logic.Searching(); }, kSearchBound);
}

void ApplySearchOptions(ConsoleForm& form, const SearchOptions& options) {
    form.proj = options.filter;
    form.method = options.relay ? SearchMethod::IpRelay : SearchMethod::LocalBroadcast;
    form.relayAddress = options.relay.value_or("<Customized>");
    form.relaySelectedIndex = options.relay ? -1 : 0;
    form.relayTransport = options.transport;
}

bool RunSetupSearch(ConsoleForm& form, MainFormLogic& logic, const SearchOptions& options) {
    logic.FormCreate({});
    ApplySearchOptions(form, options);
    if (RunSearchToEnd(form, logic)) return true;
    std::fprintf(stderr, "lanvaro-cli setup: the search did not end in time\n");
    return false;
}

TableRows FoundRows(ConsoleForm& form) {
    if (form.label1Caption == "0 device(s) found!") return {};
    return form.DataRows();
}
