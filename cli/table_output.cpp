// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/table_output.h"

std::string FormatRows(OutputFormat format, const TableRows& rows, const std::string& countLine) {
    switch (format) {
        case OutputFormat::Csv:
            return FormatCsv(rows);
        case OutputFormat::Json:
            return FormatJson(rows);
        case OutputFormat::Table:
            break;
    }
    return FormatTable(rows, countLine);
}
