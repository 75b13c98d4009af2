// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/relay_check.h"

#include <cstdio>

#include "protocol/terminal_text.h"
#include "protocol/text_format.h"
#include "relay/relay_server.h"
#include "relay/site_search.h"

namespace {

void Print(const std::string& line) { std::printf("%s\n", TerminalText(line).c_str()); }

}  // namespace

int RunRelayCheck(const RelayCommandLine& command, bool configRead) {
    const std::vector<InterfaceAddress> interfaces = LocalInterfaceAddresses();
    const RelaySettings settings = SettingsFor(command.options, interfaces);
    RelayLog log;
    Print(std::string("lanvaro-relay ") + LANVARO_VERSION);
    Print("configuration " + command.configPath + (configRead ? " read" : " absent: command line only"));
    for (const std::string& line : DescribeRelay(settings, command.options.cacheSeconds, interfaces)) Print(line);

    int status = 0;
    {
        // Bound and let go again: only whether it could be had matters here.
        SiteDevices unused([](const std::atomic<bool>&) { return nullptr; }, std::chrono::seconds(0));
        RelayServer server(settings, unused, log);
        std::string error;
        if (server.Open(error)) {
            Print("ports: free");
        } else {
            Print("ports: " + error);
            status = 1;
        }
    }

    const std::atomic<bool> cancel{false};
    const std::shared_ptr<const SiteAnswers> answers = SearchSite(settings.cards, log, cancel);
    Print(StrFormat("%zu devices would be served:", answers->Devices().size()));
    // One device a line, its cells apart by tabs; each cell made inert alone,
    // so a tab a device sent cannot pass for a separator.
    for (const tComUnitInfo& device : answers->Devices()) {
        std::vector<std::string> cells;
        for (const std::string& cell :
             {ComUnitFieldText(device.model), ComUnitFieldText(device.proj), ComUnitFieldText(device.name),
              ComUnitFieldText(device.ip), ComUnitFieldText(device.trigger_port), ComUnitFieldText(device.netmask),
              ComUnitFieldText(device.mac)})
            cells.push_back(TerminalText(cell));
        std::printf("%s\n", Joined(cells, "\t").c_str());
    }
    return status;
}
