// SPDX-License-Identifier: GPL-3.0-or-later
// The input is a relay's answer: it goes through line splitting, the
// no-items rule, CleanHtml and PhaseItem. Short pages are also walked the
// literal way and must give the same rows and leftovers.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/protocol/fuzz_form.h"
#include "tests/unit/web_html/reference_walk.h"
#include "web/html_table_parser.h"

namespace {

constexpr std::size_t kReferenceLimit = 4096;
constexpr int kRowFields[kGridColumnCount] = {0, 1, 2, 3, 4, 5, 8};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines = SplitPageLines(body);
    for (const auto& line : lines) Require(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    ApplyNoItemsRule(lines);
    const std::vector<std::string> split = lines;

    FuzzForm form;
    TComUnitList list;
    CleanHtml(lines);
    for (const auto& line : lines) Require(!line.empty());
    const std::vector<std::string> cleaned = lines;
    PhaseItem(form, list, lines);

    // One record per data line, each matching its grid row, every field
    // terminated inside its width.
    const std::size_t dataLines = cleaned.empty() ? 0 : cleaned.size() - 1;
    Require(list.size() == dataLines);
    Require(static_cast<std::size_t>(form.RowCount()) == (dataLines == 0 ? 1 : dataLines + 1));
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (int f = 0; f < kComUnitFieldCount; ++f)
            Require(std::memchr(ComUnitField(list[i], f), 0, ComUnitFieldWidth(f)) != nullptr);
        for (int c = 0; c < kGridColumnCount; ++c)
            Require(form.Cell(c, static_cast<int>(i + 1)) == std::string(ComUnitField(list[i], kRowFields[c])));
    }

    if (size <= kReferenceLimit) {
        std::vector<std::string> expectedClean;
        for (const auto& line : split)
            if (std::string c = ReferenceCleanLine(line); !c.empty()) expectedClean.push_back(c);
        Require(expectedClean == cleaned);
        std::vector<std::string> expectedRest;
        for (std::size_t i = 0; i < cleaned.size(); ++i) {
            const ReferenceRow row = ReferenceTakeCells(cleaned[i]);
            if (i > 0)
                for (int c = 0; c < kGridColumnCount; ++c)
                    Require(form.Cell(c, static_cast<int>(i)) == row.cells[static_cast<std::size_t>(c)]);
            if (!row.rest.empty()) expectedRest.push_back(row.rest);
        }
        Require(expectedRest == lines);
    }
    return 0;
}
