// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turning decoded replies into device records and result rows.

#include <string>

#include "protocol/com_unit_info.h"
#include "protocol/device_index.h"
#include "protocol/reply_counters.h"
#include "protocol/window_ops.h"

// Parses one NUL-terminated plain package into the caller's zeroed record.
// Returns 1 for device information (flag 1), 0 for a local query (flag 0),
// -1 otherwise. Fields are filled whatever the result.
int SplitPlainPkg(WindowOps& form, const char* text, tComUnitInfo* rec);

// Walks the NUL-separated packages of buf, never reading past len bytes.
// Each new device (by ip and mac) is appended to list while it holds fewer
// than kMaxListedDevices, and counted as not listed after that; those
// appended that pass the project filter are written to grid row NextRow,
// which then advances and becomes the row count. Returns the number of
// devices appended. What became of each package is added to `counters` when
// given. A search passes its own `index` of list, so that the cost of an
// answer does not grow with the list.
int ParserPlainPkg(WindowOps& form, TComUnitList& list, int& NextRow, const char* buf, int len,
                   ReplyCounters* counters = nullptr, DeviceIndex* index = nullptr);

// True when text holds at least five ':'.
bool GetMacFromCString(std::string text);

// Whether a project passes a project filter: the filter "ALL", or the
// project exactly equal to the filter.
bool PassesProjFilter(const std::string& filter, const char* proj);

// 0 when proj passes the window's project filter ("ALL", or exactly equal),
// -1 otherwise.
int CheckProjFilter(WindowOps& form, const char* proj);

// True for what inet_addr accepts, except 255.255.255.255 (its failure value).
bool IsAcceptedIpv4Text(const char* text);
