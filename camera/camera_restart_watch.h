// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether a restarted camera came back. It must first be seen going: its
// device service failing once, or a Bye of its endpoint (a camera that never
// went away did not restart); then it is back when its endpoint answers
// WS-Discovery again: its Hello, or a ProbeMatches.

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

// Seconds from `sentAt` until it answered again; nullopt when it did not
// within `limit`, or once `cancel` is set. Blocking; sends Probes on every card.
std::optional<double> WatchCameraRestart(const std::string& xaddr, const std::string& endpoint,
                                         std::chrono::steady_clock::time_point sentAt, std::chrono::seconds limit,
                                         const std::atomic<bool>& cancel);
