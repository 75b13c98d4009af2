// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One spelling of a MAC for comparing: upper case, no ':' or '-', so
// "02-4b-43-00-00-01" and "02:4B:43:00:00:01" name one device.

#include <cctype>
#include <string>

inline std::string MacKey(const std::string& mac) {
    std::string key;
    for (const char c : mac) {
        if (c == ':' || c == '-') continue;
        key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return key;
}
