#include "tools/devsim/onvif_camera_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <set>

#include "onvif/device_client.h"

extern char** environ;

namespace {

struct Card {
    std::string name;
    std::uint32_t address = 0;  // host order
    std::uint32_t netmask = 0;
};

bool FirstCard(Card& card) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool found = false;
    for (ifaddrs* i = list; i != nullptr && !found; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_netmask == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
        if ((i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_LOOPBACK) != 0) continue;
        card.name = i->ifa_name;
        card.address = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
        card.netmask = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr);
        found = true;
    }
    freeifaddrs(list);
    return found;
}

std::string Text(std::uint32_t hostOrder) {
    in_addr a{htonl(hostOrder)};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

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

bool PlaceOnvifCamerasOnBoxCard(std::vector<OnvifCamera>& cameras, int first, std::string& error) {
    const char* box = std::getenv("LANBOX");
    Card card;
    if (box == nullptr || std::strcmp(box, "hosts") != 0 || !FirstCard(card)) return true;
    const int prefix = 32 - __builtin_popcount(~card.netmask);
    std::set<std::string> added;
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        const int number = first + static_cast<int>(i);
        const std::string address =
            Text((card.address & card.netmask) | static_cast<std::uint32_t>(100 + number % 100));
        bool moved = false;
        for (std::string& xaddr : cameras[i].xaddrs) {
            const std::string host = OnvifXaddrHost(xaddr);
            in_addr a{};
            if (moved || ::inet_pton(AF_INET, host.c_str(), &a) != 1) continue;
            xaddr.replace(xaddr.find(host), host.size(), address);
            moved = true;
        }
        if (moved && added.insert(address).second && !AddAddress(address, prefix, card.name, error)) return false;
    }
    return true;
}
