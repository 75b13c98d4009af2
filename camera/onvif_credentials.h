// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Who signs in to which camera: the passwords given during this run, and the
// desktop keyring for those the user asked to remember. Keyed by endpoint
// reference, so a camera keeps its password when its address changes; each
// remembers the address it was given at, and is offered at another only
// when a watch of this run saw the camera move there (any LAN host can
// answer with a camera's endpoint).

#include <map>
#include <optional>
#include <set>
#include <string>

#include "onvif/device_client.h"

struct KeptSignIn {
    OnvifCredentials credentials;
    std::string address;  // the camera's address when the password was given
    bool operator==(const KeptSignIn&) const = default;
};

// What a read of the keyring found. Failed: the keyring was locked and not
// opened, did not answer, or is not there.
struct VaultRead {
    std::optional<KeptSignIn> kept;
    bool failed = false;
};

// A camera by endpoint reference, at the address a search found it.
struct OnvifCameraPlace {
    std::string endpoint;
    std::string address;
};

// The keyring. Every call blocks until the keyring answered.
class CredentialVault {
public:
    virtual ~CredentialVault() = default;
    virtual VaultRead Load(const std::string& endpoint) = 0;
    // Empty on success, else why the password was not kept.
    virtual std::string Save(const std::string& endpoint, const KeptSignIn& kept) = 0;
    virtual void Forget(const std::string& endpoint) = 0;
    // False where there is no keyring at all (no Secret Service).
    virtual bool Available() = 0;
};

class OnvifCredentialBook {
public:
    // `moves`: endpoint to the address a watch of this run confirmed it at.
    OnvifCredentialBook(CredentialVault& vault, const std::map<std::string, std::string>& moves)
        : vault_(vault), moves_(moves) {}

    // This run's credentials first, then the keyring's, for the camera at
    // `address`.
    std::optional<OnvifCredentials> Known(const std::string& endpoint, const std::string& address);
    // The user name kept for the camera at any address, for the dialog to offer.
    std::optional<std::string> KnownUser(const std::string& endpoint);
    void KeepForRun(const OnvifCameraPlace& camera, const OnvifCredentials& credentials);
    // Empty on success, else why it is kept for this run only.
    std::string Remember(const OnvifCameraPlace& camera, const OnvifCredentials& credentials);
    bool Remembered(const std::string& endpoint);
    void Forget(const std::string& endpoint);
    // A password the camera refused is not offered to it again this run,
    // not even the keyring's, until the user gives one.
    void DropForRun(const std::string& endpoint);
    bool KeyringAvailable() { return vault_.Available(); }

private:
    struct Entry {
        KeptSignIn kept;
        bool inKeyring = false;
    };
    // The run's entry, read from the keyring once; not read again this run
    // once a read failed: a keyring that asks to be unlocked, or makes the
    // window wait for its answer, must not do so for every camera.
    Entry* Find(const std::string& endpoint);

    CredentialVault& vault_;
    const std::map<std::string, std::string>& moves_;
    bool keyringFailed_ = false;
    std::map<std::string, Entry> run_;
    std::set<std::string> refused_;
};
