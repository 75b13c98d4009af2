// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The arguments of `lanvaro-cli setup --plan FILE`, after the search options.

#include <optional>
#include <string>
#include <vector>

struct PlanOptions {
    std::string path;
    std::optional<int> verifySeconds;  // 1 to 3600
    bool force = false;                // send where a device or host holds the address
    bool dryRun = false;               // check and print, send nothing
};

struct ParsedPlanOptions {
    PlanOptions options;
    std::string error;  // non-empty: a usage error
};

// True when the arguments ask for a plan rather than one device.
bool AsksForPlan(const std::vector<std::string>& args);

ParsedPlanOptions ParsePlanOptions(const std::vector<std::string>& args);
