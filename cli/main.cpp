// SPDX-License-Identifier: GPL-3.0-or-later
// lanvaro-cli: the window's search without the window, for scripts and
// headless machines.

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli/cli_search.h"
#include "cli/command_help.h"
#include "cli/doctor_command.h"
#include "cli/onvif_command.h"
#include "cli/setup_command.h"
#include "report/report_json.h"
#include "web/http_fetch.h"

namespace {

int RunSearchCommand(const std::vector<std::string>& args) {
    const ParsedSearchOptions parsed = ParseSearchOptions(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "lanvaro-cli: %s\n%s", parsed.error.c_str(), kSearchUsage);
        return 2;
    }
    ConsoleForm form(parsed.options.log);
    MainFormLogic logic(form);
    // The window's design column widths: their log lines are part of the log.
    logic.FormCreate({114, 125, 180, 103, 29, 98, 153});
    ApplySearchOptions(form, logic, parsed.options);
    if (!RunSearchToEnd(form, logic)) {
        std::fprintf(stderr, "lanvaro-cli: the search did not end in time\n");
        return 1;
    }
    const std::string out = FormatRows(parsed.options.format, FoundRows(form), form.label1Caption);
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (parsed.options.reportPath) {
        std::ofstream report(*parsed.options.reportPath, std::ios::binary | std::ios::trunc);
        report << ReportJson(logic.LastReport());
        report.close();
        if (!report) {
            std::fprintf(stderr, "lanvaro-cli: cannot write the report to %s\n", parsed.options.reportPath->c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    EnsureQtCoreApplication();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (const auto help = HelpAskedFor(args)) {
        std::fputs(help->c_str(), stdout);
        return 0;
    }
    if (!args.empty() && args[0] == "doctor")
        return RunDoctorCommand(std::vector<std::string>(args.begin() + 1, args.end()));
    if (!args.empty() && args[0] == "--version") {
        std::printf("Lanvaro %s\n", LANVARO_VERSION);
        return 0;
    }
    if (!args.empty() && args[0] == "onvif")
        return RunOnvifCommand(std::vector<std::string>(args.begin() + 1, args.end()));
    if (!args.empty() && args[0] == "setup") {
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        const bool onvif = std::any_of(rest.begin(), rest.end(), [](const std::string& a) {
            return a == "--onvif" || a.rfind("--onvif=", 0) == 0;
        });
        return onvif ? RunOnvifSetupCommand(rest) : RunSetupCommand(rest);
    }
    return RunSearchCommand(args);
}
