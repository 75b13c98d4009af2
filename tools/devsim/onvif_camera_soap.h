// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated ONVIF camera's device service: one SOAP request in, one HTTP
// answer out, with the sign-in checks of a real camera (WS-Security
// UsernameToken digest within 5 s of the camera's clock, HTTP Digest with
// MD5 or SHA-256). No sockets here.

#include <chrono>
#include <ctime>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tools/devsim/onvif_camera_quirks.h"

enum class OnvifSimAuth { None, Wsse, Digest, Both };

// What the command line chose for every camera.
struct OnvifSimOptions {
    OnvifSimAuth auth = OnvifSimAuth::Both;
    std::string user = "admin";
    std::string password = "admin";
    double clockOffsetSeconds = 0;  // the cameras' clocks against this computer's
    bool ntp = false;
    bool rebootNeeded = false;        // SetNetworkInterfaces answers RebootNeeded; the change waits for a reboot
    std::vector<std::string> refuse;  // operations answered with a fault
    OnvifQuirkChoice quirks;
    std::string streamUri;  // every camera's main stream, when given
    // How long a camera is silent after SystemReboot before its Hello.
    std::chrono::milliseconds rebootSilence{3000};
    // How long a camera takes to answer a device service call: real ones
    // take tens to hundreds of milliseconds, devsim's none by default.
    std::chrono::milliseconds callTime{0};
};

// A new address the camera takes once it has restarted its network.
struct OnvifSimAddressChange {
    bool dhcp = false;
    std::string address;
    int prefixLength = 24;
};

// One camera's settings as its device service shows and changes them.
struct OnvifSimSettings {
    int number = 0;  // drawn on its picture
    std::string manufacturer, model, firmware, serial, hardwareId;
    std::string hostname, mac;
    std::string address;  // IPv4, where the camera serves
    int port = 80;
    int prefixLength = 24;
    bool dhcp = false;
    std::string gateway, dns;
    double clockOffsetSeconds = 0;
    bool ntp = false;
    bool daylightSavings = false;
    std::string timeZone = "UTC0";
    // A new address taken but not yet in use: shown as the camera's setting.
    std::optional<OnvifSimAddressChange> configured;
    OnvifSimQuirks quirks;
    // The password SetUser gave the user; until then the options' one.
    std::optional<std::string> password;
};

// The password the camera's user signs in with now.
std::string OnvifSimPassword(const OnvifSimSettings& camera, const OnvifSimOptions& options);

// Why the camera refuses this password for SetUser (its own words, which
// never repeat the password); empty when it takes it.
std::string OnvifSimPasswordRefusal(const std::string& password);

// A camera without NTP starts from its factory time after a restart.
inline constexpr std::time_t kOnvifSimFactoryTime = 946684800;  // 2000-01-01T00:00:00Z

struct OnvifSimRequest {
    std::string method, path;
    std::string authorization;  // the Authorization header, if any
    std::string body;
};

struct OnvifSimAnswer {
    int status = 200;
    std::string headers;      // extra header lines, each ending in CRLF
    std::string contentType;  // empty: SOAP 1.2's for XML, else plain text
    std::string body;
    // A fault's parts, for the SOAP 1.1 camera to say it its way.
    std::string faultCode;
    std::vector<std::string> faultSubcodes;
    std::string faultReason;
    std::string operation;                        // what was asked, for the log
    std::optional<OnvifSimAddressChange> change;  // SetNetworkInterfaces accepted
    bool reboot = false;                          // SystemReboot accepted
};

// The camera's memory of the Digest nonces it handed out.
struct OnvifSimNonces {
    std::deque<std::string> issued;
};

// A SOAP 1.2 fault with these code, subcodes and reason.
OnvifSimAnswer OnvifSimFault(int status, const std::string& code, const std::vector<std::string>& subcodes,
                             const std::string& reason);

OnvifSimAnswer AnswerOnvifRequest(OnvifSimSettings& camera, const OnvifSimOptions& options, OnvifSimNonces& nonces,
                                  const OnvifSimRequest& request, std::chrono::system_clock::time_point now);

// The whole HTTP/1.1 answer, "Connection: close".
std::string SerializeOnvifAnswer(const OnvifSimAnswer& answer);
