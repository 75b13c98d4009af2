// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window-free main window in a LAN box, with devsim beside it.

#include <chrono>
#include <clocale>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"

class DriverLan : public ::testing::Test {
protected:
    void SetUp() override {
        std::setlocale(LC_ALL, "C.UTF-8");
        logic.FormCreate({114, 125, 180, 103, 29, 98, 153});
    }

    // Starts devsim with a device file made of these lines plus options.
    void StartDevsim(const std::vector<std::string>& deviceLines, std::vector<std::string> options = {}) {
        std::string text;
        for (const auto& line : deviceLines) text += line + "\n";
        ASSERT_TRUE(WriteFile(files.File("devices"), text));
        std::vector<std::string> args{"--devices", files.File("devices"), "--log-queries", files.File("queries")};
        args.insert(args.end(), options.begin(), options.end());
        devsim = std::make_unique<DevsimProcess>(args);
        ASSERT_TRUE(devsim->Start()) << devsim->Error();
    }

    // Presses the button and acts as the window thread until the search ends.
    std::chrono::milliseconds Search(std::chrono::seconds bound = std::chrono::seconds(40)) {
        const auto start = std::chrono::steady_clock::now();
        logic.Button1Click();
        EXPECT_TRUE(form.RunUntil([this] { return !logic.Searching(); }, bound)) << "the search did not end";
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    }

    std::vector<std::string> Column(int col) {
        std::vector<std::string> out;
        for (int r = 1; r < form.RowCount(); ++r) out.push_back(form.Cell(col, r));
        return out;
    }

    TempDir files;
    FakeWindow form;
    MainFormLogic logic{form};
    std::unique_ptr<DevsimProcess> devsim;
};

// One device line: the eleven record fields.
inline std::string Device(const std::string& model, const std::string& proj, int n) {
    const std::string ip =
        n < 255 ? "203.0.113." + std::to_string(n) : "127.1." + std::to_string(n / 256) + "." + std::to_string(n % 256);
    char mac[32];
    std::snprintf(mac, sizeof mac, "00:11:22:33:%02x:%02x", (n >> 8) & 0xff, n & 0xff);
    return model + "," + proj + ",name" + std::to_string(n) + "," + ip +
           ",80,255.255.0.0,203.0.113.254,203.0.113.253," + mac + ",dev" + std::to_string(n) + ",note";
}
