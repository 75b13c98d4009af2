// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window of lanvaro-cli: the in-memory form, with the diagnostic log and
// message boxes written to stderr instead of shown, their control characters
// as \xNN (the lines carry device text to a terminal).

#include <cstdio>
#include <string>

#include "protocol/memory_form.h"

class ConsoleForm : public MemoryForm {
public:
    explicit ConsoleForm(bool logToStderr) : logToStderr_(logToStderr) {}

    void Log(const std::string& line) override;
    void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;

private:
    bool logToStderr_;
};
