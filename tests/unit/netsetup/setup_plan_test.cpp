// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/setup_plan.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"

namespace {

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Rendered(const ParsedPlan& plan) {
    std::string out;
    for (const PlanEntry& e : plan.entries) {
        out += std::to_string(e.line) + "|" + e.mac;
        if (e.settings.type == NetworkType::Dhcp)
            out += "|dhcp\n";
        else
            out += "|static|" + e.settings.ip + "|" + e.settings.netmask + "|" + e.settings.gateway + "|" +
                   e.settings.dns + "\n";
    }
    for (const std::string& error : plan.errors) out += "error|" + error + "\n";
    return out;
}

std::vector<std::string> PlanCases() {
    std::vector<std::string> names;
    for (const auto& file : std::filesystem::directory_iterator(LANVARO_TEST_DATA "/plan"))
        if (file.path().extension() == ".csv") names.push_back(file.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class PlanFile : public testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(PlanFile, ReadsAsExpected) {
    const std::filesystem::path base = std::filesystem::path(LANVARO_TEST_DATA "/plan") / GetParam();
    EXPECT_EQ(Rendered(ParsePlanCsv(Slurp(base.string() + ".csv"))), Slurp(base.string() + ".expected"));
}

INSTANTIATE_TEST_SUITE_P(Known, PlanFile, testing::ValuesIn(PlanCases()),
                         [](const testing::TestParamInfo<std::string>& param) { return param.param; });

namespace {

// Three new cameras on one factory address, and a gate that stays out of the plan.
const TComUnitList kFound = {
    MakeRecord({"KV", "IPCam", "fresh-1", "198.51.100.9", "80", "255.255.255.0", "198.51.100.254", "198.51.100.53",
                "02:4B:43:00:00:01", "HW", "n"}),
    MakeRecord({"KV", "IPCam", "fresh-2", "198.51.100.9", "80", "255.255.255.0", "198.51.100.254", "198.51.100.53",
                "02:4B:43:00:00:02", "HW", "n"}),
    MakeRecord({"KV", "IPCam", "fresh-3", "198.51.100.9", "80", "255.255.255.0", "198.51.100.254", "198.51.100.53",
                "02:4B:43:00:00:03", "HW", "n"}),
    MakeRecord({"KV", "IPCam", "Gate", "198.51.100.20", "80", "255.255.255.0", "198.51.100.254", "198.51.100.53",
                "02:4B:56:00:00:09", "HW", "n"}),
    // The gate's UPnP row.
    MakeRecord({"Axis", "Axis", "Gate", "198.51.100.20", "80", "NULL", "", "", "NULL", "", ""}),
};

PlanEntry Static(int line, const std::string& mac, const std::string& ip) {
    return {line, mac, {NetworkType::Static, ip, "255.255.255.0", "198.51.100.254", "198.51.100.53"}};
}

// A prober that answers for the listed addresses and records what it was asked.
struct FakeProber {
    std::vector<std::string> answering;
    std::shared_ptr<std::vector<std::string>> asked = std::make_shared<std::vector<std::string>>();
    std::shared_ptr<std::mutex> lock = std::make_shared<std::mutex>();
    AddressProber Prober() const {
        return [*this](const std::string& ip) {
            std::lock_guard guard(*lock);
            asked->push_back(ip);
            const bool answers = std::find(answering.begin(), answering.end(), ip) != answering.end();
            return ProbeResult{answers ? ProbeOutcome::Answered : ProbeOutcome::Silent, {}};
        };
    }
};

}  // namespace

TEST(CheckPlan, AcceptsAWholePlanMatchingMacsIgnoringCaseAndSeparators) {
    FakeProber prober;
    const PlanCheck check = CheckPlan({Static(2, "02-4b-43-00-00-01", "198.51.100.101"),
                                       {3, "02:4b:43:00:00:02", {NetworkType::Dhcp, "", "", "", ""}}},
                                      kFound, prober.Prober(), false);
    EXPECT_TRUE(check.refusals.empty());
    ASSERT_EQ(check.sends.size(), 2u);
    EXPECT_EQ(ComUnitFieldText(check.sends[0].device.name), "fresh-1");
    EXPECT_EQ(ComUnitFieldText(check.sends[1].device.name), "fresh-2");
    EXPECT_EQ(*prober.asked, std::vector<std::string>{"198.51.100.101"});
}

TEST(CheckPlan, NamesEveryFailingLineAndSendsNothing) {
    FakeProber prober{{"198.51.100.50"}};
    const PlanCheck check = CheckPlan(
        {
            Static(2, "02:4B:43:00:00:01", "198.51.100.20"),   // the gate's
            Static(3, "02:4B:43:00:00:02", "198.51.100.50"),   // answers
            Static(4, "02:4B:43:00:00:07", "198.51.100.60"),   // not found
            Static(5, "02:4B:43:00:00:01", "198.51.100.61"),   // repeated MAC
            Static(6, "02:4B:43:00:00:03", "198.51.100.50"),   // the address of line 3 again
            Static(7, "02:4B:43:00:00:03", "198.51.100.300"),  // no address (and repeated)
        },
        kFound, prober.Prober(), false);
    EXPECT_TRUE(check.sends.empty());
    EXPECT_EQ(check.refusals, (std::vector<std::string>{
                                  "line 2: The address 198.51.100.20 is already used by Gate (02:4B:56:00:00:09).",
                                  "line 3: The address 198.51.100.50 answers on the network.",
                                  "line 4: no device with MAC 02:4B:43:00:00:07 was found",
                                  "line 5: MAC 02:4B:43:00:00:01 is also in line 2",
                                  "line 6: the address 198.51.100.50 is also given in line 3",
                                  "line 7: MAC 02:4B:43:00:00:03 is also in line 6"}));
}

TEST(CheckPlan, RefusesWhatTheDialogWouldRefuse) {
    const PlanCheck check =
        CheckPlan({Static(2, "02:4B:43:00:00:01", "198.51.100.300"),
                   {3, "02:4B:43:00:00:02", {NetworkType::Static, "198.51.100.102", "255.255.255.0", "a,b", "x"}}},
                  kFound, FakeProber{}.Prober(), false);
    EXPECT_EQ(check.refusals, (std::vector<std::string>{"line 2: Invalid IP Address - [198.51.100.300]",
                                                        "line 3: Invalid Gateway - [a,b]"}));
}

TEST(CheckPlan, ThePlansOwnAddressesAreFreeAndForceOverridesOnlyUsedAndAnswering) {
    // One camera keeps the factory address the others leave: no probe, since the cameras there move.
    FakeProber prober{{"198.51.100.9", "198.51.100.50"}};
    const PlanEntry dhcp2{3, "02:4B:43:00:00:02", {NetworkType::Dhcp, "", "", "", ""}};
    const PlanEntry dhcp3{4, "02:4B:43:00:00:03", {NetworkType::Dhcp, "", "", "", ""}};
    PlanCheck check =
        CheckPlan({Static(2, "02:4B:43:00:00:01", "198.51.100.9"), dhcp2, dhcp3}, kFound, prober.Prober(), false);
    EXPECT_TRUE(check.refusals.empty()) << check.refusals.front();
    EXPECT_TRUE(prober.asked->empty());
    // Where one of them stays, the address is still its.
    check = CheckPlan({Static(2, "02:4B:43:00:00:01", "198.51.100.9"), dhcp2}, kFound, prober.Prober(), false);
    EXPECT_EQ(check.refusals, std::vector<std::string>{
                                  "line 2: The address 198.51.100.9 is already used by fresh-3 (02:4B:43:00:00:03)."});

    check =
        CheckPlan({Static(2, "02:4B:43:00:00:01", "198.51.100.20"), Static(3, "02:4B:43:00:00:02", "198.51.100.50")},
                  kFound, prober.Prober(), true);
    EXPECT_TRUE(check.refusals.empty());
    EXPECT_EQ(check.sends.size(), 2u);

    check =
        CheckPlan({Static(2, "02:4B:43:00:00:01", "198.51.100.50"), Static(3, "02:4B:43:00:00:02", "198.51.100.50")},
                  kFound, prober.Prober(), true);
    EXPECT_EQ(check.refusals, std::vector<std::string>{"line 3: the address 198.51.100.50 is also given in line 2"});
}
