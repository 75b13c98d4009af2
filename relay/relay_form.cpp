// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/relay_form.h"

void RelayForm::Log(const std::string& line) {
    // A package being built echoes itself ("[Kestrova,03,...]"); the relay
    // logs each forwarded package in a line of its own instead.
    if (!line.empty() && line.front() == '[') return;
    std::string text = line;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    relayLog_.Limited(text, RelayClock::now());
}
