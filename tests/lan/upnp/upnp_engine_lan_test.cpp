// SPDX-License-Identifier: GPL-3.0-or-later
// The UPnP search engine against simulated cameras, inside the box.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "upnp/port_forward_engine.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A search ends within 2.5 s by design (the figure is measured by the
// benchmark); one that runs four times as long has hung.
constexpr milliseconds kBound{10000};

std::string DataFile(const std::string& name) { return std::string(LANVARO_TEST_DATA) + "/upnp/" + name; }

long long Ms(Clock::duration d) { return std::chrono::duration_cast<milliseconds>(d).count(); }

// Waits (bounded) until the search thread has also finished its last step.
bool WaitIdle(const CPortForwardEngine& engine, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (engine.Busy()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

const DeviceInformationContainer* ByMaker(const CPortForwardEngine& engine, const std::string& maker) {
    for (const auto& d : engine.m_Devices) {
        if (d.ManufacturerName == maker) return &d;
    }
    return nullptr;
}

class UpnpEngineTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // A desktop proxy must not be used for LAN devices; a dead one here
        // makes every description download fail if it were.
        setenv("http_proxy", "http://127.0.0.1:9/", 1);
        setenv("HTTP_PROXY", "http://127.0.0.1:9/", 1);
        devsim_ = new DevsimProcess({"--no-udp", "--upnp-cameras", DataFile("three_makers.txt")});
        if (!devsim_->Start()) GTEST_FAIL() << "devsim: " << devsim_->Error();
    }
    static void TearDownTestSuite() {
        delete devsim_;
        devsim_ = nullptr;
    }

    // Runs one whole search; returns how long until the event was signalled.
    milliseconds Search(CPortForwardEngine& engine) {
        const auto start = Clock::now();
        EXPECT_TRUE(engine.StartSearch(&window_));
        const auto event = engine.m_hSearchEvent;
        EXPECT_TRUE(event && event->WaitFor(kBound + milliseconds(2000)));
        const auto signalled = Clock::now();
        EXPECT_TRUE(WaitIdle(engine, milliseconds(2000)));
        return std::chrono::duration_cast<milliseconds>(signalled - start);
    }

    static DevsimProcess* devsim_;
    FakeWindow window_;
};

DevsimProcess* UpnpEngineTest::devsim_ = nullptr;

TEST_F(UpnpEngineTest, KeepsAxisAndVivotekAndEnds) {
    CPortForwardEngine engine;
    const auto start = Clock::now();
    const milliseconds toSignal = Search(engine);
    const auto toIdle = Clock::now() - start;
    std::printf("search signalled after %lld ms, idle after %lld ms\n", static_cast<long long>(toSignal.count()),
                Ms(toIdle));
    EXPECT_LT(toSignal, kBound);
    EXPECT_LT(toIdle, kBound);

    ASSERT_EQ(engine.m_Devices.size(), 2u);
    EXPECT_NE(ByMaker(engine, "AXIS"), nullptr);
    EXPECT_NE(ByMaker(engine, "Vivotek Inc."), nullptr);
    // The thread is done with the window once idle.
    EXPECT_EQ(engine.m_hWnd, nullptr);
    EXPECT_TRUE(engine.SearchPending());
}

TEST_F(UpnpEngineTest, ReadsEveryFieldOfADeviceWithChildrenServicesAndIcon) {
    CPortForwardEngine engine;
    Search(engine);
    const DeviceInformationContainer* axis = ByMaker(engine, "AXIS");
    ASSERT_NE(axis, nullptr);
    EXPECT_EQ(axis->Children, "Yes: 2 children");
    EXPECT_EQ(axis->Description, "AXIS KX1557 Network Camera");
    EXPECT_EQ(axis->FriendlyName, "AXIS KX1557 - 00408C1234");
    EXPECT_EQ(axis->HasChildren, "Yes");
    // Served by the camera itself, absolute, the one of this camera.
    EXPECT_EQ(axis->IconURL.rfind("http://127.0.0.1:", 0), 0u) << axis->IconURL;
    EXPECT_NE(axis->IconURL.find("/icons/camera-1.gif"), std::string::npos) << axis->IconURL;
    EXPECT_EQ(axis->IsRootDevice, "Yes");
    EXPECT_EQ(axis->ManufacturerName, "AXIS");
    EXPECT_EQ(axis->ManufacturerURL, "http://www.axis.com/");
    EXPECT_EQ(axis->ModelName, "AXIS KX1557");
    EXPECT_EQ(axis->ModelNumber, "5.40");
    EXPECT_EQ(axis->ModelURL, "http://www.axis.com/products/kx1557");
    EXPECT_EQ(axis->ParentDevice, "This is a topmost device");
    EXPECT_EQ(axis->PresentationURL, "http://198.51.100.90/");
    EXPECT_EQ(axis->RootDevice, "This is a topmost device");
    EXPECT_EQ(axis->SerialNumber, "00408C1234");
    EXPECT_EQ(axis->Services, "Yes: 5 services");
    EXPECT_EQ(axis->Type, "urn:schemas-upnp-org:device:Basic:1");
    EXPECT_EQ(axis->UniqueDeviceName, "uuid:Upnp-KX1557-1_0-00408C1234");
    EXPECT_EQ(axis->UPC, "012345678905");

    const DeviceInformationContainer* vivotek = ByMaker(engine, "Vivotek Inc.");
    ASSERT_NE(vivotek, nullptr);
    EXPECT_EQ(vivotek->Children, "Yes: One child");
    EXPECT_EQ(vivotek->Services, "Yes: One service");
    EXPECT_EQ(vivotek->HasChildren, "Yes");
    // No icon of its own: empty, never another camera's.
    EXPECT_EQ(vivotek->IconURL, "");
    // Absent texts stay empty.
    EXPECT_EQ(vivotek->UPC, "");
    EXPECT_EQ(vivotek->ManufacturerURL, "");
    EXPECT_EQ(vivotek->PresentationURL, "http://198.51.100.91:8080/index.html");
}

TEST_F(UpnpEngineTest, RefusesASecondSearchWhileOneRunsAndKeepsItsEvent) {
    CPortForwardEngine engine;
    EXPECT_FALSE(engine.StartSearch(nullptr));
    EXPECT_FALSE(engine.SearchPending());
    EXPECT_FALSE(engine.Busy());

    ASSERT_TRUE(engine.StartSearch(&window_));
    const auto first = engine.m_hSearchEvent;
    ASSERT_TRUE(first);
    FakeWindow other;
    EXPECT_FALSE(engine.StartSearch(&other));
    EXPECT_FALSE(engine.StartSearch(nullptr));
    EXPECT_EQ(engine.m_hSearchEvent, first);
    EXPECT_EQ(engine.m_hWnd, &window_);

    ASSERT_TRUE(first->WaitFor(kBound + milliseconds(2000)));
    ASSERT_TRUE(WaitIdle(engine, milliseconds(2000)));
    EXPECT_EQ(engine.m_Devices.size(), 2u);

    // Once idle, a new search gets a new event, even with the old one pending.
    ASSERT_TRUE(engine.StartSearch(&other));
    EXPECT_NE(engine.m_hSearchEvent, first);
    EXPECT_TRUE(first->IsSet());
    EXPECT_EQ(engine.m_hWnd, &other);
}

TEST_F(UpnpEngineTest, DestructionWaitsForTheRunningSearch) {
    std::shared_ptr<ManualResetEvent> event;
    const auto start = Clock::now();
    {
        CPortForwardEngine engine;
        ASSERT_TRUE(engine.StartSearch(&window_));
        event = engine.m_hSearchEvent;
    }
    EXPECT_TRUE(event->IsSet());
    EXPECT_LT(Clock::now() - start, kBound);
}

TEST_F(UpnpEngineTest, ACardWhoseContextFailsIsRetriedThenReported) {
    // GUPnP's port pick failing twice costs nothing: the third try serves.
    CPortForwardEngine engine;
    std::vector<int> tries;
    engine.SetCardFault([&tries](const std::string&, int attempt) -> std::optional<std::string> {
        tries.push_back(attempt);
        if (attempt <= 2) return "Address already in use";
        return std::nullopt;
    });
    Search(engine);
    EXPECT_EQ(tries, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(engine.m_Devices.size(), 2u);
    EXPECT_TRUE(engine.m_FailedCards.empty());

    // Failing every try, the card is named with the reason, not lost silently.
    CPortForwardEngine failing;
    int attempts = 0;
    failing.SetCardFault([&attempts](const std::string&, int) -> std::optional<std::string> {
        ++attempts;
        return "Address already in use";
    });
    Search(failing);
    EXPECT_EQ(attempts, 3);
    EXPECT_TRUE(failing.m_Devices.empty());
    ASSERT_EQ(failing.m_FailedCards.size(), 1u);
    EXPECT_EQ(failing.m_FailedCards[0].name, "lo");
    EXPECT_EQ(failing.m_FailedCards[0].reason, "Address already in use");
}

int OpenDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

TEST_F(UpnpEngineTest, RepeatedSearchesKeepNoSocketsOrConnections) {
    // A window searches all day: each search must give back its contexts,
    // sockets and the description connections they keep open.
    CPortForwardEngine engine;
    Search(engine);
    const int afterFirst = OpenDescriptors();
    for (int i = 0; i < 3; ++i) Search(engine);
    EXPECT_EQ(engine.m_Devices.size(), 2u);
    EXPECT_EQ(OpenDescriptors(), afterFirst);
}

TEST(UpnpEngineAlone, NoDeviceGivesAnEmptyListAndStillSignals) {
    FakeWindow window;
    CPortForwardEngine engine;
    // A previous search's records must not survive into this one.
    engine.m_Devices.resize(3);
    const auto start = Clock::now();
    ASSERT_TRUE(engine.StartSearch(&window));
    ASSERT_TRUE(engine.m_hSearchEvent->WaitFor(kBound));
    EXPECT_LT(Clock::now() - start, kBound);
    EXPECT_TRUE(engine.m_Devices.empty());
    EXPECT_TRUE(WaitIdle(engine, milliseconds(2000)));
}

TEST(UpnpEngineAlone, MakerTestIsCaseSensitive) {
    TempDir dir;
    ASSERT_TRUE(WriteFile(dir.File("cams.txt"),
                          "maker=Axis;name=a (1);description=mixed case;udn=uuid:case-1\n"
                          "maker=VIVOTEK;name=b (2);udn=uuid:case-2\n"
                          "maker=vivotek;name=c (3);udn=uuid:case-3\n"
                          "maker=Sold by AXIS;name=d;udn=uuid:case-4;icon=png\n"));
    DevsimProcess devsim({"--no-udp", "--upnp-cameras", dir.File("cams.txt")});
    ASSERT_TRUE(devsim.Start()) << devsim.Error();
    FakeWindow window;
    CPortForwardEngine engine;
    ASSERT_TRUE(engine.StartSearch(&window));
    ASSERT_TRUE(engine.m_hSearchEvent->WaitFor(kBound));
    ASSERT_EQ(engine.m_Devices.size(), 1u);
    EXPECT_EQ(engine.m_Devices[0].UniqueDeviceName, "uuid:case-4");
    // Its only icon is no GIF.
    EXPECT_EQ(engine.m_Devices[0].IconURL, "");
    EXPECT_TRUE(WaitIdle(engine, milliseconds(2000)));
}

}  // namespace
