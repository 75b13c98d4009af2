// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Camera passwords in the desktop's keyring (the Secret Service, through
// QtKeychain), one entry per endpoint reference. Nothing is written anywhere
// else: where there is no keyring, nothing is kept.

#include "camera/onvif_credentials.h"

class KeyringVault : public CredentialVault {
public:
    VaultRead Load(const std::string& endpoint) override;
    std::string Save(const std::string& endpoint, const KeptSignIn& kept) override;
    void Forget(const std::string& endpoint) override;
    bool Available() override;

private:
    std::optional<bool> available_;
};
