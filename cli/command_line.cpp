#include "cli/command_line.h"

std::string ParseCommandLine(CLI::App& app, const std::vector<std::string>& args) {
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
