// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_tasks_form.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "camera/camera_desktop.h"

namespace {

QString Q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QPushButton* Button(const char* caption, const char* name, const char* tip) {
    auto* button = new QPushButton(QString::fromUtf8(caption));
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromUtf8(tip));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

CameraTasksForm::CameraTasksForm(QWidget* owner, WindowOps& form, OnvifCameraActions& actions, CameraJobRunner& runner,
                                 std::vector<OnvifRowCamera> cameras, RestartWatch watchRestart)
    : QWidget(owner, Qt::Window), form_(form) {
    setObjectName(QStringLiteral("CameraTasksForm"));
    setWindowTitle(QStringLiteral("Camera Tasks"));
    setAttribute(Qt::WA_DeleteOnClose);

    const std::vector<std::string>& columns = CameraTaskColumns();
    TableCameras = new QTableWidget(static_cast<int>(cameras.size()), static_cast<int>(columns.size()));
    TableCameras->setObjectName(QStringLiteral("TableCameras"));
    QStringList captions;
    for (const std::string& caption : columns) captions << Q(caption);
    TableCameras->setHorizontalHeaderLabels(captions);
    TableCameras->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableCameras->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableCameras->verticalHeader()->hide();
    TableCameras->setWordWrap(false);
    TableCameras->horizontalHeader()->setStretchLastSection(true);

    ButtonReadFacts = Button("Read Facts", "ButtonReadFacts",
                             "Read maker, model, firmware, serial, MAC, "
                             "addressing, NTP and clock of every camera");
    ButtonSyncTime = Button("Sync Time", "ButtonSyncTime", "Set every camera's clock to this computer's");
    ButtonRestart =
        Button("Restart", "ButtonRestart", "Restart every camera, 8 at a time, and wait until each is back");
    ButtonChangePassword = Button("Change Password...", "ButtonChangePassword",
                                  "Give every camera a new password, 8 at a time, each proved by a sign-in");
    ButtonExport = Button("Export Inventory...", "ButtonExport", "Save what Read Facts found as CSV");
    ButtonCopy = Button("Copy as Text", "ButtonCopy", "Put the table on the clipboard as tab-separated text");
    ButtonCancel = Button("Cancel", "ButtonCancel", "Leave the cameras not started alone");
    LabelStatus = new QLabel;
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    LabelStatus->setTextFormat(Qt::PlainText);

    auto* tasks = new QHBoxLayout;
    for (QPushButton* button : {ButtonReadFacts, ButtonSyncTime, ButtonRestart, ButtonChangePassword})
        tasks->addWidget(button);
    tasks->addStretch();
    for (QPushButton* button : {ButtonExport, ButtonCopy, ButtonCancel}) tasks->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tasks);
    layout->addWidget(TableCameras, 1);
    layout->addWidget(LabelStatus);

    connect(ButtonReadFacts, &QPushButton::clicked, this, [this] { logic_->ReadFacts(); });
    connect(ButtonSyncTime, &QPushButton::clicked, this, [this] { logic_->SyncTime(); });
    connect(ButtonRestart, &QPushButton::clicked, this, [this] { logic_->Restart(); });
    connect(ButtonChangePassword, &QPushButton::clicked, this, [this] { ChangePassword(); });
    connect(ButtonExport, &QPushButton::clicked, this, [this] { SaveInventoryAs(this, form_, logic_->Inventory()); });
    connect(ButtonCopy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(Q(logic_->Text())); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { logic_->Cancel(); });

    ShowRunning(false);
    logic_ = std::make_unique<CameraTasksLogic>(actions, runner, *this, std::move(cameras), std::move(watchRestart));
    TableCameras->resizeColumnsToContents();
    resize(960, 420);
}

CameraTasksForm::~CameraTasksForm() = default;

void CameraTasksForm::ShowRow(std::size_t index, const CameraTaskRow& row) {
    const int r = static_cast<int>(index);
    if (r >= TableCameras->rowCount()) return;
    const std::vector<std::string> cells = CameraTaskCells(row);
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const int column = static_cast<int>(c);
        QTableWidgetItem* item = TableCameras->item(r, column);
        if (item == nullptr) {
            item = new QTableWidgetItem;
            TableCameras->setItem(r, column, item);
        }
        // QTableWidgetItem shows its text as it is: a camera's text stays plain.
        item->setText(Q(cells[c]));
        item->setToolTip(Q(cells[c]));
    }
    if (QTableWidgetItem* result = TableCameras->item(r, 2))
        result->setForeground(row.failed ? QBrush(Qt::darkRed) : palette().text());
}

void CameraTasksForm::ShowStatus(const std::string& text) { LabelStatus->setText(Q(text)); }

void CameraTasksForm::ShowRunning(bool running) {
    for (QPushButton* button : {ButtonReadFacts, ButtonSyncTime, ButtonRestart, ButtonChangePassword, ButtonExport})
        button->setEnabled(!running);
    ButtonCancel->setEnabled(running);
    if (!running) TableCameras->resizeColumnsToContents();
}

void CameraTasksForm::ChangePassword() {
    const auto change = askPasswordChange(this, TableCameras->rowCount(), logic_->UserNames());
    if (change) logic_->ChangePassword(change->user, change->password);
}
