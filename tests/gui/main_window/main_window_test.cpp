// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt main window driven as a user would: controls found by their names,
// events sent to them, the logic's effects read back from the widgets. No
// search is started here (it broadcasts); that runs only in the LAN box.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "app/main_form.h"
#include "app/search_report_dialog.h"
#include "tests/support/fake_window.h"

namespace {

// Rows written through the window operations, as the parsers write them.
void FillRows(TMainForm& form, const std::vector<std::vector<std::string>>& rows) {
    form.SetRowCount(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < kGridColumnCount; ++c)
            form.SetCell(c, r + 1, rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
}

std::vector<std::string> Column(TMainForm& form, int col) {
    std::vector<std::string> cells;
    for (int r = 1; r < form.RowCount(); ++r) cells.push_back(form.Cell(col, r));
    return cells;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    template <typename T>
    T* Find(TMainForm& form, const char* name) {
        T* child = form.findChild<T*>(QLatin1String(name));
        if (child == nullptr) qFatal("control %s not found", name);
        return child;
    }

    void ShowAndActivate(TMainForm& form) {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }

    // Clicks a header section at its middle.
    void ClickHeader(TMainForm& form, int col, Qt::MouseButton button) {
        QHeaderView* header = Find<QTableWidget>(form, "StringGrid1")->horizontalHeader();
        const QPoint pos(header->sectionViewportPosition(col) + header->sectionSize(col) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), button, Qt::NoModifier, pos);
    }

    QPoint CellCentre(TMainForm& form, int col, int gridRow) {
        auto* grid = Find<QTableWidget>(form, "StringGrid1");
        return grid->visualRect(grid->model()->index(gridRow - 1, col)).center();
    }

    void OpenContextMenuAt(TMainForm& form, const QPoint& viewportPos) {
        QWidget* viewport = Find<QTableWidget>(form, "StringGrid1")->viewport();
        QContextMenuEvent event(QContextMenuEvent::Mouse, viewportPos, viewport->mapToGlobal(viewportPos));
        QApplication::sendEvent(viewport, &event);
    }

    // Moves the focus out of ComboBox1 the way a click on the button does.
    void LeaveRelayBox(TMainForm& form) {
        auto* box = Find<QComboBox>(form, "ComboBox1");
        box->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(box->hasFocus());
        Find<QPushButton>(form, "Button1")->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(!box->hasFocus());
    }

private Q_SLOTS:
    void startState() {
        TMainForm form;
        auto* grid = Find<QTableWidget>(form, "StringGrid1");

        const QStringList headers = {QStringLiteral("Model"), QStringLiteral("Proj"), QStringLiteral("Name"),
                                     QStringLiteral("IP"),    QStringLiteral("Port"), QStringLiteral("Netmask"),
                                     QStringLiteral("Mac")};
        QCOMPARE(grid->columnCount(), 7);
        for (int c = 0; c < 7; ++c) {
            QCOMPARE(grid->horizontalHeaderItem(c)->text(), headers[c]);
            QCOMPARE(Q(form.Cell(c, 0)), headers[c]);
        }
        // Header and one empty row.
        QCOMPARE(grid->rowCount(), 1);
        QCOMPARE(form.RowCount(), 2);
        for (int c = 0; c < 7; ++c) QCOMPARE(form.Cell(c, 1), std::string());

        QCOMPARE(Find<QLabel>(form, "Label1")->text(), QStringLiteral("0 device(s) found!"));
        QCOMPARE(Find<QPushButton>(form, "Button1")->text(), QStringLiteral("Lanvaro"));
        QVERIFY(Find<QPushButton>(form, "Button1")->isEnabled());
        QVERIFY(Find<QRadioButton>(form, "RadioButton1")->isChecked());
        QVERIFY(!Find<QRadioButton>(form, "RadioButton2")->isChecked());
        QVERIFY(!Find<QComboBox>(form, "ComboBox1")->isEnabled());
        QVERIFY(!Find<QComboBox>(form, "ComboBox2")->isEnabled());
        QCOMPARE(Find<QComboBox>(form, "ComboBox1")->currentText(), QStringLiteral("<Customized>"));
        QCOMPARE(Find<QComboBox>(form, "ComboBox2")->currentText(), QStringLiteral("TCP"));

        auto* proj = Find<QComboBox>(form, "Proj");
        QCOMPARE(proj->currentText(), QStringLiteral("ALL"));
        QVERIFY(proj->isEditable());
        QCOMPARE(proj->count(), 12);
        QCOMPARE(proj->itemText(8), QStringLiteral("UPNP"));
        QCOMPARE(proj->itemText(9), QStringLiteral("ONVIF"));
        QVERIFY(proj->itemText(10).isEmpty() && proj->itemText(11).isEmpty());
        QCOMPARE(form.ProjText(), std::string("ALL"));

        QCOMPARE(Find<QGroupBox>(form, "GroupBox1")->title(), QStringLiteral("Search Method"));
        QCOMPARE(Find<QGroupBox>(form, "GroupBox2")->title(), QStringLiteral("Project Filter"));
        // At least the design size; wider only as the font needs (below).
        QCOMPARE(form.height(), 624);
        QVERIFY(form.width() >= 807);
        QVERIFY(QRegularExpression(QStringLiteral("^Lanvaro - \\d+\\.\\d+\\.\\d+\\.\\d+$"))
                    .match(form.windowTitle())
                    .hasMatch());

        // The user can neither edit cells nor resize columns.
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        for (int c = 0; c < 7; ++c) QCOMPARE(grid->horizontalHeader()->sectionResizeMode(c), QHeaderView::Fixed);
        QCOMPARE(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);

        auto* memo = Find<QPlainTextEdit>(form, "Memo1");
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(!memo->isVisible());
        QVERIFY(memo->toPlainText().contains(QStringLiteral("Col[6] - (153, 802)")));

        auto* menu = Find<QMenu>(form, "PopupMenu1");
        QCOMPARE(menu->actions().size(), 11);  // then a separator, Copy and Export...
        QCOMPARE(menu->actions()[0]->text(), QStringLiteral("Detail Info."));
        QCOMPARE(menu->actions()[1]->text(), QStringLiteral("Browse"));
        QCOMPARE(menu->actions()[2]->text(), QStringLiteral("Network Setup"));
        // The camera items show only on an ONVIF row.
        QCOMPARE(menu->actions()[3]->text(), QStringLiteral("Sign In..."));
        QCOMPARE(menu->actions()[4]->text(), QStringLiteral("Sync Time"));
        QVERIFY(!menu->actions()[3]->isVisible() && !menu->actions()[4]->isVisible());
        // The pictures' items show where the table lists a camera.
        QCOMPARE(menu->actions()[5]->text(), QStringLiteral("Pictures"));
        QCOMPARE(menu->actions()[6]->text(), QStringLiteral("Pictures of All Cameras"));
        QCOMPARE(menu->actions()[7]->text(), QStringLiteral("Camera Tasks..."));
        QVERIFY(!menu->actions()[5]->isVisible() && !menu->actions()[6]->isVisible());
        QVERIFY(!menu->actions()[7]->isVisible());
    }

    void columnWidthsFollowTheTable_data() {
        QTest::addColumn<QSize>("windowSize");
        QTest::addColumn<int>("rows");
        QTest::newRow("design size") << QSize(807, 624) << 1;
        QTest::newRow("wider") << QSize(1000, 700) << 1;
        QTest::newRow("narrower") << QSize(600, 500) << 1;
        QTest::newRow("rows beyond the view") << QSize(807, 624) << 200;
    }

    void columnWidthsFollowTheTable() {
        QFETCH(QSize, windowSize);
        QFETCH(int, rows);
        TMainForm form;
        auto* grid = Find<QTableWidget>(form, "StringGrid1");
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(windowSize);
        FillRows(form, std::vector<std::vector<std::string>>(static_cast<std::size_t>(rows),
                                                             std::vector<std::string>(7, "x")));
        QTRY_COMPARE(form.size(), windowSize);
        QTRY_COMPARE(grid->verticalScrollBar()->isVisible(), rows > 1);

        // The table sits 20 pixels narrower than the window; a visible
        // scroll bar takes its width from the columns.
        const int scrollBar = rows > 1 ? grid->verticalScrollBar()->width() : 0;
        const int tableWidth = windowSize.width() - 20 - scrollBar;
        QTRY_COMPARE(grid->viewport()->width(), tableWidth);

        const int design[7] = {114, 125, 180, 103, 29, 98, 153};
        int sum = 0;
        for (int c = 0; c < 7; ++c) {
            const int expected = static_cast<int>(std::floor(double(design[c]) / 802.0 * tableWidth));
            QTRY_COMPARE(grid->columnWidth(c), expected);
            sum += grid->columnWidth(c);
        }
        QVERIFY(sum <= tableWidth && sum > tableWidth - 7);
        if (windowSize == QSize(807, 624) && rows == 1) {
            const int atDesign[7] = {111, 122, 176, 101, 28, 96, 150};
            for (int c = 0; c < 7; ++c) QCOMPARE(grid->columnWidth(c), atDesign[c]);
        }
    }

    void defaultWidthShowsWholeMarkedAddresses() {
        TMainForm form;
        auto* grid = Find<QTableWidget>(form, "StringGrid1");
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // Enough rows for the scroll bar, every IP the longest there is, marked.
        FillRows(form, std::vector<std::vector<std::string>>(
                           200, {"Model", "Proj", "Name", "255.255.255.255", "65535", "255.255.255.255", "MAC"}));
        for (int row = 1; row <= 200; ++row) form.SetCellMark(3, row, "outside this computer's networks");
        QTRY_VERIFY(grid->verticalScrollBar()->isVisible());
        // The table's own measure of its cells, in the font in use (public
        // only through the base class).
        const int needed = static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(3);
        // Never wider than the screen: a small one keeps the whole window in
        // sight (the run with a 900-pixel screen), a wide one shows whole addresses.
        const int widest = std::max(807, form.screen()->availableGeometry().width());
        QVERIFY2(form.width() <= widest, qPrintable(QStringLiteral("width %1 > %2").arg(form.width()).arg(widest)));
        if (form.width() == widest) return;
        QTRY_VERIFY2(grid->columnWidth(3) >= needed, qPrintable(QStringLiteral("IP column %1 < %2 at width %3")
                                                                    .arg(grid->columnWidth(3))
                                                                    .arg(needed)
                                                                    .arg(form.width())));
        // No wider than it takes.
        if (form.width() > 807) {
            form.resize(form.width() - 1, form.height());
            QTRY_VERIFY(grid->columnWidth(3) < needed);
        }
    }

    void headerClicksOrderRows() {
        TMainForm form;
        ShowAndActivate(form);
        FillRows(form, {{"B-cam", "P1", "n1", "198.51.100.9", "80", "255.0.0.0", "00:01"},
                        {"a-cam", "P2", "n2", "198.51.100.10", "80", "255.0.0.0", "00:02"},
                        {"C-cam", "P3", "n3", "198.51.100.2", "80", "255.0.0.0", "00:03"}});
        MainFormLogic& logic = form.Logic();
        QVERIFY(logic.SortAscending);

        ClickHeader(form, 0, Qt::LeftButton);  // first click of a run: descending
        QCOMPARE(Column(form, 0), (std::vector<std::string>{"C-cam", "B-cam", "a-cam"}));
        // Whole rows move, not just the sort cells.
        QCOMPARE(Column(form, 3), (std::vector<std::string>{"198.51.100.2", "198.51.100.9", "198.51.100.10"}));
        ClickHeader(form, 0, Qt::LeftButton);
        QCOMPARE(Column(form, 0), (std::vector<std::string>{"a-cam", "B-cam", "C-cam"}));

        // Another column reverses the direction again: descending, as text.
        ClickHeader(form, 3, Qt::LeftButton);
        QCOMPARE(Column(form, 3), (std::vector<std::string>{"198.51.100.9", "198.51.100.2", "198.51.100.10"}));

        // A right click on a header or a left click on a cell orders nothing.
        const bool direction = logic.SortAscending;
        ClickHeader(form, 0, Qt::RightButton);
        QTest::mouseClick(Find<QTableWidget>(form, "StringGrid1")->viewport(), Qt::LeftButton, Qt::NoModifier,
                          CellCentre(form, 0, 2));
        QCOMPARE(Column(form, 3), (std::vector<std::string>{"198.51.100.9", "198.51.100.2", "198.51.100.10"}));
        QCOMPARE(logic.SortAscending, direction);
    }

    void popupMenuFollowsTheRow() {
        TMainForm form;
        std::vector<tComUnitInfo> infoShown;
        std::vector<tComUnitInfo> setupShown;
        std::vector<std::string> urls;
        form.SetDeviceInfoHandler([&](const tComUnitInfo& rec) { infoShown.push_back(rec); });
        form.SetNetworkSetupHandler([&](const tComUnitInfo& rec) { setupShown.push_back(rec); });
        form.SetOpenUrlHandler([&](const std::string& url) {
            urls.push_back(url);
            return true;
        });
        ShowAndActivate(form);

        MainFormLogic& logic = form.Logic();
        const tComUnitInfo device = MakeRecord({"CamX", "IPCam", "front", "198.51.100.3", "8080", "255.255.255.0",
                                                "198.51.100.1", "198.51.100.1", "00:11:22:33:44:55", "eth0", ""});
        const tComUnitInfo upnp = MakeRecord({"Axis 200 Series", "Axis 200 Series", "door", "198.51.100.4", "80",
                                              "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"});
        logic.ComUnitList = {device, upnp};
        FillRows(form, {{"CamX", "IPCam", "front", "198.51.100.3", "8080", "255.255.255.0", "00:11:22:33:44:55"},
                        {"Axis 200 Series", "Axis 200 Series", "door", "198.51.100.4", "80", "NULL", "NULL"}});

        auto* menu = Find<QMenu>(form, "PopupMenu1");
        auto* setup = Find<QAction>(form, "NetworkSetup1");

        OpenContextMenuAt(form, CellCentre(form, 2, 2));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(logic.SelectedRow, 2);
        QVERIFY(!setup->isEnabled());
        QVERIFY(Find<QAction>(form, "Info1")->isEnabled());
        QVERIFY(Find<QAction>(form, "Browser1")->isEnabled());
        menu->hide();

        OpenContextMenuAt(form, CellCentre(form, 5, 1));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(logic.SelectedRow, 1);
        QVERIFY(setup->isEnabled());
        Find<QAction>(form, "Info1")->trigger();
        Find<QAction>(form, "NetworkSetup1")->trigger();
        menu->hide();
        QCOMPARE(infoShown.size(), std::size_t(1));
        QCOMPARE(ComUnitFieldText(infoShown[0].mac), std::string("00:11:22:33:44:55"));
        QCOMPARE(setupShown.size(), std::size_t(1));
        QCOMPARE(ComUnitFieldText(setupShown[0].ip), std::string("198.51.100.3"));

        // The menu key opens it on the current row.
        auto* grid = Find<QTableWidget>(form, "StringGrid1");
        grid->setCurrentCell(1, 0);
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1), grid->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(grid, &key);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(logic.SelectedRow, 2);
        QVERIFY(!setup->isEnabled());
        menu->hide();

        // Below the last row there is no row to act on: no menu.
        OpenContextMenuAt(form, QPoint(10, grid->viewport()->height() - 5));
        QTest::qWait(50);
        QVERIFY(!menu->isVisible());

        // A double click browses the row's page.
        const QPoint cell = CellCentre(form, 0, 1);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                  QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, cell, grid->viewport()->mapToGlobal(cell), Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(grid->viewport(), &event);
        }
        QCOMPARE(urls, (std::vector<std::string>{"http://198.51.100.3:8080"}));
    }

    void rightClickKeepsASelectionOrSelectsTheRowAlone() {
        TMainForm form;
        std::vector<std::vector<tComUnitInfo>> batches;
        form.SetBatchSetupHandler([&](const std::vector<tComUnitInfo>& rows) { batches.push_back(rows); });
        form.SetNetworkSetupHandler([](const tComUnitInfo&) { QFAIL("the single dialog opened for a selection"); });
        ShowAndActivate(form);
        MainFormLogic& logic = form.Logic();
        logic.ComUnitList = {
            MakeRecord({"CamX", "IPCam", "front", "198.51.100.3", "80", "255.255.255.0", "", "", "m1", "", ""}),
            MakeRecord({"CamY", "IPCam", "back", "198.51.100.5", "80", "255.255.255.0", "", "", "m2", "", ""}),
            MakeRecord({"Axis", "Axis", "door", "198.51.100.4", "80", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"})};
        FillRows(form, {{"CamX", "IPCam", "front", "198.51.100.3", "80", "255.255.255.0", "m1"},
                        {"CamY", "IPCam", "back", "198.51.100.5", "80", "255.255.255.0", "m2"},
                        {"Axis", "Axis", "door", "198.51.100.4", "80", "NULL", "NULL"}});
        auto* grid = Find<QTableWidget>(form, "StringGrid1");
        auto* menu = Find<QMenu>(form, "PopupMenu1");
        auto* setup = Find<QAction>(form, "NetworkSetup1");

        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(form, 2, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(form, 2, 3));
        QCOMPARE(form.SelectedRows(), (std::vector<int>{1, 3}));

        // On a selected row: the selection stays, the row is the one single actions use.
        OpenContextMenuAt(form, CellCentre(form, 2, 3));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(form.SelectedRows(), (std::vector<int>{1, 3}));
        QCOMPARE(logic.SelectedRow, 3);
        QVERIFY2(setup->isEnabled(), "one selected row takes settings");
        setup->trigger();
        menu->hide();
        QCOMPARE(batches.size(), std::size_t{1});
        QCOMPARE(batches[0].size(), std::size_t{2});
        QCOMPARE(ComUnitFieldText(batches[0][0].name), std::string("front"));
        QCOMPARE(ComUnitFieldText(batches[0][1].name), std::string("door"));

        // On another row: that row alone.
        OpenContextMenuAt(form, CellCentre(form, 2, 2));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(form.SelectedRows(), (std::vector<int>{2}));
        QCOMPARE(logic.SelectedRow, 2);
        menu->hide();
    }

    void handPointerOnlyOverAddresses() {
        TMainForm form;
        ShowAndActivate(form);
        FillRows(form, {{"CamX", "IPCam", "front", "198.51.100.3", "80", "255.0.0.0", "00:01"}});
        QWidget* viewport = Find<QTableWidget>(form, "StringGrid1")->viewport();
        auto moveTo = [&](const QPoint& pos) {
            QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
            return viewport->cursor().shape();
        };
        QCOMPARE(moveTo(CellCentre(form, 3, 1)), Qt::PointingHandCursor);
        QCOMPARE(moveTo(CellCentre(form, 2, 1)), Qt::ArrowCursor);
        QCOMPARE(moveTo(CellCentre(form, 3, 1)), Qt::PointingHandCursor);
        QCOMPARE(moveTo(QPoint(5, viewport->height() - 5)), Qt::ArrowCursor);
    }

    void relayControlsFollowTheMethod() {
        TMainForm form;
        ShowAndActivate(form);
        auto* relay = Find<QRadioButton>(form, "RadioButton2");
        auto* local = Find<QRadioButton>(form, "RadioButton1");
        QTest::mouseClick(relay, Qt::LeftButton, Qt::NoModifier, QPoint(8, relay->height() / 2));
        QVERIFY(relay->isChecked());
        QCOMPARE(form.SelectedSearchMethod(), SearchMethod::IpRelay);
        QVERIFY(Find<QComboBox>(form, "ComboBox1")->isEnabled());
        QVERIFY(Find<QComboBox>(form, "ComboBox2")->isEnabled());
        QTest::mouseClick(local, Qt::LeftButton, Qt::NoModifier, QPoint(8, local->height() / 2));
        QCOMPARE(form.SelectedSearchMethod(), SearchMethod::LocalBroadcast);
        QVERIFY(!Find<QComboBox>(form, "ComboBox1")->isEnabled());
        QVERIFY(!Find<QComboBox>(form, "ComboBox2")->isEnabled());
    }

    // The third method sits in a box of its own right of the search button;
    // the designed controls keep their places, and one group joins the three
    // radio buttons across the two boxes.
    void addressRangeIsAThirdMethodInABoxOfItsOwn() {
        TMainForm form;
        ShowAndActivate(form);
        auto* box = Find<QGroupBox>(form, "RangeGroupBox");
        auto* range = Find<QRadioButton>(form, "RangeRadioButton");
        auto* relay = Find<QRadioButton>(form, "RadioButton2");
        QCOMPARE(box->title(), QStringLiteral("Address Range"));
        QCOMPARE(range->parentWidget(), box);
        QVERIFY(Find<QComboBox>(form, "RangeBox")->isEditable());
        QCOMPARE(Find<QPushButton>(form, "Button1")->geometry(), QRect(415, 39, 177, 33));
        QCOMPARE(Find<QGroupBox>(form, "GroupBox1")->geometry(), QRect(8, 6, 273, 65));
        QVERIFY(box->geometry().left() > Find<QPushButton>(form, "Button1")->geometry().right());
        QVERIFY(box->geometry().right() < form.width());

        QTest::mouseClick(relay, Qt::LeftButton, Qt::NoModifier, QPoint(8, relay->height() / 2));
        QVERIFY(Find<QComboBox>(form, "ComboBox1")->isEnabled());
        // Nothing lies over the radio button where a user clicks it.
        const QPoint indicator(8, range->height() / 2);
        QCOMPARE(form.childAt(range->mapTo(&form, indicator)), range);
        QTest::mouseClick(range, Qt::LeftButton, Qt::NoModifier, indicator);
        QVERIFY(range->isChecked());
        QVERIFY(!relay->isChecked() && !Find<QRadioButton>(form, "RadioButton1")->isChecked());
        QCOMPARE(form.SelectedSearchMethod(), SearchMethod::AddressRange);
        QVERIFY(!Find<QComboBox>(form, "ComboBox1")->isEnabled());
        QVERIFY(!Find<QComboBox>(form, "ComboBox2")->isEnabled());
        QVERIFY(!Find<QPushButton>(form, "StopButton")->isVisible());
        QVERIFY(!Find<QProgressBar>(form, "RangeProgress")->isVisible());
    }

    // A range that cannot be searched is refused before anything is sent.
    void aBadRangeIsRefusedWithItsText() {
        TMainForm form;
        ShowAndActivate(form);
        std::vector<std::string> messages;
        form.SetMessageHandler(
            [&](const std::string& text, const std::string&, MessageIcon) { messages.push_back(text); });
        Find<QRadioButton>(form, "RangeRadioButton")->setChecked(true);
        Find<QComboBox>(form, "RangeBox")->setEditText(QStringLiteral("203.0.113.0/24, cameras"));
        QTest::mouseClick(Find<QPushButton>(form, "Button1"), Qt::LeftButton);
        QCOMPARE(messages, std::vector<std::string>{"Invalid range - [cameras]"});
        QVERIFY(!form.Logic().Searching());
        QVERIFY(Find<QPushButton>(form, "Button1")->isEnabled());
        // A refused range is not kept.
        QCOMPARE(Find<QComboBox>(form, "RangeBox")->count(), 0);
    }

    void typedRelayAddressesJoinTheList() {
        TMainForm form;
        ShowAndActivate(form);
        Find<QRadioButton>(form, "RadioButton2")->setChecked(true);
        auto* box = Find<QComboBox>(form, "ComboBox1");
        auto typeAndLeave = [&](const QString& text) {
            box->setFocus(Qt::MouseFocusReason);
            QTRY_VERIFY(box->hasFocus());
            box->lineEdit()->selectAll();
            QTest::keyClick(box, Qt::Key_Backspace);
            QTest::keyClicks(box, text);
            LeaveRelayBox(form);
        };
        auto items = [&] {
            QStringList list;
            for (int i = 0; i < box->count(); ++i) list << box->itemText(i);
            return list;
        };

        typeAndLeave(QStringLiteral("198.51.100.20"));
        QCOMPARE(items(), (QStringList{QStringLiteral("<Customized>"), QStringLiteral("198.51.100.20")}));
        // What was typed stays in the box.
        QCOMPARE(box->currentText(), QStringLiteral("198.51.100.20"));
        QCOMPARE(form.RelayAddressText(), std::string("198.51.100.20"));
        LeaveRelayBox(form);
        QCOMPARE(items().size(), 2);

        typeAndLeave(QStringLiteral("0"));
        typeAndLeave(QString());
        QCOMPARE(items().size(), 2);

        typeAndLeave(QStringLiteral("203.0.113.87"));
        QCOMPARE(items().size(), 3);

        // Picking an item from the list is no typed address.
        box->setCurrentIndex(0);
        QCOMPARE(form.RelayAddressSelectedIndex(), 0);
        LeaveRelayBox(form);
        QCOMPARE(items().size(), 3);
        QCOMPARE(box->currentText(), QStringLiteral("<Customized>"));
    }

    void postedTasksRunOnTheWindowThreadInOrder() {
        TMainForm form;
        QVERIFY(form.IsWindowThread());
        std::atomic<bool> workerSawWindowThread{true};
        std::vector<int> order;
        std::vector<QThread*> threads;
        // A direct call from a plain thread: an automatic connection would
        // move it to the window thread and hide a wrong Post.
        std::thread worker([&] {
            workerSawWindowThread = form.IsWindowThread();
            for (int i = 0; i < 100; ++i)
                form.Post([&, i] {
                    order.push_back(i);
                    threads.push_back(QThread::currentThread());
                });
        });
        worker.join();
        QVERIFY(!workerSawWindowThread);
        QTRY_COMPARE(order.size(), std::size_t(100));
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(order[static_cast<std::size_t>(i)], i);
            QCOMPARE(threads[static_cast<std::size_t>(i)], form.thread());
        }
    }

    void gridCellsRoundTrip() {
        TMainForm form;
        // Bytes a device sent come back unchanged, even when not UTF-8, so
        // rows still find their records.
        const std::string latin1 = "Kamera \xe4\xf6\xfc";
        form.SetRowCount(3);
        form.SetCell(kColName, 2, latin1);
        QCOMPARE(form.Cell(kColName, 2), latin1);
        QCOMPARE(form.RowCount(), 3);
        // Writes and reads outside the grid neither crash nor grow it.
        form.SetCell(7, 1, "x");
        form.SetCell(0, 9, "x");
        form.SetCell(-1, -1, "x");
        QCOMPARE(form.RowCount(), 3);
        QCOMPARE(form.Cell(0, 9), std::string());
        QCOMPARE(form.Cell(-1, 1), std::string());

        // Shrinking drops rows; growing again brings empty ones.
        form.SetRowCount(1);
        QCOMPARE(Find<QTableWidget>(form, "StringGrid1")->rowCount(), 0);
        form.SetRowCount(3);
        QCOMPARE(form.Cell(kColName, 2), std::string());
        QCOMPARE(form.Cell(kColName, 0), std::string("Name"));
    }

    void logLinesGoToTheHiddenMemo() {
        TMainForm form;
        auto* memo = Find<QPlainTextEdit>(form, "Memo1");
        // The same lines reach the logging category when it is switched on.
        QLoggingCategory::setFilterRules(QStringLiteral("lanvaro.diag=true"));
        QTest::ignoreMessage(QtInfoMsg, "CONNECT ERROR");
        QTest::ignoreMessage(QtInfoMsg, "DM_CreateUDPBroadcastSocket(6666) failed!");
        form.Log("CONNECT ERROR");
        form.Log("DM_CreateUDPBroadcastSocket(6666) failed!\n");
        QLoggingCategory::setFilterRules(QString());
        const QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.value(lines.size() - 2), QStringLiteral("CONNECT ERROR"));
        QCOMPARE(lines.last(), QStringLiteral("DM_CreateUDPBroadcastSocket(6666) failed!"));
    }

    void returnOnARowOpensDetailInfo() {
        TMainForm form;
        std::vector<std::string> infoShown;
        form.SetDeviceInfoHandler([&](const tComUnitInfo& rec) { infoShown.push_back(ComUnitFieldText(rec.name)); });
        ShowAndActivate(form);
        form.Logic().ComUnitList = {
            MakeRecord({"CamX", "IPCam", "front", "198.51.100.3", "80", "255.0.0.0", "g", "d", "m1", "eth0", ""}),
            MakeRecord({"CamY", "IPCam", "back", "198.51.100.4", "80", "255.0.0.0", "g", "d", "m2", "eth0", ""})};
        FillRows(form, {{"CamX", "IPCam", "front", "198.51.100.3", "80", "255.0.0.0", "m1"},
                        {"CamY", "IPCam", "back", "198.51.100.4", "80", "255.0.0.0", "m2"}});
        auto* grid = Find<QTableWidget>(form, "StringGrid1");
        grid->setFocus();
        grid->setCurrentCell(1, 0);
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(infoShown, std::vector<std::string>{"back"});
    }

    void onlyWebPagesAreOpened() {
        TMainForm form;
        std::vector<std::string> urls;
        form.SetOpenUrlHandler([&](const std::string& url) {
            urls.push_back(url);
            return true;
        });
        QVERIFY(form.OpenUrl("http://198.51.100.5:80"));
        QVERIFY(!form.OpenUrl("file:///etc/passwd"));
        QVERIFY(!form.OpenUrl("javascript:alert(1)"));
        QVERIFY(!form.OpenUrl("http://[bad"));
        QCOMPARE(urls, (std::vector<std::string>{"http://198.51.100.5:80"}));
    }

    void searchReportCopiesWithFixesAndShowsTheLog() {
        SearchReport report;
        report.problems.push_back({"reply-port-busy", "The reply port is held.", "Close the other program."});
        QApplication::clipboard()->clear();
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            const auto click = [dialog](const char* name) {
                auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
                if (button != nullptr) button->click();
                return button != nullptr;
            };
            auto* log = dialog->findChild<QPlainTextEdit*>(QStringLiteral("DiagnosticLog"));
            const bool hiddenFirst = log != nullptr && !log->isVisible();
            const bool clicked = click("CopyReport") && click("ShowLog");
            driven = clicked && hiddenFirst && log->isVisible() && log->toPlainText() == QStringLiteral("bind() error");
            click("CloseReport");
        });
        // A dialog the test failed to end is closed, not left to hang the run.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
        });
        watchdog.start(5000);
        ShowSearchReportDialog(nullptr, report, "bind() error");
        QVERIFY(driven);
        const QString copied = QApplication::clipboard()->text();
        QVERIFY(copied.contains(QStringLiteral("[reply-port-busy] The reply port is held.")));
        QVERIFY(copied.contains(QStringLiteral("Fix: Close the other program.")));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
