// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// printf-style formatting into a std::string, for the system's log and
// message texts whose formats are fixed ("%d device(s) found!").

#include <string>
#include <string_view>
#include <vector>

std::string StrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "a, b, c"; empty for no items.
std::string Joined(const std::vector<std::string>& items, const char* separator = ", ");

// 2043 -> "2,043".
std::string GroupedNumber(long long n);

// %XX sequences decoded; a "%" not followed by two hex digits stays as is,
// and "+" stays "+".
std::string PercentDecode(std::string_view text);

// "-10800.0": tenths by hand, as the user's locale may write a decimal comma.
std::string Tenths(double value);

// The text with every occurrence of `secret` as "***" (a camera's reason may
// quote a password it was sent); unchanged for an empty secret.
std::string RedactedText(std::string text, const std::string& secret);
