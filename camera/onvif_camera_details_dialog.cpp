// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/onvif_camera_details_dialog.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "camera/camera_desktop.h"
#include "camera/qt_picture.h"
#include "protocol/text_format.h"
#include "protocol/whole_file.h"
#include "web/plain_tool_tip.h"

namespace {

QString Q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QLabel* BoldCaption(const char* text) {
    auto* caption = new QLabel(QString::fromLatin1(text));
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    return caption;
}

QPushButton* Button(const char* text, const char* name) {
    auto* button = new QPushButton(QString::fromLatin1(text));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

std::string Resolution(const OnvifMediaProfile& profile) {
    if (profile.width <= 0 || profile.height <= 0) return {};
    std::string text = StrFormat("%dx%d", profile.width, profile.height);
    if (profile.fps) text += StrFormat(" %g fps", *profile.fps);
    return text;
}

}  // namespace

OnvifCameraDetailsForm::OnvifCameraDetailsForm(QWidget* owner, WindowOps& form,
                                               std::function<OnvifDetailsView()> refresh)
    : OnvifDeviceInfoForm(owner), form_(form), refresh_(std::move(refresh)) {
    auto* grid = qobject_cast<QGridLayout*>(layout());
    // The facts go between the announced data and the buttons.
    grid->removeWidget(BitBtn1);
    const int row = grid->rowCount();
    grid->setRowStretch(row - 1, 0);

    auto* caption = BoldCaption("Camera");
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

    ButtonRefresh = Button("Refresh", "ButtonRefresh");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(ButtonRefresh);
    buttons->addStretch();
    grid->setRowStretch(row + 2, 1);
    grid->addLayout(buttons, row + 3, 1);

    // Right of it all: the picture, the profiles and what to do with them.
    auto* media = new QVBoxLayout;
    media->addWidget(BoldCaption("Picture"));
    LabelPicture = new QLabel;
    LabelPicture->setObjectName(QStringLiteral("LabelPicture"));
    LabelPicture->setTextFormat(Qt::PlainText);
    LabelPicture->setWordWrap(true);
    LabelPicture->setAlignment(Qt::AlignCenter);
    LabelPicture->setFixedSize(kDetailsPictureWidth, kDetailsPictureHeight);
    LabelPicture->setFrameShape(QFrame::StyledPanel);
    LabelPicture->setAutoFillBackground(true);
    LabelPicture->setBackgroundRole(QPalette::Dark);
    media->addWidget(LabelPicture);
    ButtonSavePicture = Button("Save Picture...", "ButtonSavePicture");
    auto* pictureButtons = new QHBoxLayout;
    pictureButtons->addWidget(ButtonSavePicture);
    pictureButtons->addStretch();
    media->addLayout(pictureButtons);

    media->addSpacing(8);
    media->addWidget(BoldCaption("Profiles"));
    TableProfiles = new QTableWidget(0, 4);
    TableProfiles->setObjectName(QStringLiteral("TableProfiles"));
    TableProfiles->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Encoding"),
                                              QStringLiteral("Resolution"), QStringLiteral("Stream address")});
    TableProfiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableProfiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableProfiles->setSelectionMode(QAbstractItemView::SingleSelection);
    TableProfiles->verticalHeader()->hide();
    TableProfiles->verticalHeader()->setDefaultSectionSize(TableProfiles->fontMetrics().height() + 8);
    TableProfiles->horizontalHeader()->setStretchLastSection(true);
    TableProfiles->setWordWrap(false);
    TableProfiles->setTextElideMode(Qt::ElideMiddle);
    TableProfiles->setFixedWidth(kDetailsPictureWidth);
    media->addWidget(TableProfiles, 1);
    // The whole address of the chosen profile, to read or select.
    EditStream = new QLineEdit;
    EditStream->setObjectName(QStringLiteral("EditStream"));
    EditStream->setReadOnly(true);
    EditStream->setFixedWidth(kDetailsPictureWidth);
    media->addWidget(EditStream);
    LabelStreamNote = new QLabel;
    LabelStreamNote->setObjectName(QStringLiteral("LabelStreamNote"));
    LabelStreamNote->setTextFormat(Qt::PlainText);
    LabelStreamNote->setWordWrap(true);
    LabelStreamNote->setMaximumWidth(kDetailsPictureWidth);
    media->addWidget(LabelStreamNote);
    ButtonCopyStream = Button("Copy Stream Address", "ButtonCopyStream");
    ButtonOpenStream = Button("Open Stream", "ButtonOpenStream");
    auto* streamButtons = new QHBoxLayout;
    streamButtons->addWidget(ButtonCopyStream);
    streamButtons->addWidget(ButtonOpenStream);
    streamButtons->addStretch();
    media->addLayout(streamButtons);
    grid->addLayout(media, 0, 2, row + 4, 1);
    grid->setColumnStretch(2, 0);
    grid->setColumnStretch(3, 1);

    connect(ButtonRefresh, &QPushButton::clicked, this, [this] {
        ButtonRefresh->setEnabled(false);
        SetView(refresh_());
        ButtonRefresh->setEnabled(true);
    });
    connect(TableProfiles, &QTableWidget::itemSelectionChanged, this, [this] { ProfileChosen(); });
    connect(ButtonCopyStream, &QPushButton::clicked, this, [this] {
        const std::string uri = SelectedStream();
        if (uri.empty()) return;
        CopyStreamAddress(uri);
        form_.SetStatusText("The stream address is on the clipboard.");
    });
    connect(ButtonOpenStream, &QPushButton::clicked, this, [this] {
        const std::string uri = SelectedStream();
        if (!uri.empty()) OpenStreamAddress(form_, uri);
    });
    connect(ButtonSavePicture, &QPushButton::clicked, this, [this] {
        if (!view_.picture || view_.picture->bytes.empty()) return;
        const std::string bytes = view_.picture->bytes;
        const std::string name = view_.pictureName;
        SavePictureAs(this, form_, SuggestedPictureName(name, view_.picture->type),
                      [bytes](const std::string& path) { return WriteWholeFile(path, bytes); });
    });
}

void OnvifCameraDetailsForm::SetView(const OnvifDetailsView& view) {
    view_ = view;
    QStringList lines;
    for (const auto& [caption, value] : view.facts) lines << Q(caption) + QStringLiteral(": ") + Q(value);
    EditFacts->setPlainText(lines.join(QLatin1Char('\n')));
    const std::string note = view.clockNote.empty() ? view.problem : view.clockNote;
    LabelClock->setText(Q(note));
    LabelClock->setVisible(!note.empty());

    const CameraPicture* picture = view.picture ? &*view.picture : nullptr;
    const QImage image = picture != nullptr ? ShownImage(picture->shown) : QImage();
    if (!image.isNull()) {
        LabelPicture->setPixmap(QPixmap::fromImage(image));
    } else {
        LabelPicture->setPixmap(QPixmap());
        LabelPicture->setText(picture == nullptr ? QStringLiteral("Sign in to see the picture.") : Q(picture->text));
    }
    ButtonSavePicture->setEnabled(picture != nullptr && !picture->bytes.empty());

    TableProfiles->clearContents();
    const std::vector<OnvifMediaProfile> none;
    const std::vector<OnvifMediaProfile>& profiles = picture != nullptr ? picture->profiles.profiles : none;
    TableProfiles->setRowCount(static_cast<int>(profiles.size()));
    int chosen = -1;
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const OnvifMediaProfile& profile = profiles[i];
        const int r = static_cast<int>(i);
        const std::string stream = profile.streamUri.value_or(profile.streamNote);
        const std::string texts[] = {profile.name.empty() ? profile.token : profile.name, profile.encoding,
                                     Resolution(profile), stream};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(Q(texts[c]));
            item->setToolTip(PlainToolTip(Q(texts[c])));
            TableProfiles->setItem(r, c, item);
        }
        if (chosen < 0 && profile.streamUri) chosen = r;
    }
    TableProfiles->resizeColumnsToContents();
    if (chosen >= 0)
        TableProfiles->selectRow(chosen);
    else
        ProfileChosen();
}

std::string OnvifCameraDetailsForm::SelectedStream() const {
    const int row = TableProfiles->currentRow();
    if (!view_.picture || row < 0 || row >= static_cast<int>(view_.picture->profiles.profiles.size())) return {};
    return view_.picture->profiles.profiles[static_cast<std::size_t>(row)].streamUri.value_or("");
}

void OnvifCameraDetailsForm::ProfileChosen() {
    EditStream->setText(Q(SelectedStream()));
    EditStream->setCursorPosition(0);
    const bool stream = !SelectedStream().empty();
    ButtonCopyStream->setEnabled(stream);
    ButtonOpenStream->setEnabled(stream);
    const int row = TableProfiles->currentRow();
    std::string note;
    if (view_.picture && row >= 0 && row < static_cast<int>(view_.picture->profiles.profiles.size()))
        note = view_.picture->profiles.profiles[static_cast<std::size_t>(row)].streamNote;
    else if (view_.picture && !view_.picture->media.ok())
        note = view_.picture->media.message;
    LabelStreamNote->setText(Q(note));
    LabelStreamNote->setVisible(!note.empty());
}

void ShowOnvifCameraDetailsDialog(QWidget* owner, WindowOps& form, const OnvifDeviceInfo& device,
                                  const OnvifDetailsView& view, std::function<OnvifDetailsView()> refresh) {
    OnvifCameraDetailsForm dialog(owner, form, std::move(refresh));
    dialog.SetDevice(device);
    dialog.SetView(view);
    dialog.exec();
}
