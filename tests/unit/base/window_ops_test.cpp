// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"

TEST(GridRowText, JoinsTheCellsWithCrLfAndClearingEmptiesEveryCell) {
    FakeWindow form;
    const std::vector<std::string> cells{"a@b", "", "N", "198.51.100.1", "80", "255.0.0.0", "00:11:22:33:44:55"};
    for (int c = 0; c < kGridColumnCount; ++c) form.SetCell(c, 1, cells[static_cast<std::size_t>(c)]);
    const std::string text = GridRowText(form, 1);
    EXPECT_EQ(text, "a@b\r\n\r\nN\r\n198.51.100.1\r\n80\r\n255.0.0.0\r\n00:11:22:33:44:55\r\n");
    ClearGridRow(form, 1);
    EXPECT_EQ(form.DataRows().at(0), std::vector<std::string>(kGridColumnCount, ""));
}

TEST(WindowOpsInvoke, RunsOnTheWindowThreadAndWaits) {
    FakeWindow form;
    std::atomic<bool> ranOnWindowThread{false};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        form.Invoke([&] { ranOnWindowThread = form.IsWindowThread(); });
        returned = true;
    });
    ASSERT_TRUE(form.RunUntil([&] { return returned.load(); }, std::chrono::seconds(5)));
    worker.join();
    EXPECT_TRUE(ranOnWindowThread);
}
