// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/lan/protocol/sample_devices.h"

const char kSampleDevices[] =
    "# model,proj,name,ip,trigger_port,netmask,gateway,dns,mac,dev,note\n"
    "KV-2100,IPCAM,Gate "
    "camera,203.0.113.10,80,255.255.255.0,203.0.113.1,203.0.113.53,00:11:22:33:44:01,HW1.0,entrance\n"
    "NV-16,NVR,Recorder 1,203.0.113.20,8080,255.255.255.0,203.0.113.1,203.0.113.53,00:11:22:33:44:02,HW2.1,\n"
    "\n"
    "KV-310,IPCAM,Yard,203.0.113.11,554,255.255.0.0,203.0.113.1,203.0.113.53,00:11:22:33:44:03,HW1.2,north wall\n"
    "DV-8,DVR,Shop,203.0.113.30,8000,255.255.255.0,203.0.113.1,203.0.113.53,00:11:22:33:44:04,HW3.0,till\n"
    "KV-2100,IPCAM,Gate camera 2,203.0.113.12,80,255.255.255.0,203.0.113.1,203.0.113.53,00:11:22:33:44:05,HW1.0,x\n";

SampleDevsim::SampleDevsim(std::vector<std::string> extra, int host) : SampleDevsim(std::move(extra), host, true) {}

SampleDevsim::SampleDevsim(std::vector<std::string> options, int host, bool withFile)
    : process(Args(std::move(options), withFile), host) {}

std::vector<std::string> SampleDevsim::Args(std::vector<std::string> options, bool withFile) {
    // Runs before `process` is built, `dir` already exists (declared first).
    if (withFile) {
        WriteFile(dir.File("devices"), kSampleDevices);
        options.insert(options.begin(), {"--devices", dir.File("devices")});
    }
    options.insert(options.end(), {"--log-queries", QueryLog(), "--record", Record(), "--duration", "60"});
    return options;
}
