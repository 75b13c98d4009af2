#include "app/worker_form.h"

WorkerForm::WorkerForm(WindowOps& window)
    : window_(window),
      proj_(window.ProjText()),
      method_(window.SelectedSearchMethod()),
      relayAddress_(window.RelayAddressText()),
      relayTransport_(window.RelayTransportText()) {}

void WorkerForm::Log(const std::string& line) {
    WindowOps& window = window_;
    window_.Post([&window, line] { window.Log(line); });
}
