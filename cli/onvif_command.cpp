// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/onvif_command.h"

#include <cmath>
#include <cstdio>

#include "cli/onvif_media_command.h"
#include "cli/onvif_options.h"
#include "cli/onvif_password.h"
#include "protocol/terminal_text.h"
#include "report/report_json.h"

namespace {

std::string JsonList(const std::vector<std::string>& items) {
    std::string text = "[";
    for (std::size_t i = 0; i < items.size(); ++i) text += (i == 0 ? "" : ", ") + JsonString(items[i]);
    return text + "]";
}

// 0 when the call went through, else its exit code after saying why.
int Checked(const OnvifCallResult& result) {
    if (result.ok()) return 0;
    std::fprintf(stderr, "lanvaro-cli onvif: %s\n", TerminalText(result.message).c_str());
    return ExitCodeOf(result.status);
}

// What the facts leave unsaid about the clock (which may quote the camera's zone).
void NoteClock(const OnvifDeviceFacts& facts) {
    if (!facts.clockNote.empty())
        std::fprintf(stderr, "lanvaro-cli onvif: note: %s\n", TerminalText(facts.clockNote).c_str());
}

// The camera checks a password it could not prove at the first change.
void NoteOpen(const OnvifDeviceFacts& facts) {
    if (facts.auth == OnvifAuthMethod::Open) std::fprintf(stderr, "lanvaro-cli onvif: note: %s\n", kOnvifOpenNote);
}

int RunInfo(const OnvifCliOptions& options) {
    OnvifDeviceClient client(options.xaddr);
    OnvifDeviceFacts facts;
    if (const int status = ReadOpenFacts(client, facts); status != 0) return status;
    if (options.user) {
        if (const int status = SignInFromOptions(client, options, "onvif", nullptr, OnvifSignInReads::NetworkToo);
            status != 0)
            return status;
        facts = OnvifDeviceFacts{};
        if (const int status = Checked(client.ReadFacts(facts)); status != 0) return status;
        NoteOpen(facts);
    }
    NoteClock(facts);
    std::printf("%s\n", OnvifFactsJson(facts).c_str());
    return 0;
}

int RunSyncTime(const OnvifCliOptions& options) {
    OnvifDeviceClient client(options.xaddr);
    OnvifDeviceFacts facts;
    if (const int status = ReadOpenFacts(client, facts); status != 0) return status;
    if (const int status = SignInFromOptions(client, options, "onvif"); status != 0) return status;
    // A camera that tells its clock only to the signed in tells it now.
    if (!facts.ntp) client.ReadPublicFacts(facts);
    // Setting the time by hand switches NTP off on the camera.
    if (facts.ntp.value_or(false) && !options.force) {
        std::fprintf(stderr,
                     "lanvaro-cli onvif: the camera takes its time from NTP; give --force to set it by hand "
                     "(this switches NTP off)\n");
        return 1;
    }
    double offset = 0;
    if (const int status = Checked(client.SyncTime(offset)); status != 0) return status;
    std::printf("clock offset now %s s\n", Tenths(offset).c_str());
    return 0;
}

}  // namespace

int ReadOpenFacts(OnvifDeviceClient& client, OnvifDeviceFacts& facts) {
    const OnvifCallResult result = client.ReadPublicFacts(facts);
    const int status = Checked(result);
    return result.status == OnvifCallStatus::Failed ? kExitNoDeviceService : status;
}

int SignInFromOptions(OnvifDeviceClient& client, const OnvifCliOptions& options, const char* command,
                      OnvifCredentials* signedInAs, OnvifSignInReads alsoRead) {
    std::string error;
    const auto password = ReadOnvifPassword(options.passwordFile, options.user.value_or(""), error);
    if (!password) {
        std::fprintf(stderr, "lanvaro-cli %s: %s\n", command, TerminalText(error).c_str());
        return 2;
    }
    const OnvifCredentials credentials{options.user.value_or(""), *password};
    const OnvifCallResult result = client.SignIn(credentials, alsoRead);
    if (result.ok()) {
        if (signedInAs != nullptr) *signedInAs = credentials;
        return 0;
    }
    std::fprintf(stderr, "lanvaro-cli %s: %s\n", command, TerminalText(result.message).c_str());
    return ExitCodeOf(result.status);
}

int ExitCodeOf(OnvifCallStatus status) {
    switch (status) {
        case OnvifCallStatus::Ok:
            return 0;
        case OnvifCallStatus::SignInRefused:
            return kExitSignInRefused;
        case OnvifCallStatus::NoService:
            return kExitNoDeviceService;
        case OnvifCallStatus::Refused:
        case OnvifCallStatus::Failed:
            return 1;
    }
    return 1;
}

std::string OnvifFactsJson(const OnvifDeviceFacts& facts) {
    const bool signedIn = facts.auth.has_value();
    auto text = [&](const std::string& value) { return signedIn ? JsonString(value) : std::string("null"); };
    std::string json = "{\"xaddr\": " + JsonString(facts.xaddr);
    json += ", \"auth\": " + (signedIn ? JsonString(OnvifAuthMethodName(*facts.auth)) : std::string("null"));
    json += ", \"clock_offset_seconds\": " +
            (facts.clockOffsetSeconds ? Tenths(*facts.clockOffsetSeconds) : std::string("null"));
    json += ", \"ntp\": " + (facts.ntp ? std::string(*facts.ntp ? "true" : "false") : std::string("null"));
    json += ", \"daylight_savings\": " +
            (facts.daylightSavings ? std::string(*facts.daylightSavings ? "true" : "false") : std::string("null"));
    json += ", \"time_zone\": " + (facts.timeZone.empty() ? std::string("null") : JsonString(facts.timeZone));
    json += ", \"hostname\": " + JsonString(facts.hostname);
    json += ", \"manufacturer\": " + text(facts.manufacturer);
    json += ", \"model\": " + text(facts.model);
    json += ", \"firmware\": " + text(facts.firmware);
    json += ", \"serial\": " + text(facts.serial);
    json += ", \"hardware_id\": " + text(facts.hardwareId);
    if (signedIn) {
        json += ", \"interfaces\": [";
        for (std::size_t i = 0; i < facts.interfaces.size(); ++i) {
            const OnvifNetworkInterface& card = facts.interfaces[i];
            json += std::string(i == 0 ? "" : ", ") + "{\"token\": " + JsonString(card.token) +
                    ", \"mac\": " + JsonString(card.mac) + ", \"dhcp\": " + (card.dhcp ? "true" : "false") +
                    ", \"address\": " + JsonString(card.address) +
                    ", \"prefix_length\": " + std::to_string(card.prefixLength) + "}";
        }
        json += "], \"gateway\": " + JsonList(facts.gateway) + ", \"dns\": " + JsonList(facts.dns) + "}";
    } else {
        json += ", \"interfaces\": null, \"gateway\": null, \"dns\": null}";
    }
    return json;
}

int RunOnvifCommand(const std::vector<std::string>& args) {
    const std::string command = args.empty() ? std::string() : args.front();
    const ParsedOnvifOptions parsed =
        ParseOnvifCommandOptions(command, std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end()));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "lanvaro-cli onvif: %s\n%s", TerminalText(parsed.error).c_str(), kOnvifUsage);
        return 2;
    }
    if (parsed.options.many) return RunOnvifFleetCommand(command, parsed.options);
    if (command == "media" || command == "snapshot") return RunOnvifMediaCommand(command, parsed.options);
    return command == "info" ? RunInfo(parsed.options) : RunSyncTime(parsed.options);
}
