// Simulated UPnP cameras: GUPnP root devices, each with a description of
// its own, served by GUPnP's HTTP server and announced on one interface.
// GUPnP runs on a thread of its own with its own main loop.

#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include <glib/gstdio.h>
#include <libgupnp/gupnp.h>

#include "tools/devsim/service.h"
#include "tools/devsim/upnp_camera.h"

namespace {

constexpr std::chrono::seconds kStartTimeout{10};

bool WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    return static_cast<bool>(out.flush());
}

class UpnpCameraService final : public DevsimService {
public:
    bool Start(const DevsimContext& context, std::string& error) override {
        const DevsimOptions& o = context.options;
        diag_ = context.diag;
        if (auto path = o.Text("--upnp-cameras")) {
            auto loaded = LoadUpnpCameraFile(*path, error);
            if (!loaded) return false;
            cameras_ = std::move(*loaded);
        }
        auto generated = GenerateUpnpCameras(static_cast<int>(o.Integer("--upnp-count", 0)));
        cameras_.insert(cameras_.end(), generated.begin(), generated.end());
        iface_ = o.Text("--upnp-interface", "lo");

        GError* dirError = nullptr;
        char* dir = g_dir_make_tmp("lanvaro-upnp-XXXXXX", &dirError);
        if (dir == nullptr) {
            error = std::string("cannot make a folder for the camera descriptions: ") + dirError->message;
            g_error_free(dirError);
            return false;
        }
        dir_ = dir;
        g_free(dir);

        mainContext_ = g_main_context_new();
        loop_ = g_main_loop_new(mainContext_, FALSE);
        std::future<std::string> started = ready_.get_future();
        thread_ = std::thread([this] { Run(); });
        if (started.wait_for(kStartTimeout) != std::future_status::ready) {
            error = "UPnP cameras did not start in time";
            return false;
        }
        error = started.get();
        return error.empty();
    }

    void Stop() override {
        if (thread_.joinable()) {
            // A quit that lands before the loop runs would be lost; a source
            // on the loop's own context is not.
            GSource* quit = g_idle_source_new();
            g_source_set_callback(
                quit,
                [](gpointer loop) {
                    g_main_loop_quit(static_cast<GMainLoop*>(loop));
                    return G_SOURCE_REMOVE;
                },
                loop_, nullptr);
            g_source_attach(quit, mainContext_);
            g_source_unref(quit);
            thread_.join();
        }
        if (loop_ != nullptr) g_main_loop_unref(loop_);
        loop_ = nullptr;
        if (mainContext_ != nullptr) g_main_context_unref(mainContext_);
        mainContext_ = nullptr;
        for (const std::string& file : files_) g_remove(file.c_str());
        if (!dir_.empty()) g_rmdir(dir_.c_str());
    }

private:
    // Fulfils ready_ once every camera is announced (or with the reason it
    // could not be), then serves until Stop.
    void Run() {
        g_main_context_push_thread_default(mainContext_);
        std::vector<GUPnPRootDevice*> devices;
        GUPnPContext* upnp = nullptr;

        std::string error = Announce(upnp, devices);
        ready_.set_value(error);
        if (error.empty()) g_main_loop_run(loop_);

        for (GUPnPRootDevice* device : devices) {
            gupnp_root_device_set_available(device, FALSE);
            g_object_unref(device);
        }
        if (upnp != nullptr) g_object_unref(upnp);
        for (int i = 0; i < 100 && g_main_context_iteration(mainContext_, FALSE); ++i) {
        }
        g_main_context_pop_thread_default(mainContext_);
    }

    std::string Announce(GUPnPContext*& upnp, std::vector<GUPnPRootDevice*>& devices) {
        GError* gerror = nullptr;
        upnp = gupnp_context_new_full(iface_.c_str(), nullptr, 0, GSSDP_UDA_VERSION_1_0, &gerror);
        if (upnp == nullptr) {
            std::string error = "cannot open UPnP on " + iface_ + ": " + (gerror ? gerror->message : "unknown error");
            if (gerror) g_error_free(gerror);
            return error;
        }
        const std::string iconFile = dir_ + "/camera.gif";
        if (!WriteFile(iconFile, GifIcon32())) return "cannot write " + iconFile;
        files_.push_back(iconFile);

        for (std::size_t i = 0; i < cameras_.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            const std::string iconPath = "/icons/camera-" + n + ".gif";
            if (cameras_[i].icon == CameraIcon::Gif) gupnp_context_host_path(upnp, iconFile.c_str(), iconPath.c_str());
            const std::string name = "camera-" + n + ".xml";
            const std::string file = dir_ + "/" + name;
            if (!WriteFile(file, UpnpCameraDescription(cameras_[i], iconPath))) return "cannot write " + file;
            files_.push_back(file);

            GUPnPRootDevice* device = gupnp_root_device_new(upnp, name.c_str(), dir_.c_str(), &gerror);
            if (device == nullptr) {
                std::string error = "camera " + n + ": " + (gerror ? gerror->message : "unknown error");
                if (gerror) g_error_free(gerror);
                return error;
            }
            gupnp_root_device_set_available(device, TRUE);
            devices.push_back(device);
        }
        diag_("upnp: " + std::to_string(devices.size()) + " camera(s) on " + iface_ + " port " +
              std::to_string(gupnp_context_get_port(upnp)));
        return {};
    }

    std::function<void(const std::string&)> diag_;
    std::vector<UpnpCamera> cameras_;
    std::string iface_;
    std::string dir_;
    std::vector<std::string> files_;
    GMainContext* mainContext_ = nullptr;
    GMainLoop* loop_ = nullptr;
    std::promise<std::string> ready_;
    std::thread thread_;
};

const DevsimServiceRegistration kRegistration{{
    .name = "upnp-cameras",
    .options =
        {
            {"--upnp-cameras", DevsimOptionKind::Text, "UPnP cameras from FILE (key=value;... per line)"},
            {"--upnp-count", DevsimOptionKind::Integer, "N generated UPnP cameras (AXIS, Vivotek, other)", 0, 500},
            {"--upnp-interface", DevsimOptionKind::Text, "interface the UPnP cameras answer on (default lo)"},
        },
    .enabled = [](const DevsimOptions& o) { return o.Has("--upnp-cameras") || o.Has("--upnp-count"); },
    .create = [] { return std::make_unique<UpnpCameraService>(); },
}};

}  // namespace
