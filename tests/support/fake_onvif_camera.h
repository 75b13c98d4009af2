// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A camera behind OnvifCameraAccess that takes one user and password, and a
// keyring held in memory, for driving the window's ONVIF actions without a
// network.

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
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
    OnvifNetworkOutcome networkOutcome = Outcome({OnvifCallStatus::Ok, ""}, {"gateway", "DNS", "address"}, {});
    // What FinishNetworkChange does with the steps left for the new address.
    OnvifNetworkOutcome finishOutcome = Outcome({OnvifCallStatus::Ok, ""}, {"gateway", "DNS"}, {});

    static OnvifNetworkOutcome Outcome(OnvifCallResult result, std::vector<std::string> applied,
                                       std::vector<std::string> notApplied) {
        OnvifNetworkOutcome outcome;
        outcome.result = std::move(result);
        outcome.applied = std::move(applied);
        outcome.notApplied = std::move(notApplied);
        return outcome;
    }
    // Its media: a main profile whose snapshot address is http://XADDR-HOST/snap/main, and the picture there.
    bool offersSnapshot = true;
    std::string picture = std::string("\xFF\xD8\xFF\xE0", 4) + "fake jpeg";

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
        if (!SignedIn(credentials, xaddr)) return Refused(xaddr);
        out = facts;
        return {OnvifCallStatus::Ok, ""};
    }
    OnvifCallResult SyncTime(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                             double& newOffsetSeconds) override {
        Record("SyncTime", xaddr, credentials);
        if (!SignedIn(credentials, xaddr)) return Refused(xaddr);
        newOffsetSeconds = offsetAfterSync;
        return {OnvifCallStatus::Ok, ""};
    }
    OnvifNetworkOutcome ApplyNetworkChange(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                                           const OnvifNetworkChange& change) override {
        Record("ApplyNetworkChange", xaddr, credentials);
        if (!SignedIn(credentials)) return Outcome(Refused(xaddr), {}, {"gateway", "DNS", "address"});
        lastChange = change;
        return networkOutcome;
    }
    OnvifNetworkOutcome FinishNetworkChange(const std::string& xaddr,
                                            const std::optional<OnvifCredentials>& credentials,
                                            const OnvifNetworkChange&, const std::vector<std::string>& steps) override {
        Record("FinishNetworkChange", xaddr, credentials);
        if (!SignedIn(credentials)) return Outcome(Refused(xaddr), {}, steps);
        return finishOutcome;
    }
    OnvifCallResult Reboot(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials) override {
        Record("Reboot", xaddr, credentials);
        if (!SignedIn(credentials, xaddr)) return Refused(xaddr);
        return {OnvifCallStatus::Ok, ""};
    }

    // A new password shorter than this is refused, as cameras do, in words
    // that quote it (a careless camera's), which no output may repeat.
    std::size_t shortestPassword = 8;
    OnvifCallResult SetPassword(const std::string& xaddr, const OnvifCredentials& credentials, const std::string& user,
                                const std::string& newPassword) override {
        Record("SetPassword", xaddr, credentials);
        if (!SignedIn(credentials, xaddr)) return Refused(xaddr);
        if (user != accepted.user) return {OnvifCallStatus::Refused, "The camera at " + xaddr + " has no user " + user};
        if (newPassword.size() < shortestPassword)
            return {OnvifCallStatus::Refused, "SetUser refused by " + xaddr + ": too short"};
        std::lock_guard lock(mutex_);
        changed_[xaddr] = newPassword;
        return {OnvifCallStatus::Ok, ""};
    }
    // The password the camera at the address takes now.
    std::string PasswordAt(const std::string& xaddr) {
        std::lock_guard lock(mutex_);
        const auto found = changed_.find(xaddr);
        return found == changed_.end() ? accepted.password : found->second;
    }

    // Runs before each ReadMedia, on the thread that asks (a test holds a camera there).
    std::function<void()> beforeMedia;
    std::vector<std::thread::id> MediaThreads() {
        std::lock_guard lock(mutex_);
        return mediaThreads_;
    }

    OnvifCallResult ReadMedia(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                              OnvifMedia& media) override {
        Record("ReadMedia", xaddr, credentials);
        {
            std::lock_guard lock(mutex_);
            mediaThreads_.push_back(std::this_thread::get_id());
        }
        if (beforeMedia) beforeMedia();
        if (!(openReads && credentials) && !SignedIn(credentials)) return Refused(xaddr);
        media = OnvifMedia{};
        media.xaddr = xaddr;
        media.mediaXaddr = xaddr + "/media2";
        media.version = OnvifMediaVersion::Media2;
        OnvifMediaProfile main;
        main.token = "main";
        main.name = "Main stream";
        main.encoding = "H264";
        main.width = 1920;
        main.height = 1080;
        main.fps = 25;
        main.streamUri = "rtsp://" + OnvifXaddrHost(xaddr) + "/stream/main";
        if (offersSnapshot)
            main.snapshotUri = "http://" + OnvifXaddrHost(xaddr) + "/snap/main";
        else
            main.snapshotNote = kSnapshotNotOffered;
        media.profiles = {main};
        return {OnvifCallStatus::Ok, ""};
    }
    SnapshotResult FetchPicture(const std::string& uri, const std::optional<OnvifCredentials>& credentials) override {
        Record("FetchPicture", uri, credentials);
        SnapshotResult result;
        if (!SignedIn(credentials)) {
            result.problem = "refused: wrong password, or the user may not see pictures";
            return result;
        }
        result.bytes = picture;
        result.type = "image/jpeg";
        return result;
    }

private:
    bool SignedIn(const std::optional<OnvifCredentials>& c) const {
        return c && c->user == accepted.user && c->password == accepted.password;
    }
    // Where SetPassword gave the camera at the address a password of its own, that one.
    bool SignedIn(const std::optional<OnvifCredentials>& c, const std::string& xaddr) {
        return c && c->user == accepted.user && c->password == PasswordAt(xaddr);
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
    std::vector<std::thread::id> mediaThreads_;
    std::map<std::string, std::string> changed_;  // by XAddr
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
