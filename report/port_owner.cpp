// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/port_owner.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Inodes of the sockets bound to the port, from a /proc/net/udp table.
std::set<std::string> PortInodes(const char* table, int port) {
    std::set<std::string> inodes;
    std::ifstream in(table);
    std::string line;
    std::getline(in, line);  // header
    for (int lines = 0; lines < 100000 && std::getline(in, line); ++lines) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode))
            continue;
        const std::size_t colon = local.find(':');
        if (colon == std::string::npos) continue;
        if (std::strtol(local.c_str() + colon + 1, nullptr, 16) == port && inode != "0") inodes.insert(inode);
    }
    return inodes;
}

std::string ProcessName(const std::string& pid) {
    std::ifstream in("/proc/" + pid + "/comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? "a program" : name;
}

}  // namespace

std::optional<std::string> UdpPortOwner(int port) {
    std::set<std::string> inodes = PortInodes("/proc/net/udp", port);
    for (const std::string& inode : PortInodes("/proc/net/udp6", port)) inodes.insert(inode);
    if (inodes.empty()) return std::nullopt;

    const DirHandle proc(::opendir("/proc"));
    if (!proc) return std::nullopt;
    const std::string self = std::to_string(::getpid());
    int processes = 0;
    while (const dirent* entry = ::readdir(proc.get())) {
        const std::string pid = entry->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
        if (++processes > 100000) break;
        const std::string fdDir = "/proc/" + pid + "/fd";
        const DirHandle fds(::opendir(fdDir.c_str()));
        if (!fds) continue;
        int descriptors = 0;
        while (const dirent* fd = ::readdir(fds.get())) {
            if (++descriptors > 100000) break;
            char target[128];
            const std::string link = fdDir + "/" + fd->d_name;
            const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
            if (n <= 0) continue;
            const std::string text(target, static_cast<std::size_t>(n));
            if (text.rfind("socket:[", 0) != 0) continue;
            if (inodes.count(text.substr(8, text.size() - 9)) != 0) return ProcessName(pid) + " (process " + pid + ")";
        }
    }
    return std::nullopt;
}
