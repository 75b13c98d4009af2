// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ways real cameras part from the ONVIF book, which a simulated camera takes
// on with --onvif-quirk: each one met by clients in the field.

#include <optional>
#include <string>
#include <string_view>

struct OnvifSimQuirks {
    // Every Get* answered to anyone, whatever the sign-in says; no GetUsers
    // (ActionNotSupported); changes need the password.
    bool openReads = false;
    // GetSystemDateAndTime without UTCDateTime: LocalDateTime in the POSIX
    // zone "<+0545>-5:45".
    bool localClock = false;
    // GetSystemDateAndTime only to the signed in.
    bool clockAuth = false;
    // Faults in SOAP 1.1 (text/xml, HTTP 500); GetServices unknown to its web
    // server, which answers an HTML 400 page.
    bool soap11 = false;
    // SetNetworkDefaultGateway refused (ter:InvalidArgVal) for a gateway
    // outside the subnet the camera stands in, with a reason over several lines.
    bool gatewaySubnet = false;
    // Takes a new address before it answers SetNetworkInterfaces: the answer
    // never comes.
    bool moveFirst = false;
    // Answers every network change with success and keeps its settings.
    bool ignoreChange = false;
    // On summer time in the POSIX zone "CET-1CEST,M3.5.0,M10.5.0/3".
    bool dst = false;
    // The snapshot sent as application/octet-stream.
    bool octetStreamSnapshot = false;
    // Behind NAT: the service, stream and snapshot addresses it names are at
    // its inside address.
    bool insideAddress = false;
    // Its stream addresses hold its user and password.
    bool streamUserInfo = false;
    // Media only, no Media2.
    bool noMedia2 = false;
    // Told to restart, it says Bye and its device service goes on answering
    // until it says Hello: no client sees it fail.
    bool quickRestart = false;
    // One request at a time, as a camera with a single web server worker:
    // requests that arrive together wait their turn (with --onvif-call-ms).
    bool oneAtATime = false;
    // One connection at a time: a request that comes while another is
    // answered finds its connection closed, unanswered.
    bool oneConnection = false;
};

struct OnvifQuirkChoice {
    bool spread = false;  // camera k takes the k-th quirk, in turn
    OnvifSimQuirks every;
};

// "spread", or names joined by commas; nullopt (with why) for anything else.
std::optional<OnvifQuirkChoice> ParseOnvifQuirks(std::string_view text, std::string& error);

// The quirks of camera number `camera`.
OnvifSimQuirks OnvifQuirksOf(const OnvifQuirkChoice& choice, int camera);

// "open-reads, local-clock, ...", in the order spread hands them out.
std::string OnvifQuirkNames();
