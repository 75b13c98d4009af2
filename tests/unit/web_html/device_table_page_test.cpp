// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/device_table_page.h"

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"
#include "web/html_table_parser.h"

namespace {

tComUnitInfo Device(const std::string& model, const std::string& proj, const std::string& name, int n) {
    return MakeRecord({model, proj, name, "203.0.113." + std::to_string(n), "80", "255.255.255.0", "203.0.113.1",
                       "203.0.113.53", "02:4B:56:00:00:" + std::to_string(10 + n), "dev", "note"});
}

// The page as the HTTP command search reads it: records and rows.
TComUnitList Read(const std::string& html) {
    FakeWindow form;
    form.SetRowCount(1);
    TComUnitList list;
    std::vector<std::string> lines = SplitPageLines(html);
    ApplyNoItemsRule(lines);
    CleanHtml(lines);
    PhaseItem(form, list, lines);
    return list;
}

std::vector<std::string> Names(const TComUnitList& list) {
    std::vector<std::string> names;
    for (const tComUnitInfo& device : list) names.push_back(ComUnitFieldText(device.name));
    return names;
}

TEST(DeviceTablePage, TheSearchReadsEveryDeviceWithItsSevenCellsVerbatim) {
    const TComUnitList devices{Device("KX-1", "IPCam", "Gate & yard \"east\"", 1), Device("NV-8", "NVR", " ", 2),
                               Device("KX-1", "IPCam", "caf\xC3\xA9 \x1b[1m", 3)};
    const DeviceTablePage page = MakeDeviceTablePage(devices, "ALL");
    EXPECT_EQ(page.rows, 3);
    EXPECT_EQ(page.leftOut, 0);
    const TComUnitList read = Read(page.html);
    ASSERT_EQ(read.size(), 3u);
    for (std::size_t i = 0; i < read.size(); ++i) {
        for (int field : {0, 1, 2, 3, 4, 5, 8})
            EXPECT_EQ(ComUnitFieldText(ComUnitField(read[i], field), ComUnitFieldWidth(field)),
                      ComUnitFieldText(ComUnitField(devices[i], field), ComUnitFieldWidth(field)))
                << "device " << i << " field " << field;
        // The page has no cells for the rest; the search leaves them empty.
        EXPECT_EQ(ComUnitFieldText(read[i].gateway), "");
    }
}

TEST(DeviceTablePage, TheFilterIsTheWindowsAndTheTextsThatWouldBreakARowAreLeftOut) {
    const TComUnitList devices{Device("KX-1", "IPCam", "one", 1),          Device("NV-8", "NVR", "two", 2),
                               Device("KX-1", "IPCam", "<b>three</b>", 3), Device("KX-1", "IPCam", "fo\rur", 4),
                               Device("KX-1", "IPCam", "fi\nve", 5),       Device("KX-1", "ipcam", "six", 6)};
    DeviceTablePage page = MakeDeviceTablePage(devices, "IPCam");
    EXPECT_EQ(Names(Read(page.html)), std::vector<std::string>{"one"}) << "exact, case-sensitive, as the window";
    EXPECT_EQ(page.rows, 1);
    EXPECT_EQ(page.leftOut, 3) << "the NVR and the lower-case project are filtered, not left out";
    page = MakeDeviceTablePage(devices, "ALL");
    EXPECT_EQ(Names(Read(page.html)), (std::vector<std::string>{"one", "two", "six"}));
}

TEST(DeviceTablePage, NoDeviceIsThePageThatSaysSoInFourLinesAtMost) {
    for (const TComUnitList& devices : {TComUnitList{}, TComUnitList{Device("KX-1", "IPCam", "a<b", 1)},
                                        TComUnitList{Device("KX-1", "IPCam", "one", 1)}}) {
        const DeviceTablePage page = MakeDeviceTablePage(devices, "NVR");
        EXPECT_EQ(page.rows, 0);
        EXPECT_NE(page.html.find("No available items"), std::string::npos);
        EXPECT_LE(SplitPageLines(page.html).size(), 4u);
        EXPECT_TRUE(Read(page.html).empty());
    }
}

}  // namespace
