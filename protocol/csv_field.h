// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One cell of the CSV files Lanvaro writes (the table's Export and
// lanvaro-cli's CSV, the camera inventory). Cells hold what devices sent:
// control characters as \xNN (the file may reach a terminal), and an
// apostrophe before a cell a spreadsheet would run as a formula.

#include <string>

// A spreadsheet runs a cell starting with one of =, +, -, @, a tab or CR as
// a formula (a device named "=HYPERLINK(...)").
bool LooksLikeFormula(const std::string& text);

// The text between double quotes, each one inside doubled (RFC 4180).
std::string CsvQuoted(const std::string& text);

// The cell as written: guarded, control characters shown, quoted where it
// holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);
