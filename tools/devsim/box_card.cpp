// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/box_card.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <spawn.h>
#include <sys/wait.h>

#include <set>

#include "protocol/broadcast_interfaces.h"

extern char** environ;

namespace {

// "ip address add ADDRESS/PREFIX dev CARD", without a shell.
bool AddAddress(const std::string& address, int prefix, const std::string& card, std::string& error) {
    std::string cidr = address + "/" + std::to_string(prefix);
    std::vector<std::string> args{"ip", "address", "add", cidr, "dev", card};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "ip", nullptr, nullptr, argv.data(), environ) != 0) {
        error = "cannot run ip to add " + cidr;
        return false;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "ip could not add " + cidr + " to " + card;
        return false;
    }
    return true;
}

}  // namespace

int BoxCard::Prefix() const { return 32 - __builtin_popcount(~netmask); }

std::optional<BoxCard> FirstBoxCard() {
    for (const InterfaceAddress& entry : LocalInterfaceAddresses()) {
        if ((entry.flags & IFF_UP) == 0 || (entry.flags & IFF_LOOPBACK) != 0) continue;
        return BoxCard{entry.name.substr(0, entry.name.find(':')), ntohl(entry.address), ntohl(entry.netmask)};
    }
    return std::nullopt;
}

bool AddCardAddresses(const BoxCard& card, const std::vector<std::string>& addresses, std::string& error) {
    std::set<std::uint32_t> held;
    for (const InterfaceAddress& entry : LocalInterfaceAddresses()) held.insert(ntohl(entry.address));
    for (const std::string& text : addresses) {
        in_addr address{};
        if (::inet_pton(AF_INET, text.c_str(), &address) != 1) continue;
        const std::uint32_t host = ntohl(address.s_addr);
        if (!card.Holds(host) || !held.insert(host).second) continue;
        if (!AddAddress(text, card.Prefix(), card.name, error)) return false;
    }
    return true;
}
