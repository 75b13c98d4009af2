#pragma once
// The request of the HTTP command search: the path asked of the relay and the
// check of the relay address the user typed. Plain C++.

#include <string>

// "/device.get?DeviceType=" + the project filter text encoded as a query
// value: unreserved characters stay as they are (so ALL stays ALL), every
// other byte becomes %XX, so a blank, "&", "#" or "%" can neither break the
// request nor add parameters.
std::string HttpCommandPath(const std::string& projText);

// True for a host name or dotted IPv4 address, optionally followed by ":port"
// (1..65535). Anything else (empty, blanks, "/", "@", a scheme, a bad port)
// is refused, with the reason in *why when why is given.
bool IsValidRelayHost(const std::string& relayAddress, std::string* why);
