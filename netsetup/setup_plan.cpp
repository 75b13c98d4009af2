// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/setup_plan.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <optional>

#include "netsetup/batch_addresses.h"
#include "protocol/mac_key.h"

namespace {

struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string LinePrefix(int line) { return "line " + std::to_string(line) + ": "; }

// Splits the text into records; a malformed record is reported and dropped.
std::vector<CsvRecord> SplitCsv(std::string_view text, std::vector<std::string>& errors) {
    std::vector<CsvRecord> records;
    std::size_t i = 0;
    int line = 1;
    while (i < text.size()) {
        CsvRecord record{line, {}};
        std::string field;
        bool bad = false;
        bool quotedField = false;
        bool end = false;
        while (!end) {
            if (i >= text.size()) break;
            const char c = text[i];
            if (c == '"' && field.empty() && !quotedField) {
                quotedField = true;
                ++i;
                bool closed = false;
                while (i < text.size()) {
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (text[i] == '\n') ++line;
                    field += text[i++];
                }
                if (!closed) {
                    errors.push_back(LinePrefix(record.line) + "a quoted field is not closed");
                    return records;
                }
                if (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r') {
                    if (!bad) errors.push_back(LinePrefix(record.line) + "text after a closing quote");
                    bad = true;
                }
                continue;
            }
            if (c == ',') {
                record.fields.push_back(std::move(field));
                field.clear();
                quotedField = false;
                ++i;
            } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
                i += c == '\r' ? 2 : 1;
                ++line;
                end = true;
            } else {
                field += c;
                ++i;
            }
        }
        const bool blank = record.fields.empty() && field.empty() && !quotedField;
        record.fields.push_back(std::move(field));
        if (!blank && !bad) records.push_back(std::move(record));
    }
    return records;
}

// The N of "line N: ...", for putting a plan's errors in file order.
int ErrorLine(const std::string& error) { return std::atoi(error.c_str() + (error.rfind("line ", 0) == 0 ? 5 : 0)); }

constexpr std::array<const char*, 5> kColumns{"mac", "ip", "netmask", "gateway", "dns"};

}  // namespace

ParsedPlan ParsePlanCsv(std::string_view text) {
    ParsedPlan plan;
    std::vector<CsvRecord> records = SplitCsv(text, plan.errors);
    if (records.empty()) {
        if (plan.errors.empty()) plan.errors.push_back("line 1: no header line (mac,ip,netmask,gateway,dns)");
        return plan;
    }
    const CsvRecord& header = records.front();
    const std::size_t errorsBefore = plan.errors.size();
    std::array<int, kColumns.size()> column{};
    column.fill(-1);
    for (std::size_t f = 0; f < header.fields.size(); ++f) {
        const std::string name = Lower(header.fields[f]);
        const auto known = std::find(kColumns.begin(), kColumns.end(), name);
        if (known == kColumns.end()) {
            plan.errors.push_back(LinePrefix(header.line) + "unknown column \"" + header.fields[f] + "\"");
            continue;
        }
        int& slot = column[static_cast<std::size_t>(known - kColumns.begin())];
        if (slot >= 0) plan.errors.push_back(LinePrefix(header.line) + "column " + name + " given twice");
        slot = static_cast<int>(f);
    }
    for (std::size_t k = 0; k < kColumns.size(); ++k)
        if (column[k] < 0) plan.errors.push_back(LinePrefix(header.line) + "no column " + kColumns[k]);
    // Without its columns no line can be read.
    if (plan.errors.size() > errorsBefore) return plan;

    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (record.fields.size() != header.fields.size()) {
            plan.errors.push_back(LinePrefix(record.line) + std::to_string(record.fields.size()) +
                                  " fields where the header has " + std::to_string(header.fields.size()));
            continue;
        }
        auto value = [&](std::size_t k) { return record.fields[static_cast<std::size_t>(column[k])]; };
        PlanEntry entry;
        entry.line = record.line;
        entry.mac = value(0);
        if (entry.mac.empty()) {
            plan.errors.push_back(LinePrefix(record.line) + "no mac");
            continue;
        }
        const std::string ip = value(1);
        if (Lower(ip) == "dhcp") {
            entry.settings.type = NetworkType::Dhcp;
        } else if (ip.empty()) {
            plan.errors.push_back(LinePrefix(record.line) + "no ip (an address, or dhcp)");
            continue;
        } else {
            entry.settings = {NetworkType::Static, ip, value(2), value(3), value(4)};
        }
        plan.entries.push_back(std::move(entry));
    }
    if (plan.entries.empty() && plan.errors.empty()) plan.errors.push_back("the plan names no device");
    std::stable_sort(plan.errors.begin(), plan.errors.end(),
                     [](const std::string& a, const std::string& b) { return ErrorLine(a) < ErrorLine(b); });
    return plan;
}

PlanCheck CheckPlan(const std::vector<PlanEntry>& entries, const TComUnitList& found, const AddressProber& probe,
                    bool force) {
    PlanCheck check;
    struct Checked {
        const PlanEntry* entry;
        const tComUnitInfo* device;
        std::string refusal;
    };
    std::vector<Checked> checked;
    std::vector<BatchMember> members;
    for (const PlanEntry& entry : entries) {
        const tComUnitInfo* device = nullptr;
        for (const tComUnitInfo& record : found) {
            const std::string mac = ComUnitFieldText(record.mac);
            if (mac.find("NULL") == std::string::npos && MacKey(mac) == MacKey(entry.mac)) {
                device = &record;
                break;
            }
        }
        if (device != nullptr) members.push_back({ComUnitFieldText(device->mac), ComUnitFieldText(device->ip)});
        checked.push_back({&entry, device, {}});
    }

    std::vector<std::string> toProbe;
    for (std::size_t i = 0; i < checked.size(); ++i) {
        Checked& c = checked[i];
        const PlanEntry& e = *c.entry;
        if (c.device == nullptr) {
            c.refusal = "no device with MAC " + e.mac + " was found";
            continue;
        }
        for (std::size_t j = 0; j < i && c.refusal.empty(); ++j)
            if (MacKey(checked[j].entry->mac) == MacKey(e.mac))
                c.refusal = "MAC " + e.mac + " is also in line " + std::to_string(checked[j].entry->line);
        if (!c.refusal.empty()) continue;
        if (auto refused = MakeProtocolDeviceSetup(*c.device)->Refusal(e.settings)) {
            c.refusal = *refused;
            continue;
        }
        if (e.settings.type != NetworkType::Static) continue;
        for (std::size_t j = 0; j < i && c.refusal.empty(); ++j) {
            const PlanEntry& earlier = *checked[j].entry;
            if (earlier.settings.type == NetworkType::Static && earlier.settings.ip == e.settings.ip)
                c.refusal = "the address " + e.settings.ip + " is also given in line " + std::to_string(earlier.line);
        }
        if (!c.refusal.empty()) continue;
        if (IsUnreasonableGateway(e.settings.ip, e.settings.netmask, e.settings.gateway))
            check.warnings.push_back(LinePrefix(e.line) + UnreasonableGatewayMessage(e.settings.gateway));
        if (!InThisComputersNetworks(e.settings.ip)) check.outside.push_back(e.settings.ip);
        if (force) continue;
        if (const tComUnitInfo* other = OutsiderAt(found, members, e.settings.ip)) {
            c.refusal = AddressInUseMessage(e.settings.ip, *other);
            continue;
        }
        const bool memberAddress = std::any_of(members.begin(), members.end(),
                                               [&e](const BatchMember& m) { return m.currentIp == e.settings.ip; });
        if (!memberAddress) toProbe.push_back(e.settings.ip);
    }

    const std::vector<ProbeResult> probed = ProbeAll(toProbe, probe);
    for (Checked& c : checked) {
        const PlanEntry& e = *c.entry;
        if (c.refusal.empty() && !force && e.settings.type == NetworkType::Static) {
            const auto at = std::find(toProbe.begin(), toProbe.end(), e.settings.ip);
            if (at != toProbe.end()) {
                const ProbeResult& r = probed[static_cast<std::size_t>(at - toProbe.begin())];
                if (r.outcome == ProbeOutcome::Answered) c.refusal = AddressAnswersMessage(e.settings.ip);
                if (r.outcome == ProbeOutcome::Unavailable && check.probeUnavailable.empty())
                    check.probeUnavailable = r.detail.empty() ? std::string("unavailable") : r.detail;
            }
        }
        if (!c.refusal.empty())
            check.refusals.push_back(LinePrefix(e.line) + c.refusal);
        else
            check.sends.push_back({e.line, *c.device, e.settings});
    }
    return check;
}
