// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/relay_options.h"

#include <arpa/inet.h>

#include <CLI/CLI.hpp>
#include <array>
#include <cstdlib>

#include "cli/command_line.h"
#include "protocol/broadcast_interfaces.h"

const char* const kRelayUsage =
    "usage: lanvaro-relay [--interface NAME[,NAME]] [--cache-seconds N] [--allow CIDR[,CIDR]]\n"
    "                     [--allow-setup] [--http-port PORT] [--config FILE] [--check]\n"
    "       lanvaro-relay --help | --version\n";

namespace {

struct OptionName {
    const char* name;  // without "--"
    bool takesValue;
    bool inFile;  // may stand in the configuration file
};
constexpr std::array<OptionName, 8> kOptions{{
    {"interface", true, true},
    {"cache-seconds", true, true},
    {"allow", true, true},
    {"allow-setup", false, true},
    {"http-port", true, true},
    {"config", true, false},
    {"check", false, false},
    {"version", false, false},
}};

const OptionName* FindOption(std::string_view name) {
    for (const OptionName& option : kOptions)
        if (name == option.name) return &option;
    return nullptr;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

std::optional<int> WholeNumber(const std::string& text, int low, int high) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::atoi(text.c_str());
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::optional<bool> FlagWord(std::string_view word) {
    for (const char* yes : {"", "yes", "true", "on", "1"})
        if (word == yes) return true;
    for (const char* no : {"no", "false", "off", "0"})
        if (word == no) return false;
    return std::nullopt;
}

}  // namespace

std::optional<Cidr> ParseCidr(const std::string& text) {
    const std::size_t slash = text.find('/');
    const std::string address = text.substr(0, slash);
    Cidr cidr;
    if (slash != std::string::npos) {
        const auto prefix = WholeNumber(text.substr(slash + 1), 0, 32);
        if (!prefix) return std::nullopt;
        cidr.prefix = *prefix;
    }
    in_addr parsed{};
    // Only the dotted quad: inet_aton's short and octal forms are a trap here.
    if (::inet_pton(AF_INET, address.c_str(), &parsed) != 1) return std::nullopt;
    const std::uint32_t mask = cidr.prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - cidr.prefix);
    cidr.network = htonl(ntohl(parsed.s_addr) & mask);
    return cidr;
}

std::string CidrText(const Cidr& cidr) { return Ipv4Text(cidr.network) + "/" + std::to_string(cidr.prefix); }

bool CidrContains(const Cidr& cidr, in_addr_t address) {
    const std::uint32_t mask = cidr.prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - cidr.prefix);
    return (ntohl(address) & mask) == ntohl(cidr.network);
}

RelayCommandLine ParseRelayArguments(const std::vector<std::string>& args) {
    RelayCommandLine parsed;
    parsed.configPath = kRelayConfigPath;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            parsed.action = RelayAction::Help;
            return parsed;
        }
    }
    const auto fail = [&parsed](std::string error) {
        parsed.action = RelayAction::UsageError;
        parsed.error = std::move(error);
        return parsed;
    };

    CLI::App app;
    PrepareCommandApp(app);
    std::vector<std::pair<const OptionName*, CLI::Option*>> declared;
    for (const OptionName& option : kOptions) {
        const std::string name = std::string("--") + option.name;
        CLI::Option* added =
            option.takesValue ? app.add_option(name)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
                              : app.add_flag(name);
        declared.emplace_back(&option, added);
    }
    if (std::string error = ParseCommandLine(app, args); !error.empty()) return fail(error);
    if (!app.remaining().empty()) return fail("unknown argument " + app.remaining().front());

    RelayOptions& o = parsed.options;
    for (const auto& [option, given] : declared) {
        if (given->count() == 0) continue;
        const std::string name = option->name;
        const std::string value = option->takesValue ? given->results().back() : std::string();
        if (name == "interface") {
            o.interfaces = SplitList(value);
            for (const std::string& card : o.interfaces)
                if (card.empty() || card.size() > 15 || card.find_first_of("/: \t") != std::string::npos)
                    return fail("--interface takes card names separated by commas, not \"" + value + "\"");
        } else if (name == "cache-seconds") {
            const auto seconds = WholeNumber(value, 0, 3600);
            if (!seconds) return fail("--cache-seconds takes a number of seconds from 0 to 3600");
            o.cacheSeconds = *seconds;
        } else if (name == "allow") {
            std::vector<Cidr> allow;
            for (const std::string& item : SplitList(value)) {
                const auto cidr = ParseCidr(item);
                if (!cidr) return fail("--allow takes IPv4 networks like 198.51.100.0/24, not \"" + item + "\"");
                allow.push_back(*cidr);
            }
            o.allow = std::move(allow);
        } else if (name == "allow-setup") {
            o.allowSetup = true;
        } else if (name == "http-port") {
            const auto port = WholeNumber(value, 0, 65535);
            if (!port) return fail("--http-port takes a port from 1 to 65535, or 0 for no HTTP");
            o.httpPort = *port;
        } else if (name == "config") {
            parsed.configPath = value;
            parsed.configNamed = true;
        } else if (name == "check") {
            parsed.action = RelayAction::Check;
        } else if (name == "version") {
            parsed.action = RelayAction::Version;
        }
    }
    return parsed;
}

std::optional<std::vector<std::string>> ConfigArguments(std::string_view text, std::string& error) {
    std::vector<std::string> args;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        line = Trimmed(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        const std::size_t blank = line.find_first_of(" \t");
        const std::string_view name = line.substr(0, blank);
        const std::string_view value = blank == std::string_view::npos ? "" : Trimmed(line.substr(blank));
        const OptionName* option = FindOption(name);
        const std::string where = "line " + std::to_string(number) + ": ";
        if (option == nullptr || !option->inFile) {
            error = where + "unknown option \"" + std::string(name) + "\"";
            return std::nullopt;
        }
        if (option->takesValue) {
            if (value.empty()) {
                error = where + std::string(name) + " needs a value";
                return std::nullopt;
            }
            args.push_back("--" + std::string(name));
            args.emplace_back(value);
            continue;
        }
        const std::optional<bool> on = FlagWord(value);
        if (!on) {
            error = where + std::string(name) + " takes yes or no, not \"" + std::string(value) + "\"";
            return std::nullopt;
        }
        if (*on) args.push_back("--" + std::string(name));
    }
    return args;
}

RelayCommandLine LoadRelayCommandLine(
    const std::vector<std::string>& args,
    const std::function<std::optional<std::string>(const std::string& path)>& readFile) {
    RelayCommandLine first = ParseRelayArguments(args);
    if (first.action == RelayAction::Help || first.action == RelayAction::Version ||
        first.action == RelayAction::UsageError)
        return first;
    const std::optional<std::string> text = readFile(first.configPath);
    if (!text) {
        if (!first.configNamed) return first;
        first.action = RelayAction::UsageError;
        first.error = "cannot read " + first.configPath;
        return first;
    }
    std::string error;
    std::optional<std::vector<std::string>> fileArgs = ConfigArguments(*text, error);
    if (!fileArgs) {
        first.action = RelayAction::UsageError;
        first.error = first.configPath + " " + error;
        return first;
    }
    // A wrong value is blamed on the file only when it stands there.
    if (const RelayCommandLine alone = ParseRelayArguments(*fileArgs); alone.action == RelayAction::UsageError) {
        first.action = RelayAction::UsageError;
        first.error = first.configPath + ": " + alone.error;
        return first;
    }
    fileArgs->insert(fileArgs->end(), args.begin(), args.end());
    return ParseRelayArguments(*fileArgs);
}
