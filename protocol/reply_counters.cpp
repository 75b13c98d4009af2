// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/reply_counters.h"

#include <cstdio>

const char* RejectReasonKey(RejectReason reason) {
    switch (reason) {
        case RejectReason::NotKestrova:
            return "not-kestrova";
        case RejectReason::UnexpectedFlag:
            return "unexpected-flag";
        case RejectReason::Undecodable:
            return "undecodable";
    }
    return "unknown";
}

int ReplyCounters::Rejected() const {
    int total = 0;
    for (const RejectTally& tally : rejects) total += tally.count;
    return total;
}

void ReplyCounters::Reject(RejectReason reason, const char* raw, std::size_t size) {
    ++packages;
    RejectTally& tally = rejects[static_cast<std::size_t>(reason)];
    if (tally.count++ == 0) tally.example = PrintableExample(raw, size);
}

std::string PrintableExample(const char* raw, std::size_t size) {
    constexpr std::size_t kLimit = 80;
    std::string out;
    if (raw == nullptr) return out;
    for (std::size_t i = 0; i < size && i < kLimit; ++i) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    if (size > kLimit) out += "...";
    return out;
}
