// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// lanvaro-relay's settings: its command line, and the same options read from
// its configuration file, one "option value" per line.

#include <netinet/in.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An IPv4 network: "198.51.100.0/24", or one address ("/32" implied). Host
// bits given are dropped: "198.51.100.7/24" is that address's subnet.
struct Cidr {
    in_addr_t network = 0;  // network byte order
    int prefix = 32;
    bool operator==(const Cidr&) const = default;
};
std::optional<Cidr> ParseCidr(const std::string& text);
std::string CidrText(const Cidr& cidr);
bool CidrContains(const Cidr& cidr, in_addr_t address);

inline constexpr const char* kRelayConfigPath = "/etc/lanvaro/relay.conf";

struct RelayOptions {
    std::vector<std::string> interfaces;  // none: every card that can broadcast
    int cacheSeconds = 5;
    std::optional<std::vector<Cidr>> allow;  // nullopt: the subnets of this host's cards
    bool allowSetup = false;
    int httpPort = 80;  // 0: no HTTP
};

enum class RelayAction { Run, Check, Help, Version, UsageError };

struct RelayCommandLine {
    RelayAction action = RelayAction::Run;
    RelayOptions options;
    std::string error;  // for UsageError
    // The configuration file to read first; empty when none.
    std::string configPath;
    bool configNamed = false;  // given with --config: it must exist
};

// Parses the arguments after the program name. The file's options come
// first, so the command line overrides them.
RelayCommandLine ParseRelayArguments(const std::vector<std::string>& args);

// The arguments a configuration file stands for: "allow 198.51.100.0/24"
// is "--allow 198.51.100.0/24"; a flag stands alone or is followed by yes,
// no, true, false, on, off, 1 or 0. '#' starts a comment. nullopt, with
// "line N: ..." in `error`, for an option the file may not hold or a line
// that is not one.
std::optional<std::vector<std::string>> ConfigArguments(std::string_view text, std::string& error);

// The whole command line, the file named (or the default one, when there)
// read first. `readFile` returns the file's text, nullopt when it is missing.
RelayCommandLine LoadRelayCommandLine(
    const std::vector<std::string>& args,
    const std::function<std::optional<std::string>(const std::string& path)>& readFile);

extern const char* const kRelayUsage;
