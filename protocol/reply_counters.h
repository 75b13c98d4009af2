// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the reply parser saw in the answers of one search: how many packages
// it read, what became of them, and why the ones it threw away were refused.

#include <array>
#include <string>

enum class RejectReason { NotKestrova, UnexpectedFlag, Undecodable };
constexpr int kRejectReasonCount = 3;

// The reason's key in reports ("not-kestrova", "unexpected-flag", "undecodable").
const char* RejectReasonKey(RejectReason reason);

struct RejectTally {
    int count = 0;
    std::string example;  // the first one met, printable
};

struct ReplyCounters {
    int packages = 0;    // read, whatever became of them
    int devices = 0;     // new devices listed
    int duplicates = 0;  // a device already listed
    int hiddenByFilter = 0;
    int notListed = 0;  // new devices past the most a search lists
    std::array<RejectTally, kRejectReasonCount> rejects{};

    int Rejected() const;
    // Counts one refused package; `raw` is what it held.
    void Reject(RejectReason reason, const char* raw, std::size_t size);
};

// At most 80 bytes of raw data as text: printable ASCII as is, the rest as \xNN.
std::string PrintableExample(const char* raw, std::size_t size);
