// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// lanvaro-cli setup --verify: searching again until the device shows the
// settings it was sent.

#include <chrono>
#include <optional>
#include <string>

#include "app/main_form_logic.h"
#include "cli/console_form.h"
#include "netsetup/setup_confirmation.h"

struct SetupConfirmation {
    std::string ip;
    double seconds = 0;  // from the send to the end of the confirming search
};

// Runs the form's search (as set up for the first one) every `interval`
// counted from the send, as long as a search can begin within `limit`.
std::optional<SetupConfirmation> VerifySetup(ConsoleForm& form, MainFormLogic& logic, const SetupTarget& target,
                                             std::chrono::steady_clock::time_point sentAt,
                                             std::chrono::milliseconds limit,
                                             std::chrono::milliseconds interval = std::chrono::seconds(2));
