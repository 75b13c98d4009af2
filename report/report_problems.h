// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rules that turn a search's facts into problems a person can act on,
// and the list of devices this computer cannot reach directly.

#include <optional>
#include <string>
#include <vector>

#include "protocol/broadcast_interfaces.h"
#include "report/search_report.h"

// The cards a search used, from the worker's sends: one entry per source
// address, named after the card that has it.
std::vector<CardReport> CardsFromSends(const std::vector<SendOutcome>& sends,
                                       const std::vector<InterfaceAddress>& interfaces);

// The IPv4 texts among `ips` that lie in no subnet of these interfaces, each
// once, in order; texts that are no address are left out.
std::vector<std::string> OutsideNetworks(const std::vector<std::string>& ips,
                                         const std::vector<InterfaceAddress>& interfaces);

// "eth0 198.51.100.11/24, eth1 ..." for the cards that can broadcast, or
// multicast; empty where there is none but loopback.
std::string BroadcastCardList(const std::vector<InterfaceAddress>& interfaces);
std::string MulticastCardList(const std::vector<InterfaceAddress>& interfaces);

// The problems of a finished search (report filled but for its problems).
std::vector<Problem> FindProblems(const SearchReport& report, const PackageSearchFacts& facts,
                                  const std::vector<InterfaceAddress>& interfaces);

// The problem entries shared with lanvaro-cli doctor.
Problem ReplyPortBusyProblem(const std::optional<std::string>& portOwner);
Problem ReplyPortSharedProblem(const std::optional<std::string>& portOwner);
Problem NoBroadcastCardProblem();

// Tool tip of a table cell whose device is outside this computer's networks.
std::string OutsideNetworksToolTip(const std::string& ip);

// One table row's IP and Mac cells.
struct RowAddress {
    std::string ip;
    std::string mac;
};

// The addresses that two or more distinct MACs (compared ignoring case and
// separators) answer with, in table order. Rows without a device MAC
// ("NULL": UPnP and ONVIF rows) or without an IPv4 address do not count.
std::vector<AddressConflict> FindAddressConflicts(const std::vector<RowAddress>& rows);

// Tool tip of a conflicting IP cell; `outsideToo` adds the off-subnet text.
std::string AddressConflictToolTip(const AddressConflict& conflict, bool outsideToo);
