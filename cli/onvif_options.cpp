#include "cli/onvif_options.h"

#include <arpa/inet.h>

#include <map>
#include <set>

#include "cli/command_line.h"
#include "onvif/device_client.h"

const char* const kOnvifUsage =
    "usage: lanvaro-cli onvif info (--ip IP | --xaddr URL) [--user NAME] [--password-file FILE]\n"
    "       lanvaro-cli onvif sync-time (--ip IP | --xaddr URL) --user NAME [--password-file FILE] [--force]\n"
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
    std::set<std::string> flags;
    std::vector<std::string> rest;
    std::string error;
};

Split SplitArguments(const std::vector<std::string>& args, const std::set<std::string>& valued,
                     const std::set<std::string>& flagged, bool keepUnknown) {
    Split split;
    for (std::size_t i = 0; i < args.size() && split.error.empty(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (valued.count(name) != 0) {
            if (split.values.count(name) != 0) {
                split.error = name + " given twice";
            } else if (inlineValue) {
                split.values[name] = *inlineValue;
            } else if (i + 1 < args.size()) {
                split.values[name] = args[++i];
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

ParsedOnvifOptions ParseOnvifCommandOptions(const std::string& command, const std::vector<std::string>& args) {
    ParsedOnvifOptions parsed;
    const bool sync = command == "sync-time";
    const bool snapshot = command == "snapshot";
    if (!sync && !snapshot && command != "info" && command != "media") {
        parsed.error = command.empty() ? "give info, sync-time, media or snapshot" : "unknown onvif command " + command;
        return parsed;
    }
    std::set<std::string> flags;
    if (sync) flags.insert("--force");
    std::set<std::string> valued{"--ip", "--xaddr", "--user", "--password-file"};
    if (snapshot) valued.insert({"--output", "--profile"});
    const Split split = SplitArguments(args, valued, flags, false);
    parsed.error = split.error;
    if (!parsed.error.empty()) return parsed;
    OnvifCliOptions& o = parsed.options;
    ReadCommon(split, o);
    o.output = Value(split, "--output");
    o.profile = Value(split, "--profile");
    const bool ip = split.values.count("--ip") != 0, url = split.values.count("--xaddr") != 0;
    if (ip == url) {
        parsed.error = "give one of --ip and --xaddr";
    } else if (ip && !IsIpv4(Value(split, "--ip"))) {
        parsed.error = "--ip takes an IPv4 address";
    } else if (CameraXaddr(Value(split, ip ? "--ip" : "--xaddr"), o.xaddr, parsed.error)) {
        if (command != "info" && !o.user)
            parsed.error = "--user is required";
        else if (snapshot && o.output.empty())
            parsed.error = "--output FILE is required";
        else if (snapshot && split.values.count("--profile") != 0 && o.profile.empty())
            parsed.error = "--profile needs a token";
    }
    if (o.user && o.user->empty()) parsed.error = "--user needs a name";
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
