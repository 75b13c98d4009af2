// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/batch_setup_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QLineEdit* AddressEditFor(QWidget* parent, const char* name, AddressEdit edit) {
    auto* line = new QLineEdit(parent);
    line->setObjectName(QLatin1String(name));
    line->setMaxLength(AddressEditMaxLength(edit));
    return line;
}

QTableWidgetItem* Inert(const std::string& text) {
    // Texts from the network are shown as plain text, nothing more.
    auto* item = new QTableWidgetItem(Q(text));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

}  // namespace

BatchSetupDialog::BatchSetupDialog(QWidget* parent, WindowOps& form, BatchWatchHost& window,
                                   const std::vector<tComUnitInfo>& rows, AddressProber probe,
                                   std::unique_ptr<BatchDeviceSource> source)
    : QDialog(parent), source_(std::move(source)) {
    setObjectName(QStringLiteral("BatchSetupDialog"));
    setWindowTitle(QStringLiteral("Batch Network Setup"));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    auto* types = new QHBoxLayout();
    dhcp_ = new QRadioButton(QStringLiteral("DHCP for all"), this);
    dhcp_->setObjectName(QStringLiteral("BatchDhcp"));
    static_ = new QRadioButton(QStringLiteral("Static, numbered from the first address"), this);
    static_->setObjectName(QStringLiteral("BatchStatic"));
    static_->setChecked(true);
    types->addWidget(static_);
    types->addWidget(dhcp_);
    types->addStretch();
    layout->addLayout(types);

    auto* addresses = new QFormLayout();
    first_ = AddressEditFor(this, "BatchFirstIp", AddressEdit::IP);
    netmask_ = AddressEditFor(this, "BatchNetmask", AddressEdit::Netmask);
    gateway_ = AddressEditFor(this, "BatchGateway", AddressEdit::Gateway);
    dns_ = AddressEditFor(this, "BatchDns", AddressEdit::DNS);
    netmask_->setText(QStringLiteral("255.255.255.0"));
    addresses->addRow(QStringLiteral("First address"), first_);
    addresses->addRow(QStringLiteral("Netmask"), netmask_);
    addresses->addRow(QStringLiteral("Gateway"), gateway_);
    addresses->addRow(QStringLiteral("DNS"), dns_);
    layout->addLayout(addresses);

    auto* actions = new QHBoxLayout();
    preview_ = new QPushButton(QStringLiteral("Preview"), this);
    preview_->setObjectName(QStringLiteral("BatchPreview"));
    apply_ = new QPushButton(QStringLiteral("Apply"), this);
    apply_->setObjectName(QStringLiteral("BatchApply"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("BatchCancel"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("BatchProgress"));
    progress_->setRange(0, 1);
    progress_->setValue(0);
    actions->addWidget(preview_);
    actions->addWidget(apply_);
    actions->addWidget(cancel_);
    actions->addWidget(progress_, 1);
    layout->addLayout(actions);

    table_ = new QTableWidget(0, 5, this);
    table_->setObjectName(QStringLiteral("BatchTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("MAC"), QStringLiteral("Name"), QStringLiteral("Current IP"),
                                       QStringLiteral("New IP"), QStringLiteral("Notes / Result")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setWordWrap(false);
    layout->addWidget(table_, 1);

    auto* bottom = new QHBoxLayout();
    copy_ = new QPushButton(QStringLiteral("Copy as Text"), this);
    copy_->setObjectName(QStringLiteral("BatchCopy"));
    close_ = new QPushButton(QStringLiteral("Close"), this);
    close_->setObjectName(QStringLiteral("BatchClose"));
    bottom->addWidget(copy_);
    bottom->addStretch();
    bottom->addWidget(close_);
    layout->addLayout(bottom);
    resize(760, 480);

    logic_ = std::make_unique<BatchSetupLogic>(form, window, static_cast<BatchSetupView&>(*this), rows,
                                               std::move(probe), source_.get());

    auto typeChanged = [this] {
        const bool fixed = static_->isChecked();
        for (QLineEdit* edit : {first_, netmask_, gateway_, dns_}) edit->setEnabled(fixed);
    };
    connect(static_, &QRadioButton::toggled, this, typeChanged);
    connect(preview_, &QPushButton::clicked, this, [this] {
        logic_->Preview(Input());
        UpdateButtons();
        if (deleteWhenIdle_) deleteLater();
    });
    connect(apply_, &QPushButton::clicked, this, [this] {
        logic_->Apply();
        UpdateButtons();
        if (deleteWhenIdle_) deleteLater();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] { logic_->Cancel(); });
    connect(copy_, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(Q(logic_->ResultText())); });
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    ShowLines();
    UpdateButtons();
}

BatchSetupDialog::~BatchSetupDialog() = default;

BatchSettingsInput BatchSetupDialog::Input() const {
    return {dhcp_->isChecked(), first_->text().toStdString(), netmask_->text().toStdString(),
            gateway_->text().toStdString(), dns_->text().toStdString()};
}

void BatchSetupDialog::ShowLines() {
    const auto& items = logic_->Items();
    table_->setRowCount(static_cast<int>(items.size()));
    for (int row = 0; row < static_cast<int>(items.size()); ++row) {
        const BatchSetupLogic::Item& item = items[static_cast<std::size_t>(row)];
        table_->setItem(row, 0, Inert(item.setup->Mac()));
        table_->setItem(row, 1, Inert(item.setup->Name()));
        table_->setItem(row, 2, Inert(item.setup->CurrentIp()));
        table_->setItem(row, 3, Inert(item.newIp));
        table_->setItem(row, 4, Inert(item.result.empty() ? item.note : item.result));
    }
    // MACs and addresses shown whole; the notes take the rest.
    for (int column = 0; column < 4; ++column) {
        table_->resizeColumnToContents(column);
        // A device's name may be long: it keeps room for the notes.
        table_->setColumnWidth(column, std::min(table_->columnWidth(column), 220));
    }
}

void BatchSetupDialog::SetProgress(int done, int total) {
    progress_->setRange(0, std::max(total, 1));
    progress_->setValue(done);
}

void BatchSetupDialog::SetBusy(bool busy) {
    busy_ = busy;
    UpdateButtons();
}

void BatchSetupDialog::UpdateButtons() {
    const bool idle = !busy_;
    preview_->setEnabled(idle && !logic_->Applied());
    apply_->setEnabled(idle && logic_->Previewed() && !logic_->Applied());
    cancel_->setEnabled(busy_ && !logic_->Applied());
    for (QWidget* w : std::initializer_list<QWidget*>{dhcp_, static_}) w->setEnabled(idle && !logic_->Applied());
    const bool fixed = static_->isChecked() && idle && !logic_->Applied();
    for (QLineEdit* edit : {first_, netmask_, gateway_, dns_}) edit->setEnabled(fixed);
}

void BatchSetupDialog::closeEvent(QCloseEvent* event) {
    logic_->Close();
    event->accept();
    // A preview or an apply still on the stack deletes the dialog when it returns.
    if (busy_)
        deleteWhenIdle_ = true;
    else
        deleteLater();
}

BatchSetupDialog* ShowBatchSetupDialog(QWidget* parent, WindowOps& form, BatchWatchHost& window,
                                       const std::vector<tComUnitInfo>& rows,
                                       std::unique_ptr<BatchDeviceSource> source) {
    auto* dialog = new BatchSetupDialog(parent, form, window, rows, ProbeAddressText, std::move(source));
    dialog->show();
    return dialog;
}
