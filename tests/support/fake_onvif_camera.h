#pragma once
// A camera behind OnvifCameraAccess that takes one user and password, and a
// keyring held in memory, for driving the window's ONVIF actions without a
// network.

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "camera/onvif_camera_access.h"
#include "camera/onvif_credentials.h"

class FakeOnvifCamera : public OnvifCameraAccess {
public:
    OnvifCredentials accepted{"admin", "secret"};
    // Reads go to anyone, with any password, and the sign-in cannot prove
    // it (auth Open); changes still need the accepted one.
    bool openReads = false;
    OnvifDeviceFacts facts;
    double offsetAfterSync = 0.2;
    OnvifNetworkOutcome networkOutcome{{OnvifCallStatus::Ok, ""}, {"gateway", "DNS", "address"}, {}, false};

    // Every call as "Name xaddr user".
    std::vector<std::string> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    int CountOf(const std::string& name) {
        int count = 0;
        for (const std::string& call : Calls()) count += call.rfind(name + " ", 0) == 0 ? 1 : 0;
        return count;
    }
    std::optional<OnvifNetworkChange> lastChange;

    OnvifCallResult ReadFacts(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                              OnvifDeviceFacts& out) override {
        Record("ReadFacts", xaddr, credentials);
        if (openReads && credentials) {
            out = facts;
            out.auth = OnvifAuthMethod::Open;
            return {OnvifCallStatus::Ok, ""};
        }
        if (!SignedIn(credentials)) return Refused(xaddr);
        out = facts;
        return {OnvifCallStatus::Ok, ""};
    }
    OnvifCallResult SyncTime(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                             double& newOffsetSeconds) override {
        Record("SyncTime", xaddr, credentials);
        if (!SignedIn(credentials)) return Refused(xaddr);
        newOffsetSeconds = offsetAfterSync;
        return {OnvifCallStatus::Ok, ""};
    }
    OnvifNetworkOutcome ApplyNetworkChange(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                                           const OnvifNetworkChange& change) override {
        Record("ApplyNetworkChange", xaddr, credentials);
        if (!SignedIn(credentials)) return {Refused(xaddr), {}, {"gateway", "DNS", "address"}, false};
        lastChange = change;
        return networkOutcome;
    }
    OnvifCallResult Reboot(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials) override {
        Record("Reboot", xaddr, credentials);
        if (!SignedIn(credentials)) return Refused(xaddr);
        return {OnvifCallStatus::Ok, ""};
    }

private:
    bool SignedIn(const std::optional<OnvifCredentials>& c) const {
        return c && c->user == accepted.user && c->password == accepted.password;
    }
    static OnvifCallResult Refused(const std::string& xaddr) {
        return {OnvifCallStatus::SignInRefused, "Sign-in refused by " + xaddr + ": check the user name and password."};
    }
    void Record(const char* name, const std::string& xaddr, const std::optional<OnvifCredentials>& c) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::string(name) + " " + xaddr + " " + (c ? c->user : "-"));
    }
    std::mutex mutex_;
    std::vector<std::string> calls_;
};

class MemoryVault : public CredentialVault {
public:
    bool available = true;
    bool locked = false;  // every read fails, as a keyring left locked does
    int reads = 0;
    std::map<std::string, KeptSignIn> entries;

    VaultRead Load(const std::string& endpoint) override {
        ++reads;
        if (!available || locked) return {std::nullopt, true};
        const auto it = entries.find(endpoint);
        if (it == entries.end()) return {};
        return {it->second};
    }
    std::string Save(const std::string& endpoint, const KeptSignIn& kept) override {
        if (!available) return "no keyring";
        entries[endpoint] = kept;
        return {};
    }
    void Forget(const std::string& endpoint) override { entries.erase(endpoint); }
    bool Available() override { return available; }
};
