// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The page walks written the slow, literal way (a step at a time over a
// std::string that is edited in place), as an oracle for the linear-time
// walks of the parser. Only for short lines: they are quadratic.

#include <string>
#include <vector>

// What one line of CleanHtml becomes.
std::string ReferenceCleanLine(std::string line);

struct ReferenceRow {
    std::vector<std::string> cells;  // columns 0..6, each cut to its field's width less one
    std::string rest;                // what is left of the line
};
// The cells one data line gives to PhaseItem, and what is left of it.
ReferenceRow ReferenceTakeCells(std::string line);
