// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The address of a UPnP device's row, taken from its presentation URL: the
// host part is the text after the first "//" up to the first "/" behind it;
// "host:port" splits at its first ":", a bare host gets port "80".

#include <optional>
#include <string>

struct PresentationAddress {
    std::string ip;
    std::string port;
};

// Empty when the URL has no "//" or no "/" after the host part.
std::optional<PresentationAddress> AddressFromPresentationUrl(const std::string& url);
