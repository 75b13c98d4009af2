// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// devsim's command line, parsed with CLI11. Every option is declared by
// whoever uses it (the runner or a service), so a service adds options
// without touching the parser.

#include <map>
#include <optional>
#include <string>
#include <vector>

enum class DevsimOptionKind {
    Flag,     // --name
    Text,     // --name VALUE or --name=VALUE
    Integer,  // like Text, a decimal integer in [min, max]
};

struct DevsimOption {
    std::string name;  // with its leading "--"
    DevsimOptionKind kind = DevsimOptionKind::Flag;
    std::string help;
    long long min = 0;
    long long max = 0;
};

class DevsimOptions {
public:
    // Parses argv[1..argc-1] against the declared options. Returns nullopt and
    // sets `error` for an unknown option, a missing value, a value given to a
    // flag, a repeated option, or an integer out of range.
    static std::optional<DevsimOptions> Parse(int argc, const char* const* argv,
                                              const std::vector<DevsimOption>& declared, std::string& error);

    bool Flag(const std::string& name) const;
    std::optional<std::string> Text(const std::string& name) const;
    std::string Text(const std::string& name, const std::string& fallback) const;
    long long Integer(const std::string& name, long long fallback) const;
    bool Has(const std::string& name) const { return values_.count(name) != 0; }

    // For tests and services that build options by hand.
    void Set(const std::string& name, const std::string& value) { values_[name] = value; }

private:
    std::map<std::string, std::string> values_;
};

// One line per option, for --help.
std::string DevsimOptionsHelp(const std::vector<DevsimOption>& declared);
