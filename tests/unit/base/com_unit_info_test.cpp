// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/com_unit_info.h"

#include <cstring>

#include <gtest/gtest.h>

TEST(ComUnitField, OverLongTextIsCutToWidthLessOneAndNeverSpills) {
    tComUnitInfo rec;
    std::memset(&rec, 0x55, sizeof rec);
    SetComUnitField(rec.trigger_port, "1234567890");
    EXPECT_EQ(ComUnitFieldText(rec.trigger_port), "1234567");
    EXPECT_EQ(rec.trigger_port[7], '\0');
    EXPECT_EQ(static_cast<unsigned char>(rec.netmask[0]), 0x55u) << "the next field was touched";
}

TEST(ComUnitField, IndexOrderIsTheRecordOrder) {
    tComUnitInfo rec{};
    for (int i = 0; i < kComUnitFieldCount; ++i)
        SetComUnitField(ComUnitField(rec, i), ComUnitFieldWidth(i), std::to_string(i));
    EXPECT_STREQ(rec.model, "0");
    EXPECT_STREQ(rec.ip, "3");
    EXPECT_STREQ(rec.trigger_port, "4");
    EXPECT_STREQ(rec.mac, "8");
    EXPECT_STREQ(rec.note, "10");
    EXPECT_EQ(ComUnitFieldWidth(10), 56u);
}

TEST(ComUnitField, TextOfAFieldWithoutNulStopsAtItsWidth) {
    tComUnitInfo rec{};
    std::memset(rec.ip, 'x', sizeof rec.ip);
    EXPECT_EQ(ComUnitFieldText(rec.ip).size(), sizeof rec.ip);
}
