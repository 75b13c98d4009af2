// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/answers.h"

#include <charconv>

#include "tools/devsim/wire_codec.h"

namespace {

// Plain bytes whose Base64 form still fits one UDP payload (65,507 bytes).
constexpr size_t kMaxPlainPerDatagram = 48000;

}  // namespace

std::vector<std::string> AnswerDatagrams(const std::vector<SimDevice>& devices, int perDatagram) {
    std::vector<std::string> datagrams;
    if (perDatagram < 1) perDatagram = 1;
    std::vector<std::string> batch;
    size_t batchBytes = 0;
    auto flush = [&] {
        if (batch.empty()) return;
        datagrams.push_back(EncodePackages(batch));
        batch.clear();
        batchBytes = 0;
    };
    for (const SimDevice& device : devices) {
        std::string package = DevicePackage(device);
        if (!batch.empty() && batchBytes + package.size() + 1 > kMaxPlainPerDatagram) flush();
        batchBytes += package.size() + 1;
        batch.push_back(std::move(package));
        if (static_cast<int>(batch.size()) >= perDatagram) flush();
    }
    flush();
    return datagrams;
}

std::string RelayAnswer(const std::vector<SimDevice>& devices) {
    std::vector<std::string> packages;
    packages.reserve(devices.size());
    for (const SimDevice& device : devices) packages.push_back(DevicePackage(device));
    return EncodePackages(packages);
}

std::optional<int> PackageFlag(const std::string& package) {
    static constexpr std::string_view kHead = "Kestrova,";
    if (package.compare(0, kHead.size(), kHead) != 0) return std::nullopt;
    const char* begin = package.data() + kHead.size();
    const char* end = package.data() + package.size();
    int flag = 0;
    auto [ptr, ec] = std::from_chars(begin, end, flag);
    if (ec != std::errc() || ptr == begin || (ptr != end && *ptr != ',')) return std::nullopt;
    return flag;
}
