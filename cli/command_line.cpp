// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/command_line.h"

#include <cstdlib>

std::string ParseCommandLine(CLI::App& app, const std::vector<std::string>& args) {
    // CLI11 reads "--flag=0" as the flag given; a flag takes no value.
    for (const std::string& arg : args) {
        const std::size_t equals = arg.find('=');
        if (arg.rfind("--", 0) != 0 || equals == std::string::npos) continue;
        const CLI::Option* option = app.get_option_no_throw(arg.substr(0, equals));
        if (option != nullptr && option->get_expected_max() == 0) return "unknown argument " + arg;
    }
    // CLI11 takes a vector of arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ArgumentMismatch&) {
        // Only an option at the very end can lack its value.
        return args.back() + " needs a value";
    } catch (const CLI::ParseError& e) {
        return e.what();
    }
    return {};
}

void PrepareCommandApp(CLI::App& app) {
    app.set_help_flag();
    app.allow_extras();
}

CLI::Option* AddSingleValueOption(CLI::App& app, const char* name) {
    return app.add_option(name)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

std::string RepeatedOption(std::initializer_list<const CLI::Option*> options) {
    for (const CLI::Option* option : options)
        if (option->count() > 1) return option->get_name() + " given twice";
    return {};
}

std::optional<int> VerifySeconds(const std::string& text) {
    char* end = nullptr;
    const long seconds = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || seconds < 1 || seconds > 3600) return std::nullopt;
    return static_cast<int>(seconds);
}
