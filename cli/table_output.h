#pragma once
// Prints the result table's data rows as an aligned table, CSV or JSON.

#include <string>
#include <vector>

#include "cli/cli_options.h"

using TableRows = std::vector<std::vector<std::string>>;

std::string FormatTable(const TableRows& rows, const std::string& countLine);
std::string FormatCsv(const TableRows& rows);
std::string FormatJson(const TableRows& rows);
std::string FormatRows(OutputFormat format, const TableRows& rows, const std::string& countLine);
