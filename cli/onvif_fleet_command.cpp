// SPDX-License-Identifier: GPL-3.0-or-later
// lanvaro-cli onvif info|sync-time|reboot|set-password for many cameras:
// the cameras from a search (--all) or the addresses given, the task run on
// each, one line per camera.

#include <arpa/inet.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>

#include "camera/camera_restart_watch.h"
#include "cli/onvif_command.h"
#include "cli/onvif_fleet.h"
#include "cli/onvif_options.h"
#include "cli/onvif_password.h"
#include "onvif/onvif_inventory.h"
#include "onvif/onvif_rows.h"
#include "onvif/wsd_search.h"
#include "protocol/terminal_text.h"
#include "report/report_json.h"

namespace {

using namespace std::chrono_literals;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// IPv4 addresses in numeric order, before anything else.
std::uint64_t AddressOrder(const std::string& ip) {
    in_addr address{};
    return ::inet_pton(AF_INET, ip.c_str(), &address) == 1 ? ntohl(address.s_addr) : std::uint64_t{1} << 32;
}

bool AnswersAt(const OnvifDeviceInfo& device, const std::string& host) {
    return std::any_of(device.xaddrs.begin(), device.xaddrs.end(),
                       [&](const std::string& xaddr) { return OnvifXaddrHost(xaddr) == host; });
}

// A device's Model and Name cells, as its search row shows them; false when
// it makes no row.
bool Named(const OnvifDeviceInfo& device, std::string& model, std::string& name) {
    std::string problem;
    const auto record = OnvifDeviceRecord(device, problem);
    if (!record) return false;
    model = ComUnitFieldText(record->model);
    name = ComUnitFieldText(record->name);
    return true;
}

// --all: every ONVIF row of a search whose Model or Name cell holds the
// match, each camera's task started as soon as the search hears it (the
// search listens on meanwhile). Cameras and outcomes in address order.
void RunOnEveryCamera(const OnvifCliOptions& options, FleetRun& run, std::vector<FleetCamera>& cameras,
                      std::vector<FleetOutcome>& outcomes) {
    const std::string match = Lower(options.match);
    const std::atomic<bool> cancel{false};
    const WsdSearchResult search = RunWsdSearch(WsdSearchTimings{}, cancel, [&](const OnvifDeviceInfo& device) {
        std::string model, name;
        if (!Named(device, model, name)) return;
        if (!match.empty() && Lower(model).find(match) == std::string::npos &&
            Lower(name).find(match) == std::string::npos)
            return;
        if (std::any_of(cameras.begin(), cameras.end(),
                        [&](const FleetCamera& known) { return known.xaddr == device.xaddr; }))
            return;
        cameras.push_back({device.xaddr, OnvifXaddrHost(device.xaddr), device.endpoint, name});
        run.Add(cameras.back());
    });
    for (const OnvifDeviceInfo& device : search.devices) {
        std::string model, name;
        if (device.xaddr.empty() || !Named(device, model, name))
            std::fprintf(stderr, "lanvaro-cli onvif: note: %s left out: it names no http address on IPv4\n",
                         TerminalText(device.endpoint).c_str());
    }
    std::vector<FleetOutcome> inOrderHeard = run.Wait();
    // Answers come in any order; a script's output does not.
    std::vector<std::size_t> order(cameras.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::pair(AddressOrder(cameras[a].ip), cameras[a].xaddr) <
               std::pair(AddressOrder(cameras[b].ip), cameras[b].xaddr);
    });
    std::vector<FleetCamera> sorted;
    for (const std::size_t i : order) {
        sorted.push_back(cameras[i]);
        outcomes.push_back(std::move(inOrderHeard[i]));
    }
    cameras = std::move(sorted);
}

// The addresses given, each with the endpoint and name of the device a
// search finds answering there.
std::vector<FleetCamera> CamerasAt(const OnvifCliOptions& options) {
    const std::atomic<bool> cancel{false};
    const std::vector<OnvifDeviceInfo> found = RunWsdSearch(WsdSearchTimings{}, cancel).devices;
    std::vector<FleetCamera> cameras;
    for (const std::string& xaddr : options.xaddrs) {
        FleetCamera camera{xaddr, OnvifXaddrHost(xaddr), {}, {}};
        for (const OnvifDeviceInfo& device : found) {
            std::string model;
            if (!AnswersAt(device, camera.ip)) continue;
            camera.endpoint = device.endpoint;
            Named(device, model, camera.name);
            break;
        }
        cameras.push_back(std::move(camera));
    }
    return cameras;
}

// One JSON Lines object: onvif info's keys, then the camera's endpoint, its
// address and why it could not be read (null where nothing failed).
std::string InfoLine(const FleetCamera& camera, const FleetOutcome& outcome) {
    OnvifDeviceFacts facts = outcome.facts;
    if (facts.xaddr.empty()) facts.xaddr = camera.xaddr;
    std::string json = OnvifFactsJson(facts);
    json.pop_back();
    auto orNull = [](const std::string& text) { return text.empty() ? std::string("null") : JsonString(text); };
    return json + ", \"endpoint\": " + orNull(camera.endpoint) + ", \"ip\": " + JsonString(camera.ip) +
           ", \"error\": " + (outcome.ok ? std::string("null") : JsonString(outcome.result)) + "}";
}

int Usage(const std::string& error) {
    std::fprintf(stderr, "lanvaro-cli onvif: %s\n%s", TerminalText(error).c_str(), kOnvifUsage);
    return 2;
}

}  // namespace

int RunOnvifFleetCommand(const std::string& command, const OnvifCliOptions& options) {
    FleetRequest request;
    request.task = command == "sync-time"      ? FleetTask::SyncTime
                   : command == "reboot"       ? FleetTask::Reboot
                   : command == "set-password" ? FleetTask::SetPassword
                                               : FleetTask::Info;
    request.force = options.force;
    request.forUser = options.forUser;
    request.verifySeconds = options.verifySeconds;
    request.watchRestart = [](const FleetCamera& camera, FleetClock::time_point sentAt, std::chrono::seconds limit,
                              const std::atomic<bool>& cancel) {
        return WatchCameraRestart(camera.xaddr, camera.endpoint, sentAt, limit, cancel);
    };
    std::string error;
    if (request.task == FleetTask::SetPassword) {
        const auto fresh = ReadOnvifPassword(options.newPasswordFile, options.forUser, error);
        if (!fresh) return Usage(error);
        if (fresh->empty()) return Usage("the new password file's first line is empty");
        request.newPassword = *fresh;
    }
    const auto password = ReadOnvifPassword(options.passwordFile, options.user.value_or(""), error);
    if (!password) return Usage(error);
    request.credentials = {options.user.value_or(""), *password};

    const std::unique_ptr<OnvifCameraAccess> access = MakeOnvifDeviceAccess();
    std::vector<FleetCamera> cameras;
    std::vector<FleetOutcome> outcomes;
    if (options.all) {
        FleetRun run(*access, request);
        RunOnEveryCamera(options, run, cameras, outcomes);
    } else {
        cameras = CamerasAt(options);
        outcomes = RunFleet(*access, cameras, request);
    }
    if (cameras.empty()) {
        std::fprintf(
            stderr, "lanvaro-cli onvif: no ONVIF camera found%s\n",
            options.match.empty() ? "" : (" whose Model or Name holds " + TerminalText(options.match)).c_str());
        return kExitNoDeviceService;
    }

    // Nothing of either password reaches the output, whatever a camera quotes.
    auto shown = [&](const std::string& text) {
        return TerminalText(RedactedText(RedactedText(text, request.newPassword), request.credentials.password));
    };
    std::vector<OnvifInventoryRow> inventory;
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        const FleetCamera& camera = cameras[i];
        const FleetOutcome& outcome = outcomes[i];
        const std::string who = camera.ip + " " + (camera.endpoint.empty() ? "-" : camera.endpoint);
        if (!outcome.ok)
            std::fprintf(stderr, "lanvaro-cli onvif: %s: %s\n", shown(who).c_str(), shown(outcome.result).c_str());
        if (request.task != FleetTask::Info)
            std::printf("%s: %s\n", shown(who).c_str(), shown(outcome.result).c_str());
        else if (options.csv)
            inventory.push_back({camera.name, camera.ip, camera.endpoint, outcome.facts});
        else
            std::printf("%s\n", InfoLine(camera, outcome).c_str());
    }
    if (options.csv) std::fputs(FormatOnvifInventory(inventory).c_str(), stdout);
    return FleetExitStatus(outcomes);
}
