// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What lanvaro-cli prints for the format its options chose.

#include <string>

#include "app/table_text.h"
#include "cli/cli_options.h"

std::string FormatRows(OutputFormat format, const TableRows& rows, const std::string& countLine);
