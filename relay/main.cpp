// SPDX-License-Identifier: GPL-3.0-or-later
// lanvaro-relay: makes a site's devices searchable and manageable from
// elsewhere, answering the window's IP Relay search.

#include <signal.h>
#include <sys/signalfd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "protocol/text_format.h"
#include "relay/relay_check.h"
#include "relay/relay_server.h"
#include "relay/site_search.h"

namespace {

std::optional<std::string> ReadConfig(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

const char* const kOptionsHelp =
    "  --interface NAME[,NAME]  search and send through these cards (default: every card that can broadcast)\n"
    "  --cache-seconds N        serve a search's devices for N seconds (default 5)\n"
    "  --allow CIDR[,CIDR]      clients that may ask (default: the subnets of this host's cards)\n"
    "  --allow-setup            send control packages from allowed clients on to the site\n"
    "  --http-port PORT         port of the device page (default 80; 0: none)\n"
    "  --config FILE            options read first, one \"option value\" a line (default /etc/lanvaro/relay.conf)\n"
    "  --check                  print what would be served, with one search's devices, and exit\n";

int Serve(const RelayCommandLine& command) {
    RelayLog log;
    const std::vector<InterfaceAddress> interfaces = LocalInterfaceAddresses();
    const RelaySettings settings = SettingsFor(command.options, interfaces);

    // Signals are read in the loop; every thread started later inherits the mask.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    const UniqueFd stopFd(::signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK));

    SiteDevices site([&](const std::atomic<bool>& cancel) { return SearchSite(settings.cards, log, cancel); },
                     std::chrono::seconds(command.options.cacheSeconds));
    RelayServer server(settings, site, log);
    std::string error;
    if (!stopFd || !server.Open(error)) {
        log.Line("lanvaro-relay: " + (stopFd ? error : std::string("cannot read signals")));
        return 1;
    }
    log.Line(std::string("lanvaro-relay ") + LANVARO_VERSION + " started");
    for (const std::string& line : DescribeRelay(settings, command.options.cacheSeconds, interfaces)) log.Line(line);
    // A first search now: a UDP asker listens only half a second, less than
    // a search of the site takes.
    site.Refresh();
    server.Run(stopFd.get());
    const RelayCounts& n = server.Counts();
    log.Line(
        StrFormat("stopping: %lld queries served, %lld refused, %lld over the rate, %lld control packages sent "
                  "on, %lld dropped",
                  n.queries, n.refused, n.rateLimited, n.setupsForwarded, n.setupsDropped));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    bool configRead = false;
    const RelayCommandLine command = LoadRelayCommandLine(args, [&](const std::string& path) {
        std::optional<std::string> text = ReadConfig(path);
        configRead = text.has_value();
        return text;
    });
    switch (command.action) {
        case RelayAction::Help:
            std::printf("%s\n%s", kRelayUsage, kOptionsHelp);
            return 0;
        case RelayAction::Version:
            std::printf("Lanvaro %s\n", LANVARO_VERSION);
            return 0;
        case RelayAction::UsageError:
            std::fprintf(stderr, "lanvaro-relay: %s\n%s", command.error.c_str(), kRelayUsage);
            return 2;
        case RelayAction::Check:
            return RunRelayCheck(command, configRead);
        case RelayAction::Run:
            break;
    }
    return Serve(command);
}
