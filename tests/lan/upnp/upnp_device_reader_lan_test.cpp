// SPDX-License-Identifier: GPL-3.0-or-later
// Reading an embedded device through GUPnP directly: the engine's search
// only yields root devices, but the reader must place children correctly.

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/lan_box.h"
#include "upnp/device_reader.h"
#include "upnp/gobject_ref.h"

namespace {

struct Found {
    GMainLoop* loop;
    std::string udn;
    GObjectRef<GUPnPDeviceProxy> proxy;
};

void OnProxy(GUPnPControlPoint*, GUPnPDeviceProxy* proxy, gpointer data) {
    auto* found = static_cast<Found*>(data);
    const char* udn = gupnp_device_info_get_udn(GUPNP_DEVICE_INFO(proxy));
    if (found->proxy || udn == nullptr || found->udn != udn) return;
    found->proxy.reset(GUPNP_DEVICE_PROXY(g_object_ref(proxy)));
    g_main_loop_quit(found->loop);
}

TEST(DeviceReader, EmbeddedDevicesNameTheirParentAndRoot) {
    TempDir dir;
    ASSERT_TRUE(WriteFile(dir.File("cams.txt"),
                          "maker=AXIS;name=Root cam;description=root;udn=uuid:reader-root;children=2;services=3\n"));
    DevsimProcess devsim({"--no-udp", "--upnp-cameras", dir.File("cams.txt")});
    ASSERT_TRUE(devsim.Start()) << devsim.Error();

    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    Found found{loop, "uuid:reader-root", {}};
    {
        // The context picks its HTTP port itself and can pick one the
        // simulated cameras' servers hold already; another pick is free.
        GObjectRef<GUPnPContext> upnp;
        std::string failure;
        for (int attempt = 0; attempt < 5 && !upnp; ++attempt) {
            GError* error = nullptr;
            upnp.reset(gupnp_context_new_full("lo", nullptr, 0, GSSDP_UDA_VERSION_1_0, &error));
            if (error != nullptr) {
                failure = error->message;
                g_error_free(error);
            }
        }
        ASSERT_TRUE(upnp) << failure;
        soup_session_set_proxy_resolver(gupnp_context_get_session(upnp.get()), nullptr);
        GObjectRef<GUPnPControlPoint> cp(gupnp_control_point_new(upnp.get(), "upnp:rootdevice"));
        g_signal_connect(cp.get(), "device-proxy-available", G_CALLBACK(OnProxy), &found);
        gssdp_resource_browser_set_active(GSSDP_RESOURCE_BROWSER(cp.get()), TRUE);
        GSource* timeout = g_timeout_source_new(4000);
        g_source_set_callback(
            timeout,
            [](gpointer l) {
                g_main_loop_quit(static_cast<GMainLoop*>(l));
                return G_SOURCE_REMOVE;
            },
            loop, nullptr);
        g_source_attach(timeout, context);
        g_main_loop_run(loop);
        g_source_destroy(timeout);
        g_source_unref(timeout);
        g_signal_handlers_disconnect_by_data(cp.get(), &found);

        ASSERT_TRUE(found.proxy) << "the camera was not found within 4 s";
        GUPnPDeviceInfo* root = GUPNP_DEVICE_INFO(found.proxy.get());
        DeviceInformationContainer rootRecord;
        ReadDeviceInformation(root, rootRecord);
        EXPECT_EQ(rootRecord.IsRootDevice, "Yes");
        EXPECT_EQ(rootRecord.ParentDevice, "This is a topmost device");
        EXPECT_EQ(rootRecord.RootDevice, "This is a topmost device");
        EXPECT_EQ(rootRecord.Children, "Yes: 2 children");
        EXPECT_EQ(rootRecord.Services, "Yes: 3 services");

        const DeviceLineage lineage = ChildLineage(root, {});
        GList* children = gupnp_device_info_list_devices(root);
        std::vector<std::string> names;
        for (GList* l = children; l != nullptr; l = l->next) {
            DeviceInformationContainer child;
            ReadDeviceInformation(GUPNP_DEVICE_INFO(l->data), child, lineage);
            names.push_back(child.FriendlyName);
            EXPECT_EQ(child.IsRootDevice, "No");
            EXPECT_EQ(child.ParentDevice, "Root cam");
            EXPECT_EQ(child.RootDevice, "Root cam");
            EXPECT_EQ(child.HasChildren, "No");
            EXPECT_EQ(child.Children, "No: Zero children");
            EXPECT_EQ(child.Services, "No: Zero services");
            // A grandchild's parent is the child, its root still the camera.
            const DeviceLineage below = ChildLineage(GUPNP_DEVICE_INFO(l->data), lineage);
            EXPECT_EQ(below.parentName, child.FriendlyName);
            EXPECT_EQ(below.rootName, "Root cam");
        }
        g_list_free_full(children, g_object_unref);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"Root cam lens 1", "Root cam lens 2"}));
        found.proxy.reset();
    }
    g_main_loop_unref(loop);
    for (int i = 0; i < 100 && g_main_context_iteration(context, FALSE); ++i) {
    }
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
}

}  // namespace
