// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns the relay's device table page into grid rows and device records.
// Plain C++; CleanHtml and PhaseItem run on the window thread.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/com_unit_info.h"
#include "protocol/window_ops.h"

// Only this much of an answer is ever looked at.
constexpr std::size_t kHtmlAnswerLimit = 1048576;

// The page's text is its bytes up to the first zero byte, at most
// kHtmlAnswerLimit of them. Lines end at CR, LF or CR LF; a last line without
// a line end counts, and so do empty lines.
std::vector<std::string> SplitPageLines(std::string_view body);

// A page of at most four lines with "No available items" in one of them
// holds no devices: the list is emptied.
void ApplyNoItemsRule(std::vector<std::string>& lines);

// Strips the leading structural tags (BODY, HTML, TABLE, TITLE, TR) from each
// line and drops the lines that become empty. Only a line's first tag is ever
// tested, by a substring test on the upper-cased tag.
void CleanHtml(std::vector<std::string>& lines);

// The first line is a heading; every further line becomes one grid row (the
// line's position among the lines walked) and one record appended to `list`,
// its cells between "<td>" and "</td>" filling model, proj, name, ip,
// trigger_port, netmask and mac in turn. Cells are cut to their field's width
// less one. What is left of each line stays in `lines`; lines left empty are
// removed but still had their own row. Once `list` holds kMaxListedDevices
// records, further lines make neither row nor record; returns how many.
int PhaseItem(WindowOps& form, TComUnitList& list, std::vector<std::string>& lines);
