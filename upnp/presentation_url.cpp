// SPDX-License-Identifier: GPL-3.0-or-later
#include "upnp/presentation_url.h"

std::optional<PresentationAddress> AddressFromPresentationUrl(const std::string& url) {
    const std::size_t slashes = url.find("//");
    if (slashes == std::string::npos) return std::nullopt;
    const std::string rest = url.substr(slashes + 2);
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos) return std::nullopt;
    const std::string host = rest.substr(0, slash);
    const std::size_t colon = host.find(':');
    if (colon == std::string::npos) return PresentationAddress{host, "80"};
    return PresentationAddress{host.substr(0, colon), host.substr(colon + 1)};
}
