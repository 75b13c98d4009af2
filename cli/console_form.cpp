#include "cli/console_form.h"

void ConsoleForm::Log(const std::string& line) {
    MemoryForm::Log(line);
    if (logToStderr_) std::fprintf(stderr, "%s\n", log.back().c_str());
}

void ConsoleForm::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    MemoryForm::ShowMessage(text, title, icon);
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}
