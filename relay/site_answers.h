// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One search's devices and the answers made of them, in the device protocol
// the window reads: built once per search, shared by every query it serves.

#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "protocol/com_unit_info.h"
#include "relay/relay_access.h"
#include "web/device_table_page.h"

class SiteAnswers {
public:
    SiteAnswers(TComUnitList devices, RelayClock::time_point found, double seconds);

    const TComUnitList& Devices() const { return devices_; }
    RelayClock::time_point Found() const { return found_; }
    double Seconds() const { return seconds_; }

    // The TCP answer: every device's package in one message. With no device
    // an empty package, so the asker can tell an empty site from a relay
    // that said nothing.
    const std::string& TcpMessage() const { return tcpMessage_; }
    // The UDP answer: one datagram per device, as the devices themselves
    // answer; with no device, one datagram holding an empty package.
    std::size_t DatagramCount() const { return devices_.empty() ? 1 : devices_.size(); }
    std::string Datagram(std::size_t index) const;
    // The HTTP page for a filter. The pages of the last few filters asked are
    // kept. For the thread that serves queries only.
    std::shared_ptr<const DeviceTablePage> Page(const std::string& filter) const;

private:
    TComUnitList devices_;
    RelayClock::time_point found_;
    double seconds_;
    std::string tcpMessage_;
    mutable std::map<std::string, std::shared_ptr<const DeviceTablePage>> pages_;
};
