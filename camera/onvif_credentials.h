#pragma once
// Who signs in to which camera: the passwords given during this run, and the
// desktop keyring for those the user asked to remember. Keyed by endpoint
// reference, so a camera keeps its password when its address changes.

#include <map>
#include <optional>
#include <set>
#include <string>

#include "onvif/device_client.h"

// What a read of the keyring found. Failed: the keyring was locked and not
// opened, did not answer, or is not there.
struct VaultRead {
    std::optional<OnvifCredentials> credentials;
    bool failed = false;
};

// The keyring. Every call blocks until the keyring answered.
class CredentialVault {
public:
    virtual ~CredentialVault() = default;
    virtual VaultRead Load(const std::string& endpoint) = 0;
    // Empty on success, else why the password was not kept.
    virtual std::string Save(const std::string& endpoint, const OnvifCredentials& credentials) = 0;
    virtual void Forget(const std::string& endpoint) = 0;
    // False where there is no keyring at all (no Secret Service).
    virtual bool Available() = 0;
};

class OnvifCredentialBook {
public:
    explicit OnvifCredentialBook(CredentialVault& vault) : vault_(vault) {}

    // This run's credentials first, then the keyring's.
    std::optional<OnvifCredentials> Known(const std::string& endpoint);
    void KeepForRun(const std::string& endpoint, const OnvifCredentials& credentials);
    // Empty on success, else why it is kept for this run only.
    std::string Remember(const std::string& endpoint, const OnvifCredentials& credentials);
    bool Remembered(const std::string& endpoint);
    void Forget(const std::string& endpoint);
    // A password the camera refused is not offered to it again this run,
    // not even the keyring's, until the user gives one.
    void DropForRun(const std::string& endpoint);
    bool KeyringAvailable() { return vault_.Available(); }

private:
    // The keyring is read at most once per camera, and not again this run
    // once a read failed: a keyring that asks to be unlocked, or makes the
    // window wait for its answer, must not do so for every camera.
    std::optional<OnvifCredentials> ReadKeyring(const std::string& endpoint);

    CredentialVault& vault_;
    bool keyringFailed_ = false;
    std::map<std::string, OnvifCredentials> run_;
    std::set<std::string> refused_;
};
