// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/reply_parser.h"

#include <arpa/inet.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

#include "protocol/device_index.h"
#include "protocol/plain_package.h"
#include "protocol/text_format.h"

namespace {

constexpr int kFieldIp = 3;
constexpr int kFieldPort = 4;
constexpr int kFieldNetmask = 5;
constexpr int kFieldMac = 8;
constexpr int kLastField = 10;
constexpr int kMaxPort = 65535;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsSeparator(char c) { return c == ',' || c == '\n'; }

// Reads like atoi (leading blanks, a sign, digits up to the first other
// character, none gives 0) but saturates instead of overflowing, so a huge
// port number cannot wrap into range.
long long ReadDecimal(const char* s) {
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    while (IsBlank(*s)) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    long long value = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        if (value < kLimit) value = value * 10 + (*s - '0');
    }
    if (value > kLimit) value = kLimit;
    return negative ? -value : value;
}

int ReadFlag(const char* s) {
    const long long v = ReadDecimal(s);
    if (v > INT_MAX) return INT_MAX;
    return static_cast<int>(v);
}

bool TokenFitsField(int p, const char* token) {
    switch (p) {
        case kFieldIp:
        case kFieldNetmask:
            return IsAcceptedIpv4Text(token);
        case kFieldPort: {
            const long long port = ReadDecimal(token);
            return port >= 0 && port <= kMaxPort;
        }
        case kFieldMac:
            return GetMacFromCString(token);
        default:
            return true;
    }
}

// Gives every empty field a single space, so the tokenizer, which merges
// runs of separators, keeps the fields after it in place. False when the
// result would not fit the working buffer.
bool WidenEmptyFields(std::string_view text, std::string& work) {
    work.clear();
    work.reserve(std::min(text.size() + 16, static_cast<std::size_t>(kWireBufferSize)));
    for (std::size_t i = 0; i < text.size(); ++i) {
        work += text[i];
        if (text[i] == ',' && i + 1 < text.size() && text[i + 1] == ',') work += ' ';
        if (work.size() > static_cast<std::size_t>(kWireBufferSize - 1)) return false;
    }
    return true;
}

// The next token at or after pos, NUL-terminated in place; null at the end.
char* NextToken(std::string& work, std::size_t& pos) {
    while (pos < work.size() && IsSeparator(work[pos])) ++pos;
    if (pos >= work.size()) return nullptr;
    const std::size_t start = pos;
    while (pos < work.size() && !IsSeparator(work[pos])) ++pos;
    if (pos < work.size()) work[pos++] = '\0';
    return &work[start];
}

// On -1 or 0, `why` (when given) says why the package is no device answer.
int SplitPackage(WindowOps& form, std::string_view text, tComUnitInfo* rec, RejectReason* why = nullptr) {
    auto refuse = [why](RejectReason reason) {
        if (why != nullptr) *why = reason;
        return -1;
    };
    std::string work;
    if (!WidenEmptyFields(text, work)) return refuse(RejectReason::Undecodable);
    if (work.compare(0, kProtocolTokenLength, kProtocolToken) != 0) return refuse(RejectReason::NotKestrova);

    // The character after the token is skipped unchecked.
    std::size_t pos = kProtocolTokenLength + 1;
    const char* flagToken = NextToken(work, pos);
    const int flag = flagToken ? ReadFlag(flagToken) : -1;

    int p = 0;
    while (flagToken && p <= kLastField) {
        const char* token = NextToken(work, pos);
        if (token == nullptr) break;
        if (!TokenFitsField(p, token)) continue;
        SetComUnitField(ComUnitField(*rec, p), ComUnitFieldWidth(p), token);
        ++p;
    }

    if (flag == kFlagDeviceInfo) return 1;
    if (why != nullptr) *why = RejectReason::UnexpectedFlag;
    if (flag == kFlagLocalQuery) return 0;
    form.Log(StrFormat("flag(%02d) not implemented.\n", flag));
    return -1;
}

// A datagram holds one package or a few, so without the search's own index
// the list is scanned; past a few packages (a relay's answer holds
// thousands) scanning once per package would take the window thread
// seconds, so the list is indexed.
constexpr int kScanLimit = 4;

}  // namespace

bool IsAcceptedIpv4Text(const char* text) { return text != nullptr && inet_addr(text) != INADDR_NONE; }

bool GetMacFromCString(std::string text) {
    for (int i = 0; i < 5; ++i) {
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos) return false;
        text.erase(0, colon + 1);
    }
    return true;
}

bool PassesProjFilter(const std::string& filter, const char* proj) {
    return filter == "ALL" || (proj != nullptr && filter == proj);
}

int CheckProjFilter(WindowOps& form, const char* proj) { return PassesProjFilter(form.ProjText(), proj) ? 0 : -1; }

int SplitPlainPkg(WindowOps& form, const char* text, tComUnitInfo* rec) {
    if (text == nullptr || rec == nullptr) return -1;
    return SplitPackage(form, text, rec);
}

int ParserPlainPkg(WindowOps& form, TComUnitList& list, int& NextRow, const char* buf, int len, ReplyCounters* counters,
                   DeviceIndex* index) {
    ReplyCounters ignored;
    ReplyCounters& seen = counters != nullptr ? *counters : ignored;
    int count = 0;
    if (buf == nullptr || len <= 0) return 0;

    DeviceIndex local;
    int asked = 0;
    auto known = [&](const tComUnitInfo& rec) {
        if (index != nullptr) return index->Contains(list, rec);
        if (++asked <= kScanLimit)
            return std::any_of(list.begin(), list.end(),
                               [&](const tComUnitInfo& other) { return SameDevice(other, rec); });
        return local.Contains(list, rec);
    };

    const auto end = static_cast<std::size_t>(len);
    std::size_t offset = 0;
    while (offset < end) {
        // A last package without its NUL ends at len.
        const void* nul = std::memchr(buf + offset, '\0', end - offset);
        const std::size_t size =
            nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - (buf + offset)) : end - offset;
        if (size == 0) break;

        tComUnitInfo rec{};
        RejectReason why = RejectReason::Undecodable;
        if (SplitPackage(form, std::string_view(buf + offset, size), &rec, &why) != 1) {
            seen.Reject(why, buf + offset, size);
        } else {
            ++seen.packages;
            if (known(rec)) {
                ++seen.duplicates;
            } else if (list.size() >= kMaxListedDevices) {
                ++seen.notListed;
            } else {
                list.push_back(rec);
                ++seen.devices;
                if (CheckProjFilter(form, rec.proj) != 0) {
                    ++seen.hiddenByFilter;
                } else {
                    // The row count grows before the row is written: a grid
                    // drops writes to rows it does not have yet.
                    form.SetRowCount(NextRow + 1);
                    WriteRecordRow(form, NextRow, rec);
                    ++NextRow;
                }
                ++count;
            }
        }
        offset += size + 1;
    }
    return count;
}
