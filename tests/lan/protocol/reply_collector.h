// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tool's side of a UDP exchange, built from the protocol library only:
// the reply socket, sending a query, and turning what arrives into records.

#include <netinet/in.h>

#include <chrono>
#include <string>
#include <vector>

#include "protocol/com_unit_info.h"
#include "protocol/window_ops.h"
#include "tools/devsim/sim_device.h"

struct Datagram {
    std::string text;
    std::string from;  // "a.b.c.d:port"
};

class ReplyCollector {
public:
    // Binds the reply port with DM_CreateUDPBroadcastSocket.
    explicit ReplyCollector(WindowOps& form);
    ~ReplyCollector();
    ReplyCollector(const ReplyCollector&) = delete;
    ReplyCollector& operator=(const ReplyCollector&) = delete;

    bool Ok() const { return ok_; }

    // Builds the package of `flag` with MakePlainPkg and sends it with
    // DM_SendUDPBroadcast; the latter's result.
    int Send(int flag, const tComUnitInfo* record = nullptr);

    // Datagrams until `quiet` passes without one, or `limit` in all.
    std::vector<Datagram> Receive(std::chrono::milliseconds quiet = std::chrono::milliseconds(500),
                                  std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

    // Decodes each datagram as the tool does (zeroed 64 KiB buffer,
    // Base64Decode, InvertBytes) and hands it to ParserPlainPkg.
    void Parse(const std::vector<Datagram>& datagrams);

    TComUnitList list;
    int nextRow = 1;

private:
    WindowOps& form_;
    int sock_ = -1;
    bool ok_ = false;
};

// The record the tool should hold for a simulated device whose fields fit.
tComUnitInfo RecordOf(const SimDevice& device);

// Field-by-field text of a record, for readable failures.
std::string RecordText(const tComUnitInfo& record);

// Devices from device-file text (one per line, as devsim reads them).
std::vector<SimDevice> DevicesFromText(const std::string& text);

// The records of a list as texts, and the records devices should give.
std::vector<std::string> RecordTexts(const TComUnitList& list);
std::vector<std::string> RecordTexts(const std::vector<SimDevice>& devices);
