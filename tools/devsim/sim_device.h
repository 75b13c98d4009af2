// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated device: the eleven record fields as free-length texts, so a
// device can carry fields longer than the tool's record allows (--overlong)
// and the wire shows exactly what a real device would send.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr int kSimFieldCount = 11;

struct SimDevice {
    // model, proj, name, ip, trigger_port, netmask, gateway, dns, mac, dev, note
    std::array<std::string, kSimFieldCount> fields;

    const std::string& Ip() const { return fields[3]; }
    const std::string& Mac() const { return fields[8]; }
};

// The device's answer: "Kestrova,<flag>,<eleven fields>", without the NUL.
std::string DevicePackage(const SimDevice& device, int flag = 1);

// Parses one line of a device file: the eleven fields comma-separated.
// Returns nullopt for any other number of fields.
std::optional<SimDevice> ParseDeviceLine(std::string_view line);

// Reads a device file: one device per line, blank lines and lines starting
// with '#' skipped. Returns nullopt and a reason naming the line on error.
std::optional<std::vector<SimDevice>> LoadDeviceFile(const std::string& path, std::string& error);

// `count` distinct devices, the same for the same count: names, IPs and MACs
// unique, projects the project filter's families (three devices each in
// turn), models repeating so orderings can be checked.
// Addresses: the first 240 at 203.0.113.10 on, the rest in 127.1.0.0 on
// (every devsim device count fits). With `net` ("A.B.C") the devices are
// addresses of that /24 instead.
std::vector<SimDevice> GenerateDevices(int count, const std::string& net = {});

// `count` devices that all answer with the address `net`.9 (net "A.B.C",
// 198.51.100 when empty), as new cameras on one factory address do: MACs,
// names distinct, one project, one netmask, gateway and DNS.
std::vector<SimDevice> GenerateConflictingDevices(int count, const std::string& net = {});

// Widens model, proj, name, mac, dev and note past the tool's field widths,
// keeping each field's own text at the front and the MAC valid.
void MakeOverlong(std::vector<SimDevice>& devices);
