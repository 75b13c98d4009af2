// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a camera's password comes from: a file, the environment, or a prompt
// without echo. Never the command line, which others can read.

#include <optional>
#include <string>

// The password, or nullopt with the reason in `error`. The file's first line
// is the password (a final line break is not part of it).
std::optional<std::string> ReadOnvifPassword(const std::optional<std::string>& passwordFile, const std::string& user,
                                             std::string& error);
