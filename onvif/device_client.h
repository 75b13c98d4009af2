// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ONVIF device service of one camera: SOAP 1.2 over HTTP POST to its
// XAddr. Blocking (5 s per call at most); call it off the window thread. One
// client per camera; a client is not shared between threads.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Open: signed with WS-Security or Digest, but the camera lets anyone read
// and could not tell whether the password is right (it has no GetUsers for
// the signed in); its first change proves it.
enum class OnvifAuthMethod { None, WsSecurity, HttpDigest, Open };

struct OnvifCredentials {
    std::string user;
    std::string password;
    bool operator==(const OnvifCredentials&) const = default;
};

// A user as GetUsers lists it.
struct OnvifUser {
    std::string name;
    std::string level;
    bool operator==(const OnvifUser&) const = default;
};

struct OnvifNetworkInterface {
    std::string token;
    bool enabled = false;
    std::string mac;
    bool dhcp = false;
    std::string address;  // IPv4, manual or from DHCP; empty when it has none
    int prefixLength = 0;
};

struct OnvifDeviceFacts {
    std::string xaddr;
    std::optional<OnvifAuthMethod> auth;       // the method that worked; empty when not signed in
    std::optional<double> clockOffsetSeconds;  // camera's UTC minus this computer's
    std::string clockNote;                     // "clock not readable", or how the offset was read
    std::optional<bool> ntp;
    std::optional<bool> daylightSavings;  // as the camera's clock reported it
    std::string timeZone;                 // its POSIX TZ text; empty when it named none
    std::string hostname, manufacturer, model, firmware, serial, hardwareId;
    std::vector<OnvifNetworkInterface> interfaces;
    std::vector<std::string> gateway, dns;
    std::vector<OnvifUser> users;  // as the sign-in's GetUsers listed them; empty when not asked
};

// Refused: the camera answered with a SOAP fault. Failed: transport or an
// answer that could not be read. NoService: nothing at the XAddr speaks the
// device service.
enum class OnvifCallStatus { Ok, SignInRefused, NoService, Refused, Failed };

struct OnvifCallResult {
    OnvifCallStatus status = OnvifCallStatus::Failed;
    std::string message;  // one line for the user; empty on Ok
    bool ok() const { return status == OnvifCallStatus::Ok; }
};

struct OnvifNetworkChange {
    bool dhcp = false;
    std::string address;  // the rest only when !dhcp
    int prefixLength = 24;
    std::string gateway;  // empty: left as it is
    std::string dns;      // empty: left as it is
};

// What the camera reported holding when it was read back after a change;
// a part left empty was not read.
struct OnvifHeldSettings {
    std::string xaddr;  // where it answered
    std::optional<OnvifNetworkInterface> card;
    std::optional<std::vector<std::string>> gateway, dns;
};

struct OnvifNetworkOutcome {
    OnvifCallResult result;
    std::vector<std::string> applied, notApplied;  // "gateway", "DNS", "address"
    bool rebootNeeded = false;
    // SetNetworkInterfaces went out and its answer was lost (timeout,
    // connection closed): the camera may use the new address already, so it
    // is looked for there as if sent. "address" is then in neither list.
    bool answerLost = false;
    // Steps the camera refused in its old subnet, which go to its new
    // address (FinishNetworkChange); also in notApplied. With why.
    std::vector<std::string> deferred;
    std::string deferredReason;
    OnvifHeldSettings held;
};

// Adds what FinishNetworkChange did to the outcome of the change it finished.
void MergeFinishedChange(OnvifNetworkOutcome& outcome, const OnvifNetworkOutcome& finished);
// "address 127.0.9.9/16, gateway 127.0.0.1, DNS 127.0.0.53", of what was read.
std::string HeldSettingsText(const OnvifHeldSettings& held);

// How long FinishNetworkChange waits for a moved camera to answer.
inline constexpr std::chrono::seconds kMovedCameraWait{60};

// What the user is told of an Open sign-in.
inline constexpr const char* kOnvifOpenNote =
    "This camera lets anyone read; the password is checked at the first change.";

// "none", "ws-security", "http-digest", "open".
const char* OnvifAuthMethodName(OnvifAuthMethod method);

// The host of an XAddr ("http://host:port/path"), without brackets; empty
// when it is no URL.
std::string OnvifXaddrHost(const std::string& xaddr);

// The XAddr with another host, its port and path kept; empty when it is no URL.
std::string OnvifXaddrWithHost(const std::string& xaddr, const std::string& host);

// Whether the XAddr names a user (and maybe a password) before its host.
bool OnvifXaddrHasUserInfo(const std::string& xaddr);

// 24 for "255.255.255.0"; nullopt for text that is no contiguous IPv4 netmask.
std::optional<int> OnvifPrefixLength(const std::string& netmask);

struct OnvifClientState;
struct SoapAnswer;

// What a sign-in reads beside proving the password: NetworkToo when
// ReadFacts follows, so its network reads go out with the proof.
enum class OnvifSignInReads { ProofOnly, NetworkToo };

// A call to another service of the camera than its device service.
struct OnvifServiceCall {
    std::string xaddr;         // where the service answers
    std::string_view ns;       // its namespace, which starts the SOAP action
    std::string_view service;  // its name in messages: "media"
    std::string_view operation;
    std::string body;  // the request element, declaring its own prefix
};

class OnvifDeviceClient {
public:
    explicit OnvifDeviceClient(std::string xaddr);
    OnvifDeviceClient(const OnvifDeviceClient&) = delete;
    OnvifDeviceClient& operator=(const OnvifDeviceClient&) = delete;
    ~OnvifDeviceClient();

    const std::string& xaddr() const { return xaddr_; }
    // How the last SignIn signed in (Open while the password is not proved); empty when it did not.
    std::optional<OnvifAuthMethod> SignedInAs() const;

    // GetSystemDateAndTime, GetHostname, GetServices at once (then
    // GetCapabilities where GetServices did not succeed); needs no sign-in. Also measures the clock
    // offset that WS-Security's Created then corrects for; a clock refused or
    // unreadable leaves the offset unknown (and says so in clockNote), read
    // signed once signed in. Fails only when nothing at the XAddr answers
    // HTTP, or nothing that answers speaks SOAP.
    OnvifCallResult ReadPublicFacts(OnvifDeviceFacts& facts);

    // With credentials: WS-Security, then HTTP Digest (a method remembered
    // for this XAddr earlier in the run first; Digest first while the
    // camera's clock is unknown), never without them; then a signed GetUsers
    // proves the password: refused gives SignInRefused, a camera without it
    // signs in as Open. Without credentials: unsigned, as the camera allows.
    // A refusal gives SignInRefused and nothing else is sent to the camera.
    OnvifCallResult SignIn(const std::optional<OnvifCredentials>& credentials,
                           OnvifSignInReads alsoRead = OnvifSignInReads::ProofOnly);

    // The public facts, then (signed in) GetDeviceInformation,
    // GetNetworkInterfaces, GetNetworkDefaultGateway, GetDNS, all at once.
    // What this client read before (the public facts with the clock, the
    // sign-in's GetDeviceInformation and network reads) is taken as read,
    // not asked again.
    OnvifCallResult ReadFacts(OnvifDeviceFacts& facts);

    // The calls that change the camera carry the credentials of the sign-in;
    // after an Open sign-in a refusal is tried once with the other method.

    // SetSystemDateAndTime to this computer's UTC (Manual: NTP is switched
    // off, so the caller asks first) with the summer time and zone the
    // camera reported, then reads the offset back.
    OnvifCallResult SyncTime(double& newOffsetSeconds);

    // SetNetworkDefaultGateway, SetDNS, then SetNetworkInterfaces on the
    // interface that holds the XAddr's address, each read back: a setting
    // the camera accepted but kept is refused. A gateway refused in the
    // camera's old subnet does not stop the address: it and DNS are left to
    // FinishNetworkChange (`deferred`). Any other refusal stops the rest.
    OnvifNetworkOutcome ApplyNetworkChange(const OnvifNetworkChange& change);

    // The deferred steps at the camera's new XAddr (this one with the new
    // address), once the camera has taken it (restarted where it had to):
    // where this computer reaches the new subnet, waits up to `wait` for the
    // camera to answer there, signs in with the credentials and sends them,
    // read back. Elsewhere nothing is sent ("set them from a computer in
    // NET/PREFIX").
    static OnvifNetworkOutcome FinishNetworkChange(const std::string& xaddr,
                                                   const std::optional<OnvifCredentials>& credentials,
                                                   const OnvifNetworkChange& change,
                                                   const std::vector<std::string>& steps,
                                                   std::chrono::milliseconds wait = kMovedCameraWait);

    // SystemReboot.
    OnvifCallResult Reboot();

    // The users the sign-in's GetUsers listed; empty where the camera has
    // no GetUsers (Open) or before a sign-in.
    const std::vector<OnvifUser>& Users() const;

    // SetUser for one user the sign-in's GetUsers listed, with the level it
    // listed (a change of password must not change what the user may do).
    // Refused as the camera says (too short, characters it does not take,
    // OperationProhibited); nothing is sent for a user it did not list. No
    // message holds either password, whatever the camera's reason repeats.
    OnvifCallResult SetPassword(const std::string& user, const std::string& newPassword);

    // Another service of this camera (media), signed as the sign-in signs:
    // the same method, credentials and clock. `read` takes the answer's body.
    OnvifCallResult CallService(const OnvifServiceCall& call, const std::function<SoapAnswer(std::string_view)>& read);

private:
    std::string xaddr_;
    std::unique_ptr<OnvifClientState> state_;
};
