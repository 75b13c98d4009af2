// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a firewall's rules well enough to tell whether it lets UDP answers
// in to a port: the input rules of an nftables ruleset (`nft list ruleset`)
// or of iptables (`iptables-save`). Rules are read top to bottom, the first
// one naming the port (or matching every packet) decides, else the chain's
// policy; rules that match on other things (addresses, interfaces, state)
// are passed over, as they do not speak for every answer.

#include <string>
#include <vector>

// The ports among `ports` that the rules would drop or reject.
std::vector<int> UdpPortsDroppedByNft(const std::string& ruleset, const std::vector<int>& ports);
std::vector<int> UdpPortsDroppedByIptables(const std::string& saved, const std::vector<int>& ports);
