// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/csv_field.h"

#include <string_view>

#include "protocol/terminal_text.h"

bool LooksLikeFormula(const std::string& text) {
    return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
}

std::string CsvQuoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string CsvField(const std::string& text) {
    // The apostrophe goes first, so the guard holds whatever the quoting adds.
    const std::string shown = (LooksLikeFormula(text) ? "'" : "") + TerminalText(text);
    return shown.find_first_of(",\"\r\n") == std::string::npos ? shown : CsvQuoted(shown);
}
