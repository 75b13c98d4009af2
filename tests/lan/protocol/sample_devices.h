// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A devsim for one test: a small known device file, or generated devices.

#include <string>
#include <vector>

#include "tests/support/lan_box.h"

extern const char kSampleDevices[];

class SampleDevsim {
public:
    // The sample device file plus `extra` options, in host `host` of a
    // "hosts" box when host > 0.
    explicit SampleDevsim(std::vector<std::string> extra = {}, int host = 0);
    // Only `options` (e.g. --count N): no device file.
    static SampleDevsim Without(std::vector<std::string> options) { return SampleDevsim(std::move(options), 0, false); }

    bool Start() { return process.Start(); }
    std::string Error() const { return process.Error(); }
    std::string QueryLog() const { return dir.File("queries"); }
    std::string Record() const { return dir.File("record"); }

    TempDir dir;
    DevsimProcess process;

private:
    SampleDevsim(std::vector<std::string> options, int host, bool withFile);
    std::vector<std::string> Args(std::vector<std::string> options, bool withFile);
};
