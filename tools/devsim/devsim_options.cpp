// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/devsim_options.h"

#include <CLI/CLI.hpp>
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
    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    std::vector<std::pair<const DevsimOption*, CLI::Option*>> options;
    for (const DevsimOption& option : declared) {
        CLI::Option* added =
            option.kind == DevsimOptionKind::Flag
                ? app.add_flag(option.name)
                : app.add_option(option.name)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        options.emplace_back(&option, added);
    }

    // CLI11 would read "--flag=VALUE" as a flag's value and "--name=" as
    // "take the next argument"; both were refused or read as an empty value.
    std::vector<std::string> reversed;
    for (int i = argc - 1; i >= 1; --i) {
        const std::string arg = argv[i];
        const std::size_t eq = arg.find('=');
        const DevsimOption* option =
            arg.rfind("--", 0) == 0 && eq != std::string::npos ? FindOption(declared, arg.substr(0, eq)) : nullptr;
        if (option != nullptr && option->kind == DevsimOptionKind::Flag) {
            error = "option " + option->name + " takes no value";
            return std::nullopt;
        }
        if (option != nullptr && eq + 1 == arg.size()) {
            reversed.emplace_back();
            reversed.push_back(option->name);
        } else {
            reversed.push_back(arg);
        }
    }
    try {
        app.parse(reversed);
    } catch (const CLI::ArgumentMismatch&) {
        // Only an option at the very end can lack its value.
        error = "option " + std::string(argv[argc - 1]) + " needs a value";
        return std::nullopt;
    } catch (const CLI::ParseError& e) {
        error = e.what();
        return std::nullopt;
    }
    if (const std::vector<std::string> unknown = app.remaining(); !unknown.empty()) {
        const std::string& arg = unknown.front();
        error = "unknown option " + (arg.rfind("--", 0) == 0 ? arg.substr(0, arg.find('=')) : arg);
        return std::nullopt;
    }

    DevsimOptions parsed;
    for (const auto& [option, added] : options) {
        if (added->count() == 0) continue;
        if (added->count() > 1) {
            error = "option " + option->name + " given twice";
            return std::nullopt;
        }
        const std::string value = option->kind == DevsimOptionKind::Flag ? std::string() : added->results().front();
        if (option->kind == DevsimOptionKind::Integer) {
            auto number = ParseInteger(value);
            if (!number || *number < option->min || *number > option->max) {
                error = "option " + option->name + " needs an integer from " + std::to_string(option->min) + " to " +
                        std::to_string(option->max) + ", not '" + value + "'";
                return std::nullopt;
            }
        }
        parsed.values_[option->name] = value;
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
