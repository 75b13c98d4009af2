// SPDX-License-Identifier: GPL-3.0-or-later
// Device text on its way out of the table: formulas a spreadsheet would run
// and control characters a terminal would obey.

#include "app/table_text.h"

#include <gtest/gtest.h>

#include "protocol/terminal_text.h"
#include "report/report_json.h"

namespace {

const std::string kCsvHeader = "Model,Proj,Name,IP,Port,Netmask,Mac\n";
const std::string kTsvHeader = "Model\tProj\tName\tIP\tPort\tNetmask\tMac\n";

// One row with `name` as its Name cell, the others plain.
TableRows RowNamed(const std::string& name) {
    return {{"M", "P", name, "198.51.100.7", "80", "255.255.255.0", "00:11:22:33:44:55"}};
}

struct FormulaCase {
    const char* label;
    std::string cell;
    std::string csv;  // the cell as the CSV writes it
    std::string tsv;  // the cell as Copy writes it
};

class FormulaGuard : public ::testing::TestWithParam<FormulaCase> {};

TEST_P(FormulaGuard, CsvAndCopyKeepTheCellText) {
    const FormulaCase& c = GetParam();
    EXPECT_EQ(FormatCsv(RowNamed(c.cell)),
              kCsvHeader + "M,P," + c.csv + ",198.51.100.7,80,255.255.255.0,00:11:22:33:44:55\n");
    EXPECT_EQ(FormatTabSeparated(RowNamed(c.cell)),
              kTsvHeader + "M\tP\t" + c.tsv + "\t198.51.100.7\t80\t255.255.255.0\t00:11:22:33:44:55\n");
    // Scripts read JSON as data: the cell stays exactly as the device sent it.
    EXPECT_NE(FormatJson(RowNamed(c.cell)).find("\"name\": " + JsonString(c.cell, StrayByte::Latin1)),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, FormulaGuard,
    ::testing::Values(
        FormulaCase{"equals", "=HYPERLINK(\"http://x.test\",\"y\")", "\"'=HYPERLINK(\"\"http://x.test\"\",\"\"y\"\")\"",
                    "\"'=HYPERLINK(\"\"http://x.test\"\",\"\"y\"\")\""},
        FormulaCase{"plus", "+1", "'+1", "'+1"},
        FormulaCase{"minus_dde", "-2+3+cmd|'/C calc'!A0", "'-2+3+cmd|'/C calc'!A0", "'-2+3+cmd|'/C calc'!A0"},
        FormulaCase{"at", "@SUM(A1)", "'@SUM(A1)", "'@SUM(A1)"}, FormulaCase{"tab", "\t=1", "'\\x09=1", "' =1"},
        FormulaCase{"cr", "\r=1", "'\\x0d=1", "' =1"}, FormulaCase{"inside_is_text", "a=b-c", "a=b-c", "a=b-c"},
        FormulaCase{"quote_only", "say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \"\"hi\"\"\""},
        FormulaCase{"comma_minus", "-a,b", "\"'-a,b\"", "'-a,b"}, FormulaCase{"empty", "", "", ""}),
    [](const auto& row) { return std::string(row.param.label); });

struct ControlCase {
    const char* label;
    std::string text;
    std::string shown;      // table, CSV, messages
    std::string tableJson;  // the table's JSON (stray bytes as Latin-1)
};

class ControlCodes : public ::testing::TestWithParam<ControlCase> {};

TEST_P(ControlCodes, ReachNoTerminalRaw) {
    const ControlCase& c = GetParam();
    EXPECT_EQ(TerminalText(c.text), c.shown);
    const std::string table = FormatTable(RowNamed("x" + c.text), "1 device(s) found!");
    EXPECT_NE(table.find("x" + c.shown), std::string::npos) << table;
    EXPECT_EQ(FormatCsv(RowNamed("x" + c.text)),
              kCsvHeader + "M,P,x" + c.shown + ",198.51.100.7,80,255.255.255.0,00:11:22:33:44:55\n");
    EXPECT_EQ(JsonString(c.text, StrayByte::Latin1), c.tableJson);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ControlCodes,
    ::testing::Values(ControlCase{"osc52_escape", "cam\x1b]52;c;aGk=\x07", "cam\\x1b]52;c;aGk=\\x07",
                                  "\"cam\\u001b]52;c;aGk=\\u0007\""},
                      ControlCase{"nul_and_del", std::string("a\0b\x7f", 4), "a\\x00b\\x7f", "\"a\\u0000b\\u007f\""},
                      ControlCase{"line_breaks", "a\r\nb", "a\\x0d\\x0ab", "\"a\\r\\nb\""},
                      // U+009B (CSI) written as UTF-8 and as the one byte of Latin-1.
                      ControlCase{"c1_code_point",
                                  "\xc2\x9b"
                                  "31m",
                                  "\\x9b31m", "\"\\u009b31m\""},
                      ControlCase{"c1_stray_byte",
                                  "\x9b"
                                  "31m",
                                  "\\x9b31m", "\"\\u009b31m\""},
                      ControlCase{"utf8_letters_stay", "caf\xc3\xa9 \xc2\xa0\xe6\x97\xa5",
                                  "caf\xc3\xa9 \xc2\xa0\xe6\x97\xa5", "\"caf\xc3\xa9 \xc2\xa0\xe6\x97\xa5\""},
                      ControlCase{"latin1_letters_stay", "caf\xe9 \xff", "caf\xe9 \xff", "\"caf\\u00e9 \\u00ff\""},
                      ControlCase{"backslash_stays", "a\\x1b", "a\\x1b", "\"a\\\\x1b\""}),
    [](const auto& row) { return std::string(row.param.label); });

}  // namespace
