// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Device text on its way to a terminal, or to a file that one may show
// (lanvaro-cli's table, CSV and messages, the window's Export).

#include <string>

// Control code points (C0, DEL, C1) as \xNN, everything else as it came; a
// backslash stays as it is. A byte that is no part of valid UTF-8 counts as
// the Latin-1 character of its value, as the table's JSON reads it, so a lone
// 0x80..0x9F is a C1 control too: an 8-bit terminal would obey it.
std::string TerminalText(const std::string& text);
