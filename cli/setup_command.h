#pragma once
// lanvaro-cli setup: finds a device by its MAC with the same search and sends
// it new network settings the way the Network Setup dialog does.

#include <string>
#include <vector>

// The arguments after "setup". Exit status: 0 sent, 1 not found or a check or
// the send failed, 2 usage error.
int RunSetupCommand(const std::vector<std::string>& args);
