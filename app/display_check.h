// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the window's platform can reach a display, decided from the
// command line and the environment before Qt is started: Qt aborts (with a
// core dump) when it cannot connect, which tells a person on an SSH session
// nothing useful.

#include <functional>
#include <string>
#include <vector>

using EnvironmentLookup = std::function<const char*(const char*)>;

// False when the chosen platform (-platform, else QT_QPA_PLATFORM, else X11
// or Wayland) needs a display that the environment does not name.
bool DisplayNamed(const std::vector<std::string>& args, const EnvironmentLookup& env);

// The one line printed when no display can be reached.
extern const char* const kNoDisplayMessage;
