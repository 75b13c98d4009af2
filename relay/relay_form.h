// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window the protocol functions see when the relay calls them: a local
// broadcast through the site's cards with the filter ALL, no table, and
// their log lines in the relay's log.

#include <string>
#include <vector>

#include "protocol/memory_form.h"
#include "relay/relay_log.h"

class RelayForm : public MemoryForm {
public:
    RelayForm(RelayLog& log, std::vector<std::string> cards) : relayLog_(log), cards_(std::move(cards)) {}

    std::vector<std::string> BroadcastCardNames() override { return cards_; }
    // The relay keeps records, not rows.
    std::string Cell(int, int) override { return {}; }
    void SetCell(int, int, const std::string&) override {}
    int RowCount() override { return 0; }
    void SetRowCount(int) override {}
    void Log(const std::string& line) override;

private:
    RelayLog& relayLog_;
    std::vector<std::string> cards_;
};
