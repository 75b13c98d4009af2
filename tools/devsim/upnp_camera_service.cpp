// SPDX-License-Identifier: GPL-3.0-or-later
// Simulated UPnP cameras: each one's description (and icon) served by
// GUPnP's HTTP server on every card they serve, and an SSDP responder of
// our own answering M-SEARCH, so the answer delay and a lossy link can be
// chosen (GSSDP's own responder picks its delay itself). Everything runs on
// a thread of its own with its own GLib main loop.

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <thread>

#include <glib-unix.h>
#include <glib/gstdio.h>
#include <libgupnp/gupnp.h>

#include "protocol/broadcast_interfaces.h"
#include "protocol/unique_fd.h"
#include "tools/devsim/box_card.h"
#include "tools/devsim/devsim_net.h"
#include "tools/devsim/query_loss.h"
#include "tools/devsim/service.h"
#include "tools/devsim/upnp_camera.h"
#include "tools/devsim/upnp_camera_ssdp.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::seconds kStartTimeout{10};
// A flood of searches cannot make the cameras queue without end.
constexpr std::size_t kMaxPendingAnswers = 20000;
constexpr unsigned short kSsdpPort = 1900;

bool WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    return static_cast<bool>(out.flush());
}

// A card the cameras serve: its GUPnP context holds the HTTP server.
struct ServedCard {
    std::string name;
    unsigned index = 0;
    in_addr_t address{};
    GUPnPContext* context = nullptr;
    std::string base;  // "http://198.51.100.11:40123"
};

struct PendingAnswer {
    sockaddr_in to{};
    std::string datagram;
    in_addr from{};  // INADDR_ANY: as routing chooses
};

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
        // Cameras standing at addresses of the first card are served there too.
        ownAddresses_ = o.Flag("--own-addresses");
        if (ownAddresses_ && !o.Has("--upnp-interface")) iface_ = "all";
        if (o.Has("--upnp-answer-delay-ms"))
            fixedDelay_ = std::chrono::milliseconds(o.Integer("--upnp-answer-delay-ms", 0));
        loss_ = std::make_unique<QueryLoss>(o.Integer("--loss", 0));

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
    // Fulfils ready_ once every card serves (or with the reason it could
    // not), then answers until Stop.
    void Run() {
        g_main_context_push_thread_default(mainContext_);
        std::string error = Serve();
        ready_.set_value(error);
        if (error.empty()) g_main_loop_run(loop_);

        DropSource(readSource_);
        DropSource(timer_);
        for (ServedCard& card : cards_) {
            if (card.context != nullptr) g_object_unref(card.context);
        }
        cards_.clear();
        socket_.reset();
        for (int i = 0; i < 100 && g_main_context_iteration(mainContext_, FALSE); ++i) {
        }
        g_main_context_pop_thread_default(mainContext_);
    }

    static void DropSource(GSource*& source) {
        if (source == nullptr) return;
        g_source_destroy(source);
        g_source_unref(source);
        source = nullptr;
    }

    std::vector<ServedCard> CardsToServe() const {
        std::vector<ServedCard> cards;
        for (const InterfaceAddress& entry : LocalInterfaceAddresses()) {
            if ((entry.flags & IFF_UP) == 0) continue;
            const std::string name = entry.name.substr(0, entry.name.find(':'));
            if (iface_ != "all" && name != iface_) continue;
            bool seen = false;
            for (const ServedCard& card : cards) seen = seen || card.name == name;
            if (seen) continue;
            ServedCard card;
            card.name = name;
            card.index = if_nametoindex(name.c_str());
            card.address = entry.address;
            cards.push_back(std::move(card));
        }
        return cards;
    }

    std::string Serve() {
        cards_ = CardsToServe();
        if (cards_.empty()) return "no card " + iface_ + " with an IPv4 address to serve UPnP cameras on";
        if (std::string error = StandOnOwnAddresses(); !error.empty()) return error;

        const std::string iconFile = dir_ + "/camera.gif";
        if (!WriteFile(iconFile, GifIcon32())) return "cannot write " + iconFile;
        files_.push_back(iconFile);
        for (std::size_t i = 0; i < cameras_.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            const std::string file = dir_ + "/camera-" + n + ".xml";
            if (!WriteFile(file, UpnpCameraDescription(cameras_[i], "/icons/camera-" + n + ".gif")))
                return "cannot write " + file;
            files_.push_back(file);
        }

        std::string ports;
        for (ServedCard& card : cards_) {
            GError* gerror = nullptr;
            // The card's own address: with --own-addresses it has more than one.
            GInetAddress* address =
                g_inet_address_new_from_bytes(reinterpret_cast<const guint8*>(&card.address), G_SOCKET_FAMILY_IPV4);
            card.context = gupnp_context_new_full(card.name.c_str(), address, 0, GSSDP_UDA_VERSION_1_0, &gerror);
            g_object_unref(address);
            if (card.context == nullptr) {
                std::string error =
                    "cannot open UPnP on " + card.name + ": " + (gerror ? gerror->message : "unknown error");
                if (gerror) g_error_free(gerror);
                return error;
            }
            card.base = "http://" + Ipv4Text(card.address) + ":" + std::to_string(gupnp_context_get_port(card.context));
            for (std::size_t i = 0; i < cameras_.size(); ++i) {
                const std::string n = std::to_string(i + 1);
                if (cameras_[i].icon == CameraIcon::Gif)
                    gupnp_context_host_path(card.context, iconFile.c_str(), ("/icons/camera-" + n + ".gif").c_str());
                gupnp_context_host_path(card.context, files_[i + 1].c_str(), ("/camera-" + n + ".xml").c_str());
            }
            ports += (ports.empty() ? "" : ", ") + card.name + " port " +
                     std::to_string(gupnp_context_get_port(card.context));
        }
        if (std::string error = OpenResponder(); !error.empty()) return error;
        diag_("upnp: " + std::to_string(cameras_.size()) + " camera(s) on " + ports);
        return {};
    }

    // Camera i at .160 + i of the first card's subnet, its presentation page
    // there; its description is still served at the card's own address.
    std::string StandOnOwnAddresses() {
        if (!ownAddresses_) return {};
        const std::optional<BoxCard> card = FirstBoxCard();
        if (!card) return "--own-addresses needs a network card with an IPv4 address";
        std::vector<std::string> addresses;
        for (std::size_t i = 0; i < cameras_.size(); ++i) {
            in_addr own{htonl((card->address & card->netmask) | static_cast<std::uint32_t>(160 + i % 90))};
            own_.push_back(own);
            addresses.push_back(Ipv4Text(own.s_addr));
            cameras_[i].presentation = "http://" + addresses.back() + "/";
        }
        std::string error;
        return AddCardAddresses(*card, addresses, error) ? std::string() : error;
    }

    // One socket on the SSDP port, in the group on every served card; each
    // search tells the card it came in on, whose address the answer names.
    std::string OpenResponder() {
        socket_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!socket_) return "SSDP socket failed";
        const int on = 1;
        // GSSDP's own sockets hold the port too.
        ::setsockopt(socket_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        ::setsockopt(socket_.get(), SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
        ::setsockopt(socket_.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        local.sin_port = htons(kSsdpPort);
        if (::bind(socket_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
            return "cannot bind the SSDP port";
        for (const ServedCard& card : cards_) {
            ip_mreqn request{};
            ::inet_pton(AF_INET, "239.255.255.250", &request.imr_multiaddr);
            request.imr_address.s_addr = card.address;
            request.imr_ifindex = static_cast<int>(card.index);
            if (::setsockopt(socket_.get(), IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0)
                return "cannot join the SSDP group on " + card.name;
        }
        readSource_ = g_unix_fd_source_new(socket_.get(), G_IO_IN);
        g_source_set_callback(readSource_, reinterpret_cast<GSourceFunc>(reinterpret_cast<void (*)()>(&OnReadable)),
                              this, nullptr);
        g_source_attach(readSource_, mainContext_);
        return {};
    }

    static gboolean OnReadable(gint, GIOCondition, gpointer self) {
        static_cast<UpnpCameraService*>(self)->ReadSearches();
        return G_SOURCE_CONTINUE;
    }

    void ReadSearches() {
        char buffer[2048];
        for (int i = 0; i < 256; ++i) {
            sockaddr_in from{};
            in_addr to{};
            unsigned arrivedOn = 0;
            const ssize_t got = ReceiveDatagram(socket_.get(), buffer, sizeof buffer, from, to, &arrivedOn);
            if (got < 0) break;
            const auto search = ParseMSearchRequest(std::string_view(buffer, static_cast<std::size_t>(got)));
            if (search) Answer(*search, from, arrivedOn, to);
        }
    }

    // A search to the group (or to the card's own address) is answered by
    // every camera within MX; one sent to a camera's own address by that
    // camera alone, at once, as UPnP 1.1 devices answer a unicast search.
    void Answer(const MSearchRequest& search, const sockaddr_in& from, unsigned arrivedOn, in_addr to) {
        const ServedCard* card = nullptr;
        for (const ServedCard& c : cards_) {
            if (c.index == arrivedOn) card = &c;
        }
        if (card == nullptr) return;
        const bool toOne = std::any_of(own_.begin(), own_.end(), [to](in_addr a) { return a.s_addr == to.s_addr; });
        std::uniform_int_distribution<int> spread(0, search.mxSeconds * 1000 - 1);
        for (std::size_t i = 0; i < cameras_.size() && pending_.size() < kMaxPendingAnswers; ++i) {
            if (toOne && own_[i].s_addr != to.s_addr) continue;
            if (!CameraAnswers(search.searchTarget, cameras_[i].udn) || loss_->Misses()) continue;
            const auto delay = fixedDelay_.value_or(std::chrono::milliseconds(toOne ? 0 : spread(random_)));
            const std::string location = card->base + "/camera-" + std::to_string(i + 1) + ".xml";
            pending_.emplace(Clock::now() + delay,
                             PendingAnswer{from, RootDeviceAnswer(search.searchTarget, location, cameras_[i].udn),
                                           toOne ? to : in_addr{}});
        }
        ArmTimer();
    }

    void ArmTimer() {
        DropSource(timer_);
        if (pending_.empty()) return;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(pending_.begin()->first - Clock::now());
        timer_ = g_timeout_source_new(static_cast<guint>(std::max<long long>(0, wait.count())));
        g_source_set_callback(timer_, &OnTimer, this, nullptr);
        g_source_attach(timer_, mainContext_);
    }

    static gboolean OnTimer(gpointer self) {
        auto* service = static_cast<UpnpCameraService*>(self);
        service->SendDue();
        return G_SOURCE_CONTINUE;  // ArmTimer replaces this source
    }

    void SendDue() {
        const auto now = Clock::now();
        while (!pending_.empty() && pending_.begin()->first <= now) {
            const PendingAnswer& answer = pending_.begin()->second;
            std::string error;
            if (!SendDatagramFrom(socket_.get(), answer.to, answer.from, answer.datagram, error))
                diag_("upnp: " + error);
            pending_.erase(pending_.begin());
        }
        ArmTimer();
    }

    std::function<void(const std::string&)> diag_;
    std::vector<UpnpCamera> cameras_;
    std::string iface_;
    bool ownAddresses_ = false;
    std::vector<in_addr> own_;  // camera i's own address, with --own-addresses
    std::optional<std::chrono::milliseconds> fixedDelay_;
    std::unique_ptr<QueryLoss> loss_;
    std::mt19937 random_{std::random_device{}()};
    std::string dir_;
    std::vector<std::string> files_;  // the icon, then camera 1, 2, ...
    std::vector<ServedCard> cards_;
    UniqueFd socket_;
    GSource* readSource_ = nullptr;
    GSource* timer_ = nullptr;
    std::multimap<Clock::time_point, PendingAnswer> pending_;
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
            {"--upnp-interface", DevsimOptionKind::Text,
             "card the UPnP cameras answer on, or all for every card (default lo)"},
            {"--upnp-answer-delay-ms", DevsimOptionKind::Integer,
             "answer every M-SEARCH after this delay instead of a random one within its MX", 0, 10000},
            {"--own-addresses", DevsimOptionKind::Flag,
             "give each UPnP camera an address of its own (.160 on) on the host's first card, answering unicast "
             "M-SEARCH from it"},
        },
    .enabled = [](const DevsimOptions& o) { return o.Has("--upnp-cameras") || o.Has("--upnp-count"); },
    .create = [] { return std::make_unique<UpnpCameraService>(); },
}};

}  // namespace
