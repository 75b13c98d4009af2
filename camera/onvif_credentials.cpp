#include "camera/onvif_credentials.h"

std::optional<OnvifCredentials> OnvifCredentialBook::Known(const std::string& endpoint) {
    if (refused_.count(endpoint) != 0) return std::nullopt;
    if (const auto it = run_.find(endpoint); it != run_.end()) return it->second;
    auto stored = vault_.Load(endpoint);
    // Read once per run: the keyring may ask the user to unlock it.
    if (stored) run_[endpoint] = *stored;
    return stored;
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
    return vault_.Available() && vault_.Load(endpoint).has_value();
}

void OnvifCredentialBook::Forget(const std::string& endpoint) {
    run_.erase(endpoint);
    if (vault_.Available()) vault_.Forget(endpoint);
}
