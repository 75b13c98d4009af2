// SPDX-License-Identifier: GPL-3.0-or-later
#include "upnp/port_forward_engine.h"

#include <arpa/inet.h>

#include <set>
#include <system_error>

#include <libgupnp/gupnp.h>

#include "upnp/device_facts.h"
#include "upnp/device_reader.h"
#include "upnp/gobject_ref.h"
#include "upnp/ssdp_searcher.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// GUPnP picks each context's HTTP port itself and now and then one that is
// held already; a fresh try picks another.
constexpr int kContextAttempts = 3;

// One card's part of a search. Members go in reverse order: the socket's
// source before the control point, the control point before its context.
struct CardSearch {
    SearchCard card;
    GObjectRef<GUPnPContext> context;
    GObjectRef<GUPnPControlPoint> controlPoint;
    SsdpSearcher searcher;
    std::set<std::string> handedOver;  // UDNs whose description was asked for
    std::vector<std::string> usns;     // as handed over, to take back
    std::size_t nextSend = 0;
};

// Everything one search owns; lives on the search thread's stack and is
// touched only there, by the GLib callbacks of that thread's loop.
struct SearchState {
    SearchState(const upnp_search::Schedule& s, milliseconds listenWindow)
        : schedule(s), progress(listenWindow, s.descriptionAllowance) {}

    upnp_search::Schedule schedule;
    Clock::time_point started = Clock::now();
    GMainLoop* loop = nullptr;
    upnp_search::SearchProgress progress;
    std::vector<std::unique_ptr<CardSearch>> cards;
    std::vector<FailedCard> failed;
    std::vector<GObjectRef<GUPnPDeviceProxy>> proxies;  // in order found
    // A range search's answers; null for a local search alone.
    std::shared_ptr<RangeAnswerFeed> rangeFeed;
    bool rangeFeedClosed = false;
};

milliseconds Elapsed(const SearchState& state) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - state.started);
}

void OnDeviceProxyAvailable(GUPnPControlPoint*, GUPnPDeviceProxy* proxy, gpointer data) {
    auto* state = static_cast<SearchState*>(data);
    const char* udn = gupnp_device_info_get_udn(GUPNP_DEVICE_INFO(proxy));
    state->progress.Described(udn != nullptr ? udn : "");
    state->proxies.emplace_back(GUPNP_DEVICE_PROXY(g_object_ref(proxy)));
}

// GUPnP's control point fetches and reads the description of whatever its
// browser reports; reporting the answer our own search heard takes that
// path, once per device and card.
void HandOver(SearchState& state, CardSearch& card, const SsdpSearchAnswer& answer) {
    state.progress.Announced(answer.udn);
    if (!card.handedOver.insert(answer.udn).second) return;
    card.usns.push_back(answer.usn);
    GList locations{};
    locations.data = const_cast<char*>(answer.location.c_str());
    g_signal_emit_by_name(card.controlPoint.get(), "resource-available", answer.usn.c_str(), &locations);
}

void SendDue(SearchState& state) {
    const milliseconds elapsed = Elapsed(state);
    for (auto& card : state.cards) {
        const std::size_t next = state.schedule.NextAfter(card->nextSend, elapsed);
        if (next == card->nextSend) continue;
        card->nextSend = next;
        std::string error;
        card->searcher.Send(state.schedule.mxSeconds, error);
    }
}

// The card whose control point reads the descriptions of a range search's
// answers: routing, not the card, decides how its requests leave, so any
// card but loopback will do.
CardSearch& RangeCard(SearchState& state) {
    for (auto& card : state.cards)
        if ((ntohl(card->card.address) >> 24) != 127) return *card;
    return *state.cards.front();
}

// Hands over what the range search heard; false while it still listens.
bool TakeRangeAnswers(SearchState& state) {
    if (!state.rangeFeed || state.rangeFeedClosed) return true;
    // Read before the answers: one that came just before the close is not lost.
    const bool closed = state.rangeFeed->Closed();
    for (const SsdpSearchAnswer& answer : state.rangeFeed->TakeNew()) HandOver(state, RangeCard(state), answer);
    if (!closed) return false;
    state.rangeFeedClosed = true;
    state.progress.ListenUntilAtLeast(Elapsed(state));
    return true;
}

gboolean OnCheck(gpointer data) {
    auto* state = static_cast<SearchState*>(data);
    SendDue(*state);
    if (!TakeRangeAnswers(*state)) return G_SOURCE_CONTINUE;
    if (!state->progress.ShouldEnd(Elapsed(*state))) return G_SOURCE_CONTINUE;
    g_main_loop_quit(state->loop);
    return G_SOURCE_REMOVE;
}

GUPnPContext* OpenContext(const SearchCard& card, std::string& error) {
    GObjectRef<GInetAddress> address(
        g_inet_address_new_from_bytes(reinterpret_cast<const guint8*>(&card.address), G_SOCKET_FAMILY_IPV4));
    GError* gerror = nullptr;
    GUPnPContext* context = gupnp_context_new_full(card.name.c_str(), address.get(), 0, GSSDP_UDA_VERSION_1_0, &gerror);
    if (context == nullptr) {
        error = gerror != nullptr ? gerror->message : "unknown error";
        if (gerror != nullptr) g_error_free(gerror);
    }
    return context;
}

// Opens one card's context (retried, bounded), control point and socket;
// nullptr and a reason when the card cannot be searched.
std::unique_ptr<CardSearch> OpenCard(SearchState& state, GMainContext* loopContext, const SearchCard& card,
                                     const CPortForwardEngine::CardFault& fault, std::string& reason) {
    auto search = std::make_unique<CardSearch>();
    search->card = card;
    for (int attempt = 1; attempt <= kContextAttempts && !search->context; ++attempt) {
        if (fault) {
            if (auto injected = fault(card.name, attempt)) {
                reason = *injected;
                continue;
            }
        }
        search->context.reset(OpenContext(card, reason));
    }
    if (!search->context) return nullptr;
    // An http_proxy of the desktop cannot reach LAN devices.
    soup_session_set_proxy_resolver(gupnp_context_get_session(search->context.get()), nullptr);
    search->controlPoint.reset(gupnp_control_point_new(search->context.get(), "upnp:rootdevice"));
    if (!search->controlPoint) {
        reason = "no control point";
        return nullptr;
    }
    g_signal_connect(search->controlPoint.get(), "device-proxy-available", G_CALLBACK(OnDeviceProxyAvailable), &state);
    CardSearch* raw = search.get();
    if (!search->searcher.Open(
            card.address, loopContext, [&state, raw](const SsdpSearchAnswer& answer) { HandOver(state, *raw, answer); },
            reason)) {
        reason = "M-SEARCH socket: " + reason;
        return nullptr;
    }
    return search;
}

// Runs the bounded search on the calling thread and hands what answered
// (each device once per card it was seen on) and the cards that failed to
// `deliver` before the GUPnP objects are torn down, so the result is not
// held up by the cleanup.
template <typename Deliver>
void SearchRootDevices(const upnp_search::Schedule& schedule, milliseconds listenWindow,
                       const CPortForwardEngine::CardFault& fault, std::shared_ptr<RangeAnswerFeed> rangeFeed,
                       Deliver&& deliver) {
    std::vector<DeviceInformationContainer> found;
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    {
        SearchState state(schedule, listenWindow);
        state.loop = g_main_loop_new(context, FALSE);
        state.rangeFeed = std::move(rangeFeed);
        for (const SearchCard& card : UpnpSearchCards(LocalInterfaceAddresses())) {
            std::string reason;
            if (auto search = OpenCard(state, context, card, fault, reason)) {
                state.cards.push_back(std::move(search));
            } else {
                state.failed.push_back({card.name, reason});
            }
        }
        if (!state.cards.empty()) {
            SendDue(state);
            GSource* check = g_timeout_source_new(static_cast<guint>(upnp_search::kCheckInterval.count()));
            g_source_set_callback(check, OnCheck, &state, nullptr);
            g_source_attach(check, context);
            g_main_loop_run(state.loop);
            g_source_destroy(check);
            g_source_unref(check);

            for (auto& card : state.cards) {
                g_signal_handlers_disconnect_by_data(card->controlPoint.get(), &state);
                // The control point keeps a proxy per device, and each proxy
                // its context, until the device is reported gone; the
                // browser's own cache, which would report it when the control
                // point goes, never saw these answers. Without this every
                // search kept its contexts, sockets and connections.
                for (const std::string& usn : card->usns)
                    g_signal_emit_by_name(card->controlPoint.get(), "resource-unavailable", usn.c_str());
            }
            for (auto& proxy : state.proxies) {
                DeviceInformationContainer record;
                ReadDeviceInformation(GUPNP_DEVICE_INFO(proxy.get()), record);
                found.push_back(std::move(record));
            }
        }
        deliver(std::move(found), std::move(state.failed));
        state.proxies.clear();
        state.cards.clear();
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

bool CPortForwardEngine::StartSearch(WindowOps* hWnd, std::shared_ptr<RangeAnswerFeed> rangeFeed) {
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
        m_hThread = std::thread(&CPortForwardEngine::SearchThreadProc, this, event, schedule_,
                                searchWindow_.value_or(schedule_.ListenEnd()), cardFault_, std::move(rangeFeed));
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
                                          upnp_search::Schedule schedule, std::chrono::milliseconds listenWindow,
                                          CardFault cardFault, std::shared_ptr<RangeAnswerFeed> rangeFeed) {
    engine->m_Devices.clear();
    engine->m_SkippedDevices.clear();
    engine->m_FailedCards.clear();
    SearchRootDevices(schedule, listenWindow, cardFault, std::move(rangeFeed),
                      [&](std::vector<DeviceInformationContainer> found, std::vector<FailedCard> failed) {
                          SortedDevices sorted = SortByMaker(found);
                          engine->m_Devices = std::move(sorted.kept);
                          engine->m_SkippedDevices = std::move(sorted.skipped);
                          engine->m_FailedCards = std::move(failed);
                          engine->m_DevicesFilling.store(false);
                          event->Set();
                      });
    engine->m_DevicesFilling.store(false);
    engine->m_hWnd = nullptr;
    engine->m_hThreadRunning.store(false);
}
