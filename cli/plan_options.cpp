// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan_options.h"

#include <algorithm>

#include "cli/command_line.h"

bool AsksForPlan(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--plan" || a.rfind("--plan=", 0) == 0; });
}

ParsedPlanOptions ParsePlanOptions(const std::vector<std::string>& args) {
    ParsedPlanOptions parsed;
    PlanOptions& o = parsed.options;
    CLI::App app;
    PrepareCommandApp(app);
    CLI::Option* plan = AddSingleValueOption(app, "--plan");
    CLI::Option* verify = AddSingleValueOption(app, "--verify");
    CLI::Option* force = app.add_flag("--force");
    CLI::Option* dryRun = app.add_flag("--dry-run");

    parsed.error = ParseCommandLine(app, args);
    if (!parsed.error.empty()) return parsed;
    // --mac, --static and the address options name one device; a plan names its own.
    if (const std::vector<std::string> unknown = app.remaining(); !unknown.empty()) {
        parsed.error = "unknown argument " + unknown.front() + " with --plan";
        return parsed;
    }
    parsed.error = RepeatedOption({plan, verify, force, dryRun});
    if (!parsed.error.empty()) return parsed;
    if (plan->count() == 0 || plan->results().front().empty()) {
        parsed.error = "--plan needs a file";
        return parsed;
    }
    o.path = plan->results().front();
    o.force = force->count() > 0;
    o.dryRun = dryRun->count() > 0;
    if (verify->count() == 1) {
        o.verifySeconds = VerifySeconds(verify->results().front());
        if (!o.verifySeconds) {
            parsed.error = kVerifyRangeError;
            return parsed;
        }
    }
    return parsed;
}
