// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "tests/support/lan_box.h"

namespace {

using CliRun = ProgramText;

class CliLan : public ::testing::Test {
protected:
    void StartDevsim(std::vector<std::string> options) {
        ASSERT_TRUE(
            WriteFile(files.File("devices"),
                      "M2,P1,cam \"two\",203.0.113.2,80,255.255.0.0,203.0.113.1,203.0.113.1,00:11:22:33:44:02,d,n\n"
                      "M1,P1,cam one,203.0.113.1,8080,255.255.0.0,203.0.113.1,203.0.113.1,00:11:22:33:44:01,d,n\n"
                      "M3,P2,other,203.0.113.3,80,255.255.0.0,203.0.113.1,203.0.113.1,00:11:22:33:44:03,d,n\n"));
        options.insert(options.begin(), {"--devices", files.File("devices")});
        devsim = std::make_unique<DevsimProcess>(options);
        ASSERT_TRUE(devsim->Start()) << devsim->Error();
    }

    CliRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), LANVARO_CLI_PATH);
        const std::string n = std::to_string(runs++);
        return RunForText(args, files.File("out" + n), files.File("err" + n));
    }

    TempDir files;
    std::unique_ptr<DevsimProcess> devsim;
    int runs = 0;
};

}  // namespace

TEST_F(CliLan, TablePrintsRowsInDescendingModelOrderAndTheCount) {
    StartDevsim({});
    const CliRun run = Run({"--filter", "P1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Model  Proj  Name       IP           Port  Netmask      Mac\n"
              "M2     P1    cam \"two\"  203.0.113.2  80    255.255.0.0  00:11:22:33:44:02\n"
              "M1     P1    cam one    203.0.113.1  8080  255.255.0.0  00:11:22:33:44:01\n"
              "2 device(s) found!\n");
}

TEST_F(CliLan, CsvAndJsonCarryTheSameRows) {
    StartDevsim({});
    const CliRun csv = Run({"--filter", "P1", "--format", "csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out,
              "Model,Proj,Name,IP,Port,Netmask,Mac\n"
              "M2,P1,\"cam \"\"two\"\"\",203.0.113.2,80,255.255.0.0,00:11:22:33:44:02\n"
              "M1,P1,cam one,203.0.113.1,8080,255.255.0.0,00:11:22:33:44:01\n");
    const CliRun json = Run({"--filter", "P2", "--format", "json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(
        json.out,
        "[\n  {\"model\": \"M3\", \"proj\": \"P2\", \"name\": \"other\", \"ip\": \"203.0.113.3\", \"port\": \"80\", "
        "\"netmask\": \"255.255.0.0\", \"mac\": \"00:11:22:33:44:03\"}\n]\n");
}

TEST_F(CliLan, TcpRelayAndLogToStderr) {
    StartDevsim({"--tcp-relay", "--no-udp"});
    const CliRun run = Run({"--relay", "127.0.0.1", "--filter", "P2", "--format", "csv", "--log"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("M3,P2,other"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("Col[6] - (153, 802)"), std::string::npos) << "the diagnostic log goes to stderr";
}

TEST_F(CliLan, NothingFoundIsStillACompletedSearch) {
    StartDevsim({"--silent"});
    const CliRun run = Run({"--filter", "P1", "--format", "json"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "[]\n");
    const CliRun table = Run({"--filter", "P1"});
    EXPECT_EQ(table.out, "Model  Proj  Name  IP  Port  Netmask  Mac\n0 device(s) found!\n");
}

TEST_F(CliLan, UsageErrorsExitWithTwo) {
    const CliRun run = Run({"--format", "xml"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("usage: lanvaro-cli"), std::string::npos);
    EXPECT_TRUE(run.out.empty());
}

TEST_F(CliLan, AllListsUpnpCamerasBehindThePackageRows) {
    StartDevsim({"--upnp-cameras", std::string(LANVARO_TEST_DATA) + "/upnp/three_makers.txt"});
    const CliRun run = Run({"--format", "csv"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string packageRows =
        "Model,Proj,Name,IP,Port,Netmask,Mac\n"
        "M2,P1,\"cam \"\"two\"\"\",203.0.113.2,80,255.255.0.0,00:11:22:33:44:02\n"
        "M1,P1,cam one,203.0.113.1,8080,255.255.0.0,00:11:22:33:44:01\n"
        "M3,P2,other,203.0.113.3,80,255.255.0.0,00:11:22:33:44:03\n";
    ASSERT_EQ(run.out.substr(0, packageRows.size()), packageRows) << "package rows first, in arrival order";
    // Cameras answer after a random delay, so their order is not fixed.
    const std::string axis = "Axis 200 Series,Axis 200 Series,AXIS KX1557 Network Camera,198.51.100.90,80,NULL,NULL\n";
    const std::string vivotek = "VivoTek 7000 Series,VivoTek 7000 Series,VK8619 ,198.51.100.91,8080,NULL,NULL\n";
    const std::string cameras = run.out.substr(packageRows.size());
    EXPECT_TRUE(cameras == axis + vivotek || cameras == vivotek + axis) << cameras;
}

TEST_F(CliLan, UpnpFilterWaitsForTheCollection) {
    StartDevsim({});
    const CliRun run = Run({"--filter", "UPNP", "--format", "csv"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Model,Proj,Name,IP,Port,Netmask,Mac\n") << "package rows give way to UPnP rows";
}

// A name that sets the terminal's clipboard (OSC 52) and colours (CSI as a C1
// code point): the table, and setup's log line of the package it sends, print
// it as text.
TEST_F(CliLan, ControlCharactersInADeviceNameReachTheTerminalEscaped) {
    ASSERT_TRUE(WriteFile(files.File("hostile"),
                          "M9,P9,cam\x1b]52;c;aGk=\x07\xc2\x9b"
                          "31m,198.51.100.9,80,255.255.255.0,198.51.100.1,198.51.100.1,00:11:22:33:44:09,d,n\n"));
    devsim =
        std::make_unique<DevsimProcess>(std::vector<std::string>{"--devices", files.File("hostile"), "--ignore-setup"});
    ASSERT_TRUE(devsim->Start()) << devsim->Error();
    const std::string shown = "cam\\x1b]52;c;aGk=\\x07\\x9b31m";
    const CliRun table = Run({"--filter", "P9"});
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("  " + shown + "  "), std::string::npos) << table.out;
    const CliRun setup = Run({"setup", "--mac", "00:11:22:33:44:09", "--dhcp", "--log"});
    ASSERT_EQ(setup.status, 0) << setup.err;
    EXPECT_NE(setup.err.find("," + shown + ","), std::string::npos) << setup.err;
    for (const std::string& printed : {table.out, table.err, setup.out, setup.err}) {
        EXPECT_EQ(printed.find_first_of("\x1b\x07"), std::string::npos) << printed;
        EXPECT_EQ(printed.find("\xc2\x9b"), std::string::npos) << printed;
    }
}
