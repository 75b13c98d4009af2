// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/onvif_credentials.h"

OnvifCredentialBook::Entry* OnvifCredentialBook::Find(const std::string& endpoint) {
    if (const auto it = run_.find(endpoint); it != run_.end()) return &it->second;
    if (keyringFailed_) return nullptr;
    const VaultRead read = vault_.Load(endpoint);
    keyringFailed_ = read.failed;
    if (!read.kept) return nullptr;
    return &(run_[endpoint] = Entry{*read.kept, true});
}

std::optional<OnvifCredentials> OnvifCredentialBook::Known(const std::string& endpoint, const std::string& address) {
    if (refused_.count(endpoint) != 0) return std::nullopt;
    Entry* entry = Find(endpoint);
    if (entry == nullptr) return std::nullopt;
    if (entry->kept.address == address) return entry->kept.credentials;
    const auto moved = moves_.find(endpoint);
    if (moved == moves_.end() || moved->second != address) return std::nullopt;
    // Lanvaro moved the camera itself: the password follows it, into the keyring too.
    entry->kept.address = address;
    if (entry->inKeyring && vault_.Available()) vault_.Save(endpoint, entry->kept);
    return entry->kept.credentials;
}

std::optional<std::string> OnvifCredentialBook::KnownUser(const std::string& endpoint) {
    const Entry* entry = Find(endpoint);
    return entry ? std::optional(entry->kept.credentials.user) : std::nullopt;
}

void OnvifCredentialBook::KeepForRun(const OnvifCameraPlace& camera, const OnvifCredentials& credentials) {
    run_[camera.endpoint] = Entry{{credentials, camera.address}, false};
    refused_.erase(camera.endpoint);
}

void OnvifCredentialBook::DropForRun(const std::string& endpoint) {
    run_.erase(endpoint);
    refused_.insert(endpoint);
}

std::string OnvifCredentialBook::Remember(const OnvifCameraPlace& camera, const OnvifCredentials& credentials) {
    KeepForRun(camera, credentials);
    if (!vault_.Available()) return "no keyring is available";
    std::string why = vault_.Save(camera.endpoint, run_[camera.endpoint].kept);
    run_[camera.endpoint].inKeyring = why.empty();
    return why;
}

bool OnvifCredentialBook::Remembered(const std::string& endpoint) {
    if (!vault_.Available() || keyringFailed_) return false;
    const VaultRead read = vault_.Load(endpoint);
    keyringFailed_ = read.failed;
    return read.kept.has_value();
}

void OnvifCredentialBook::Forget(const std::string& endpoint) {
    run_.erase(endpoint);
    if (vault_.Available()) vault_.Forget(endpoint);
}
