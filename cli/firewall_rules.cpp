// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/firewall_rules.h"

#include <cstdlib>
#include <sstream>

namespace {

struct Range {
    int low;
    int high;
};

struct Rule {
    bool anyPacket = false;    // a bare verdict
    std::vector<Range> ports;  // UDP destination ports it names
    bool accept = false;
};

struct Chain {
    bool dropPolicy = false;
    std::vector<Rule> rules;
};

// "6667", "6000-7000", "6000:7000", "{ 1900, 3702 }", "1900,3702" -> ranges.
std::vector<Range> ParsePorts(const std::string& text) {
    std::vector<Range> ranges;
    std::string item;
    auto flush = [&] {
        if (item.empty()) return;
        const std::size_t dash = item.find_first_of("-:");
        const int low = std::atoi(item.c_str());
        const int high = dash == std::string::npos ? low : std::atoi(item.c_str() + dash + 1);
        if (low > 0 && high >= low) ranges.push_back({low, high});
        item.clear();
    };
    for (char c : text) {
        if ((c >= '0' && c <= '9') || c == '-' || c == ':')
            item += c;
        else
            flush();
    }
    flush();
    return ranges;
}

bool IsDrop(const Chain& chain, int port) {
    for (const Rule& rule : chain.rules) {
        bool matches = rule.anyPacket;
        for (const Range& r : rule.ports) matches = matches || (port >= r.low && port <= r.high);
        if (matches) return !rule.accept;
    }
    return chain.dropPolicy;
}

std::vector<int> Dropped(const std::vector<Chain>& chains, const std::vector<int>& ports) {
    std::vector<int> dropped;
    for (int port : ports) {
        for (const Chain& chain : chains) {
            if (IsDrop(chain, port)) {
                dropped.push_back(port);
                break;
            }
        }
    }
    return dropped;
}

std::string Trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t");
    const std::size_t e = s.find_last_not_of(" \t;");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool EndsWithVerdict(const std::string& line, bool* accept) {
    for (const char* verdict : {"accept", "drop", "reject"}) {
        const std::string v = verdict;
        if (line == v || (line.size() > v.size() && line.compare(line.size() - v.size(), v.size(), v) == 0 &&
                          line[line.size() - v.size() - 1] == ' ')) {
            *accept = v == "accept";
            return true;
        }
        if (line.rfind(v + " with", 0) == 0 || line.find(" " + v + " with ") != std::string::npos) {
            *accept = false;
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<int> UdpPortsDroppedByNft(const std::string& ruleset, const std::vector<int>& ports) {
    std::vector<Chain> inputChains;
    Chain current;
    bool inChain = false;
    bool isInput = false;
    std::istringstream in(ruleset);
    std::string raw;
    for (int lines = 0; lines < 200000 && std::getline(in, raw); ++lines) {
        const std::string line = Trim(raw);
        if (line.rfind("chain ", 0) == 0) {
            inChain = true;
            isInput = false;
            current = Chain{};
            continue;
        }
        if (!inChain) continue;
        if (line == "}") {
            if (isInput) inputChains.push_back(current);
            inChain = false;
            continue;
        }
        if (line.find("hook input") != std::string::npos) {
            isInput = true;
            current.dropPolicy = line.find("policy drop") != std::string::npos;
            continue;
        }
        bool accept = false;
        if (!EndsWithVerdict(line, &accept)) continue;
        Rule rule;
        rule.accept = accept;
        const std::size_t dport = line.find("udp dport ");
        if (dport != std::string::npos) {
            if (!Trim(line.substr(0, dport)).empty()) continue;
            std::string rest = line.substr(dport + 10);
            if (!rest.empty() && rest[0] == '{')
                rest = rest.substr(0, rest.find('}') + 1);
            else
                rest = rest.substr(0, rest.find(' '));
            rule.ports = ParsePorts(rest);
        } else {
            rule.anyPacket =
                line == "accept" || line == "drop" || line == "reject" || line.rfind("reject with", 0) == 0;
        }
        if (rule.anyPacket || !rule.ports.empty()) current.rules.push_back(rule);
    }
    return Dropped(inputChains, ports);
}

std::vector<int> UdpPortsDroppedByIptables(const std::string& saved, const std::vector<int>& ports) {
    Chain input;
    std::istringstream in(saved);
    std::string line;
    bool filterTable = false;
    for (int lines = 0; lines < 200000 && std::getline(in, line); ++lines) {
        if (!line.empty() && line[0] == '*') filterTable = line == "*filter";
        if (!filterTable) continue;
        if (line.rfind(":INPUT ", 0) == 0) input.dropPolicy = line.rfind(":INPUT DROP", 0) == 0;
        if (line.rfind("-A INPUT ", 0) != 0) continue;
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        Rule rule;
        bool verdict = false;
        bool udp = false;
        bool otherMatch = false;
        for (std::size_t i = 2; i < w.size(); ++i) {
            const std::string& a = w[i];
            const std::string next = i + 1 < w.size() ? w[i + 1] : std::string();
            if (a == "-j") {
                verdict = next == "ACCEPT" || next == "DROP" || next == "REJECT";
                rule.accept = next == "ACCEPT";
                ++i;
            } else if (a == "-p") {
                udp = next == "udp";
                otherMatch = otherMatch || (next != "udp" && next != "all");
                ++i;
            } else if (a == "--dport" || a == "--dports") {
                rule.ports = ParsePorts(next);
                ++i;
            } else if (a == "-m") {
                ++i;
            } else {
                otherMatch = true;
            }
        }
        if (!verdict || otherMatch) continue;
        rule.anyPacket = rule.ports.empty();
        if (!udp && !rule.ports.empty()) continue;
        input.rules.push_back(rule);
    }
    return Dropped({input}, ports);
}
