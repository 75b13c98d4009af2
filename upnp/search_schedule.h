#pragma once
// When a UPnP search sends and when it ends. Devices answer an M-SEARCH
// after a random delay of up to MX seconds. GSSDP sends the search twice,
// 500 ms apart; one more send at 1 s covers a lost request or answer, so the
// last answers arrive by 1 s + MX. After that window the search ends as
// soon as every answering device's description is in, and at the latest
// when the description allowance is spent.

#include <chrono>
#include <set>
#include <string>

namespace upnp_search {

using std::chrono::milliseconds;

// 1 is the least MX devices accept; larger only slows every search.
inline constexpr unsigned kMxSeconds = 1;
// The extra send, after GSSDP's own two.
inline constexpr milliseconds kResendAt{1000};
// Last send + MX + a margin for loaded devices and the network.
inline constexpr milliseconds kListenWindow{2200};
// Extra time for descriptions still being fetched when the window closes.
inline constexpr milliseconds kDescriptionAllowance{1000};
// How often the loop checks whether it may end.
inline constexpr milliseconds kCheckInterval{50};

// Which answering devices still wait for their description.
class SearchProgress {
public:
    SearchProgress(milliseconds listenWindow, milliseconds allowance)
        : listenWindow_(listenWindow), allowance_(allowance) {}

    void Announced(const std::string& udn) { announced_.insert(udn); }
    void Described(const std::string& udn) {
        announced_.insert(udn);
        described_.insert(udn);
    }
    std::size_t Pending() const { return announced_.size() - described_.size(); }

    // `elapsed` counts from the start of the search.
    bool ShouldEnd(milliseconds elapsed) const {
        if (elapsed >= listenWindow_ + allowance_) return true;
        return elapsed >= listenWindow_ && Pending() == 0;
    }

private:
    milliseconds listenWindow_;
    milliseconds allowance_;
    std::set<std::string> announced_;
    std::set<std::string> described_;
};

}  // namespace upnp_search
