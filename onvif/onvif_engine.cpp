// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/onvif_engine.h"

#include <system_error>

#include "onvif/onvif_device_set.h"
#include "onvif/xml_reader.h"

COnvifEngine::~COnvifEngine() {
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
}

bool COnvifEngine::StartSearch() {
    // Once the devices are in, the thread has nothing left but to return:
    // a search pressed right after the last one ended waits for that, not
    // refuses.
    if (filling_.load()) return false;
    if (thread_.joinable()) thread_.join();
    // libxml2 sets itself up once, before any thread parses with it.
    InitXmlParser();

    auto event = std::make_shared<ManualResetEvent>();
    m_hSearchEvent = event;
    filling_ = true;
    cancel_ = false;
    try {
        thread_ = std::thread([this, event, timings = timings_] {
            WsdSearchResult result = RunWsdSearch(timings, cancel_);
            m_Devices = std::move(result.devices);
            m_Log = std::move(result.log);
            m_Counts = result.counts;
            filling_ = false;
            event->Set();
        });
    } catch (const std::system_error&) {
        filling_ = false;
        m_hSearchEvent.reset();
        return false;
    }
    return true;
}

void COnvifEngine::AddDevices(std::vector<OnvifDeviceInfo> devices, const WsdCounts& counts,
                              std::vector<std::string> log) {
    OnvifDeviceSet set;
    for (OnvifDeviceInfo& device : m_Devices) set.Add(std::move(device));
    for (OnvifDeviceInfo& device : devices)
        if (set.Add(std::move(device)) == OnvifDeviceSet::AddResult::Full) ++m_Counts.cut;
    m_Devices = set.Take();
    m_Counts += counts;
    m_Log.insert(m_Log.end(), std::make_move_iterator(log.begin()), std::make_move_iterator(log.end()));
}
