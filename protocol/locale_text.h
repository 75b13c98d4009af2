// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text comparison in the user's locale, ignoring case: the comparison the
// project filter and the table ordering use.

#include <string>

// <0, 0, >0 like strcoll, on case-folded texts.
int CompareTextIgnoreCase(const std::string& a, const std::string& b);
// Equal when their case-folded forms are identical ("upnp" equals "UPNP";
// a trailing blank makes them differ).
bool SameTextIgnoreCase(const std::string& a, const std::string& b);
