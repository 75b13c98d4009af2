// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Inside the device client: one client's state and its calls, shared by
// the files that make up OnvifDeviceClient. Not for use elsewhere.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "onvif/device_answers.h"
#include "onvif/device_client.h"
#include "onvif/soap_request.h"

// GetNetworkInterfaces, GetNetworkDefaultGateway and GetDNS as read.
struct OnvifNetworkSettingsRead {
    std::vector<OnvifNetworkInterface> interfaces;
    std::vector<std::string> gateway, dns;
};

struct OnvifClientState {
    std::optional<double> clockOffset;
    // The clock's summer time and zone as last read, which setting it sends back.
    std::optional<CameraClock> clock;
    bool clockRefused = false;  // GetSystemDateAndTime refused unsigned: read it signed
    std::optional<OnvifAuthMethod> method;
    bool open = false;  // signed in, the password not proved yet
    std::optional<OnvifCredentials> credentials;
    bool refused = false;          // a refused sign-in: nothing more is sent until the next SignIn
    std::vector<OnvifUser> users;  // as the sign-in's GetUsers listed them
    // What this client read already, not asked again by ReadFacts: the
    // public facts' hostname (once they were read whole), and
    // GetDeviceInformation as the sign-in read it.
    bool publicRead = false;
    std::string hostname;
    std::optional<OnvifDeviceFacts> information;
    std::optional<OnvifNetworkSettingsRead> network;  // read along with the sign-in's proof
    // Calls sent together found their connection closed while others were
    // answered: this camera takes one call at a time, and gets them so.
    bool oneCallAtATime = false;
};

namespace onvif_calls {

using Reader = std::function<SoapAnswer(std::string_view)>;

struct CallContext {
    const std::string& xaddr;
    const std::optional<double>& clockOffset;
    const std::optional<OnvifCredentials>& credentials;
    // The service called at `xaddr`: its namespace starts the SOAP action.
    std::string_view ns = onvif_ns::kDevice;
    std::string_view service = "device";
};

// One call's outcome, with what the sign-in needs to know beyond it.
struct Answer {
    OnvifCallResult result;
    bool heard = false;      // an HTTP answer came back
    bool service = false;    // and it was a SOAP response or fault, or a sign-in refused
    bool sent = false;       // the request went out, answered or not
    bool forbidden = false;  // HTTP 403: an address filter as often as a password, which is kept
    std::string lost;        // sent and not answered: why (a timeout, the connection closed)
};

inline OnvifCallResult Success() { return {OnvifCallStatus::Ok, {}}; }
std::string RefusedMessage(const std::string& xaddr);
// "none" for no items.
std::string JoinedOrNone(const std::vector<std::string>& items);

// One call, signed by `method` with the context's credentials.
Answer Send(const CallContext& context, std::string_view operation, const std::string& body, OnvifAuthMethod method,
            const Reader& read);
// The same, signed as the client signed in.
Answer Ask(const std::string& xaddr, const OnvifClientState& state, std::string_view operation, const Reader& read);
// A call that changes the camera, always with the credentials. After an
// Open sign-in the camera checks the password here for the first time, and
// may take only the other method.
Answer Change(const std::string& xaddr, OnvifClientState& state, std::string_view operation, const std::string& body,
              const Reader& read);

}  // namespace onvif_calls
