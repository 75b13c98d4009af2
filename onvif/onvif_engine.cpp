#include "onvif/onvif_engine.h"

#include <system_error>

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
