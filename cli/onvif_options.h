// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The arguments of `lanvaro-cli onvif info|sync-time` and of
// `lanvaro-cli setup --onvif`: which camera, who signs in, and for setup the
// new settings.

#include <optional>
#include <string>
#include <vector>

struct OnvifCliOptions {
    std::string xaddr;  // from --ip, --xaddr or --onvif; the first of several
    // Many cameras: --all, or --ip/--xaddr given more than once (each once
    // here, in order); reboot and set-password always.
    bool many = false;
    std::vector<std::string> xaddrs;
    bool all = false;
    std::string match;                           // --all: only cameras whose Model or Name cell holds it
    bool csv = false;                            // info --format csv: the inventory
    std::optional<std::string> newPasswordFile;  // set-password
    std::string forUser;                         // set-password: whose; empty: --user's
    std::optional<std::string> user;
    std::optional<std::string> passwordFile;
    bool force = false;
    // snapshot only
    std::string output;
    std::string profile;  // empty: the first profile with a snapshot
    // setup only
    bool dhcp = false;
    std::string ip, netmask, gateway, dns;
    int prefixLength = 0;
    bool reboot = false;
    std::optional<int> verifySeconds;  // also reboot's
};

struct ParsedOnvifOptions {
    OnvifCliOptions options;
    std::vector<std::string> rest;  // the search's own options (setup only)
    std::string error;              // non-empty: a usage error
};

// "onvif info": (--ip IP | --xaddr URL) [--user NAME] [--password-file FILE];
// with several cameras (--ip/--xaddr repeated, or --all [--match TEXT])
// --user is required and [--format json|csv] chooses the output.
// "onvif reboot": cameras as above, --user, [--verify SECONDS].
// "onvif set-password": cameras as above, --user, --new-password-file FILE,
// [--for-user NAME].
// "onvif sync-time": the same, --user required, [--force].
// "onvif media": --user required. "onvif snapshot": --user and --output FILE
// required, [--profile TOKEN].
ParsedOnvifOptions ParseOnvifCommandOptions(const std::string& command, const std::vector<std::string>& args);

// "setup --onvif (IP | URL) --user NAME (--dhcp | --static --ip A --netmask M
// --gateway G --dns D) [--reboot] [--verify SECONDS] [--force]"; what is not
// its own goes to `rest` for the search.
ParsedOnvifOptions ParseOnvifSetupOptions(const std::vector<std::string>& args);

// "http://IP/onvif/device_service"
std::string XaddrOfIp(const std::string& ip);

extern const char* const kOnvifUsage;
