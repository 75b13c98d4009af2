// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <fstream>

#include "protocol/window_ops.h"
#include "tools/devsim/sim_device.h"

std::string DevicePackage(const SimDevice& device, int flag) {
    char head[16];
    std::snprintf(head, sizeof head, "Kestrova,%02d", flag);
    std::string package = head;
    for (const std::string& field : device.fields) {
        package += ',';
        package += field;
    }
    return package;
}

std::optional<SimDevice> ParseDeviceLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    SimDevice device;
    int index = 0;
    while (true) {
        size_t comma = line.find(',');
        if (index == kSimFieldCount) return std::nullopt;
        device.fields[static_cast<size_t>(index++)] = std::string(line.substr(0, comma));
        if (comma == std::string_view::npos) break;
        line.remove_prefix(comma + 1);
    }
    if (index != kSimFieldCount) return std::nullopt;
    return device;
}

std::optional<std::vector<SimDevice>> LoadDeviceFile(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read device file " + path;
        return std::nullopt;
    }
    std::vector<SimDevice> devices;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        std::string_view view = line;
        if (!view.empty() && view.back() == '\r') view.remove_suffix(1);
        if (view.empty() || view.front() == '#') continue;
        auto device = ParseDeviceLine(view);
        if (!device) {
            error = path + ":" + std::to_string(lineNumber) + ": expected " + std::to_string(kSimFieldCount) +
                    " comma-separated fields";
            return std::nullopt;
        }
        devices.push_back(std::move(*device));
    }
    return devices;
}

std::vector<SimDevice> GenerateDevices(int count, const std::string& net) {
    constexpr unsigned kOutsideBoxDevices = 240;
    // Models deliberately not in order, so orderings have repeated keys to
    // work on. Projects are the filter's families, three devices at a time,
    // so each family the window offers shows devices from 21 on.
    static constexpr const char* kModels[] = {"KV-2100", "AX-9", "KV-310", "ZN-5000", "BX-77", "KV-2000", "AX-10"};
    static constexpr const char* kPorts[] = {"80", "8080", "554", "8000"};
    std::vector<SimDevice> devices;
    if (count <= 0) return devices;
    devices.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto u = static_cast<unsigned>(i);
        char buf[64];
        SimDevice d;
        d.fields[0] = kModels[u % std::size(kModels)];
        d.fields[1] = kProjectFamilies[(u / 3) % kProjectFamilies.size()];
        std::snprintf(buf, sizeof buf, "cam-%05u", u + 1);
        d.fields[2] = buf;
        if (net.empty() && u < kOutsideBoxDevices) {
            // Outside every network a box gives a host's first card, so these
            // show as devices that need a new address.
            d.fields[3] = "203.0.113." + std::to_string(10 + u);
            d.fields[5] = "255.255.255.0";
            d.fields[6] = "203.0.113.254";
            d.fields[7] = "203.0.113.53";
        } else if (net.empty()) {
            // Loopback beyond 127.0.0.0/16, which the box uses itself, leaves
            // room for every device devsim can make.
            const unsigned v = u - kOutsideBoxDevices;
            std::snprintf(buf, sizeof buf, "127.%u.%u.%u", 1 + v / (254 * 254), (v / 254) % 254, v % 254 + 1);
            d.fields[3] = buf;
            d.fields[5] = "255.0.0.0";
            d.fields[6] = "127.255.0.254";
            d.fields[7] = "127.255.0.53";
        } else {
            // From .10 on, clear of the addresses a box gives its own cards.
            d.fields[3] = net + "." + std::to_string(10 + u % 240);
            d.fields[5] = "255.255.255.0";
            d.fields[6] = net + ".254";
            d.fields[7] = net + ".53";
        }
        d.fields[4] = kPorts[u % std::size(kPorts)];
        std::snprintf(buf, sizeof buf, "02:4B:56:%02X:%02X:%02X", (u >> 16) & 0xFF, (u >> 8) & 0xFF, u & 0xFF);
        d.fields[8] = buf;
        std::snprintf(buf, sizeof buf, "HW%u.%u", 1 + u % 3, u % 10);
        d.fields[9] = buf;
        // Every fifth device has an empty note, as many real ones do.
        if (u % 5 != 4) {
            std::snprintf(buf, sizeof buf, "site %u", 1 + u % 12);
            d.fields[10] = buf;
        }
        devices.push_back(std::move(d));
    }
    return devices;
}

std::vector<SimDevice> GenerateConflictingDevices(int count, const std::string& net) {
    const std::string prefix = net.empty() ? std::string("198.51.100") : net;
    std::vector<SimDevice> devices;
    for (int i = 0; i < count; ++i) {
        char buf[32];
        SimDevice d;
        d.fields[0] = "KV-2100";
        d.fields[1] = kProjectFamilies[0];
        std::snprintf(buf, sizeof buf, "fresh-%03d", i + 1);
        d.fields[2] = buf;
        // Below the .10 the generated devices start from.
        d.fields[3] = prefix + ".9";
        d.fields[4] = "80";
        d.fields[5] = "255.255.255.0";
        d.fields[6] = prefix + ".254";
        d.fields[7] = prefix + ".53";
        std::snprintf(buf, sizeof buf, "02:4B:43:00:%02X:%02X", (i >> 8) & 0xFF, i & 0xFF);
        d.fields[8] = buf;
        d.fields[9] = "HW1.0";
        d.fields[10] = "factory";
        devices.push_back(std::move(d));
    }
    return devices;
}

void MakeOverlong(std::vector<SimDevice>& devices) {
    // Each length is past the record's width for that field (32, 32, 32, 24, 16, 56).
    auto widen = [](std::string& field, size_t length, char fill) {
        if (field.size() < length) field.resize(length, fill);
    };
    for (SimDevice& d : devices) {
        widen(d.fields[0], 40, 'M');
        widen(d.fields[1], 40, 'P');
        widen(d.fields[2], 48, 'N');
        d.fields[8] += ":AA:BB:CC:DD";
        widen(d.fields[8], 30, 'E');
        widen(d.fields[9], 20, 'D');
        widen(d.fields[10], 70, 'T');
    }
}
