// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of 50 simulated cameras, signed in (their passwords in the
// keyring): how long until every tile holds its picture, the longest the
// window thread was kept from its messages meanwhile (as a 5 ms timer sees
// it), and resident memory before opening the wall and after closing it.
// The window is the real one, offscreen. Prints figures; asserts nothing.
//
//   picture_wall_bench [ROUNDS]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/main_form.h"
#include "camera/onvif_camera_menu.h"
#include "tests/bench/endurance/process_figures.h"
#include "tests/bench/median.h"
#include "tests/support/fake_onvif_camera.h"
#include "tests/support/lan_box.h"

namespace {

constexpr int kCameras = 50;

bool Filled(PictureWallForm& wall) {
    const auto& tiles = wall.Logic().Tiles();
    return std::all_of(tiles.begin(), tiles.end(),
                       [](const PictureTile& tile) { return tile.picture.state == PictureState::Shown; });
}

int Shown(PictureWallForm& wall) {
    const auto& tiles = wall.Logic().Tiles();
    return static_cast<int>(std::count_if(
        tiles.begin(), tiles.end(), [](const PictureTile& tile) { return tile.picture.state == PictureState::Shown; }));
}

}  // namespace

int main(int argc, char** argv) {
    RequireLanBox();
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    DevsimProcess devsim({"--no-udp", "--onvif", std::to_string(kCameras), "--duration", "600"});
    if (!devsim.Start()) {
        std::fprintf(stderr, "devsim: %s\n", devsim.Error().c_str());
        return 1;
    }

    QApplication app(argc, argv);
    TMainForm form;
    auto keyring = std::make_unique<MemoryVault>();
    MemoryVault& vault = *keyring;
    form.OnvifMenu().SetCameraSupport(MakeOnvifDeviceAccess(), std::move(keyring));
    form.SetMessageHandler([](const std::string& text, const std::string&, MessageIcon) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    });
    form.show();
    form.Proj->setEditText(QStringLiteral("ONVIF"));
    form.Button1->click();
    QElapsedTimer searching;
    searching.start();
    while (form.Logic().Searching() && searching.elapsed() < 20000) QTest::qWait(50);
    const std::vector<OnvifDeviceInfo>* cameras = form.Logic().OnvifDevicesListed();
    if (cameras == nullptr || static_cast<int>(cameras->size()) != kCameras) {
        std::fprintf(stderr, "the search listed %zu of %d cameras\n", cameras ? cameras->size() : 0, kCameras);
        return 1;
    }
    // Signed in already: every password in the keyring, at the camera's address.
    for (const OnvifDeviceInfo& camera : *cameras)
        vault.entries[camera.endpoint] = {{"admin", "admin"}, OnvifXaddrHost(camera.xaddr)};

    qint64 longestStall = 0;
    bool watching = false;
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = clock.elapsed();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (watching) longestStall = std::max(longestStall, now - lastTick - 5);
        lastTick = now;
    });
    ticker.start(5);

    std::vector<double> fillMs;
    double firstRss = 0;
    for (int round = 0; round <= rounds; ++round) {
        QTest::qWait(500);
        const ProcessFigures before = ReadProcessFigures();
        if (round == 1) firstRss = before.residentMb;
        QElapsedTimer opening;
        opening.start();
        lastTick = clock.elapsed();
        // The first round warms fonts and the picture plugin; it is not counted.
        watching = round > 0;
        QPointer<PictureWallForm> wall = form.OnvifMenu().ShowPictures(true);
        if (wall.isNull()) {
            std::fprintf(stderr, "no wall opened\n");
            return 1;
        }
        while (!Filled(*wall) && opening.elapsed() < 20000) QTest::qWait(1);
        const double ms = static_cast<double>(opening.nsecsElapsed()) / 1e6;
        const int shown = Shown(*wall);
        watching = false;
        wall->close();
        while (!wall.isNull()) QTest::qWait(10);
        QTest::qWait(1000);
        const ProcessFigures after = ReadProcessFigures();
        if (round == 0) {
            std::printf("warm-up: %d of %d pictures in %.0f ms\n", shown, kCameras, ms);
            continue;
        }
        fillMs.push_back(ms);
        std::printf(
            "round %d: %d of %d pictures in %.0f ms; resident %.1f MB before opening, %.1f MB after "
            "closing (%+.1f MB); %d threads\n",
            round, shown, kCameras, ms, before.residentMb, after.residentMb, after.residentMb - before.residentMb,
            after.threads);
    }
    const ProcessFigures last = ReadProcessFigures();
    std::printf("every tile filled: median %.0f ms, slowest %.0f ms (of %zu openings)\n", Median(fillMs),
                *std::max_element(fillMs.begin(), fillMs.end()), fillMs.size());
    std::printf("longest stall of the window thread while pictures came: %lld ms\n",
                static_cast<long long>(longestStall));
    std::printf(
        "resident memory: %.1f MB before the first counted opening, %.1f MB after the last closing "
        "(%+.1f MB)\n",
        firstRss, last.residentMb, last.residentMb - firstRss);
    return 0;
}
