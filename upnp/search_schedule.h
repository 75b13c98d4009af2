// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// When a UPnP search sends and when it ends. A device answers an M-SEARCH
// after a random delay of up to MX seconds, so several early sends cover a
// lost request or answer without stretching the search: the last answer to
// the last send arrives by that send + MX. After that (and a margin for the
// network and loaded hosts) the search ends as soon as every answering
// device's description is in, and at the latest when the description
// allowance is spent. Descriptions are fetched as answers arrive.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace upnp_search {

using std::chrono::milliseconds;

// 1 is the least MX devices accept; larger only slows every search.
inline constexpr unsigned kMxSeconds = 1;

struct Schedule {
    std::vector<milliseconds> sends{milliseconds(0), milliseconds(200), milliseconds(400)};
    unsigned mxSeconds = kMxSeconds;
    milliseconds margin{100};
    // Extra time for descriptions still being fetched when listening ends.
    milliseconds descriptionAllowance{1000};

    // Last send + MX + margin.
    milliseconds ListenEnd() const {
        const milliseconds last = sends.empty() ? milliseconds(0) : sends.back();
        return last + std::chrono::duration_cast<milliseconds>(std::chrono::seconds(mxSeconds)) + margin;
    }
    // The index of the first send still to come at `elapsed` when `next`
    // sends are behind; sends that fell due together go out as one.
    std::size_t NextAfter(std::size_t next, milliseconds elapsed) const {
        while (next < sends.size() && sends[next] <= elapsed) ++next;
        return next;
    }
};

// How often the loop checks whether it may end.
inline constexpr milliseconds kCheckInterval{20};

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

    // Answers keep coming until `elapsed` (a range search's last listening):
    // the search listens that long at least, descriptions allowed for after it.
    void ListenUntilAtLeast(milliseconds elapsed) { listenWindow_ = std::max(listenWindow_, elapsed); }

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
