// SPDX-License-Identifier: GPL-3.0-or-later
// Known answers: each NAME.b64 in the data folder is a message as it comes
// off the wire; NAME.expected lists the records it must yield, one per line,
// the eleven fields separated by '|' (escapes \r \n \t \\ \|). Optional:
// NAME.filter (the project filter, default ALL), NAME.rows (the grid rows,
// seven cells; default: every record's row), NAME.log (the exact log lines;
// default: none).

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/package_codec.h"
#include "protocol/plain_package.h"
#include "protocol/reply_parser.h"
#include "tests/support/fake_window.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::vector<std::string>>;

const fs::path kDataDir = LANVARO_PROTOCOL_DATA_DIR;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ReadLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> SplitCells(const std::string& line) {
    std::vector<std::string> cells(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '|') {
            cells.emplace_back();
            continue;
        }
        if (c == '\\' && i + 1 < line.size()) {
            const char e = line[++i];
            c = e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
        }
        cells.back() += c;
    }
    return cells;
}

Lines ReadTable(const fs::path& path) {
    Lines table;
    for (const auto& line : ReadLines(path)) table.push_back(SplitCells(line));
    return table;
}

std::vector<std::string> ListCases() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(kDataDir, ec))
        if (entry.path().extension() == ".b64") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Fields(const tComUnitInfo& rec) {
    std::vector<std::string> out;
    for (int i = 0; i < kComUnitFieldCount; ++i)
        out.push_back(ComUnitFieldText(ComUnitField(rec, i), ComUnitFieldWidth(i)));
    return out;
}

class KnownAnswer : public ::testing::TestWithParam<std::string> {};

TEST_P(KnownAnswer, MessageYieldsExactlyTheExpectedRecordsAndRows) {
    const fs::path base = kDataDir / GetParam();
    const fs::path expectedPath = base.string() + ".expected";
    ASSERT_TRUE(fs::exists(expectedPath)) << expectedPath << " is missing";
    const Lines expected = ReadTable(expectedPath);

    FakeWindow form;
    form.SetRowCount(1);
    if (fs::exists(base.string() + ".filter")) form.proj = ReadLines(base.string() + ".filter").at(0);

    // The receive sequence of a search: decode into a zeroed buffer, invert
    // what was decoded, walk it bounded by the received length.
    const std::string wire = ReadFile(base.string() + ".b64");
    ASSERT_LT(wire.size(), static_cast<std::size_t>(kWireBufferSize));
    std::vector<unsigned char> decoded(kWireBufferSize, 0);
    const int n = Base64Decode(decoded.data(), decoded.size() - 1, wire.c_str());
    ASSERT_EQ(InvertBytes(decoded.data(), n), 0);
    TComUnitList list;
    int nextRow = 1;
    const int added = ParserPlainPkg(form, list, nextRow, reinterpret_cast<const char*>(decoded.data()),
                                     static_cast<int>(wire.size()));

    Lines records;
    for (const auto& rec : list) records.push_back(Fields(rec));
    EXPECT_EQ(records, expected);
    EXPECT_EQ(added, static_cast<int>(expected.size()));

    Lines rows;
    if (fs::exists(base.string() + ".rows")) {
        rows = ReadTable(base.string() + ".rows");
    } else {
        for (const auto& r : expected) rows.push_back({r.at(0), r.at(1), r.at(2), r.at(3), r.at(4), r.at(5), r.at(8)});
    }
    EXPECT_EQ(form.DataRows(), rows);
    EXPECT_EQ(nextRow, static_cast<int>(rows.size()) + 1);

    const std::vector<std::string> log =
        fs::exists(base.string() + ".log") ? ReadLines(base.string() + ".log") : std::vector<std::string>{};
    EXPECT_EQ(form.log, log);
}

INSTANTIATE_TEST_SUITE_P(Data, KnownAnswer, ::testing::ValuesIn(ListCases()),
                         [](const ::testing::TestParamInfo<std::string>& param) { return param.param; });

TEST(KnownAnswerData, FolderHoldsTheCases) {
    EXPECT_GE(ListCases().size(), 20u) << "no known-answer cases found in " << kDataDir;
}

}  // namespace
