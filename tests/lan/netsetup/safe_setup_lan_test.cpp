// SPDX-License-Identifier: GPL-3.0-or-later
// A network change end to end in a one-host box: refused where the address
// is taken, and afterwards watched for until the simulated device answers
// with its new settings, in the window and through `lanvaro-cli setup --verify`.

#include <clocale>
#include <regex>

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "netsetup/net_form_logic.h"
#include "tests/lan/netsetup/recorded_packages.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "tests/unit/netsetup/fake_net_form_view.h"

namespace {

const std::string kMac = "02:4B:56:00:00:01";
const std::string kDevices =
    "IPCAM,P1,Door,203.0.113.5,80,255.255.255.0,203.0.113.1,203.0.113.2,02:4B:56:00:00:01,HW1.0,site 1\n"
    "IPCAM,P1,Gate,203.0.113.6,80,255.255.255.0,203.0.113.1,203.0.113.2,02:4B:56:00:00:02,HW1.0,site 1\n";
// The first DHCP address devsim hands out in a box whose only card is loopback.
const std::string kPoolAddress = "127.0.0.200";

class SafeSetupLan : public testing::Test {
protected:
    void StartDevsim(std::vector<std::string> options) {
        ASSERT_TRUE(WriteFile(files.File("devices"), kDevices));
        options.insert(options.end(), {"--devices", files.File("devices"), "--record", Recorded()});
        devsim = std::make_unique<DevsimProcess>(options);
        ASSERT_TRUE(devsim->Start()) << devsim->Error();
    }
    std::string Recorded() const { return files.File("recorded"); }

    TempDir files;
    std::unique_ptr<DevsimProcess> devsim;
};

// The window: one search, the dialog's Apply, then the watch.
class WindowWatch : public SafeSetupLan {
protected:
    void SetUp() override {
        std::setlocale(LC_ALL, "C.UTF-8");
        form.proj = "P1";  // no UPnP part: each search is quick
        logic.FormCreate({});
        logic.SetWatchTimings({std::chrono::milliseconds(500), std::chrono::seconds(4)});
    }

    void SearchAndApply(NetworkType type, const std::string& ip) {
        logic.Button1Click();
        ASSERT_TRUE(form.RunUntil([this] { return !logic.Searching(); }, std::chrono::seconds(20)));
        ASSERT_EQ(logic.ComUnitList.size(), 2u);
        // The search's own summary goes; what follows is the watch's.
        form.statusText.clear();
        NetFormLogic dialog(form, view, logic.SetupContext());
        dialog.Load(logic.ComUnitList[0].mac == kMac ? logic.ComUnitList[0] : logic.ComUnitList[1]);
        view.checked = type;
        view.texts[NetFormEdit::IP] = ip;
        dialog.BtnApplyClick();
    }

    // Pumps the window thread until the watch has said something.
    std::string WatchOutcome() {
        form.RunUntil([this] { return !form.statusText.empty(); }, std::chrono::seconds(15));
        return form.statusText;
    }

    FakeWindow form;
    FakeNetFormView view;
    MainFormLogic logic{form};
};

TEST_F(WindowWatch, StaticChangeIsConfirmedAndTheRowHighlighted) {
    StartDevsim({"--setup-delay-ms", "700"});
    SearchAndApply(NetworkType::Static, "203.0.113.77");
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].title, "Note");
    // The box's only card is loopback.
    EXPECT_EQ(form.questions, std::vector<std::string>{"The device will be at 203.0.113.77, outside this computer's "
                                                       "networks: its page will not open from here. Send anyway?"});
    // Not seen by the first watch search, seen by a later one.
    EXPECT_TRUE(std::regex_match(WatchOutcome(),
                                 std::regex("02:4B:56:00:00:01: now at 203\\.0\\.113\\.77 \\(after [1-4] s\\)")))
        << form.statusText;
    ASSERT_GT(form.currentRow, 0);
    EXPECT_EQ(form.Cell(kColMac, form.currentRow), kMac);
    EXPECT_EQ(form.Cell(kColIp, form.currentRow), "203.0.113.77");
    EXPECT_FALSE(logic.Watching());
}

TEST_F(WindowWatch, DhcpChangeIsConfirmedAtTheAddressTheDeviceGot) {
    StartDevsim({"--setup-delay-ms", "0"});
    SearchAndApply(NetworkType::Dhcp, "203.0.113.5");
    EXPECT_TRUE(
        std::regex_match(WatchOutcome(), std::regex("02:4B:56:00:00:01: now at 127\\.0\\.0\\.200 \\(after \\d s\\)")))
        << form.statusText;
}

TEST_F(WindowWatch, IgnoredChangeIsNotSeenWithinTheLimit) {
    StartDevsim({"--ignore-setup"});
    SearchAndApply(NetworkType::Static, "203.0.113.77");
    EXPECT_EQ(WatchOutcome(), "02:4B:56:00:00:01: not seen with the new settings");
    EXPECT_FALSE(logic.Watching());
    EXPECT_EQ(WaitForRecorded(Recorded(), 1).size(), 1u);
}

TEST_F(WindowWatch, AnAddressOfAListedDeviceIsRefusedWithNothingSent) {
    StartDevsim({});
    SearchAndApply(NetworkType::Static, "203.0.113.6");
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "The address 203.0.113.6 is already used by Gate (02:4B:56:00:00:02).");
    EXPECT_EQ(form.messages[0].title, "Warning");
    EXPECT_EQ(view.focusedEdit, NetFormEdit::IP);
    EXPECT_FALSE(view.closed);
    EXPECT_FALSE(logic.Watching());

    // Answering No to the question about an address outside this computer's networks sends nothing either.
    form.answerYes = false;
    view.texts[NetFormEdit::IP] = "203.0.113.77";
    view.focusedEdit.reset();
    NetFormLogic(form, view, logic.SetupContext()).BtnApplyClick();
    EXPECT_EQ(form.questions.size(), 1u);
    EXPECT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(view.focusedEdit, NetFormEdit::IP);

    // Only the package sent next arrives: the refusals sent nothing.
    view.checked = NetworkType::Dhcp;
    NetFormLogic(form, view, logic.SetupContext()).BtnApplyClick();
    const std::vector<std::string> recorded = WaitForRecorded(Recorded(), 1);
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_NE(recorded[0].find(",dhcp"), std::string::npos) << recorded[0];
}

#ifdef LANVARO_CLI_PATH
class CliVerify : public SafeSetupLan {
protected:
    ProgramRun RunSetup(std::vector<std::string> args) {
        args.insert(args.begin(), {LANVARO_CLI_PATH, "setup", "--filter", "P1", "--mac", kMac});
        return RunToEnd(args, files.File("cli.out"), files.File("cli.err"));
    }
    const std::vector<std::string> kStatic77{"--static",  "--ip",        "203.0.113.77", "--netmask",  "255.255.255.0",
                                             "--gateway", "203.0.113.1", "--dns",        "203.0.113.2"};
    std::vector<std::string> Static77(std::vector<std::string> more) {
        more.insert(more.begin(), kStatic77.begin(), kStatic77.end());
        return more;
    }
};

TEST_F(CliVerify, StaticChangeIsConfirmed) {
    StartDevsim({"--setup-delay-ms", "500"});
    const ProgramRun run = RunSetup(Static77({"--verify", "10"}));
    EXPECT_EQ(run.status, 0);
    ASSERT_FALSE(run.out.empty());
    EXPECT_TRUE(std::regex_match(run.out.back(),
                                 std::regex("confirmed: 02:4B:56:00:00:01 at 203\\.0\\.113\\.77 after \\d+\\.\\d s")))
        << run.out.back();
}

TEST_F(CliVerify, DhcpChangeIsConfirmed) {
    StartDevsim({"--setup-delay-ms", "0"});
    const ProgramRun run = RunSetup({"--dhcp", "--verify", "10"});
    EXPECT_EQ(run.status, 0);
    ASSERT_FALSE(run.out.empty());
    EXPECT_TRUE(std::regex_match(run.out.back(),
                                 std::regex("confirmed: 02:4B:56:00:00:01 at 127\\.0\\.0\\.200 after \\d+\\.\\d s")))
        << run.out.back();
}

TEST_F(CliVerify, IgnoredChangeIsNotConfirmed) {
    StartDevsim({"--ignore-setup"});
    const ProgramRun run = RunSetup(Static77({"--verify", "3"}));
    EXPECT_EQ(run.status, 3);
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), "not confirmed within 3 s");
}

TEST_F(CliVerify, ConflictsAreRefusedWithNothingSentUnlessForced) {
    StartDevsim({});
    ProgramRun run = RunSetup({"--static", "--ip", "203.0.113.6", "--netmask", "255.255.255.0", "--gateway",
                               "203.0.113.1", "--dns", "203.0.113.2", "--verify", "5"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, std::vector<std::string>{
                           "lanvaro-cli setup: The address 203.0.113.6 is already used by Gate (02:4B:56:00:00:02)."});
    EXPECT_TRUE(run.out.empty());

    // The box's own kernel answers for the addresses it holds.
    run = RunSetup(
        {"--static", "--ip", "127.0.0.1", "--netmask", "255.0.0.0", "--gateway", "127.0.0.1", "--dns", "127.0.0.1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, std::vector<std::string>{"lanvaro-cli setup: The address 127.0.0.1 answers on the network."});

    // Only the forced package arrives.
    run = RunSetup({"--static", "--ip", "203.0.113.6", "--netmask", "255.255.255.0", "--gateway", "203.0.113.1",
                    "--dns", "203.0.113.2", "--force"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WaitForRecorded(Recorded(), 1),
              std::vector<std::string>{"Kestrova,03,IPCAM,P1,Door,203.0.113.6,80,255.255.255.0,203.0.113.1,203.0.113.2,"
                                       "02:4B:56:00:00:01,HW1.0,static"});
}
#endif  // LANVARO_CLI_PATH

}  // namespace
