#include "camera/onvif_camera_details_dialog.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QString Q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

OnvifCameraDetailsForm::OnvifCameraDetailsForm(QWidget* owner, std::function<OnvifDetailsView()> refresh)
    : OnvifDeviceInfoForm(owner), refresh_(std::move(refresh)) {
    auto* grid = qobject_cast<QGridLayout*>(layout());
    // The facts go between the announced data and the buttons.
    grid->removeWidget(BitBtn1);
    const int row = grid->rowCount();
    grid->setRowStretch(row - 1, 0);

    auto* caption = new QLabel(QStringLiteral("Camera"));
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    EditFacts = new QPlainTextEdit;
    EditFacts->setObjectName(QStringLiteral("EditFacts"));
    EditFacts->setReadOnly(true);
    EditFacts->setLineWrapMode(QPlainTextEdit::NoWrap);
    EditFacts->setFixedWidth(EditXAddrs->width());
    EditFacts->setFixedHeight(EditFacts->fontMetrics().lineSpacing() * 10 + 12);
    caption->setBuddy(EditFacts);
    grid->addWidget(caption, row, 0, Qt::AlignTop);
    grid->addWidget(EditFacts, row, 1);

    LabelClock = new QLabel;
    LabelClock->setObjectName(QStringLiteral("LabelClock"));
    LabelClock->setTextFormat(Qt::PlainText);
    LabelClock->setWordWrap(true);
    grid->addWidget(LabelClock, row + 1, 1);

    ButtonRefresh = new QPushButton(QStringLiteral("Refresh"));
    ButtonRefresh->setObjectName(QStringLiteral("ButtonRefresh"));
    ButtonRefresh->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(ButtonRefresh);
    buttons->addStretch();
    grid->setRowStretch(row + 2, 1);
    grid->addLayout(buttons, row + 3, 1);

    connect(ButtonRefresh, &QPushButton::clicked, this, [this] {
        ButtonRefresh->setEnabled(false);
        SetView(refresh_());
        ButtonRefresh->setEnabled(true);
    });
}

void OnvifCameraDetailsForm::SetView(const OnvifDetailsView& view) {
    QStringList lines;
    for (const auto& [caption, value] : view.facts) lines << Q(caption) + QStringLiteral(": ") + Q(value);
    EditFacts->setPlainText(lines.join(QLatin1Char('\n')));
    const std::string note = view.clockNote.empty() ? view.problem : view.clockNote;
    LabelClock->setText(Q(note));
    LabelClock->setVisible(!note.empty());
}

void ShowOnvifCameraDetailsDialog(QWidget* owner, const OnvifDeviceInfo& device, const OnvifDetailsView& view,
                                  std::function<OnvifDetailsView()> refresh) {
    OnvifCameraDetailsForm form(owner, std::move(refresh));
    form.SetDevice(device);
    form.SetView(view);
    form.exec();
}
