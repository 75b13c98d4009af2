// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/console_form.h"

#include "protocol/terminal_text.h"

void ConsoleForm::Log(const std::string& line) {
    MemoryForm::Log(line);
    if (logToStderr_) std::fprintf(stderr, "%s\n", TerminalText(log.back()).c_str());
}

void ConsoleForm::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    MemoryForm::ShowMessage(text, title, icon);
    std::fprintf(stderr, "%s: %s\n", TerminalText(title).c_str(), TerminalText(text).c_str());
}
