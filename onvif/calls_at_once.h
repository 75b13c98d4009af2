// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Calls to one camera that do not depend on each other go out together: a
// camera takes tens to hundreds of milliseconds per answer, and asking one
// question after another adds them up.

#include <functional>
#include <vector>

// Runs every call, each but the first on a thread of its own, and returns
// when all have ended; an exception of any is thrown here after that.
void RunCallsAtOnce(const std::vector<std::function<void()>>& calls);
