// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/net_form.h"

#include <algorithm>
#include <utility>

#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QTimer>
#include <QVBoxLayout>

#include "protocol/com_unit_info.h"

namespace {

constexpr int kEditWidth = 170;

int Index(NetFormEdit edit) { return static_cast<int>(edit); }

}  // namespace

TNetForm::TNetForm(QWidget* owner, WindowOps& form, const tComUnitInfo& record, NetSetupContext context)
    : QDialog(owner), logic_(form, *this, std::move(context)) {
    setObjectName(QStringLiteral("NetForm"));
    setWindowTitle(QStringLiteral("Network Setup"));

    auto* info = new QGroupBox(QStringLiteral("Device Information"), this);
    info->setObjectName(QStringLiteral("GroupBox2"));
    auto* infoLayout = new QFormLayout(info);
    // Labels from the one list the refusal messages name fields by.
    edits_[Index(NetFormEdit::Model)] =
        MakeLabeledEdit(info, "LabeledEditModel", RequestFieldCaption(NetFormEdit::Model));
    edits_[Index(NetFormEdit::Proj)] = MakeLabeledEdit(info, "LabeledEditProj", RequestFieldCaption(NetFormEdit::Proj));
    edits_[Index(NetFormEdit::Name)] = MakeLabeledEdit(info, "LabeledEditName", RequestFieldCaption(NetFormEdit::Name));
    edits_[Index(NetFormEdit::Mac)] = MakeLabeledEdit(info, "LabeledEditMac", RequestFieldCaption(NetFormEdit::Mac));
    for (NetFormEdit e : {NetFormEdit::Model, NetFormEdit::Proj, NetFormEdit::Name, NetFormEdit::Mac}) {
        infoLayout->addRow(Edit(e).label, Edit(e).edit);
    }

    auto* property = new QGroupBox(QStringLiteral("Network Property"), this);
    property->setObjectName(QStringLiteral("GroupBox1"));
    auto* propertyLayout = new QVBoxLayout(property);
    auto* typeRow = new QHBoxLayout;
    radioDhcp_ = new QRadioButton(QStringLiteral("DHCP"), property);
    radioDhcp_->setObjectName(QStringLiteral("RadioButtonDhcp"));
    radioStatic_ = new QRadioButton(QStringLiteral("Static IP"), property);
    radioStatic_->setObjectName(QStringLiteral("RadioButtonStatic"));
    radioTorvo_ = new QRadioButton(QStringLiteral("Torvo"), property);
    radioTorvo_->setObjectName(QStringLiteral("RadioButtonTorvo"));
    radioTorvo_->setVisible(false);
    typeRow->addWidget(radioDhcp_);
    typeRow->addWidget(radioStatic_);
    typeRow->addWidget(radioTorvo_);
    typeRow->addStretch();
    propertyLayout->addLayout(typeRow);

    auto* panel = new QWidget(property);
    panel->setObjectName(QStringLiteral("NetworkPropertyPanel"));
    auto* panelLayout = new QFormLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    for (AddressEdit a : kAddressEdits) {
        const NetFormEdit e = ToRequestField(a);
        const std::string name = std::string("LabeledEdit") + (a == AddressEdit::IP ? "IP" : AddressEditCaption(a));
        edits_[Index(e)] = MakeLabeledEdit(panel, name.c_str(), AddressEditCaption(a));
        Edit(e).edit->setMaxLength(AddressEditMaxLength(a));
        panelLayout->addRow(Edit(e).label, Edit(e).edit);
    }
    propertyLayout->addWidget(panel);

    // Carried through to the package; never shown.
    edits_[Index(NetFormEdit::Dev)] = MakeLabeledEdit(this, "LabeledEditDev", "Dev");
    edits_[Index(NetFormEdit::Port)] = MakeLabeledEdit(this, "LabeledEditPort", "Port");
    for (NetFormEdit e : {NetFormEdit::Dev, NetFormEdit::Port}) {
        Edit(e).label->setVisible(false);
        Edit(e).edit->setVisible(false);
        Edit(e).edit->setEnabled(false);
    }

    buttonApply_ = new QPushButton(QStringLiteral("Apply"), this);
    buttonApply_->setObjectName(QStringLiteral("ButtonApply"));
    buttonClose_ = new QPushButton(QStringLiteral("Close"), this);
    buttonClose_->setObjectName(QStringLiteral("ButtonClose"));
    // Return in an address edit must not send a package by accident.
    for (QPushButton* b : {buttonApply_, buttonClose_}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(buttonApply_);
    buttons->addWidget(buttonClose_);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addWidget(property);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (NetFormEdit e : {NetFormEdit::Model, NetFormEdit::Proj, NetFormEdit::Name, NetFormEdit::Mac}) {
        QLineEdit* edit = Edit(e).edit;
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        QPalette grey = edit->palette();
        grey.setColor(QPalette::Text, grey.color(QPalette::Disabled, QPalette::Text));
        grey.setColor(QPalette::Base, grey.color(QPalette::Window));
        edit->setPalette(grey);
    }
    // One label width for both groups, so their edits line up.
    int labelWidth = 0;
    for (const LabeledEdit& e : edits_) labelWidth = std::max(labelWidth, e.label->sizeHint().width());
    for (LabeledEdit& e : edits_) {
        e.label->setMinimumWidth(labelWidth);
        e.edit->installEventFilter(this);
    }
    setTabOrder(radioDhcp_, radioStatic_);
    setTabOrder(radioStatic_, Edit(NetFormEdit::IP).edit);
    setTabOrder(Edit(NetFormEdit::IP).edit, Edit(NetFormEdit::Gateway).edit);
    setTabOrder(Edit(NetFormEdit::Gateway).edit, Edit(NetFormEdit::Netmask).edit);
    setTabOrder(Edit(NetFormEdit::Netmask).edit, Edit(NetFormEdit::DNS).edit);
    setTabOrder(Edit(NetFormEdit::DNS).edit, buttonApply_);
    setTabOrder(buttonApply_, buttonClose_);

    for (QRadioButton* b : {radioDhcp_, radioStatic_, radioTorvo_}) {
        connect(b, &QRadioButton::toggled, this, [this] { logic_.ClickToChangeNetworkType(); });
    }
    connect(buttonApply_, &QPushButton::clicked, this, [this] { logic_.BtnApplyClick(); });
    connect(buttonClose_, &QPushButton::clicked, this, [this] { logic_.ButtonCloseClick(); });

    logic_.Load(record);
    logic_.FormCreate();
}

TNetForm::LabeledEdit TNetForm::MakeLabeledEdit(QWidget* parent, const char* objectName, const char* caption) {
    LabeledEdit e;
    e.edit = new QLineEdit(parent);
    e.edit->setObjectName(QString::fromLatin1(objectName));
    e.edit->setMinimumWidth(kEditWidth);
    e.label = new QLabel(QString::fromLatin1(caption), parent);
    e.label->setObjectName(QString::fromLatin1(objectName) + QStringLiteral("Label"));
    e.label->setBuddy(e.edit);
    return e;
}

TNetForm::LabeledEdit& TNetForm::Edit(NetFormEdit edit) { return edits_[Index(edit)]; }

QRadioButton* TNetForm::TypeButton(NetworkType type) {
    switch (type) {
        case NetworkType::Static:
            return radioStatic_;
        case NetworkType::Dhcp:
            return radioDhcp_;
        case NetworkType::Torvo:
            return radioTorvo_;
        case NetworkType::None:
            break;
    }
    return nullptr;
}

bool TNetForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) {
        return QDialog::eventFilter(watched, event);
    }
    for (int i = 0; i < static_cast<int>(std::size(edits_)); ++i) {
        if (watched != edits_[i].edit) {
            continue;
        }
        const auto which = static_cast<NetFormEdit>(i);
        const std::optional<AddressEdit> address = AsAddressEdit(which);
        const bool isAddress = address.has_value();
        if (event->type() == QEvent::FocusIn && !isAddress) {
            // Queued: moving the focus while it is being given is not safe.
            QTimer::singleShot(0, this, [this] { logic_.LabeledEditModelEnter(); });
        } else if (event->type() == QEvent::FocusOut && isAddress && !refocusing_) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            // Another window (a message box, another program) taking the
            // focus does not leave the edit.
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
                break;
            }
            // Queued, so the click or key that moved the focus is handled
            // before a message box opens its own loop.
            QTimer::singleShot(0, this, [this, address] {
                if (isVisible()) {
                    logic_.IpEditExit(*address);
                }
            });
        }
        break;
    }
    return QDialog::eventFilter(watched, event);
}

std::string TNetForm::EditText(NetFormEdit edit) { return Edit(edit).edit->text().toStdString(); }

void TNetForm::SetEditText(NetFormEdit edit, const std::string& text) {
    Edit(edit).edit->setText(QString::fromStdString(text));
}

void TNetForm::SetAddressEditsEnabled(bool enabled) {
    for (AddressEdit a : kAddressEdits) {
        Edit(ToRequestField(a)).edit->setEnabled(enabled);
    }
}

bool TNetForm::IsTypeChecked(NetworkType type) {
    QRadioButton* b = TypeButton(type);
    return b != nullptr && b->isChecked();
}

void TNetForm::FocusEdit(NetFormEdit edit) {
    QScopedValueRollback<bool> guard(refocusing_, true);
    Edit(edit).edit->setFocus(Qt::OtherFocusReason);
}

void TNetForm::FocusCloseButton() { buttonClose_->setFocus(Qt::OtherFocusReason); }

void TNetForm::CloseForm() { close(); }

void ShowNetFormDialog(QWidget* owner, WindowOps& form, const tComUnitInfo& record, NetSetupContext context) {
    TNetForm dialog(owner, form, record, std::move(context));
    dialog.setModal(true);
    dialog.exec();
}
