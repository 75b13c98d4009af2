// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/unit/web_html/reference_walk.h"

#include <algorithm>
#include <cctype>

namespace {

const char* const kNames[] = {"BODY", "HTML", "TABLE", "TITLE", "TR"};
const std::size_t kWidths[] = {32, 32, 32, 16, 8, 16, 24};

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

std::string ReferenceCleanLine(std::string line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '>') continue;
        for (const char* name : kNames) {
            const std::size_t lt = line.find('<');
            const std::size_t gt = line.find('>');
            if (lt == std::string::npos || gt == std::string::npos || lt > gt) continue;
            if (Upper(line.substr(lt, gt - lt + 1)).find(name) != std::string::npos) line.erase(lt, gt - lt + 1);
        }
    }
    return line;
}

ReferenceRow ReferenceTakeCells(std::string line) {
    ReferenceRow row;
    row.cells.assign(7, std::string());
    std::size_t c = 0;
    for (std::size_t j = 0; j < line.size(); ++j) {
        const std::size_t open = line.find("<td>");
        const std::size_t close = line.find("</td>");
        if (open == std::string::npos || close == std::string::npos) continue;
        std::string text = close > open ? line.substr(open + 4, close - open - 4) : std::string();
        if (c < 7) row.cells[c] = text.substr(0, kWidths[c] - 1);
        if (close > open) line.erase(open, close + 5 - open);
        ++c;
    }
    row.rest = line;
    return row;
}
