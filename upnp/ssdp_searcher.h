// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sends this host's M-SEARCH through one card and hears the answers, on the
// GMainContext it is attached to. The engine sends on its own schedule
// instead of GSSDP's browser, whose own re-sends (500 ms apart) would keep
// every search listening longer than the devices need.

#include <netinet/in.h>

#include <functional>
#include <string>

#include <glib.h>

#include "protocol/unique_fd.h"
#include "upnp/ssdp_message.h"

class SsdpSearcher {
public:
    using AnswerHandler = std::function<void(const SsdpSearchAnswer&)>;

    SsdpSearcher() = default;
    SsdpSearcher(const SsdpSearcher&) = delete;
    SsdpSearcher& operator=(const SsdpSearcher&) = delete;
    ~SsdpSearcher();

    // Binds to `card` (network byte order) on a port of the kernel's choice,
    // multicasting through that card, and reads answers on `context`.
    // False with a reason in `error`.
    bool Open(in_addr_t card, GMainContext* context, AnswerHandler onAnswer, std::string& error);

    // One M-SEARCH for root devices; false with a reason when it could not go.
    bool Send(unsigned mxSeconds, std::string& error);

private:
    static gboolean OnReadable(gint fd, GIOCondition condition, gpointer self);
    void ReadWaiting();

    UniqueFd socket_;
    GSource* source_ = nullptr;
    AnswerHandler onAnswer_;
};
