// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <mutex>

#include "tools/devsim/service.h"

namespace {

// Function-local so registrations from other files' static initialisers
// never see it unconstructed.
struct Registry {
    std::mutex mutex;
    std::vector<DevsimServiceInfo> services;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

void RegisterDevsimService(DevsimServiceInfo info) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.services.push_back(std::move(info));
}

std::vector<DevsimServiceInfo> RegisteredDevsimServices() {
    Registry& registry = TheRegistry();
    std::vector<DevsimServiceInfo> services;
    {
        std::lock_guard lock(registry.mutex);
        services = registry.services;
    }
    std::stable_sort(services.begin(), services.end(), [](const DevsimServiceInfo& a, const DevsimServiceInfo& b) {
        return a.order != b.order ? a.order < b.order : a.name < b.name;
    });
    return services;
}
