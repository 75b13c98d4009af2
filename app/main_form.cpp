// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_form.h"

#include <algorithm>
#include <optional>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

#include "app/elided_label.h"
#include "app/search_report_dialog.h"
#include "app/string_grid_widget.h"
#include "app/table_transfer.h"
#include "app/window_keys.h"
#include "camera/onvif_batch_cameras.h"
#include "camera/onvif_camera_menu.h"
#include "netsetup/batch_setup_dialog.h"
#include "netsetup/net_form.h"
#include "protocol/terminal_text.h"
#include "web/detail_dialogs.h"
#include "web/plain_tool_tip.h"

// Off unless asked for: QT_LOGGING_RULES="lanvaro.diag=true".
Q_LOGGING_CATEGORY(lcLanvaroDiag, "lanvaro.diag", QtWarningMsg)

const std::vector<int> kDesignColumnWidths = {114, 125, 180, 103, 29, 98, 153};

namespace {

constexpr int kDesignWidth = 807;
constexpr int kDesignHeight = 624;
constexpr int kPanelHeight = 79;
// The table's border is kept this far from the window's left and right edges
// together, so at design size the table is 787 pixels wide inside its frame.
constexpr int kTableSideGap = 20;
constexpr int kLogLineLimit = 50000;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QFont SizedFont(const QFont& base, int pixelSize) {
    QFont font = base;
    font.setPixelSize(pixelSize);
    return font;
}

QComboBox* MakeCombo(const char* name, QWidget* parent, const QStringList& items) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(true);
    // The logic alone decides what joins a list.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    combo->setCurrentIndex(0);
    return combo;
}

std::vector<std::string> ComboItems(const QComboBox& combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo.count(); ++i) items.push_back(combo.itemText(i).toStdString());
    return items;
}

void SetComboItems(QComboBox& combo, const std::vector<std::string>& items) {
    // Replacing the list must not wipe what the user typed.
    const QString text = combo.currentText();
    const QSignalBlocker blocker(&combo);
    combo.clear();
    for (const std::string& item : items) combo.addItem(Q(item));
    combo.setCurrentIndex(combo.findText(text));
    combo.setEditText(text);
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    CreateControls();
    logic_ = std::make_unique<MainFormLogic>(*this);
    onvifMenu_ = std::make_unique<OnvifCameraMenu>(*this, *this, *logic_, *PopupMenu1);
    ConnectEvents();
    new TableTransfer(*this);
    InstallWindowKeys(*this);

    logic_->FormCreate(kDesignColumnWidths);
    resize(DefaultWidth(), kDesignHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    SetRowCount(2);
    ApplyColumnWidths();
}

int TMainForm::DefaultWidth() const {
    // The design's proportions were drawn for a narrower font than today's
    // desktops use: open wide enough that the IP column shows a whole
    // address with the off-subnet mark (the scroll bar shown), as little
    // wider as that takes.
    const int needed = StringGrid1->CellWidthFor(QStringLiteral("255.255.255.255"), true);
    const int frame = StringGrid1->frameWidth();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, StringGrid1);
    const int besideColumns = 2 * std::max(0, kTableSideGap / 2 - frame) + 2 * frame + scrollBar;
    constexpr std::size_t kIpColumn = 3;
    int width = kDesignWidth;
    while (width < 4 * kDesignWidth) {
        const std::vector<int> columns = logic_->FormResize(width - besideColumns);
        if (columns.size() <= kIpColumn || columns[kIpColumn] >= needed) break;
        ++width;
    }
    // A small screen keeps the whole window in sight rather than the
    // addresses whole (never narrower than the design, as before).
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        width = std::min(width, std::max(kDesignWidth, screen->availableGeometry().width()));
    return width;
}

TMainForm::~TMainForm() {
    // The logic stops and joins its threads first, while every control it
    // may still be told about is alive.
    onvifMenu_.reset();
    logic_.reset();
}

void TMainForm::CreateControls() {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Lanvaro"));
    const QFont baseFont = SizedFont(font(), 11);
    setFont(baseFont);
    // Captions on the frame line, as the design draws its group boxes; the
    // controls inside then fit the design's sizes.
    setStyleSheet(
        QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 3px; margin-top: 7px; }"
                       "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }"));

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    setCentralWidget(central);

    Panel1 = new QFrame(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setFixedHeight(kPanelHeight);
    column->addWidget(Panel1);

    GroupBox1 = new QGroupBox(QStringLiteral("Search Method"), Panel1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    // A little wider than designed, so the relay address stays readable in
    // today's wider fonts; the label and the button keep their places.
    GroupBox1->setGeometry(8, 6, 273, 65);

    RadioButton1 = new QRadioButton(QStringLiteral("Local Broadcast"), GroupBox1);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(10, 17, 140, 20);
    RadioButton1->setChecked(true);

    RadioButton2 = new QRadioButton(QStringLiteral("IP Relay"), GroupBox1);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    // Just the indicator and the caption, leaving the rest of the row to the
    // relay address.
    const int relayCaptionWidth = RadioButton2->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                                  RadioButton2->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) +
                                  RadioButton2->fontMetrics().horizontalAdvance(RadioButton2->text()) + 2;
    RadioButton2->setGeometry(10, 39, relayCaptionWidth, 20);

    ComboBox1 = MakeCombo("ComboBox1", GroupBox1, {QStringLiteral("<Customized>")});
    const int transportLeft = GroupBox1->width() - 8 - 67;
    const int addressLeft = RadioButton2->geometry().right() + 3;
    ComboBox1->setGeometry(addressLeft, 37, transportLeft - 3 - addressLeft, 22);
    ComboBox1->setEnabled(false);

    ComboBox2 =
        MakeCombo("ComboBox2", GroupBox1, {QStringLiteral("TCP"), QStringLiteral("UDP"), QStringLiteral("HttpCmd")});
    ComboBox2->setGeometry(transportLeft, 37, 67, 22);
    ComboBox2->setEnabled(false);

    GroupBox2 = new QGroupBox(QStringLiteral("Project Filter"), Panel1);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(289, 6, 118, 66);

    QStringList projects{QStringLiteral("ALL")};
    for (const char* family : kProjectFamilies) projects << QLatin1String(family);
    projects << QStringLiteral("UPNP") << QStringLiteral("ONVIF") << QString() << QString();
    Proj = MakeCombo("Proj", GroupBox2, projects);
    Proj->setFont(SizedFont(baseFont, 14));
    Proj->setGeometry(8, 24, 102, 28);

    // Made before the count label, which stays on top where they meet.
    RangeGroupBox = new QGroupBox(QStringLiteral("Address Range"), Panel1);
    RangeGroupBox->setObjectName(QStringLiteral("RangeGroupBox"));
    RangeGroupBox->setGeometry(600, 6, 199, 66);
    RangeRadioButton = new QRadioButton(QStringLiteral("Address Range"), RangeGroupBox);
    RangeRadioButton->setObjectName(QStringLiteral("RangeRadioButton"));
    RangeRadioButton->setGeometry(10, 17, 180, 20);
    RangeBox = MakeCombo("RangeBox", RangeGroupBox, {});
    RangeBox->setGeometry(10, 39, 181, 22);
    RangeBox->setToolTip(
        QStringLiteral("Address ranges behind a router: 203.0.113.0/24, 203.0.113.10-203.0.113.99 or one address, "
                       "several separated by commas"));
    RangeBox->setEditText(QString());
    SearchMethodGroup = new QButtonGroup(this);
    SearchMethodGroup->setObjectName(QStringLiteral("SearchMethodGroup"));
    SearchMethodGroup->addButton(RadioButton1);
    SearchMethodGroup->addButton(RadioButton2);
    SearchMethodGroup->addButton(RangeRadioButton);

    Label1 = new QLabel(QStringLiteral("0 device(s) found!"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(SizedFont(baseFont, 14));
    Label1->setGeometry(420, 12, 300, 22);
    // Its box reaches over the Address Range box; clicks go through to that.
    Label1->setAttribute(Qt::WA_TransparentForMouseEvents);

    Button1 = new QPushButton(QStringLiteral("Lanvaro"), Panel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    QFont buttonFont = SizedFont(baseFont, 17);
    buttonFont.setBold(true);
    Button1->setFont(buttonFont);
    Button1->setGeometry(415, 39, 177, 33);

    StringGrid1 = new StringGridWidget(kGridColumnCount, central);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setFont(SizedFont(baseFont, 12));
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Ctrl and Shift clicks and Ctrl+A select several rows for a batch setup.
    StringGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setShowGrid(true);
    StringGrid1->setAlternatingRowColors(true);
    StringGrid1->setWordWrap(false);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(StringGrid1->fontMetrics().height() + 6);
    QHeaderView* header = StringGrid1->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(0);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StringGrid1->viewport()->setMouseTracking(true);

    auto* tableRow = new QHBoxLayout();
    const int sideMargin = std::max(0, kTableSideGap / 2 - StringGrid1->frameWidth());
    tableRow->setContentsMargins(sideMargin, 0, sideMargin, 10);
    tableRow->addWidget(StringGrid1);
    column->addLayout(tableRow, 1);

    Memo1 = new QPlainTextEdit(central);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setMaximumBlockCount(kLogLineLimit);
    Memo1->hide();

    StatusText = new ElidedLabel(this);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    // The watch writes a device's MAC and address here.
    StatusText->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(StatusText, 1);
    RangeProgress = new QProgressBar(this);
    RangeProgress->setObjectName(QStringLiteral("RangeProgress"));
    RangeProgress->setRange(0, 1000);
    RangeProgress->setMaximumWidth(120);
    RangeProgress->setTextVisible(false);
    RangeProgress->hide();
    statusBar()->addPermanentWidget(RangeProgress);
    StopButton = new QPushButton(QStringLiteral("Stop"), this);
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setFlat(true);
    StopButton->hide();
    statusBar()->addPermanentWidget(StopButton);
    ReportButton = new QPushButton(QStringLiteral("Search Report..."), this);
    ReportButton->setObjectName(QStringLiteral("ReportButton"));
    ReportButton->setFlat(true);
    ReportButton->setEnabled(false);
    statusBar()->addPermanentWidget(ReportButton);

    PopupMenu1 = new QMenu(StringGrid1);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Info1 = PopupMenu1->addAction(QStringLiteral("Detail Info."));
    Info1->setObjectName(QStringLiteral("Info1"));
    Browser1 = PopupMenu1->addAction(QStringLiteral("Browse"));
    Browser1->setObjectName(QStringLiteral("Browser1"));
    NetworkSetup1 = PopupMenu1->addAction(QStringLiteral("Network Setup"));
    NetworkSetup1->setObjectName(QStringLiteral("NetworkSetup1"));
}

void TMainForm::ConnectEvents() {
    connect(Button1, &QPushButton::clicked, this, [this] { logic_->Button1Click(); });
    connect(RadioButton1, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) logic_->RadioButton1Click();
    });
    connect(RadioButton2, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) logic_->RadioButton2Click();
    });
    connect(RangeRadioButton, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) logic_->RangeRadioButtonClick();
    });
    connect(StopButton, &QPushButton::clicked, this, [this] { logic_->StopSearch(); });
    connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
        // -1 is the view losing its current cell as rows go, not a choice.
        if (row >= 0) logic_->StringGrid1SelectCell(col, row + 1);
    });
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, [this](int row, int col) {
        // The row under the pointer, even where it was current already.
        logic_->StringGrid1SelectCell(col, row + 1);
        logic_->Browser1Click();
    });
    connect(Info1, &QAction::triggered, this, [this] {
        if (!onvifMenu_->Info1Click()) logic_->Info1Click();
    });
    connect(Browser1, &QAction::triggered, this, [this] { logic_->Browser1Click(); });
    connect(NetworkSetup1, &QAction::triggered, this, [this] {
        // Several rows go to the batch setup, whatever their kind.
        if (SelectedRows().size() > 1 || !onvifMenu_->NetworkSetup1Click()) logic_->NetworkSetup1Click();
    });
    connect(ReportButton, &QPushButton::clicked, this, [this] { ShowSearchReport(); });

    ComboBox1->installEventFilter(this);
    StringGrid1->installEventFilter(this);
    StringGrid1->viewport()->installEventFilter(this);
    StringGrid1->horizontalHeader()->viewport()->installEventFilter(this);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (!logic_) return QMainWindow::eventFilter(watched, event);

    // The menu key reaches the table itself; the menu opens on its current row.
    if (watched == StringGrid1 && event->type() == QEvent::ContextMenu) {
        const QModelIndex current = StringGrid1->currentIndex();
        if (current.isValid()) ShowPopupAt(StringGrid1->visualRect(current).center());
        return true;
    }

    if (watched == ComboBox1) {
        if (event->type() == QEvent::FocusOut) {
            // Opening the box's own list, or another application taking the
            // focus, is not leaving the box.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) logic_->ComboBox1Exit();
        }
        return false;
    }

    if (watched == StringGrid1->horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int col = StringGrid1->horizontalHeader()->logicalIndexAt(mouse->position().toPoint());
            if (col >= 0) logic_->StringGrid1MouseUp(mouse->button() == Qt::LeftButton, col, 0);
        }
        return false;
    }

    if (watched == StringGrid1->viewport()) {
        switch (event->type()) {
            case QEvent::Resize:
                ApplyColumnWidths();
                break;
            case QEvent::MouseMove: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                int col = -1;
                int row = -1;
                const bool hand =
                    StringGrid1->CellAt(mouse->position().toPoint(), &col, &row) && logic_->WantsHandCursor(col, row);
                if (hand)
                    StringGrid1->viewport()->setCursor(Qt::PointingHandCursor);
                else
                    StringGrid1->viewport()->unsetCursor();
                break;
            }
            case QEvent::MouseButtonRelease: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                int col = -1;
                int row = -1;
                if (StringGrid1->CellAt(mouse->position().toPoint(), &col, &row))
                    logic_->StringGrid1MouseUp(mouse->button() == Qt::LeftButton, col, row);
                break;
            }
            case QEvent::ContextMenu:
                ShowPopupAt(static_cast<QContextMenuEvent*>(event)->pos());
                return true;
            default:
                break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ShowPopupAt(const QPoint& viewportPos) {
    int col = -1;
    int row = -1;
    if (!StringGrid1->CellAt(viewportPos, &col, &row)) return;
    // The menu acts on the row it was opened on, highlighted or not before.
    // On a row of a selection it keeps the selection; on any other row that
    // row alone is selected.
    const bool inSelection = StringGrid1->selectionModel()->isRowSelected(row - 1, QModelIndex());
    const bool wasCurrent = StringGrid1->currentRow() == row - 1;
    {
        // The logic is told below where the current row stays.
        std::optional<QSignalBlocker> quiet;
        if (wasCurrent) quiet.emplace(StringGrid1);
        if (!inSelection)
            StringGrid1->setCurrentCell(row - 1, col, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        else if (!wasCurrent)
            StringGrid1->selectionModel()->setCurrentIndex(StringGrid1->model()->index(row - 1, col),
                                                           QItemSelectionModel::NoUpdate);
    }
    if (wasCurrent) logic_->StringGrid1SelectCell(col, row);
    logic_->PopupMenu1Popup();
    onvifMenu_->Popup();
    if (popupAttached_) PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(viewportPos));
}

void TMainForm::ApplyColumnWidths() {
    if (!logic_) return;
    // The viewport already leaves out the vertical scroll bar when it shows.
    const std::vector<int> widths = logic_->FormResize(StringGrid1->viewport()->width());
    for (int col = 0; col < static_cast<int>(widths.size()) && col < StringGrid1->columnCount(); ++col) {
        if (widths[static_cast<std::size_t>(col)] >= 0)
            StringGrid1->setColumnWidth(col, widths[static_cast<std::size_t>(col)]);
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (logic_->FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

// --- WindowOps --------------------------------------------------------------

std::string TMainForm::ProjText() { return Proj->currentText().toStdString(); }

SearchMethod TMainForm::SelectedSearchMethod() {
    if (RangeRadioButton->isChecked()) return SearchMethod::AddressRange;
    return RadioButton2->isChecked() ? SearchMethod::IpRelay : SearchMethod::LocalBroadcast;
}

std::string TMainForm::RelayAddressText() { return ComboBox1->currentText().toStdString(); }

int TMainForm::RelayAddressSelectedIndex() {
    const int index = ComboBox1->currentIndex();
    if (index < 0 || ComboBox1->itemText(index) != ComboBox1->currentText()) return -1;
    return index;
}

std::vector<std::string> TMainForm::RelayAddressItems() { return ComboItems(*ComboBox1); }

void TMainForm::SetRelayAddressItems(const std::vector<std::string>& items) { SetComboItems(*ComboBox1, items); }

std::string TMainForm::RelayTransportText() { return ComboBox2->currentText().toStdString(); }

std::string TMainForm::AddressRangeText() { return RangeBox->currentText().toStdString(); }

std::vector<std::string> TMainForm::AddressRangeItems() { return ComboItems(*RangeBox); }

void TMainForm::SetAddressRangeItems(const std::vector<std::string>& items) { SetComboItems(*RangeBox, items); }

void TMainForm::SetButton1Enabled(bool enabled) { Button1->setEnabled(enabled); }

void TMainForm::SetButton1Caption(const std::string& caption) { Button1->setText(Q(caption)); }

void TMainForm::SetLabel1Caption(const std::string& caption) { Label1->setText(Q(caption)); }

void TMainForm::SetWindowCaption(const std::string& caption) { setWindowTitle(Q(caption)); }
void TMainForm::SetStatusText(const std::string& text) {
    StatusText->setText(Q(text));
    // A narrow window cuts the line; the whole of it stays at hand.
    StatusText->setToolTip(PlainToolTip(Q(text)));
    ReportButton->setEnabled(logic_ && logic_->HasReport());
}

void TMainForm::SetRangeProgress(long long sent, long long total) {
    RangeProgress->setVisible(total > 0);
    if (total > 0) RangeProgress->setValue(static_cast<int>(std::clamp(sent, 0LL, total) * 1000 / total));
}

void TMainForm::SetStopEnabled(bool enabled) {
    StopButton->setVisible(enabled);
    StopButton->setEnabled(enabled);
}

void TMainForm::ShowSearchReport() {
    if (!logic_->HasReport()) return;
    if (searchReportHandler_)
        searchReportHandler_(logic_->LastReport());
    else
        ShowSearchReportDialog(this, logic_->LastReport(), Memo1->toPlainText().toStdString());
}

void TMainForm::SetRelayControlsEnabled(bool enabled) {
    ComboBox1->setEnabled(enabled);
    ComboBox2->setEnabled(enabled);
}

void TMainForm::SetNetworkSetupEnabled(bool enabled) { NetworkSetup1->setEnabled(enabled); }

void TMainForm::SetPopupAttached(bool attached) { popupAttached_ = attached; }

std::string TMainForm::Cell(int col, int row) { return StringGrid1->Cell(col, row); }

void TMainForm::SetCell(int col, int row, const std::string& text) { StringGrid1->SetCell(col, row, text); }

int TMainForm::RowCount() { return StringGrid1->GridRowCount(); }

void TMainForm::SetRowCount(int rows) { StringGrid1->SetGridRowCount(rows); }

void TMainForm::SetCellMark(int col, int row, const std::string& toolTip) {
    StringGrid1->SetCellMark(col, row, toolTip);
}

void TMainForm::SetRowToolTip(int row, const std::string& toolTip) { StringGrid1->SetRowToolTip(row, toolTip); }

// The header row is always the table's horizontal header, fixed or not.
void TMainForm::SetHeaderRowFixed(bool) {}

void TMainForm::SetCurrentRow(int row) {
    if (row < 1 || row >= RowCount()) return;
    // The logic has chosen the row already; telling it again would only log.
    const QSignalBlocker blocker(StringGrid1);
    StringGrid1->setCurrentCell(row - 1, std::max(StringGrid1->currentColumn(), 0));
}

void TMainForm::Log(const std::string& line) {
    std::string text = line;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    const QString shown = Q(text);
    Memo1->appendPlainText(shown);
    // Qt's logging writes to a terminal; the memo shows the line as it is.
    qCInfo(lcLanvaroDiag).noquote() << Q(TerminalText(text));
}

void TMainForm::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    if (messageHandler_) {
        messageHandler_(text, title, icon);
        return;
    }
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
        case MessageIcon::None:
            break;
        case MessageIcon::Information:
            boxIcon = QMessageBox::Information;
            break;
        case MessageIcon::Warning:
            boxIcon = QMessageBox::Warning;
            break;
        case MessageIcon::Error:
            boxIcon = QMessageBox::Critical;
            break;
    }
    QMessageBox box(boxIcon, Q(title), Q(text), QMessageBox::Ok, this);
    // Messages quote what devices sent ("Invalid Name - [...]").
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void TMainForm::ShowDeviceInfo(const tComUnitInfo& record) {
    if (deviceInfoHandler_)
        deviceInfoHandler_(record);
    else
        ShowDeviceInfoDialog(this, record);
}

void TMainForm::ShowUpnpDeviceInfo(const DeviceInformationContainer& device) {
    if (upnpDeviceInfoHandler_)
        upnpDeviceInfoHandler_(device);
    else
        ShowUpnpDeviceInfoDialog(this, device);
}

void TMainForm::ShowOnvifDeviceInfo(const OnvifDeviceInfo& device) { ShowOnvifDeviceInfoDialog(this, device); }

std::vector<int> TMainForm::SelectedRows() {
    std::vector<int> rows;
    for (const QModelIndex& index : StringGrid1->selectionModel()->selectedRows()) rows.push_back(index.row() + 1);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TMainForm::ShowBatchSetup(const std::vector<tComUnitInfo>& rows) {
    if (batchSetupHandler_)
        batchSetupHandler_(rows);
    else
        ShowBatchSetupDialog(this, *this, *logic_, rows,
                             std::make_unique<OnvifBatchCameras>(onvifMenu_->Actions().Shared()));
}

void TMainForm::ShowNetworkSetup(const tComUnitInfo& record) {
    if (networkSetupHandler_)
        networkSetupHandler_(record);
    else
        ShowNetFormDialog(this, *this, record, logic_->SetupContext());
}

bool TMainForm::AskYesNo(const std::string& text, const std::string& title) {
    if (questionHandler_) return questionHandler_(text);
    QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

// An open pop-up menu counts too: its row must not change under it.
bool TMainForm::IsModalOpen() {
    return QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr;
}

bool TMainForm::OpenUrl(const std::string& url) {
    // The address is built from what a device sent: only a web page may be
    // handed to the desktop, never a file or another scheme's handler.
    const QUrl target(Q(url), QUrl::StrictMode);
    if (!target.isValid() || (target.scheme() != QLatin1String("http") && target.scheme() != QLatin1String("https")))
        return false;
    if (openUrlHandler_) return openUrlHandler_(url);
    return QDesktopServices::openUrl(target);
}

bool TMainForm::IsWindowThread() { return QThread::currentThread() == thread(); }

void TMainForm::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(
        this, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

void TMainForm::ProcessMessages() { QCoreApplication::processEvents(); }
