// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The result table's data rows as text: an aligned table, CSV (RFC 4180
// quoting), JSON, and tab-separated lines for the clipboard. lanvaro-cli
// prints them and the window copies and exports them, so both write the same
// bytes for the same rows. Rows hold what devices sent: the table and CSV
// show control characters as \xNN (they reach terminals), and CSV and the
// clipboard's lines put an apostrophe before a cell a spreadsheet would run
// as a formula.

#include <string>
#include <vector>

#include "protocol/window_ops.h"

using TableRows = std::vector<std::vector<std::string>>;

std::string FormatTable(const TableRows& rows, const std::string& countLine);
std::string FormatCsv(const TableRows& rows);
std::string FormatJson(const TableRows& rows);
// The header line and one line per row, cells between tabs.
std::string FormatTabSeparated(const TableRows& rows);

// The given data rows (1 and on) of a window's table, in the order given.
TableRows GridRows(WindowOps& form, const std::vector<int>& rows);
// Every data row of a window's table. The empty row the table keeps when
// nothing was found is no device and is left out.
TableRows GridDataRows(WindowOps& form);
