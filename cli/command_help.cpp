// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/command_help.h"

#include <algorithm>

namespace {

const HelpOption kHelp{"--help, -h", "print this help and exit"};

const HelpOption kSearchOptions[] = {
    {"--relay ADDR", "search through the relay host ADDR instead of a local broadcast"},
    {"--transport T", "how to ask the relay: TCP (default), UDP or HttpCmd"},
    {"--filter TEXT", "the project filter (default ALL; UPNP or ONVIF list only those cameras)"},
};

const HelpOption kPassword{"--password-file FILE",
                           "read the password from FILE's first line (else LANVARO_ONVIF_PASSWORD, else a prompt)"};
const HelpOption kVerify{"--verify SECONDS", "search again until the device answers with its new settings (1-3600)"};

std::vector<HelpOption> With(std::vector<HelpOption> options, std::initializer_list<HelpOption> more) {
    options.insert(options.end(), more);
    return options;
}

std::vector<HelpOption> SearchOptions() { return {std::begin(kSearchOptions), std::end(kSearchOptions)}; }

std::vector<CommandHelpText> MakeAllCommandHelp() {
    std::vector<CommandHelpText> all;
    all.push_back({"",
                   "usage: lanvaro-cli [--relay ADDR] [--transport TCP|UDP|HttpCmd] [--filter TEXT]\n"
                   "                   [--format table|csv|json] [--log] [--report FILE]\n"
                   "       lanvaro-cli COMMAND [OPTIONS]   (lanvaro-cli COMMAND --help for its options)\n",
                   "Searches the network as the window does and prints the devices found. Commands:\n"
                   "  doctor            check what this computer needs for a search\n"
                   "  setup             give a device, a plan of devices or an ONVIF camera new network settings\n"
                   "  onvif info        read an ONVIF camera's facts\n"
                   "  onvif sync-time   set an ONVIF camera's clock to this computer's\n"
                   "  onvif reboot      restart ONVIF cameras, and with --verify wait until each is back\n"
                   "  onvif set-password  give ONVIF cameras' user a new password, proved by a sign-in with it\n"
                   "  onvif media       list an ONVIF camera's profiles with their stream and snapshot addresses\n"
                   "  onvif snapshot    save one picture of an ONVIF camera",
                   With(SearchOptions(), {{"--format F", "print a table (default), csv or json"},
                                          {"--log", "write the diagnostic log to stderr"},
                                          {"--report FILE", "write the search report as JSON to FILE"},
                                          {"--version", "print the version and exit"},
                                          kHelp})});
    all.push_back({"doctor",
                   "usage: lanvaro-cli doctor\n",
                   "Checks what needs no device: the reply port is free, cards that can broadcast and "
                   "multicast, firewall rules that would drop the answers. Exit 0 when there is no problem, "
                   "1 otherwise.",
                   {kHelp}});
    all.push_back(
        {"setup",
         "usage: lanvaro-cli setup --mac MAC (--dhcp | --static --ip A --netmask M --gateway G --dns D)\n"
         "                   [--relay ADDR] [--transport T] [--filter TEXT] [--log] [--verify SECONDS] [--force]\n"
         "       lanvaro-cli setup --plan FILE [--relay ADDR] [--transport T] [--verify SECONDS]\n"
         "                   [--force] [--dry-run]\n"
         "       lanvaro-cli setup --onvif (IP | URL) --user NAME [--password-file FILE]\n"
         "                   (--dhcp | --static --ip A --netmask M --gateway G --dns D)\n"
         "                   [--reboot] [--verify SECONDS] [--force]\n",
         "Searches first, checks the new address (not held by another device, not answering on the "
         "network), then sends the settings. Exit 0 sent (and confirmed), 1 refused or failed, 2 usage, "
         "3 not confirmed in time; for --onvif also 4 sign-in refused, 5 no device service.",
         With(SearchOptions(),
              {{"--log", "write the diagnostic log to stderr"},
               {"--mac MAC", "the device to set, by the MAC the search lists"},
               {"--plan FILE", "set every device of a CSV plan (columns mac, ip, netmask, gateway, dns)"},
               {"--onvif IP|URL", "set an ONVIF camera through its device service"},
               {"--user NAME", "the camera's user (with --onvif)"},
               kPassword,
               {"--dhcp", "the device takes its address from DHCP"},
               {"--static", "the device takes the address given by --ip, --netmask, --gateway and --dns"},
               {"--ip A", "the new IPv4 address"},
               {"--netmask M", "the new netmask"},
               {"--gateway G", "the new default gateway"},
               {"--dns D", "the new DNS server"},
               {"--reboot", "restart a camera that needs it to use the settings (with --onvif)"},
               kVerify,
               {"--force", "send even to an address another device holds or that answers on the network"},
               {"--dry-run", "print what a plan would send, and send nothing (with --plan)"},
               kHelp})});
    const std::vector<HelpOption> camera{
        {"--ip IP", "the camera at http://IP/onvif/device_service"},
        {"--xaddr URL", "the camera's device service address, as WS-Discovery gives it"},
        {"--user NAME", "sign in as NAME"},
        kPassword};
    // Many cameras at once: every address given, or what a search finds.
    const std::vector<HelpOption> many{
        {"--ip IP", "the camera at http://IP/onvif/device_service; repeated, several cameras"},
        {"--xaddr URL", "the camera's device service address, as WS-Discovery gives it; repeated, several cameras"},
        {"--all", "every ONVIF camera an ONVIF search finds"},
        {"--match TEXT", "with --all: only cameras whose Model or Name cell holds TEXT (any case)"},
        {"--user NAME", "sign in to every camera as NAME"},
        kPassword};
    const HelpOption evenOnNtp{"--force", "set the clock by hand even on a camera that takes it from NTP (sync-time)"};
    const HelpOption output{"--output FILE", "write the picture to FILE, replacing a file already there"};
    const HelpOption profile{"--profile TOKEN",
                             "the picture of this profile (default: the first profile with a snapshot)"};
    all.push_back({"onvif",
                   "usage: lanvaro-cli onvif info (--ip IP | --xaddr URL) [--user NAME] [--password-file FILE]\n"
                   "       lanvaro-cli onvif sync-time (--ip IP | --xaddr URL) --user NAME [--password-file FILE] "
                   "[--force]\n"
                   "       lanvaro-cli onvif info|sync-time|reboot|set-password CAMERAS --user NAME "
                   "[--password-file FILE] ...\n"
                   "       lanvaro-cli onvif media (--ip IP | --xaddr URL) --user NAME [--password-file FILE]\n"
                   "       lanvaro-cli onvif snapshot (--ip IP | --xaddr URL) --user NAME [--password-file FILE]\n"
                   "                   --output FILE [--profile TOKEN]\n",
                   "An ONVIF camera's device and media services. Commands: info, sync-time, reboot, "
                   "set-password, media, snapshot "
                   "(lanvaro-cli onvif COMMAND --help). Exit 0, 1 a call refused, 2 usage, 4 sign-in refused, "
                   "5 no device or media service.",
                   With(many, {evenOnNtp, output, profile, kHelp})});
    all.push_back(
        {"onvif info",
         "usage: lanvaro-cli onvif info (--ip IP | --xaddr URL) [--user NAME] [--password-file FILE]\n"
         "       lanvaro-cli onvif info CAMERAS --user NAME [--password-file FILE] [--format json|csv]\n"
         "                   CAMERAS: --ip IP [--ip IP ...] | --xaddr URL [--xaddr URL ...] | --all "
         "[--match TEXT]\n",
         "Prints the camera's facts as one JSON object; without --user only what it tells anyone. "
         "Exit 0, 1 a call refused, 2 usage, 4 sign-in refused, 5 no device service. With several "
         "cameras or --all: one JSON object a line (the same keys, and endpoint, ip, error), or the "
         "inventory as CSV.",
         With(many, {{"--format F", "several cameras: json (one object a line, default) or csv (inventory)"}, kHelp})});
    all.push_back({"onvif sync-time",
                   "usage: lanvaro-cli onvif sync-time (--ip IP | --xaddr URL) --user NAME [--password-file FILE] "
                   "[--force]\n",
                   "Sets the camera's clock to this computer's UTC and prints the offset left. A camera on NTP "
                   "is left alone (exit 1) unless --force.",
                   With(many, {evenOnNtp, kHelp})});
    all.push_back({"onvif reboot",
                   "usage: lanvaro-cli onvif reboot CAMERAS --user NAME [--password-file FILE] [--verify SECONDS]\n"
                   "                   CAMERAS: --ip IP [--ip IP ...] | --xaddr URL [--xaddr URL ...] | --all "
                   "[--match TEXT]\n",
                   "Restarts each camera (SystemReboot) and prints IP ENDPOINT: result a line; with --verify, "
                   "\"back after N.N s\" once it answers WS-Discovery again after its device service went away, "
                   "else \"not back within SECONDS s\". "
                   "At most 8 cameras at a time, one password for all. Exit 0 every camera succeeded, 4 every camera "
                   "refused the sign-in, 5 none had a device service, 3 some camera not back (reboot --verify), "
                   "else 1 (each failure named on stderr), 2 usage.",
                   With(many, {{"--verify SECONDS", "wait up to SECONDS for each camera to come back"}, kHelp})});
    all.push_back({"onvif set-password",
                   "usage: lanvaro-cli onvif set-password CAMERAS --user NAME [--password-file FILE]\n"
                   "                   --new-password-file FILE [--for-user NAME]\n"
                   "                   CAMERAS: --ip IP [--ip IP ...] | --xaddr URL [--xaddr URL ...] | --all "
                   "[--match TEXT]\n",
                   "Gives the user a new password on each camera (SetUser, the user's level kept as GetUsers "
                   "lists it), then signs in with it: \"changed and proved\". A camera that refuses keeps the old "
                   "one and says why. Neither password is printed. "
                   "At most 8 cameras at a time, one password for all. Exit 0 every camera succeeded, 4 every camera "
                   "refused the sign-in, 5 none had a device service, 3 some camera not back (reboot --verify), "
                   "else 1 (each failure named on stderr), 2 usage.",
                   With(many, {{"--new-password-file FILE", "the new password: the file's first line"},
                               {"--for-user NAME", "change NAME's password (default: the --user signed in)"},
                               kHelp})});
    all.push_back({"onvif media",
                   "usage: lanvaro-cli onvif media (--ip IP | --xaddr URL) --user NAME [--password-file FILE]\n",
                   "Prints the camera's media service (Media2 where it has it, else Media) and its profiles, each "
                   "with its encoding, resolution, frame rate, stream and snapshot address, as one JSON object. "
                   "Addresses never hold a user or password. Exit 0 once the profiles were read, 1 a call "
                   "refused, 2 usage, 4 sign-in refused, 5 no device or media service.",
                   With(camera, {kHelp})});
    all.push_back({"onvif snapshot",
                   "usage: lanvaro-cli onvif snapshot (--ip IP | --xaddr URL) --user NAME [--password-file FILE]\n"
                   "                   --output FILE [--profile TOKEN]\n",
                   "Writes one picture of the camera (JPEG or PNG, as its bytes say) to FILE and prints its size "
                   "and type. Exit 0, 1 a call refused or no snapshot offered, 2 usage, 4 sign-in refused, 5 no "
                   "device or media service.",
                   With(camera, {output, profile, kHelp})});
    return all;
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

const CommandHelpText* Find(const std::string& command) {
    for (const CommandHelpText& help : AllCommandHelp())
        if (command == help.command) return &help;
    return nullptr;
}

}  // namespace

const std::vector<CommandHelpText>& AllCommandHelp() {
    static const std::vector<CommandHelpText> all = MakeAllCommandHelp();
    return all;
}

std::optional<std::string> HelpAskedFor(const std::vector<std::string>& args) {
    if (std::none_of(args.begin(), args.end(), IsHelp)) return std::nullopt;
    // The command is the first word; for onvif the second too, unless it is an option.
    std::string command = args.empty() || args[0].rfind('-', 0) == 0 ? std::string() : args[0];
    if (command == "onvif" && args.size() > 1 && args[1].rfind('-', 0) != 0) {
        if (const CommandHelpText* sub = Find(command + " " + args[1])) return FormatCommandHelp(*sub);
    }
    const CommandHelpText* help = Find(command);
    return FormatCommandHelp(help != nullptr ? *help : AllCommandHelp().front());
}

std::string FormatCommandHelp(const CommandHelpText& help) {
    std::size_t width = 0;
    for (const HelpOption& option : help.options) width = std::max(width, std::string(option.name).size());
    std::string text = std::string(help.usage) + "\n" + help.about + "\n\nOptions:\n";
    for (const HelpOption& option : help.options) {
        const std::string name = option.name;
        text += "  " + name + std::string(width - name.size() + 2, ' ') + option.what + "\n";
    }
    return text;
}
