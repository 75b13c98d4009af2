// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/picture_wall_form.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

#include "camera/camera_desktop.h"
#include "camera/qt_picture.h"
#include "web/plain_tool_tip.h"

namespace {

QString Q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

constexpr int kTileMargin = 8;
constexpr int kTileSpacing = 8;

QLabel* PlainLabel(const char* name) {
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

namespace {

// The lines under the picture: name, address, state.
constexpr int kTileLines = 3;

}  // namespace

PictureTileWidget::PictureTileWidget(int index) {
    setObjectName(QStringLiteral("Tile%1").arg(index));
    const int line = fontMetrics().lineSpacing();
    // Every tile one size, whatever it says: the wall stays a grid.
    setFixedSize(kTilePictureWidth + 2 * kTileMargin, kTilePictureHeight + 2 * kTileMargin + kTileLines * line + 6);
    // The button sits in the picture's place, under what it says.
    signIn_ = new QPushButton(QStringLiteral("Sign In..."), this);
    signIn_->setObjectName(QStringLiteral("TileSignIn"));
    signIn_->setAutoDefault(false);
    signIn_->adjustSize();
    const QRect area = PictureRect();
    signIn_->move(area.center().x() - signIn_->width() / 2, area.bottom() - signIn_->height() - 10);
    signIn_->hide();
    connect(signIn_, &QPushButton::clicked, this, [this] {
        if (onSignIn) onSignIn();
    });
}

QRect PictureTileWidget::PictureRect() const {
    return {kTileMargin, kTileMargin, kTilePictureWidth, kTilePictureHeight};
}

void PictureTileWidget::Show(const PictureTile& tile) {
    const QImage image = ShownImage(tile.picture.shown);
    picture_ = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    pictureText_ = picture_.isNull() ? Q(tile.picture.text) : QString();
    name_ = Q(tile.name.empty() ? tile.address : tile.name);
    address_ = Q(tile.address);
    // Beside a picture the state says what goes on; without one the picture's place says it.
    state_ = tile.picture.state == PictureState::Shown || picture_.isNull() ? QString() : Q(tile.picture.text);
    saved_ = !tile.picture.bytes.empty();
    signIn_->setVisible(tile.picture.state == PictureState::NeedsSignIn);
    QString tip = name_;
    for (const QString& more : {address_, pictureText_, state_})
        if (!more.isEmpty()) tip += QLatin1Char('\n') + more;
    setToolTip(PlainToolTip(tip));
    update();
}

void PictureTileWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect area = PictureRect();
    painter.fillRect(area, QColor(0x30, 0x33, 0x38));
    if (!picture_.isNull()) {
        const QRect placed(QPoint(0, 0), picture_.size());
        painter.drawPixmap(placed.translated(area.center() - placed.center()), picture_);
    } else {
        painter.setPen(QColor(0xe8, 0xe8, 0xe8));
        // Above the Sign In... button when it shows.
        const QRect text =
            signIn_->isVisible() ? area.adjusted(8, 8, -8, -(signIn_->height() + 14)) : area.adjusted(8, 8, -8, -8);
        painter.drawText(text, Qt::AlignCenter | Qt::TextWordWrap, pictureText_);
    }
    const int line = fontMetrics().lineSpacing();
    QRect row(area.left(), area.bottom() + 4, area.width(), line);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(bold).elidedText(name_, Qt::ElideRight, row.width()));
    painter.setFont(font());
    row.translate(0, line);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, address_);
    row.translate(0, line);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(state_, Qt::ElideRight, row.width()));
}

void PictureTileWidget::mouseDoubleClickEvent(QMouseEvent*) {
    if (onOpen) onOpen();
}

void PictureTileWidget::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* details = menu.addAction(QStringLiteral("Details"));
    QAction* save = menu.addAction(QStringLiteral("Save Picture..."));
    save->setEnabled(saved_);
    const QAction* chosen = menu.exec(event->globalPos());
    if (chosen == details && onOpen) onOpen();
    if (chosen == save && onSave) onSave();
}

PictureWallForm::PictureWallForm(QWidget* owner, WindowOps& form, OnvifCameraActions& actions, CameraJobRunner& runner,
                                 std::vector<OnvifRowCamera> cameras, const QString& title)
    : QWidget(owner, Qt::Window), form_(form) {
    setObjectName(QStringLiteral("PictureWallForm"));
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);

    auto* box = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    ButtonRefresh = new QPushButton(QStringLiteral("Refresh"));
    ButtonRefresh->setObjectName(QStringLiteral("ButtonRefresh"));
    bar->addWidget(ButtonRefresh);
    LabelStatus = PlainLabel("LabelStatus");
    bar->addWidget(LabelStatus, 1);
    box->addLayout(bar);

    ScrollTiles = new QScrollArea;
    ScrollTiles->setObjectName(QStringLiteral("ScrollTiles"));
    ScrollTiles->setWidgetResizable(true);
    auto* wall = new QWidget;
    grid_ = new QGridLayout(wall);
    grid_->setSpacing(kTileSpacing);
    grid_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    ScrollTiles->setWidget(wall);
    ScrollTiles->viewport()->installEventFilter(this);
    box->addWidget(ScrollTiles, 1);

    for (std::size_t i = 0; i < cameras.size(); ++i) {
        auto* tile = new PictureTileWidget(static_cast<int>(i));
        tile->onOpen = [this, i] { logic_->Open(i); };
        tile->onSignIn = [this] { logic_->SignIn(); };
        tile->onSave = [this, i] { SavePicture(i); };
        tiles_.push_back(tile);
    }
    // Wide enough for up to four tiles a row, high enough for up to two rows,
    // as far as the screen holds them.
    const int count = std::max<int>(1, static_cast<int>(tiles_.size()));
    const QSize tile = tiles_.empty() ? QSize(kTilePictureWidth, kTilePictureHeight) : tiles_[0]->size();
    const QMargins outer = box->contentsMargins();
    const QMargins inner = grid_->contentsMargins();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ScrollTiles);
    const int frame = 2 * ScrollTiles->frameWidth();
    auto widthFor = [&](int columns) {
        return columns * tile.width() + (columns - 1) * kTileSpacing + inner.left() + inner.right() + frame +
               scrollBar + outer.left() + outer.right();
    };
    const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    const int room = screen != nullptr ? screen->availableGeometry().width() - 32 : widthFor(4);
    int columns = std::min(4, count);
    while (columns > 1 && widthFor(columns) > room) --columns;
    const int rows = std::min(2, (count + columns - 1) / columns);
    resize(widthFor(columns), rows * tile.height() + (rows - 1) * kTileSpacing + inner.top() + inner.bottom() + frame +
                                  ButtonRefresh->sizeHint().height() + box->spacing() + outer.top() + outer.bottom());

    logic_ = std::make_unique<PictureWallLogic>(actions, runner, *this, std::move(cameras));
    connect(ButtonRefresh, &QPushButton::clicked, this, [this] { logic_->Refresh(); });
}

PictureWallForm::~PictureWallForm() = default;

void PictureWallForm::ShowTile(std::size_t index, const PictureTile& tile) {
    if (index < tiles_.size()) tiles_[index]->Show(tile);
}

void PictureWallForm::ShowStatus(const std::string& text) { LabelStatus->setText(Q(text)); }

bool PictureWallForm::eventFilter(QObject* watched, QEvent* event) {
    // The viewport's own size: the window's is known before its layout placed the viewport.
    if (watched == ScrollTiles->viewport() && event->type() == QEvent::Resize) Flow();
    return QWidget::eventFilter(watched, event);
}

void PictureWallForm::Flow() {
    if (tiles_.empty()) return;
    const QMargins inner = grid_->contentsMargins();
    const int available = ScrollTiles->viewport()->width() - inner.left() - inner.right();
    const int columns = std::max(1, (available + kTileSpacing) / (tiles_[0]->width() + kTileSpacing));
    if (columns == columns_) return;
    columns_ = columns;
    for (std::size_t i = 0; i < tiles_.size(); ++i) {
        grid_->removeWidget(tiles_[i]);
        grid_->addWidget(tiles_[i], static_cast<int>(i) / columns, static_cast<int>(i) % columns);
    }
}

void PictureWallForm::SavePicture(std::size_t index) {
    SavePictureAs(this, form_, logic_->SuggestedFileName(index),
                  [this, index](const std::string& path) { return logic_->Save(index, path); });
}
