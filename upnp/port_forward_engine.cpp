#include "upnp/port_forward_engine.h"

#include <system_error>

#include <libgupnp/gupnp.h>

#include "upnp/device_facts.h"
#include "upnp/device_reader.h"
#include "upnp/gobject_ref.h"
#include "upnp/search_schedule.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Everything one search owns; lives on the search thread's stack and is
// touched only there, by the GLib callbacks of that thread's loop.
struct SearchState {
    explicit SearchState(milliseconds listenWindow) : progress(listenWindow, upnp_search::kDescriptionAllowance) {}

    Clock::time_point started = Clock::now();
    GMainLoop* loop = nullptr;
    bool resent = false;
    upnp_search::SearchProgress progress;
    std::vector<GObjectRef<GUPnPControlPoint>> controlPoints;
    std::vector<GObjectRef<GUPnPDeviceProxy>> proxies;  // in order found
};

void OnResourceAvailable(GSSDPResourceBrowser*, const char* usn, gpointer, gpointer data) {
    if (usn != nullptr) static_cast<SearchState*>(data)->progress.Announced(UdnFromUsn(usn));
}

void OnDeviceProxyAvailable(GUPnPControlPoint*, GUPnPDeviceProxy* proxy, gpointer data) {
    auto* state = static_cast<SearchState*>(data);
    const char* udn = gupnp_device_info_get_udn(GUPNP_DEVICE_INFO(proxy));
    state->progress.Described(udn != nullptr ? udn : "");
    state->proxies.emplace_back(GUPNP_DEVICE_PROXY(g_object_ref(proxy)));
}

void OnContextAvailable(GUPnPContextManager*, GUPnPContext* context, gpointer data) {
    auto* state = static_cast<SearchState*>(data);
    // An http_proxy of the desktop cannot reach LAN devices.
    soup_session_set_proxy_resolver(gupnp_context_get_session(context), nullptr);

    GObjectRef<GUPnPControlPoint> cp(gupnp_control_point_new(context, "upnp:rootdevice"));
    if (!cp) return;
    g_signal_connect(cp.get(), "resource-available", G_CALLBACK(OnResourceAvailable), state);
    g_signal_connect(cp.get(), "device-proxy-available", G_CALLBACK(OnDeviceProxyAvailable), state);
    gssdp_resource_browser_set_mx(GSSDP_RESOURCE_BROWSER(cp.get()), upnp_search::kMxSeconds);
    gssdp_resource_browser_set_active(GSSDP_RESOURCE_BROWSER(cp.get()), TRUE);
    state->controlPoints.push_back(std::move(cp));
}

gboolean OnCheck(gpointer data) {
    auto* state = static_cast<SearchState*>(data);
    const auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - state->started);
    if (!state->resent && elapsed >= upnp_search::kResendAt) {
        state->resent = true;
        for (auto& cp : state->controlPoints) gssdp_resource_browser_rescan(GSSDP_RESOURCE_BROWSER(cp.get()));
    }
    if (!state->progress.ShouldEnd(elapsed)) return G_SOURCE_CONTINUE;
    g_main_loop_quit(state->loop);
    return G_SOURCE_REMOVE;
}

// Runs the bounded search on the calling thread and hands what answered
// (each device once per interface it was seen on) to `deliver` before the
// GUPnP objects are torn down, so the result is not held up by the cleanup.
template <typename Deliver>
void SearchRootDevices(milliseconds listenWindow, Deliver&& deliver) {
    std::vector<DeviceInformationContainer> found;
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    {
        SearchState state(listenWindow);
        state.loop = g_main_loop_new(context, FALSE);

        GObjectRef<GUPnPContextManager> manager(
            gupnp_context_manager_create_full(GSSDP_UDA_VERSION_1_0, G_SOCKET_FAMILY_IPV4, 0));
        if (manager) {
            const gulong handler =
                g_signal_connect(manager.get(), "context-available", G_CALLBACK(OnContextAvailable), &state);

            GSource* check = g_timeout_source_new(static_cast<guint>(upnp_search::kCheckInterval.count()));
            g_source_set_callback(check, OnCheck, &state, nullptr);
            g_source_attach(check, context);
            g_main_loop_run(state.loop);
            g_source_destroy(check);
            g_source_unref(check);

            g_signal_handler_disconnect(manager.get(), handler);
            for (auto& cp : state.controlPoints) {
                g_signal_handlers_disconnect_by_data(cp.get(), &state);
                gssdp_resource_browser_set_active(GSSDP_RESOURCE_BROWSER(cp.get()), FALSE);
            }
            for (auto& proxy : state.proxies) {
                DeviceInformationContainer record;
                ReadDeviceInformation(GUPNP_DEVICE_INFO(proxy.get()), record);
                found.push_back(std::move(record));
            }
        }
        deliver(std::move(found));
        state.proxies.clear();
        state.controlPoints.clear();
        manager.reset();
        // Let cancelled downloads and closing sockets finish their callbacks
        // while the objects they point to still exist; bounded, as some
        // sources stay pending until the context is freed.
        for (int i = 0; i < 100 && g_main_context_iteration(context, FALSE); ++i) {
        }
        g_main_loop_unref(state.loop);
    }
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
}

}  // namespace

CPortForwardEngine::CPortForwardEngine() = default;

CPortForwardEngine::~CPortForwardEngine() {
    if (m_hThread.joinable()) m_hThread.join();
}

bool CPortForwardEngine::StartSearch(WindowOps* hWnd) {
    // Once the devices are in, the thread only tears GUPnP down (bounded):
    // a search started right after the last one ended waits for that, as a
    // setup watch does when it hands over to the user's search.
    if (m_DevicesFilling.load() || hWnd == nullptr) return false;
    if (m_hThread.joinable()) m_hThread.join();

    m_hWnd = hWnd;
    auto event = std::make_shared<ManualResetEvent>();
    m_hSearchEvent = event;
    m_hThreadRunning.store(true);
    m_DevicesFilling.store(true);
    try {
        m_hThread = std::thread(&CPortForwardEngine::SearchThreadProc, this, event, searchWindow_);
    } catch (const std::system_error&) {
        m_hThreadRunning.store(false);
        m_DevicesFilling.store(false);
        m_hSearchEvent.reset();
        m_hWnd = nullptr;
        return false;
    }
    return true;
}

void CPortForwardEngine::SearchThreadProc(CPortForwardEngine* engine, std::shared_ptr<ManualResetEvent> event,
                                          std::chrono::milliseconds listenWindow) {
    engine->m_Devices.clear();
    engine->m_SkippedDevices.clear();
    SearchRootDevices(listenWindow, [&](std::vector<DeviceInformationContainer> found) {
        SortedDevices sorted = SortByMaker(found);
        engine->m_Devices = std::move(sorted.kept);
        engine->m_SkippedDevices = std::move(sorted.skipped);
        engine->m_DevicesFilling.store(false);
        event->Set();
    });
    engine->m_DevicesFilling.store(false);
    engine->m_hWnd = nullptr;
    engine->m_hThreadRunning.store(false);
}
