// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One search of the relay's own site: the window's local broadcast search and
// reply parser, through the site's cards, with the filter ALL.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "relay/relay_log.h"
#include "relay/site_answers.h"

// `cards` empty: every card that can broadcast. What went wrong (the reply
// port held, answers dropped, devices past the listing limit) is logged.
std::shared_ptr<const SiteAnswers> SearchSite(const std::vector<std::string>& cards, RelayLog& log,
                                              const std::atomic<bool>& cancel);
