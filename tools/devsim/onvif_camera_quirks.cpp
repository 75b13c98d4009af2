// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/onvif_camera_quirks.h"

#include <array>

namespace {

struct Quirk {
    const char* name;
    bool OnvifSimQuirks::*flag;
};

// The order spread hands them out in; a new quirk goes at the end.
constexpr std::array kQuirks{
    Quirk{"open-reads", &OnvifSimQuirks::openReads},
    Quirk{"local-clock", &OnvifSimQuirks::localClock},
    Quirk{"clock-auth", &OnvifSimQuirks::clockAuth},
    Quirk{"soap11", &OnvifSimQuirks::soap11},
    Quirk{"gateway-subnet", &OnvifSimQuirks::gatewaySubnet},
    Quirk{"move-first", &OnvifSimQuirks::moveFirst},
    Quirk{"ignore-change", &OnvifSimQuirks::ignoreChange},
    Quirk{"dst", &OnvifSimQuirks::dst},
    Quirk{"octet-stream-snapshot", &OnvifSimQuirks::octetStreamSnapshot},
    Quirk{"inside-address", &OnvifSimQuirks::insideAddress},
    Quirk{"stream-user-info", &OnvifSimQuirks::streamUserInfo},
    Quirk{"no-media2", &OnvifSimQuirks::noMedia2},
    Quirk{"quick-restart", &OnvifSimQuirks::quickRestart},
    Quirk{"one-at-a-time", &OnvifSimQuirks::oneAtATime},
    Quirk{"one-connection", &OnvifSimQuirks::oneConnection},
};

}  // namespace

std::optional<OnvifQuirkChoice> ParseOnvifQuirks(std::string_view text, std::string& error) {
    OnvifQuirkChoice choice;
    if (text == "spread") {
        choice.spread = true;
        return choice;
    }
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view name = text.substr(start, comma - start);
        bool known = false;
        for (const Quirk& quirk : kQuirks)
            if (name == quirk.name) {
                choice.every.*quirk.flag = true;
                known = true;
            }
        if (!known) {
            error =
                "--onvif-quirk takes spread or names of: " + OnvifQuirkNames() + " (not \"" + std::string(name) + "\")";
            return std::nullopt;
        }
        start = comma + 1;
    }
    return choice;
}

OnvifSimQuirks OnvifQuirksOf(const OnvifQuirkChoice& choice, int camera) {
    if (!choice.spread) return choice.every;
    OnvifSimQuirks quirks;
    quirks.*kQuirks[static_cast<std::size_t>(camera) % kQuirks.size()].flag = true;
    return quirks;
}

std::string OnvifQuirkNames() {
    std::string names;
    for (const Quirk& quirk : kQuirks) names += (names.empty() ? "" : ", ") + std::string(quirk.name);
    return names;
}
