// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/worker_form.h"

SearchSettings ReadSearchSettings(WindowOps& window) {
    return {window.ProjText(), window.SelectedSearchMethod(), window.RelayAddressText(), window.RelayTransportText(),
            window.AddressRangeText()};
}

WorkerForm::WorkerForm(WindowOps& window) : WorkerForm(window, ReadSearchSettings(window)) {}

WorkerForm::WorkerForm(WindowOps& window, const SearchSettings& settings)
    : window_(window),
      proj_(settings.proj),
      method_(settings.method),
      relayAddress_(settings.relayAddress),
      relayTransport_(settings.relayTransport),
      ranges_(settings.ranges) {}

void WorkerForm::Log(const std::string& line) {
    WindowOps& window = window_;
    window_.Post([&window, line] { window.Log(line); });
}
