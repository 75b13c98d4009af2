// SPDX-License-Identifier: GPL-3.0-or-later
// The real window searching a simulated LAN: Button1 is clicked, the rows
// must appear, and the window thread must keep ticking all the while. Runs
// only inside scripts/lanbox (the search broadcasts).

#include <algorithm>
#include <cctype>
#include <vector>

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "app/main_form.h"
#include "app/string_grid_widget.h"
#include "netsetup/control_package.h"
#include "tests/support/lan_box.h"

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Longest gap between ticks of a 10 ms timer on the window thread.
class StallMeter {
public:
    StallMeter() {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            worst_ = std::max(worst_, now - last_);
            last_ = now;
        });
        timer_.start(10);
    }
    qint64 WorstMs() const { return worst_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 worst_ = 0;
};

// A stall this long is a frozen window, not a slow or busy machine (sanitizer
// builds, parallel tests): several times what the window ever takes for one
// task. The stall figures themselves are printed, not judged.
constexpr qint64 kLongestStallMs = 2000;

QPoint CellCentre(QTableWidget* grid, int col, int gridRow) {
    return grid->visualRect(grid->model()->index(gridRow - 1, col)).center();
}

// A right-click as the window gets it: the button, then the menu request.
void RightClick(QTableWidget* grid, const QPoint& pos) {
    QWidget* viewport = grid->viewport();
    const QPoint global = viewport->mapToGlobal(pos);
    QMouseEvent press(QEvent::MouseButtonPress, pos, global, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, global, Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, pos, global);
    QApplication::sendEvent(viewport, &menu);
}

}  // namespace

class MainWindowLanTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void searchFillsTheTableAndTheWindowStaysLive() {
        DevsimProcess devsim({"--count", "20", "--upnp-count", "3", "--duration", "60"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());

        TMainForm form;
        std::vector<std::string> messages;
        form.SetMessageHandler(
            [&](const std::string& text, const std::string&, MessageIcon) { messages.push_back(text); });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* button = form.findChild<QPushButton*>(QStringLiteral("Button1"));
        QVERIFY(button != nullptr);

        StallMeter meter;
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!button->isEnabled());
        QVERIFY(form.Logic().Searching());

        // The package search is over long before the UPnP search's listening
        // window; meanwhile the window refuses to close.
        QTRY_VERIFY_WITH_TIMEOUT(button->text() == QStringLiteral("Search Upnp..."), 10000);
        QVERIFY(form.Logic().Engine.SearchPending());
        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
        QCOMPARE(messages, (std::vector<std::string>{"Searching Upnp Devices! Please wait"}));

        QTRY_VERIFY_WITH_TIMEOUT(!form.Logic().Searching(), 20000);
        qInfo("longest stall of the window thread: %lld ms", meter.WorstMs());
        QVERIFY2(meter.WorstMs() < kLongestStallMs,
                 qPrintable(QStringLiteral("window thread stalled %1 ms").arg(meter.WorstMs())));

        // Twenty devices answer; two of the three cameras are of kept makers.
        QCOMPARE(form.RowCount() - 1, 22);
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("22 device(s) found!"));
        QVERIFY(button->isEnabled());
        QCOMPARE(button->text(), QStringLiteral("Lanvaro"));
        int upnpRows = 0;
        for (int row = 1; row < form.RowCount(); ++row) {
            QVERIFY(!form.Cell(kColIp, row).empty());
            if (form.Cell(kColNetmask, row) == "NULL") ++upnpRows;
        }
        QCOMPARE(upnpRows, 2);
        QCOMPARE(form.Logic().ComUnitList.size(), std::size_t(22));

        // Once the search is over, the window closes.
        QVERIFY(form.close());
    }

    void filteredSearchEndsOrderedByModel() {
        // A host that never stops sending keeps each cycle going for its
        // full 3 s: socket work on the window thread would freeze it that long.
        DevsimProcess devsim({"--count", "20", "--chatter", "--duration", "60"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());

        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.findChild<QComboBox*>(QStringLiteral("Proj"))->setEditText(QStringLiteral("NVR"));

        StallMeter meter;
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!form.Logic().Searching(), 30000);
        qInfo("longest stall of the window thread: %lld ms", meter.WorstMs());
        QVERIFY2(meter.WorstMs() < kLongestStallMs,
                 qPrintable(QStringLiteral("window thread stalled %1 ms").arg(meter.WorstMs())));

        // The third group of three generated devices is the NVRs: three of twenty.
        QCOMPARE(form.RowCount() - 1, 3);
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("3 device(s) found!"));
        for (int row = 1; row < form.RowCount(); ++row) QCOMPARE(form.Cell(kColProj, row), std::string("NVR"));
        for (int row = 2; row < form.RowCount(); ++row)
            QVERIFY2(Lower(form.Cell(kColModel, row - 1)) >= Lower(form.Cell(kColModel, row)),
                     "rows end in descending Model order");
        QCOMPARE(form.Logic().SelectedRow, 1);
        QVERIFY(!form.Logic().SortAscending);
    }

    void rowOutsideTheNetworksIsMarkedAndTheStatusLineSumsUp() {
        TempDir files;
        // The box's only network is 127.0.0.0/8.
        QVERIFY(WriteFile(files.File("devices"),
                          "M1,P1,near,127.0.0.9,80,255.0.0.0,127.0.0.1,127.0.0.1,00:11:22:33:44:01,d,n\n"
                          "M2,P1,far,203.0.113.2,80,255.255.0.0,203.0.113.1,203.0.113.1,00:11:22:33:44:02,d,n\n"));
        DevsimProcess devsim({"--devices", files.File("devices"), "--duration", "60"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());

        TMainForm form;
        std::vector<SearchReport> shown;
        form.SetSearchReportHandler([&](const SearchReport& report) { shown.push_back(report); });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.findChild<QComboBox*>(QStringLiteral("Proj"))->setEditText(QStringLiteral("P1"));
        auto* status = form.findChild<QLabel*>(QStringLiteral("StatusText"));
        auto* report = form.findChild<QPushButton*>(QStringLiteral("ReportButton"));
        QVERIFY(status != nullptr && report != nullptr);
        QVERIFY(!report->isEnabled());

        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
        QCOMPARE(status->text(), QStringLiteral("Searching: local broadcast..."));
        QTRY_VERIFY_WITH_TIMEOUT(!form.Logic().Searching(), 15000);

        // Two devices answer each of the two queries.
        QCOMPARE(status->text(), QStringLiteral("Broadcast through the system's route \u00b7 4 replies \u00b7 "
                                                "1 device outside your networks \u00b7 1 problem"));
        auto marked = [&form](const std::string& ip) {
            for (int row = 1; row < form.RowCount(); ++row)
                if (form.Cell(kColIp, row) == ip) return form.StringGrid1->CellMarked(kColIp, row);
            return false;
        };
        QVERIFY(marked("203.0.113.2"));
        QVERIFY(!marked("127.0.0.9"));
        // Sorting moves the texts; the mark must follow its device.
        form.Logic().SortAscending = !form.Logic().SortAscending;
        form.Logic().SortStringGrid(kColModel);
        QVERIFY(marked("203.0.113.2"));
        QVERIFY(!marked("127.0.0.9"));
        const int farRow = form.Cell(kColIp, 1) == "203.0.113.2" ? 1 : 2;
        QVERIFY(form.StringGrid1->item(farRow - 1, kColIp)->toolTip().contains(QStringLiteral("Network Setup")));

        QVERIFY(report->isEnabled());
        QTest::mouseClick(report, Qt::LeftButton);
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].outsideNetworks, std::vector<std::string>{"203.0.113.2"});
    }

    void rowClickedDuringASearchIsTheRowActedOnAfterIt() {
        // Paced answers keep the search going while the first rows show.
        DevsimProcess devsim({"--count", "42", "--pace-us", "20000", "--duration", "60"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());

        TMainForm form;
        std::vector<tComUnitInfo> infoShown;
        form.SetDeviceInfoHandler([&](const tComUnitInfo& rec) { infoShown.push_back(rec); });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Proj->setEditText(QStringLiteral("IPCam"));
        auto* grid = form.findChild<QTableWidget*>(QStringLiteral("StringGrid1"));

        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(form.RowCount() - 1 >= 3, 10000);
        QVERIFY(form.Logic().Searching());
        const int clicked = 3;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 0, clicked));
        QCOMPARE(form.Logic().SelectedRow, clicked);

        QTRY_VERIFY_WITH_TIMEOUT(!form.Logic().Searching(), 15000);
        QCOMPARE(form.RowCount() - 1, 6);
        QCOMPARE(grid->currentRow() + 1, form.Logic().SelectedRow);

        const std::string ip = form.Cell(kColIp, clicked);
        RightClick(grid, CellCentre(grid, 0, clicked));
        QTRY_VERIFY(form.PopupMenu1->isVisible());
        form.Info1->trigger();
        form.PopupMenu1->hide();
        QCOMPARE(infoShown.size(), std::size_t(1));
        QCOMPARE(ComUnitFieldText(infoShown[0].ip), ip);
        QCOMPARE(grid->currentRow() + 1, clicked);
    }

    void headerClickDuringASearchLeavesTheTableToTheSearch() {
        // No package device answers: an empty row made by ordering the empty
        // table would stay, and the cameras would go behind it.
        DevsimProcess devsim({"--no-udp", "--upnp-count", "3", "--duration", "60"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());

        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
        QCOMPARE(form.RowCount(), 1);
        QHeaderView* header = form.findChild<QTableWidget*>(QStringLiteral("StringGrid1"))->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));

        QTRY_VERIFY_WITH_TIMEOUT(!form.Logic().Searching(), 20000);
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("2 device(s) found!"));
        QCOMPARE(form.RowCount() - 1, 2);
        for (int row = 1; row < form.RowCount(); ++row) QVERIFY(!form.Cell(kColIp, row).empty());
    }

    void f5PressesTheSearchButton() {
        DevsimProcess devsim({"--count", "6", "--duration", "60"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());

        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.findChild<QComboBox*>(QStringLiteral("Proj"))->setEditText(QStringLiteral("SpeedDome"));
        QTest::keyClick(&form, Qt::Key_F5);
        QVERIFY(form.Logic().Searching());
        QTRY_VERIFY_WITH_TIMEOUT(!form.Logic().Searching(), 15000);
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("3 device(s) found!"));
    }

    void aChangedDeviceIsFoundAgainAndShownInTheStatusBar() {
        TempDir files;
        QVERIFY(WriteFile(
            files.File("devices"),
            "IPCAM,P1,Door,203.0.113.5,80,255.255.255.0,203.0.113.1,203.0.113.2,02:4B:56:00:00:01,HW1.0,n\n"
            "IPCAM,P1,Gate,203.0.113.6,80,255.255.255.0,203.0.113.1,203.0.113.2,02:4B:56:00:00:02,HW1.0,n\n"));
        DevsimProcess devsim({"--devices", files.File("devices"), "--setup-delay-ms", "0", "--duration", "60"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());

        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.findChild<QComboBox*>(QStringLiteral("Proj"))->setEditText(QStringLiteral("P1"));
        form.Logic().SetWatchTimings({std::chrono::milliseconds(300), std::chrono::seconds(10)});
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!form.Logic().Searching(), 15000);
        QCOMPARE(form.RowCount() - 1, 2);

        ControlRequest request = ControlRequestFor(form.Logic().ComUnitList[0]);
        request.type = NetworkType::Static;
        request.ip = "203.0.113.77";
        QCOMPARE(SendControlPackage(form, MakeControlRecord(request)), 0);
        form.Logic().StartSetupWatch(request);

        auto* status = form.findChild<QLabel*>(QStringLiteral("StatusText"));
        const QString expected = QString::fromStdString(request.mac + ": now at 203.0.113.77");
        QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith(expected), 10000);
        auto* grid = form.findChild<StringGridWidget*>();
        QVERIFY(grid->currentRow() >= 0);
        QCOMPARE(form.Cell(kColIp, grid->currentRow() + 1), std::string("203.0.113.77"));
        QCOMPARE(form.Cell(kColMac, grid->currentRow() + 1), request.mac);
        QVERIFY(!form.Logic().Watching());
    }
};

int main(int argc, char** argv) {
    RequireLanBox();
    QApplication app(argc, argv);
    MainWindowLanTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_window_lan_test.moc"
