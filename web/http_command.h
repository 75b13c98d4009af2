// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The request of the HTTP command search: the path asked of the relay and the
// check of the relay address the user typed. Plain C++.

#include <optional>
#include <string>
#include <string_view>

// "/device.get?DeviceType=" + the project filter text encoded as a query
// value: unreserved characters stay as they are (so ALL stays ALL), every
// other byte becomes %XX, so a blank, "&", "#" or "%" can neither break the
// request nor add parameters.
std::string HttpCommandPath(const std::string& projText);

// The relay's side: the project filter a request target asks for, its %XX
// escapes decoded (a '+' stays a '+', as HttpCommandPath writes a blank as
// %20); "ALL" when the target names no DeviceType. nullopt for a target
// other than "/device.get", with or without a query.
std::optional<std::string> HttpCommandFilter(std::string_view target);

// True for a host name or dotted IPv4 address, optionally followed by ":port"
// (1..65535). Anything else (empty, blanks, "/", "@", a scheme, a bad port)
// is refused, with the reason in *why when why is given.
bool IsValidRelayHost(const std::string& relayAddress, std::string* why);
