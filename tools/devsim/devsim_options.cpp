#include "tools/devsim/devsim_options.h"

#include <charconv>

namespace {

const DevsimOption* FindOption(const std::vector<DevsimOption>& declared, const std::string& name) {
    for (const DevsimOption& option : declared) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

std::optional<long long> ParseInteger(const std::string& text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<DevsimOptions> DevsimOptions::Parse(int argc, const char* const* argv,
                                                  const std::vector<DevsimOption>& declared, std::string& error) {
    DevsimOptions parsed;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string> inlineValue;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        const DevsimOption* option = FindOption(declared, arg);
        if (option == nullptr) {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        if (parsed.Has(arg)) {
            error = "option " + arg + " given twice";
            return std::nullopt;
        }
        if (option->kind == DevsimOptionKind::Flag) {
            if (inlineValue) {
                error = "option " + arg + " takes no value";
                return std::nullopt;
            }
            parsed.values_[arg] = "";
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            error = "option " + arg + " needs a value";
            return std::nullopt;
        }
        if (option->kind == DevsimOptionKind::Integer) {
            auto number = ParseInteger(value);
            if (!number || *number < option->min || *number > option->max) {
                error = "option " + arg + " needs an integer from " + std::to_string(option->min) + " to " +
                        std::to_string(option->max) + ", not '" + value + "'";
                return std::nullopt;
            }
        }
        parsed.values_[arg] = value;
    }
    return parsed;
}

bool DevsimOptions::Flag(const std::string& name) const { return Has(name); }

std::optional<std::string> DevsimOptions::Text(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::string DevsimOptions::Text(const std::string& name, const std::string& fallback) const {
    return Text(name).value_or(fallback);
}

long long DevsimOptions::Integer(const std::string& name, long long fallback) const {
    auto text = Text(name);
    if (!text) return fallback;
    return ParseInteger(*text).value_or(fallback);
}

std::string DevsimOptionsHelp(const std::vector<DevsimOption>& declared) {
    std::string help;
    for (const DevsimOption& option : declared) {
        std::string head = "  " + option.name;
        if (option.kind == DevsimOptionKind::Text) head += " VALUE";
        if (option.kind == DevsimOptionKind::Integer) head += " N";
        if (head.size() < 28) head.resize(28, ' ');
        help += head + " " + option.help + "\n";
    }
    return help;
}
