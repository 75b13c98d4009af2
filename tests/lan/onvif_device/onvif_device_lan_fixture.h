#pragma once
// lanvaro-cli's onvif commands against devsim's cameras; camera 0 serves at
// 127.77.0.10, camera 1 at 127.77.0.11.

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/lan_box.h"

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

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

    // The operations the cameras were asked, in order.
    std::vector<std::string> Requests() const {
        std::vector<std::string> operations;
        std::istringstream lines(Slurp(requestsPath));
        for (std::string line; std::getline(lines, line);) {
            const std::size_t tab = line.find('\t');
            operations.push_back(line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1));
        }
        return operations;
    }

    // How often the cameras were asked for the operation.
    long Asked(const std::string& operation) const {
        const std::vector<std::string> asked = Requests();
        return std::count(asked.begin(), asked.end(), operation);
    }

    CliRun Run(std::vector<std::string> args, const std::string& password = kPassword) {
        args.insert(args.begin(), LANVARO_CLI_PATH);
        const std::string out = files.File("out" + std::to_string(runs)),
                          err = files.File("err" + std::to_string(runs));
        ++runs;
        ChildOptions child{{"LANVARO_ONVIF_PASSWORD=" + password}, out, err};
        ChildProcess cli(args, child);
        CliRun run;
        run.status = cli.Wait(std::chrono::seconds(60)).value_or(-1);
        run.out = Slurp(out);
        run.err = Slurp(err);
        return run;
    }

    TempDir files;
    std::unique_ptr<DevsimProcess> devsim;
    std::string requestsPath;
    int runs = 0;
};
