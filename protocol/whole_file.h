// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A file written whole or not at all: the bytes go to a new file beside it,
// which then takes its name, so a reader (or a crash) never meets half a file
// and an existing file is replaced only by a complete one.

#include <string>
#include <string_view>

// Empty on success, else why the file was not written.
std::string WriteWholeFile(const std::string& path, std::string_view bytes);
