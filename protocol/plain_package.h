// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Building plain packages: "Kestrova,<flag>,<payload>", encoded for the wire.

#include <string>

#include "protocol/com_unit_info.h"
#include "protocol/window_ops.h"

// Wire data (received text, decoded bytes, built packages) fits 64 KiB.
constexpr int kWireBufferSize = 65536;

// Devices listen on this port; answers come back to the reply port.
constexpr int kDevicePort = 6666;
constexpr int kReplyPort = 6667;

constexpr char kProtocolToken[] = "Kestrova";
constexpr int kProtocolTokenLength = 8;

constexpr int kFlagLocalQuery = 0;
constexpr int kFlagDeviceInfo = 1;
constexpr int kFlagRelayQuery = 2;
constexpr int kFlagNetworkSetup = 3;

// Builds the package for flag (0 and 2: queries, pInfo ignored; 1 and 3: the
// record's eleven fields) and writes its encoded, NUL-terminated form into
// out, which must hold kWireBufferSize chars. Returns 0, or -1 with out left
// untouched (unknown flag, or no record for flags 1 and 3).
int MakePlainPkg(WindowOps& form, int flag, char* out, const tComUnitInfo* pInfo);

// The plain text (without its NUL) of a flag 1 or 3 package carrying the
// record's eleven fields, each read bounded by its width.
std::string RecordPackageText(int flag, const tComUnitInfo& info);
