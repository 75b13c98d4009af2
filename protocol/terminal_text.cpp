// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/terminal_text.h"

#include <cstdio>

#include "protocol/utf8_text.h"

namespace {

void AppendEscaped(std::string& out, unsigned code) {
    char escaped[16];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", code);
    out += escaped;
}

}  // namespace

std::string TerminalText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = Utf8Length(text, i);
        if (n == 0) {
            if (c >= 0x80 && c <= 0x9F)
                AppendEscaped(out, c);
            else
                out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (const unsigned c1 = Utf8C1At(text, i, n); c1 != 0) {
            AppendEscaped(out, c1);
        } else if (n == 1 && (c < 0x20 || c == 0x7F)) {
            AppendEscaped(out, c);
        } else {
            out.append(text, i, n);
        }
        i += n;
    }
    return out;
}
