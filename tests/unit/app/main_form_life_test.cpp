// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "protocol/window_wait.h"
#include "tests/support/fake_window.h"

namespace {
const std::vector<int> kDesignWidths{114, 125, 180, 103, 29, 98, 153};
}

TEST(FormCreate, WritesHeadersCaptionAndRelayControlState) {
    FakeWindow form;
    for (int c = 0; c < kGridColumnCount; ++c) form.SetCell(c, 0, "");
    MainFormLogic logic(form);
    logic.FormCreate(kDesignWidths);
    EXPECT_EQ(form.rows.at(0), (std::vector<std::string>{"Model", "Proj", "Name", "IP", "Port", "Netmask", "Mac"}));
    EXPECT_EQ(form.windowCaption, std::string("Lanvaro - ") + LANVARO_VERSION);
    EXPECT_FALSE(form.relayControlsEnabled);
    EXPECT_TRUE(form.LogContains("Col[6] - (153, 802)"));
    EXPECT_TRUE(form.LogContains("Col[0] - (114, 802, 0.142145)"));
}

TEST(FormResize, ColumnsKeepTheirDesignShareOfTheTable) {
    FakeWindow form;
    MainFormLogic logic(form);
    EXPECT_TRUE(logic.FormResize(787).empty()) << "before the proportions exist the columns are left alone";
    logic.FormCreate(kDesignWidths);
    // 787 = 807 - 20: the table of a window at design size.
    EXPECT_EQ(logic.FormResize(787), (std::vector<int>{111, 122, 176, 101, 28, 96, 150}));
    EXPECT_EQ(logic.FormResize(1000), (std::vector<int>{142, 155, 224, 128, 36, 122, 190}));
}

TEST(FormResize, ZeroDesignWidthsRecordNothing) {
    FakeWindow form;
    MainFormLogic logic(form);
    logic.FormCreate({0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(logic.ColumnProportions.empty());
    EXPECT_TRUE(logic.FormResize(500).empty());
}

TEST(FormClose, RefusedWithAWarningWhileAUpnpSearchIsPending) {
    FakeWindow form;
    MainFormLogic logic(form);
    logic.Engine.m_hSearchEvent = std::make_shared<ManualResetEvent>();
    EXPECT_FALSE(logic.FormCloseQuery());
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "Searching Upnp Devices! Please wait");
    EXPECT_EQ(form.messages[0].title, "Warning");

    logic.Engine.m_hSearchEvent.reset();
    EXPECT_TRUE(logic.FormCloseQuery());
    EXPECT_EQ(form.messages.size(), 1u);
}

TEST(FormClose, RefusedWhileTheWindowWaitsForAnAnswer) {
    FakeWindow form;
    MainFormLogic logic(form);
    // The window's messages, a close among them, are handled during the wait.
    std::vector<bool> closeAllowed;
    WhileWindowRuns(
        form, [] { std::this_thread::sleep_for(std::chrono::milliseconds(30)); },
        [&] {
            if (closeAllowed.empty()) closeAllowed.push_back(logic.FormCloseQuery());
        });
    EXPECT_EQ(closeAllowed, std::vector<bool>{false});
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "Waiting for a device to answer! Please wait");
    EXPECT_TRUE(logic.FormCloseQuery());
}
