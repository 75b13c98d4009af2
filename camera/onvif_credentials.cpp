#include "camera/onvif_credentials.h"

std::optional<OnvifCredentials> OnvifCredentialBook::Known(const std::string& endpoint) {
    if (refused_.count(endpoint) != 0) return std::nullopt;
    if (const auto it = run_.find(endpoint); it != run_.end()) return it->second;
    auto stored = ReadKeyring(endpoint);
    if (stored) run_[endpoint] = *stored;
    return stored;
}

std::optional<OnvifCredentials> OnvifCredentialBook::ReadKeyring(const std::string& endpoint) {
    if (keyringFailed_) return std::nullopt;
    VaultRead read = vault_.Load(endpoint);
    keyringFailed_ = read.failed;
    return std::move(read.credentials);
}

void OnvifCredentialBook::KeepForRun(const std::string& endpoint, const OnvifCredentials& credentials) {
    run_[endpoint] = credentials;
    refused_.erase(endpoint);
}

void OnvifCredentialBook::DropForRun(const std::string& endpoint) {
    run_.erase(endpoint);
    refused_.insert(endpoint);
}

std::string OnvifCredentialBook::Remember(const std::string& endpoint, const OnvifCredentials& credentials) {
    KeepForRun(endpoint, credentials);
    if (!vault_.Available()) return "no keyring is available";
    return vault_.Save(endpoint, credentials);
}

bool OnvifCredentialBook::Remembered(const std::string& endpoint) {
    return vault_.Available() && ReadKeyring(endpoint).has_value();
}

void OnvifCredentialBook::Forget(const std::string& endpoint) {
    run_.erase(endpoint);
    if (vault_.Available()) vault_.Forget(endpoint);
}
