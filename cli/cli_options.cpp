#include "cli/cli_options.h"

const char* const kSearchUsage =
    "usage: lanvaro-cli [--relay ADDR] [--transport TCP|UDP|HttpCmd] [--filter TEXT]\n"
    "                   [--format table|csv|json] [--log] [--report FILE]\n"
    "       lanvaro-cli doctor\n"
    "       lanvaro-cli setup --mac MAC (--dhcp | --static --ip A --netmask M --gateway G --dns D)\n"
    "                   [--relay ADDR] [--transport T]\n";

ParsedSearchOptions ParseSearchOptions(const std::vector<std::string>& args, bool allowRest) {
    ParsedSearchOptions parsed;
    SearchOptions& o = parsed.options;
    bool transportGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                parsed.error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--relay") {
            if (!value(v)) return parsed;
            o.relay = v;
        } else if (a == "--transport") {
            if (!value(v)) return parsed;
            if (v != "TCP" && v != "UDP" && v != "HttpCmd") {
                parsed.error = "--transport takes TCP, UDP or HttpCmd";
                return parsed;
            }
            o.transport = v;
            transportGiven = true;
        } else if (a == "--filter") {
            if (!value(v)) return parsed;
            o.filter = v;
        } else if (a == "--format") {
            if (!value(v)) return parsed;
            if (v == "table") {
                o.format = OutputFormat::Table;
            } else if (v == "csv") {
                o.format = OutputFormat::Csv;
            } else if (v == "json") {
                o.format = OutputFormat::Json;
            } else {
                parsed.error = "--format takes table, csv or json";
                return parsed;
            }
        } else if (a == "--report") {
            if (!value(v)) return parsed;
            o.reportPath = v;
        } else if (a == "--log") {
            o.log = true;
        } else if (allowRest) {
            parsed.rest.push_back(a);
        } else {
            parsed.error = "unknown argument " + a;
            return parsed;
        }
    }
    if (transportGiven && !o.relay) parsed.error = "--transport needs --relay";
    return parsed;
}
