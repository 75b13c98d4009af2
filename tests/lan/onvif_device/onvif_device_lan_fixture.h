// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// lanvaro-cli's onvif commands against devsim's cameras; camera 0 serves at
// 127.77.0.10, camera 1 at 127.77.0.11.

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/lan_box.h"

using CliRun = ProgramText;

class OnvifDeviceLan : public ::testing::Test {
protected:
    static constexpr const char* kUser = "installer";
    static constexpr const char* kPassword = "s3cret pass";

    void StartCameras(std::vector<std::string> options) {
        requestsPath = files.File("requests");
        options.insert(options.begin(), {"--no-udp", "--onvif", "2", "--onvif-user", kUser, "--onvif-password",
                                         kPassword, "--setup-delay-ms", "300", "--onvif-log", requestsPath});
        devsim = std::make_unique<DevsimProcess>(options);
        ASSERT_TRUE(devsim->Start()) << devsim->Error();
    }

    // One line of the cameras' request log.
    struct LoggedRequest {
        std::string operation;
        std::string status;  // "-": closed unanswered
        int inFlight = 0;    // the camera's requests being answered, this one too
    };

    std::vector<LoggedRequest> Logged() const {
        std::vector<LoggedRequest> logged;
        for (const std::string& line : ReadLines(requestsPath)) {
            std::vector<std::string> cells;
            std::stringstream columns(line);
            for (std::string cell; std::getline(columns, cell, '\t');) cells.push_back(cell);
            if (cells.size() == 4) logged.push_back({cells[1], cells[2], std::atoi(cells[3].c_str())});
        }
        return logged;
    }

    // The operations the cameras were asked, in order.
    std::vector<std::string> Requests() const {
        std::vector<std::string> operations;
        for (const LoggedRequest& request : Logged()) operations.push_back(request.operation);
        return operations;
    }

    // How often the cameras were asked for the operation.
    long Asked(const std::string& operation) const {
        const std::vector<std::string> asked = Requests();
        return std::count(asked.begin(), asked.end(), operation);
    }

    CliRun Run(std::vector<std::string> args, const std::string& password = kPassword) {
        args.insert(args.begin(), LANVARO_CLI_PATH);
        const std::string n = std::to_string(runs++);
        return RunForText(args, files.File("out" + n), files.File("err" + n), {"LANVARO_ONVIF_PASSWORD=" + password});
    }

    TempDir files;
    std::unique_ptr<DevsimProcess> devsim;
    std::string requestsPath;
    int runs = 0;
};
