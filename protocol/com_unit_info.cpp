// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/com_unit_info.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

struct FieldSlot {
    std::size_t offset;
    std::size_t width;
};

constexpr std::array<FieldSlot, kComUnitFieldCount> kSlots{{
    {offsetof(tComUnitInfo, model), sizeof(tComUnitInfo::model)},
    {offsetof(tComUnitInfo, proj), sizeof(tComUnitInfo::proj)},
    {offsetof(tComUnitInfo, name), sizeof(tComUnitInfo::name)},
    {offsetof(tComUnitInfo, ip), sizeof(tComUnitInfo::ip)},
    {offsetof(tComUnitInfo, trigger_port), sizeof(tComUnitInfo::trigger_port)},
    {offsetof(tComUnitInfo, netmask), sizeof(tComUnitInfo::netmask)},
    {offsetof(tComUnitInfo, gateway), sizeof(tComUnitInfo::gateway)},
    {offsetof(tComUnitInfo, dns), sizeof(tComUnitInfo::dns)},
    {offsetof(tComUnitInfo, mac), sizeof(tComUnitInfo::mac)},
    {offsetof(tComUnitInfo, dev), sizeof(tComUnitInfo::dev)},
    {offsetof(tComUnitInfo, note), sizeof(tComUnitInfo::note)},
}};

}  // namespace

char* ComUnitField(tComUnitInfo& rec, int index) {
    return reinterpret_cast<char*>(&rec) + kSlots.at(static_cast<std::size_t>(index)).offset;
}

const char* ComUnitField(const tComUnitInfo& rec, int index) {
    return reinterpret_cast<const char*>(&rec) + kSlots.at(static_cast<std::size_t>(index)).offset;
}

std::size_t ComUnitFieldWidth(int index) { return kSlots.at(static_cast<std::size_t>(index)).width; }

void SetComUnitField(char* field, std::size_t width, std::string_view text) {
    if (width == 0) return;
    const std::size_t n = std::min(text.size(), width - 1);
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), n);
}

std::string ComUnitFieldText(const char* field, std::size_t width) {
    const void* nul = std::memchr(field, 0, width);
    const std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : width;
    return std::string(field, n);
}
