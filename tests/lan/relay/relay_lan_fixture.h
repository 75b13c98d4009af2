// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A relay served in this test's own process, on the box's loopback, with a
// site search the test makes up: what the service does with its clients,
// without a site to search.

#include <sys/eventfd.h>

#include <memory>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "relay/relay_server.h"
#include "tests/support/fake_window.h"

class InProcessRelay {
public:
    // Serves `devices`, each search taking `searchTime`.
    InProcessRelay(RelaySettings settings, TComUnitList devices,
                   std::chrono::milliseconds searchTime = std::chrono::milliseconds(300))
        : log_([this](const std::string& line) {
              const std::lock_guard<std::mutex> lock(mutex_);
              lines_.push_back(line);
          }),
          site_(
              [this, devices, searchTime](const std::atomic<bool>& cancel) {
                  ++searches_;
                  const auto end = RelayClock::now() + searchTime;
                  while (!cancel.load() && RelayClock::now() < end)
                      std::this_thread::sleep_for(std::chrono::milliseconds(10));
                  return std::make_shared<const SiteAnswers>(devices, RelayClock::now(), 0.3);
              },
              std::chrono::seconds(5)),
          server_(std::move(settings), site_, log_),
          stop_(::eventfd(0, EFD_CLOEXEC)) {}

    ~InProcessRelay() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(stop_.get(), &one, sizeof one);
        if (thread_.joinable()) thread_.join();
    }

    // Binds and serves; false with the reason in Error().
    bool Start() {
        if (!server_.Open(error_)) return false;
        thread_ = std::thread([this] { server_.Run(stop_.get()); });
        return true;
    }
    const std::string& Error() const { return error_; }
    SiteDevices& Site() { return site_; }
    int Searches() const { return searches_.load(); }
    // Read after the relay has stopped, or for counters that only grow.
    const RelayCounts& Counts() const { return server_.Counts(); }

    std::vector<std::string> Lines() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    int LinesWith(const std::string& text) {
        int n = 0;
        for (const std::string& line : Lines()) n += line.find(text) != std::string::npos ? 1 : 0;
        return n;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::atomic<int> searches_{0};
    RelayLog log_;
    SiteDevices site_;
    RelayServer server_;
    UniqueFd stop_;
    std::thread thread_;
    std::string error_;
};

// N devices at documentation addresses, each of its own MAC.
inline TComUnitList SiteDeviceList(int n) {
    TComUnitList devices;
    for (int i = 1; i <= n; ++i) {
        char mac[32];
        std::snprintf(mac, sizeof mac, "02:4B:56:00:%02x:%02x", (i >> 8) & 0xff, i & 0xff);
        devices.push_back(MakeRecord({"KX-" + std::to_string(i % 4), i % 3 == 0 ? "NVR" : "IPCam",
                                      "cam " + std::to_string(i), "203.0.113." + std::to_string(i % 250 + 1), "80",
                                      "255.255.255.0", "203.0.113.1", "203.0.113.53", mac, "HW1", "n"}));
    }
    return devices;
}
