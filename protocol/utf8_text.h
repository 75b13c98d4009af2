// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading device text that claims to be UTF-8 but may hold any bytes.

#include <cstddef>
#include <string>

// Length of the valid UTF-8 sequence at s[i] (1 to 4), or 0 where none starts
// there (a stray byte, an overlong form, a surrogate, beyond U+10FFFF).
std::size_t Utf8Length(const std::string& s, std::size_t i);

// The code point of a C1 control (U+0080 to U+009F) encoded at s[i] in the
// valid sequence of length n, or 0 for any other character.
unsigned Utf8C1At(const std::string& s, std::size_t i, std::size_t n);
