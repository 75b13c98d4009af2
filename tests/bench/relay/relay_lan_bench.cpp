// SPDX-License-Identifier: GPL-3.0-or-later
// lanvaro-relay at a site of 2,000 devices, in a routed box: the computer on
// host 1, the relay on host 2, the devices on host 3. Prints figures; asserts
// nothing about time.
//   - a TCP relay query against the site's own search time (the relay told
//     to search for every query): the relay's part should stay within 100 ms;
//   - 50 clients asking at once, from 50 addresses: all answered, from how
//     many searches;
//   - the relay's resident memory idle and after 1,000 queries.

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <regex>
#include <thread>

#include "app/package_search.h"
#include "protocol/plain_package.h"
#include "protocol/reply_parser.h"
#include "protocol/unique_fd.h"
#include "tests/lan/relay/relay_clients.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kDevices = 2000;
constexpr int kClients = 50;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int DevicesIn(const std::string& answer) {
    FakeWindow form;
    TComUnitList list;
    int nextRow = 1;
    const DecodedAnswer decoded = DecodeReceivedText(answer.c_str(), static_cast<int>(answer.size()));
    ParserPlainPkg(form, list, nextRow, decoded.packages.data(), static_cast<int>(decoded.packages.size()));
    return static_cast<int>(list.size());
}

// The seconds of each site search the relay logged, in order.
std::vector<double> SearchSeconds(const std::string& log) {
    std::vector<double> seconds;
    const std::regex line("site search: [0-9]+ devices in ([0-9.]+) s");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it)
        seconds.push_back(std::stod((*it)[1]));
    return seconds;
}

double ResidentMb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

class Relay {
public:
    Relay(TempDir& files, const std::vector<std::string>& args) : log_(files.File("relay-" + args.back())) {
        std::vector<std::string> argv{"/bin/bash", LanboxScriptPath(), "exec", "2", "--", LANVARO_RELAY_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        process_ = std::make_unique<ChildProcess>(argv, ChildOptions{{}, files.File("relay-out"), log_});
    }
    // Waits (bounded) until `n` searches have been logged.
    bool AwaitSearches(std::size_t n, std::chrono::seconds limit = 30s) {
        const auto end = Clock::now() + limit;
        while (Searches().size() < n && Clock::now() < end) std::this_thread::sleep_for(20ms);
        return Searches().size() >= n;
    }
    std::vector<double> Searches() const { return SearchSeconds(ReadWholeFile(log_)); }
    pid_t Pid() const { return process_->Pid(); }

private:
    std::string log_;
    std::unique_ptr<ChildProcess> process_;
};

const in_addr_t kRelay = ::inet_addr("203.0.113.2");

in_addr_t Client(int i) { return htonl(0xC6336414u + static_cast<std::uint32_t>(i)); }  // 198.51.100.20 on

}  // namespace

int main() {
    RequireLanBox();
    if (!RoutedLanBox() || LanBoxAddresses().size() < 3) {
        std::fprintf(stderr, "relay_lan_bench: needs scripts/lanbox routed --hosts 2\n");
        return NotRunExitCode();
    }
    std::setlocale(LC_ALL, "C.UTF-8");
    TempDir files;
    DevsimProcess devsim({"--count", std::to_string(kDevices), "--duration", "600"}, 3);
    if (!devsim.Start()) {
        std::fprintf(stderr, "devsim: %s\n", devsim.Error().c_str());
        return 1;
    }
    // Fifty addresses of this computer, one per client: the relay's rate is per client.
    for (int i = 0; i < kClients; ++i) {
        char command[96];
        std::snprintf(command, sizeof command, "ip addr add 198.51.100.%d/24 dev eth0", 20 + i);
        if (std::system(command) != 0) return 1;
    }
    const std::string query = RelayQueryText();

    std::printf("relay bench: %d devices at the site, behind a router\n", kDevices);
    {
        // Every query a search of its own: the relay's part is what remains.
        Relay relay(files, {"--allow", "198.51.100.0/24", "--cache-seconds", "0"});
        if (!relay.AwaitSearches(1)) return 1;
        std::printf("  TCP query with a search of its own:\n");
        for (int i = 0; i < 5; ++i) {
            const std::size_t before = relay.Searches().size();
            const auto start = Clock::now();
            const std::string answer = TcpExchange(kRelay, kDevicePort, query, Client(i));
            const double took = Ms(Clock::now() - start);
            relay.AwaitSearches(before + 1, 5s);
            const double search = relay.Searches().back() * 1000;
            std::printf(
                "    %d devices in %.0f ms; the site's search %.0f ms; the relay's part %.0f ms "
                "(design: within 100 ms)\n",
                DevicesIn(answer), took, search, took - search);
            std::this_thread::sleep_for(200ms);
        }

        std::printf("  %d clients asking at once:\n", kClients);
        const std::size_t before = relay.Searches().size();
        std::atomic<bool> go{false};
        std::vector<std::future<std::pair<int, double>>> clients;
        for (int i = 0; i < kClients; ++i)
            clients.push_back(std::async(std::launch::async, [&, i] {
                while (!go.load()) std::this_thread::yield();
                const auto start = Clock::now();
                const std::string answer = TcpExchange(kRelay, kDevicePort, query, Client(i));
                const double ms = Ms(Clock::now() - start);
                return std::make_pair(DevicesIn(answer), ms);
            }));
        std::this_thread::sleep_for(100ms);
        go = true;
        int whole = 0;
        double slowest = 0;
        for (auto& client : clients) {
            const auto [devices, ms] = client.get();
            whole += devices == kDevices ? 1 : 0;
            slowest = std::max(slowest, ms);
        }
        std::printf("    %d of %d answered with all %d devices, the last after %.0f ms, from %zu search(es)\n", whole,
                    kClients, kDevices, slowest, relay.Searches().size() - before);
    }
    {
        Relay relay(files, {"--allow", "198.51.100.0/24", "--http-port", "80", "--cache-seconds", "5"});
        if (!relay.AwaitSearches(1)) return 1;
        std::this_thread::sleep_for(500ms);
        const double idle = ResidentMb(relay.Pid());
        // 1,000 queries: twenty from each client at its ten a second, TCP and
        // HTTP, and a few over UDP (whose answers are paced at 1 MB/s).
        const std::string page = "GET /device.get?DeviceType=ALL HTTP/1.1\r\nHost: 203.0.113.2\r\n\r\n";
        std::atomic<int> answered{0};
        std::vector<std::thread> clients;
        for (int i = 0; i < kClients; ++i)
            clients.emplace_back([&, i] {
                for (int q = 0; q < 20; ++q) {
                    const auto next = Clock::now() + 110ms;
                    if (q == 0 && i < 10) {
                        UniqueFd udp(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
                        sockaddr_in to{};
                        to.sin_family = AF_INET;
                        to.sin_port = htons(kDevicePort);
                        to.sin_addr.s_addr = kRelay;
                        ::sendto(udp.get(), query.data(), query.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                                 sizeof to);
                        ++answered;
                    } else {
                        const bool http = q % 3 == 0;
                        const std::string answer =
                            TcpExchange(kRelay, http ? 80 : kDevicePort, http ? page : query, Client(i));
                        answered += answer.empty() ? 0 : 1;
                    }
                    std::this_thread::sleep_until(next);
                }
            });
        for (std::thread& client : clients) client.join();
        std::this_thread::sleep_for(1s);
        const double after = ResidentMb(relay.Pid());
        std::printf(
            "  resident memory: %.1f MB idle, %.1f MB after %d queries (%d answered or sent), %+.1f MB "
            "(design: within 5 MB)\n",
            idle, after, kClients * 20, answered.load(), after - idle);
    }
    return 0;
}
