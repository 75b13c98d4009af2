// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/onvif_options.h"

#include <arpa/inet.h>

#include <algorithm>
#include <map>
#include <set>

#include "cli/command_line.h"
#include "onvif/device_client.h"

const char* const kOnvifUsage =
    "usage: lanvaro-cli onvif info (--ip IP | --xaddr URL) [--user NAME] [--password-file FILE]\n"
    "       lanvaro-cli onvif sync-time (--ip IP | --xaddr URL) --user NAME [--password-file FILE] [--force]\n"
    "       lanvaro-cli onvif info|sync-time|reboot|set-password CAMERAS --user NAME [--password-file FILE]\n"
    "                   CAMERAS: --ip IP (repeated) | --xaddr URL (repeated) | --all [--match TEXT]\n"
    "                   info: [--format json|csv]  sync-time: [--force]  reboot: [--verify SECONDS]\n"
    "                   set-password: --new-password-file FILE [--for-user NAME]\n"
    "       lanvaro-cli onvif media (--ip IP | --xaddr URL) --user NAME [--password-file FILE]\n"
    "       lanvaro-cli onvif snapshot (--ip IP | --xaddr URL) --user NAME [--password-file FILE]\n"
    "                   --output FILE [--profile TOKEN]\n"
    "       lanvaro-cli setup --onvif (IP | URL) --user NAME [--password-file FILE]\n"
    "                   (--dhcp | --static --ip A --netmask M --gateway G --dns D)\n"
    "                   [--reboot] [--verify SECONDS] [--force]\n"
    "The password comes from --password-file, LANVARO_ONVIF_PASSWORD, or a prompt on a terminal.\n";

namespace {

bool IsIpv4(const std::string& text) {
    in_addr a{};
    return ::inet_pton(AF_INET, text.c_str(), &a) == 1;
}

// Splits the arguments into options with a value, flags and the rest. A
// flag with a value and any repeated option are errors.
struct Split {
    std::map<std::string, std::string> values;
    std::map<std::string, std::vector<std::string>> lists;  // repeatable options, every value in order
    std::set<std::string> flags;
    std::vector<std::string> rest;
    std::string error;
};

Split SplitArguments(const std::vector<std::string>& args, const std::set<std::string>& valued,
                     const std::set<std::string>& flagged, bool keepUnknown,
                     const std::set<std::string>& repeatable = {}) {
    Split split;
    for (std::size_t i = 0; i < args.size() && split.error.empty(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (valued.count(name) != 0) {
            if (split.values.count(name) != 0 && repeatable.count(name) == 0) {
                split.error = name + " given twice";
            } else if (inlineValue) {
                split.values[name] = *inlineValue;
                split.lists[name].push_back(*inlineValue);
            } else if (i + 1 < args.size()) {
                split.values[name] = args[++i];
                split.lists[name].push_back(args[i]);
            } else {
                split.error = name + " needs a value";
            }
        } else if (flagged.count(name) != 0) {
            if (inlineValue)
                split.error = name + " takes no value";
            else if (!split.flags.insert(name).second)
                split.error = name + " given twice";
        } else if (keepUnknown) {
            split.rest.push_back(args[i]);
        } else {
            split.error = "unknown argument " + args[i];
        }
    }
    return split;
}

std::string Value(const Split& split, const std::string& name) {
    const auto found = split.values.find(name);
    return found == split.values.end() ? std::string() : found->second;
}

// An IP names the camera's usual device service; a URL is taken as given,
// but never with a user or password in it: that would sit in argv and go out
// as Basic in clear, so it is refused without being repeated.
bool CameraXaddr(const std::string& text, std::string& xaddr, std::string& error) {
    if (IsIpv4(text)) {
        xaddr = XaddrOfIp(text);
        return true;
    }
    if (OnvifXaddrHasUserInfo(text)) {
        error =
            "the camera's URL holds a user name or password: give --user, and the password by "
            "--password-file, LANVARO_ONVIF_PASSWORD or the prompt";
        return false;
    }
    if ((text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0) && !OnvifXaddrHost(text).empty() &&
        text.find_first_of(" \t\r\n") == std::string::npos) {
        xaddr = text;
        return true;
    }
    error = "not an IPv4 address or http URL: " + text;
    return false;
}

void ReadCommon(const Split& split, OnvifCliOptions& o) {
    if (split.values.count("--user") != 0) o.user = Value(split, "--user");
    if (split.values.count("--password-file") != 0) o.passwordFile = Value(split, "--password-file");
    o.force = split.flags.count("--force") != 0;
}

}  // namespace

std::string XaddrOfIp(const std::string& ip) { return "http://" + ip + "/onvif/device_service"; }

namespace {

// The cameras of a task for many: each --ip and --xaddr once, or --all.
void ReadFleet(const std::string& command, const Split& split, ParsedOnvifOptions& parsed) {
    OnvifCliOptions& o = parsed.options;
    o.all = split.flags.count("--all") != 0;
    o.match = Value(split, "--match");
    const auto ips = split.lists.find("--ip");
    const auto urls = split.lists.find("--xaddr");
    std::vector<std::string> given;
    if (ips != split.lists.end()) given.insert(given.end(), ips->second.begin(), ips->second.end());
    if (urls != split.lists.end()) given.insert(given.end(), urls->second.begin(), urls->second.end());
    if (ips != split.lists.end() && urls != split.lists.end()) {
        parsed.error = "give one of --ip and --xaddr";
        return;
    }
    if (o.all == !given.empty()) {
        parsed.error = o.all ? "give --all or the cameras' addresses, not both" : "give one of --ip and --xaddr";
        return;
    }
    if (split.values.count("--match") != 0 && (!o.all || o.match.empty())) {
        parsed.error = o.all ? "--match needs a text" : "--match goes with --all";
        return;
    }
    if (ips != split.lists.end())
        for (const std::string& ip : ips->second)
            if (!IsIpv4(ip)) {
                parsed.error = "--ip takes an IPv4 address";
                return;
            }
    for (const std::string& text : given) {
        std::string xaddr;
        if (!CameraXaddr(text, xaddr, parsed.error)) return;
        if (std::find(o.xaddrs.begin(), o.xaddrs.end(), xaddr) == o.xaddrs.end()) o.xaddrs.push_back(xaddr);
    }
    if (!o.xaddrs.empty()) o.xaddr = o.xaddrs.front();
    o.csv = Value(split, "--format") == "csv";
    const bool single = !o.all && given.size() == 1 && split.values.count("--format") == 0;
    o.many = !single || command == "reboot" || command == "set-password";
    if (split.values.count("--format") != 0 && !o.csv && Value(split, "--format") != "json")
        parsed.error = "--format takes json or csv";
    else if (o.many && (command == "media" || command == "snapshot"))
        parsed.error = command + " takes one camera";
    else if (o.many && !o.user)
        parsed.error = "--user is required";
}

}  // namespace

ParsedOnvifOptions ParseOnvifCommandOptions(const std::string& command, const std::vector<std::string>& args) {
    ParsedOnvifOptions parsed;
    const bool sync = command == "sync-time";
    const bool snapshot = command == "snapshot";
    const bool reboot = command == "reboot";
    const bool password = command == "set-password";
    if (!sync && !snapshot && !reboot && !password && command != "info" && command != "media") {
        parsed.error = command.empty() ? "give info, sync-time, reboot, set-password, media or snapshot"
                                       : "unknown onvif command " + command;
        return parsed;
    }
    if (std::find(args.begin(), args.end(), "--filter") != args.end()) {
        parsed.error = "--filter is the search's project filter; --match TEXT chooses cameras of --all";
        return parsed;
    }
    std::set<std::string> flags{"--all"};
    if (sync) flags.insert("--force");
    std::set<std::string> valued{"--ip", "--xaddr", "--user", "--password-file", "--match"};
    if (snapshot) valued.insert({"--output", "--profile"});
    if (command == "info") valued.insert("--format");
    if (reboot) valued.insert("--verify");
    if (password) valued.insert({"--new-password-file", "--for-user"});
    const Split split = SplitArguments(args, valued, flags, false, {"--ip", "--xaddr"});
    parsed.error = split.error;
    if (!parsed.error.empty()) return parsed;
    OnvifCliOptions& o = parsed.options;
    ReadCommon(split, o);
    if (o.user && o.user->empty()) {
        parsed.error = "--user needs a name";
        return parsed;
    }
    o.output = Value(split, "--output");
    o.profile = Value(split, "--profile");
    ReadFleet(command, split, parsed);
    if (!parsed.error.empty()) return parsed;
    if (command != "info" && !o.user)
        parsed.error = "--user is required";
    else if (snapshot && o.output.empty())
        parsed.error = "--output FILE is required";
    else if (snapshot && split.values.count("--profile") != 0 && o.profile.empty())
        parsed.error = "--profile needs a token";
    if (!parsed.error.empty()) return parsed;
    if (reboot && split.values.count("--verify") != 0) {
        o.verifySeconds = VerifySeconds(Value(split, "--verify"));
        if (!o.verifySeconds) parsed.error = kVerifyRangeError;
    }
    if (password) {
        if (split.values.count("--new-password-file") == 0 || Value(split, "--new-password-file").empty())
            parsed.error = "--new-password-file FILE is required (a new password is never taken from the command line)";
        else
            o.newPasswordFile = Value(split, "--new-password-file");
        o.forUser = Value(split, "--for-user");
        if (split.values.count("--for-user") != 0 && o.forUser.empty()) parsed.error = "--for-user needs a name";
    }
    return parsed;
}

ParsedOnvifOptions ParseOnvifSetupOptions(const std::vector<std::string>& args) {
    ParsedOnvifOptions parsed;
    const Split split = SplitArguments(
        args, {"--onvif", "--user", "--password-file", "--ip", "--netmask", "--gateway", "--dns", "--verify"},
        {"--dhcp", "--static", "--reboot", "--force"}, true);
    parsed.error = split.error;
    parsed.rest = split.rest;
    if (!parsed.error.empty()) return parsed;
    OnvifCliOptions& o = parsed.options;
    ReadCommon(split, o);
    o.reboot = split.flags.count("--reboot") != 0;
    o.dhcp = split.flags.count("--dhcp") != 0;
    const bool fixed = split.flags.count("--static") != 0;
    if (!CameraXaddr(Value(split, "--onvif"), o.xaddr, parsed.error)) return parsed;
    if (!o.user || o.user->empty()) {
        parsed.error = "--user is required";
        return parsed;
    }
    if (o.dhcp == fixed) {
        parsed.error = "give one of --dhcp and --static";
        return parsed;
    }
    for (const char* name : {"--ip", "--netmask", "--gateway", "--dns"}) {
        if (o.dhcp && split.values.count(name) != 0) {
            parsed.error = std::string(name) + " goes with --static only";
            return parsed;
        }
        if (fixed && split.values.count(name) == 0) {
            parsed.error = "--static needs --ip, --netmask, --gateway and --dns";
            return parsed;
        }
    }
    if (fixed) {
        o.ip = Value(split, "--ip");
        o.netmask = Value(split, "--netmask");
        o.gateway = Value(split, "--gateway");
        o.dns = Value(split, "--dns");
        for (const auto& [label, text] :
             {std::pair{"IP Address", o.ip}, std::pair{"Gateway", o.gateway}, std::pair{"DNS", o.dns}})
            if (!IsIpv4(text)) {
                parsed.error = std::string("Invalid ") + label + " - [" + text + "]";
                return parsed;
            }
        const auto prefix = OnvifPrefixLength(o.netmask);
        if (!prefix) {
            parsed.error = "Invalid Netmask - [" + o.netmask + "]";
            return parsed;
        }
        o.prefixLength = *prefix;
    }
    if (split.values.count("--verify") != 0) {
        o.verifySeconds = VerifySeconds(Value(split, "--verify"));
        if (!o.verifySeconds) {
            parsed.error = kVerifyRangeError;
            return parsed;
        }
    }
    return parsed;
}
