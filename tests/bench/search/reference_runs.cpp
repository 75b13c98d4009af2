// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/bench/search/reference_runs.h"

#include <cstdio>
#include <fstream>
#include <set>

#include <libgssdp/gssdp.h>

#include "tests/support/lan_box.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Browse {
    Clock::time_point start;
    std::set<std::string> usns;
    Clock::time_point lastNew;
};

void OnAvailable(GSSDPResourceBrowser*, const char* usn, gpointer, gpointer data) {
    auto* browse = static_cast<Browse*>(data);
    if (usn != nullptr && browse->usns.insert(usn).second) browse->lastNew = Clock::now();
}

gboolean Quit(gpointer loop) {
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_REMOVE;
}

}  // namespace

bool RunGssdpBrowser(const std::string& iface, unsigned mxSeconds, std::chrono::milliseconds window,
                     ReferenceRun& run) {
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GError* error = nullptr;
    GSSDPClient* client = gssdp_client_new_full(iface.c_str(), nullptr, 0, GSSDP_UDA_VERSION_1_0, &error);
    const bool ok = client != nullptr;
    if (client != nullptr) {
        Browse browse{Clock::now(), {}, Clock::now()};
        GSSDPResourceBrowser* browser = gssdp_resource_browser_new(client, "upnp:rootdevice");
        gssdp_resource_browser_set_mx(browser, static_cast<gushort>(mxSeconds));
        g_signal_connect(browser, "resource-available", G_CALLBACK(OnAvailable), &browse);
        GMainLoop* loop = g_main_loop_new(context, FALSE);
        GSource* stop = g_timeout_source_new(static_cast<guint>(window.count()));
        g_source_set_callback(stop, Quit, loop, nullptr);
        g_source_attach(stop, context);
        browse.start = Clock::now();
        gssdp_resource_browser_set_active(browser, TRUE);
        g_main_loop_run(loop);
        g_source_unref(stop);
        g_main_loop_unref(loop);
        g_signal_handlers_disconnect_by_data(browser, &browse);
        g_object_unref(browser);
        g_object_unref(client);
        run.found = browse.usns.size();
        run.ms = browse.usns.empty() ? 0 : Ms(browse.lastNew - browse.start);
    } else {
        std::fprintf(stderr, "GSSDP browser: %s\n", error ? error->message : "no client");
        if (error) g_error_free(error);
    }
    for (int i = 0; i < 100 && g_main_context_iteration(context, FALSE); ++i) {
    }
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    return ok;
}

bool RunNmapWsdd(const std::string& iface, const std::string& outDir, ReferenceRun& run) {
    const std::string out = outDir + "/nmap.out";
    const auto start = Clock::now();
    ChildProcess nmap({kNmapPath, "-n", "-e", iface, "--script", "broadcast-wsdd-discover"},
                      {{}, out, outDir + "/nmap.err"});
    const auto status = nmap.Wait(std::chrono::milliseconds(60000));
    run.ms = Ms(Clock::now() - start);
    if (!status || *status != 0) return false;
    std::ifstream in(out);
    std::set<std::string> addresses;
    for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find("Address: ");
        if (at != std::string::npos) addresses.insert(line.substr(at));
    }
    run.found = addresses.size();
    return true;
}
