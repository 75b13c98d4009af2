#include "netsetup/setup_options.h"

#include <cstdlib>
#include <utility>

namespace {

const std::pair<const char*, AddressEdit> kAddressOptions[] = {{"--ip", AddressEdit::IP},
                                                               {"--gateway", AddressEdit::Gateway},
                                                               {"--netmask", AddressEdit::Netmask},
                                                               {"--dns", AddressEdit::DNS}};

}  // namespace

ParsedSetupOptions ParseSetupOptions(const std::vector<std::string>& args) {
    ParsedSetupOptions parsed;
    SetupOptions& o = parsed.options;
    bool macGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::optional<std::string>& out) {
            if (out) {
                parsed.error = a + " given twice";
                return false;
            }
            if (i + 1 >= args.size()) {
                parsed.error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        if (a == "--mac") {
            std::optional<std::string> mac;
            if (macGiven) {
                parsed.error = "--mac given twice";
                return parsed;
            }
            if (!value(mac)) return parsed;
            o.mac = *mac;
            macGiven = true;
            continue;
        }
        if (a == "--dhcp" || a == "--static") {
            const NetworkType type = a == "--dhcp" ? NetworkType::Dhcp : NetworkType::Static;
            if (o.type != NetworkType::None) {
                parsed.error = "give one of --dhcp and --static";
                return parsed;
            }
            o.type = type;
            continue;
        }
        if (a == "--force") {
            o.force = true;
            continue;
        }
        if (a == "--verify") {
            std::optional<std::string> text;
            if (o.verifySeconds) {
                parsed.error = "--verify given twice";
                return parsed;
            }
            if (!value(text)) return parsed;
            char* end = nullptr;
            const long seconds = std::strtol(text->c_str(), &end, 10);
            if (text->empty() || *end != '\0' || seconds < 1 || seconds > 3600) {
                parsed.error = "--verify takes a number of seconds from 1 to 3600";
                return parsed;
            }
            o.verifySeconds = static_cast<int>(seconds);
            continue;
        }
        bool known = false;
        for (const auto& [name, edit] : kAddressOptions) {
            if (a == name) {
                known = true;
                if (!value(o.Address(edit))) return parsed;
            }
        }
        if (!known) {
            parsed.error = "unknown argument " + a;
            return parsed;
        }
    }
    if (!macGiven || o.mac.empty()) {
        parsed.error = "--mac is required";
    } else if (o.type == NetworkType::None) {
        parsed.error = "give one of --dhcp and --static";
    } else if (o.type == NetworkType::Static) {
        for (const auto& [name, edit] : kAddressOptions) {
            if (!o.Address(edit)) {
                parsed.error = std::string("--static needs ") + name;
                break;
            }
        }
    }
    return parsed;
}

ControlRequest ApplySetupOptions(const tComUnitInfo& device, const SetupOptions& options) {
    ControlRequest request = ControlRequestFor(device);
    request.type = options.type;
    for (AddressEdit edit : kAddressEdits) {
        if (const auto& given = options.Address(edit)) request.Address(edit) = *given;
    }
    return request;
}
