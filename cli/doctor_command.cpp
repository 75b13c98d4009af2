// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/doctor_command.h"

#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>

#include "cli/cli_options.h"
#include "cli/firewall_rules.h"
#include "protocol/broadcast_interfaces.h"
#include "protocol/plain_package.h"
#include "protocol/reply_sockets.h"
#include "protocol/terminal_text.h"
#include "protocol/udp_socket.h"
#include "protocol/unique_fd.h"
#include "report/port_owner.h"
#include "report/report_problems.h"

extern char** environ;

namespace {

constexpr int kSsdpPort = 1900;
constexpr int kWsDiscoveryPort = 3702;

struct Check {
    std::string name;
    std::string ok;                  // shown when fine
    std::optional<Problem> problem;  // shown instead when not
};

// Whether the search's reply socket could be opened now.
bool ReplyPortFree() {
    int raw = -1;
    sockaddr_in addr{};
    const bool bound = CreateReplySocket(nullptr, kReplyPort, raw, addr, false) == 0;
    UniqueFd sock(raw);
    return bound;
}

// The standard output of a program (no shell), or nullopt when it cannot be
// run, fails, or takes longer than a few seconds.
std::optional<std::string> ProgramOutput(const std::vector<std::string>& argv) {
    if (::access(argv[0].c_str(), X_OK) != 0) return std::nullopt;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
    UniqueFd readEnd(pipeFds[0]);
    UniqueFd writeEnd(pipeFds[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    writeEnd.reset();
    if (spawned != 0) return std::nullopt;

    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    char buffer[4096];
    while (out.size() < (4u << 20)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) break;
        pollfd pfd{readEnd.get(), POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left)) <= 0) break;
        const ssize_t n = ::read(readEnd.get(), buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    pid_t reaped = 0;
    while ((reaped = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        ::usleep(10000);
    if (reaped == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return out;
}

std::optional<std::string> FirstProgramOutput(const std::vector<std::vector<std::string>>& candidates) {
    for (const auto& argv : candidates)
        if (auto out = ProgramOutput(argv)) return out;
    return std::nullopt;
}

std::string PortList(const std::vector<int>& ports) {
    std::string list;
    for (int port : ports) list += (list.empty() ? "" : ", ") + std::to_string(port);
    return list;
}

Check FirewallCheck() {
    const std::vector<int> ports{kReplyPort, kSsdpPort, kWsDiscoveryPort};
    Check check{"Firewall (UDP " + PortList(ports) + " in)", "", std::nullopt};
    std::vector<int> dropped;
    std::string read;
    if (auto nft = FirstProgramOutput({{"/usr/sbin/nft", "list", "ruleset"}, {"/sbin/nft", "list", "ruleset"}})) {
        dropped = UdpPortsDroppedByNft(*nft, ports);
        read = "nftables";
    } else if (auto ipt = FirstProgramOutput({{"/usr/sbin/iptables-save"}, {"/sbin/iptables-save"}})) {
        dropped = UdpPortsDroppedByIptables(*ipt, ports);
        read = "iptables";
    } else {
        check.ok = "rules could not be read (nft or iptables-save missing, or not run as root)";
        return check;
    }
    if (dropped.empty()) {
        check.ok = read + " rules let the answers in";
        return check;
    }
    std::string fix;
    for (int port : dropped)
        fix += (fix.empty() ? "" : "; ") + std::string("`sudo ") +
               (read == "nftables" ? "nft insert rule inet filter input udp dport " + std::to_string(port) + " accept"
                                   : "iptables -I INPUT -p udp --dport " + std::to_string(port) + " -j ACCEPT") +
               "`";
    check.problem = Problem{"firewall-drops-answers",
                            "The " + read + " rules drop UDP " + PortList(dropped) +
                                " coming in: device answers (6667), UPnP (1900) or ONVIF (3702) replies are lost.",
                            "Allow them: " + fix +
                                " (ufw: `sudo ufw allow PORT/udp`; firewalld: "
                                "`sudo firewall-cmd --permanent --add-port=PORT/udp`)."};
    return check;
}

}  // namespace

int RunDoctorCommand(const std::vector<std::string>& args) {
    const std::string error = ParseDoctorOptions(args);
    if (!error.empty()) {
        std::fprintf(stderr, "lanvaro-cli: %s\n%s", error.c_str(), kSearchUsage);
        return 2;
    }
    std::vector<Check> checks;

    Check port{"Reply port UDP " + std::to_string(kReplyPort), "free", std::nullopt};
    if (!ReplyPortFree())
        port.problem = ReplyPortBusyProblem(UdpPortOwner(kReplyPort));
    else if (UdpPortInUse(kReplyPort))
        port.problem = ReplyPortSharedProblem(UdpPortOwner(kReplyPort));
    checks.push_back(port);

    const std::vector<InterfaceAddress> interfaces = LocalInterfaceAddresses();
    Check broadcast{"Cards that can broadcast", BroadcastCardList(interfaces), std::nullopt};
    if (broadcast.ok.empty()) broadcast.problem = NoBroadcastCardProblem();
    checks.push_back(broadcast);

    const std::string multicastCards = MulticastCardList(interfaces);
    Check multicast{"Cards that can multicast (UPnP, ONVIF)", multicastCards, std::nullopt};
    if (multicastCards.empty())
        multicast.problem = Problem{"no-multicast-card",
                                    "No network card is up that can multicast: UPnP and ONVIF cameras cannot be found.",
                                    "Connect a network card and make sure it is up with an IPv4 address "
                                    "(`ip -br addr`)."};
    checks.push_back(multicast);

    checks.push_back(FirewallCheck());

    int problems = 0;
    for (const Check& check : checks) {
        if (!check.problem) {
            // Card and program names are anyone's text: shown inert.
            std::printf("OK       %s: %s\n", check.name.c_str(), TerminalText(check.ok).c_str());
            continue;
        }
        ++problems;
        std::printf("PROBLEM  %s [%s]\n         %s\n         Fix: %s\n", check.name.c_str(),
                    check.problem->code.c_str(), TerminalText(check.problem->text).c_str(),
                    TerminalText(check.problem->fix).c_str());
    }
    if (problems == 0)
        std::printf("No problem found.\n");
    else
        std::printf("%d problem(s) found.\n", problems);
    return problems == 0 ? 0 : 1;
}
