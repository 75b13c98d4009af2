// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>

#include "app/range_pacing.h"
#include "cli/command_line.h"
#include "protocol/address_range.h"

const char* const kSearchUsage =
    "usage: lanvaro-cli [--relay ADDR] [--transport TCP|UDP|HttpCmd] [--filter TEXT]\n"
    "                   [--range RANGES [--rate N]]\n"
    "                   [--format table|csv|json] [--log] [--report FILE]\n"
    "       lanvaro-cli doctor\n"
    "       lanvaro-cli setup --mac MAC (--dhcp | --static --ip A --netmask M --gateway G --dns D)\n"
    "                   [--relay ADDR] [--transport T] [--range RANGES [--rate N]] [--verify SECONDS] [--force]\n"
    "       lanvaro-cli setup --plan FILE [--relay ADDR] [--transport T] [--range RANGES [--rate N]]\n"
    "                   [--verify SECONDS] [--force] [--dry-run]\n"
    "RANGES: CIDR blocks, spans A-B or addresses, separated by commas (at most 65,536 addresses);\n"
    "N: datagrams per second, 1 to 50,000 (default 10,000)\n";

namespace {

struct SearchOptionValues {
    CLI::Option* relay = nullptr;
    CLI::Option* transport = nullptr;
    CLI::Option* filter = nullptr;
    CLI::Option* format = nullptr;
    CLI::Option* log = nullptr;
    CLI::Option* report = nullptr;
    CLI::Option* range = nullptr;
    CLI::Option* rate = nullptr;
};

// Every option of a search, in one place. A repeated option takes its last
// value, as before; the values are checked after parsing, with our messages.
SearchOptionValues DeclareSearchOptions(CLI::App& app) {
    SearchOptionValues o;
    auto value = [&app](const char* name) {
        return app.add_option(name)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    };
    o.relay = value("--relay");
    o.transport = value("--transport");
    o.filter = value("--filter");
    o.format = value("--format");
    o.log = app.add_flag("--log");
    o.report = value("--report");
    o.range = value("--range");
    o.rate = value("--rate");
    return o;
}

std::optional<OutputFormat> FormatNamed(const std::string& name) {
    if (name == "table") return OutputFormat::Table;
    if (name == "csv") return OutputFormat::Csv;
    if (name == "json") return OutputFormat::Json;
    return std::nullopt;
}

}  // namespace

ParsedSearchOptions ParseSearchOptions(const std::vector<std::string>& args, bool allowRest) {
    ParsedSearchOptions parsed;
    SearchOptions& o = parsed.options;

    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    const SearchOptionValues declared = DeclareSearchOptions(app);
    parsed.error = ParseCommandLine(app, args);
    if (!parsed.error.empty()) return parsed;

    const std::vector<std::string> unknown = app.remaining();
    if (!unknown.empty()) {
        if (!allowRest) {
            parsed.error = "unknown argument " + unknown.front();
            return parsed;
        }
        parsed.rest = unknown;
    }
    auto last = [](const CLI::Option* option) { return option->results().back(); };
    if (declared.relay->count() > 0) o.relay = last(declared.relay);
    if (declared.transport->count() > 0) {
        const std::string transport = last(declared.transport);
        if (transport != "TCP" && transport != "UDP" && transport != "HttpCmd") {
            parsed.error = "--transport takes TCP, UDP or HttpCmd";
            return parsed;
        }
        o.transport = transport;
    }
    if (declared.filter->count() > 0) o.filter = last(declared.filter);
    if (declared.format->count() > 0) {
        const auto format = FormatNamed(last(declared.format));
        if (!format) {
            parsed.error = "--format takes table, csv or json";
            return parsed;
        }
        o.format = *format;
    }
    o.log = declared.log->count() > 0;
    if (declared.report->count() > 0) o.reportPath = last(declared.report);
    if (declared.transport->count() > 0 && !o.relay) {
        parsed.error = "--transport needs --relay";
        return parsed;
    }
    if (declared.range->count() > 0) {
        o.range = last(declared.range);
        if (o.relay) {
            parsed.error = "--range and --relay cannot be given together";
            return parsed;
        }
        if (const ParsedRanges ranges = ParseAddressRanges(*o.range); !ranges.error.empty()) {
            parsed.error = ranges.error;
            return parsed;
        }
    }
    if (declared.rate->count() > 0) {
        const std::string text = last(declared.rate);
        int rate = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), rate);
        if (!o.range) {
            parsed.error = "--rate needs --range";
        } else if (text.empty() || ec != std::errc() || end != text.data() + text.size() || rate < 1 ||
                   rate > kMaxRangeRate) {
            parsed.error = "--rate takes 1 to 50,000 datagrams per second";
        } else {
            o.rate = rate;
        }
    }
    return parsed;
}

std::string ParseDoctorOptions(const std::vector<std::string>& args) {
    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    if (std::string error = ParseCommandLine(app, args); !error.empty()) return error;
    if (!app.remaining().empty()) return "doctor takes no arguments, got " + app.remaining().front();
    return {};
}
