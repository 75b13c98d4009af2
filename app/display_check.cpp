// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/display_check.h"

const char* const kNoDisplayMessage =
    "lanvaro: needs a graphical display and none can be reached here; run lanvaro-cli for a search in this "
    "terminal (or `make demo` in the source tree)";

namespace {

bool Set(const EnvironmentLookup& env, const char* name) {
    const char* value = env(name);
    return value != nullptr && *value != '\0';
}

// Qt takes a ';'-separated list of platforms to try, each NAME[:OPTIONS].
std::vector<std::string> PlatformNames(const std::string& platforms) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= platforms.size()) {
        std::size_t end = platforms.find(';', start);
        if (end == std::string::npos) end = platforms.size();
        const std::string entry = platforms.substr(start, end - start);
        names.push_back(entry.substr(0, entry.find(':')));
        start = end + 1;
    }
    return names;
}

}  // namespace

bool DisplayNamed(const std::vector<std::string>& args, const EnvironmentLookup& env) {
    std::string platforms;
    bool given = false;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "-platform" || args[i] == "--platform") {
            platforms = args[i + 1];
            given = true;
        }
    }
    if (!given && Set(env, "QT_QPA_PLATFORM")) {
        platforms = env("QT_QPA_PLATFORM");
        given = true;
    }
    const bool x11 = Set(env, "DISPLAY");
    const bool wayland = Set(env, "WAYLAND_DISPLAY");
    if (!given) return x11 || wayland;
    for (const std::string& name : PlatformNames(platforms)) {
        if (name.empty()) {
            if (x11 || wayland) return true;
        } else if (name == "xcb") {
            if (x11) return true;
        } else if (name.rfind("wayland", 0) == 0) {
            if (wayland) return true;
        } else {
            // offscreen, minimal, vnc, eglfs, linuxfb...: no display server to reach.
            return true;
        }
    }
    return false;
}
