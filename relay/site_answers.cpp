// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/site_answers.h"

#include "protocol/package_codec.h"
#include "protocol/plain_package.h"

namespace {

// Filters are the client's to choose; the pages kept for them are not.
constexpr std::size_t kKeptPages = 8;

std::string WithNul(std::string text) {
    text += '\0';
    return text;
}

}  // namespace

SiteAnswers::SiteAnswers(TComUnitList devices, RelayClock::time_point found, double seconds)
    : devices_(std::move(devices)), found_(found), seconds_(seconds) {
    std::string block;
    for (const tComUnitInfo& device : devices_) block += WithNul(RecordPackageText(kFlagDeviceInfo, device));
    if (block.empty()) block = WithNul({});
    tcpMessage_ = EncodeWireText(block);
}

std::string SiteAnswers::Datagram(std::size_t index) const {
    if (index >= devices_.size()) return EncodeWireText(WithNul({}));
    return EncodeWireText(WithNul(RecordPackageText(kFlagDeviceInfo, devices_[index])));
}

std::shared_ptr<const DeviceTablePage> SiteAnswers::Page(const std::string& filter) const {
    if (const auto kept = pages_.find(filter); kept != pages_.end()) return kept->second;
    auto page = std::make_shared<const DeviceTablePage>(MakeDeviceTablePage(devices_, filter));
    if (pages_.size() < kKeptPages) pages_.emplace(filter, page);
    return page;
}
