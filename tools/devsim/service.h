// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A devsim service is one simulated thing on the network (the devices'
// UDP responder, the TCP relay, the HTTP relay, UPnP cameras...). Each
// service lives in its own file and registers itself there:
//
//   namespace {
//   const DevsimServiceRegistration kRegistration{{
//       .name = "http-relay",
//       .options = {{"--http-relay", DevsimOptionKind::Flag, "serve the device table page"}},
//       .enabled = [](const DevsimOptions& o) { return o.Flag("--http-relay"); },
//       .create = [] { return std::make_unique<HttpRelay>(); },
//   }};
//   }
//
// so adding a service is adding its file (tools/devsim/CMakeLists.txt picks
// it up). The runner parses every registered option, starts each enabled
// service, writes the ready file once all of them listen, and stops them in
// reverse order.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/devsim/devsim_options.h"
#include "tools/devsim/sim_device.h"

// What every service gets from the runner. Lives until the last service has
// been stopped.
struct DevsimContext {
    const DevsimOptions& options;
    // The simulated devices, fault modes (--overlong) already applied.
    const std::vector<SimDevice>& devices;
    // Diagnostics for humans (stderr); thread-safe.
    std::function<void(const std::string&)> diag;
};

class DevsimService {
public:
    virtual ~DevsimService() = default;

    // Binds and starts the service's own threads. Returns only when the
    // service is ready for clients, or false with a reason in `error`.
    virtual bool Start(const DevsimContext& context, std::string& error) = 0;

    // Stops and joins everything Start began. Called once, from the main
    // thread, also when Start failed; must return promptly (well under 1 s).
    virtual void Stop() = 0;
};

struct DevsimServiceInfo {
    std::string name;
    std::vector<DevsimOption> options;
    std::function<bool(const DevsimOptions&)> enabled;
    std::function<std::unique_ptr<DevsimService>()> create;
    // Services start in ascending order (ties by name) and stop in reverse.
    int order = 100;
};

// Called by DevsimServiceRegistration; services do not call it directly.
void RegisterDevsimService(DevsimServiceInfo info);
// Every registered service, in start order.
std::vector<DevsimServiceInfo> RegisteredDevsimServices();

struct DevsimServiceRegistration {
    explicit DevsimServiceRegistration(DevsimServiceInfo info) { RegisterDevsimService(std::move(info)); }
};
