// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a piece of a test in a child process inside a fresh user and network
// namespace that has nothing but loopback (up). Whatever the code under test
// sends there — even a broadcast by mistake — never leaves this machine's
// own namespace.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

// The text body returned, or nullopt when no namespace could be made (the
// caller skips). A child that crashes or overruns the time limit yields a
// text saying so, which no test expects.
std::optional<std::string> RunInPrivateNetwork(const std::function<std::string()>& body,
                                               std::chrono::milliseconds limit = std::chrono::seconds(10));
