#include "camera/picture_wall_form.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
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

// One camera's tile: the picture (or what keeps it away), its name and
// address, and the Sign In... button while it waits for a password.
class PictureTileWidget : public QFrame {
public:
    std::function<void()> onOpen, onSignIn, onSave;

    explicit PictureTileWidget(int index) {
        setObjectName(QStringLiteral("Tile%1").arg(index));
        setFrameShape(QFrame::StyledPanel);
        auto* box = new QVBoxLayout(this);
        box->setContentsMargins(kTileMargin, kTileMargin, kTileMargin, kTileMargin);
        box->setSpacing(3);
        Picture = PlainLabel("TilePicture");
        Picture->setAlignment(Qt::AlignCenter);
        Picture->setWordWrap(true);
        Picture->setFixedSize(kTilePictureWidth, kTilePictureHeight);
        Picture->setAutoFillBackground(true);
        QPalette dark = Picture->palette();
        dark.setColor(QPalette::Window, QColor(0x30, 0x33, 0x38));
        dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
        Picture->setPalette(dark);
        // The Sign In... button sits in the picture's place, under what it says.
        SignIn = new QPushButton(QStringLiteral("Sign In..."));
        SignIn->setObjectName(QStringLiteral("TileSignIn"));
        SignIn->setAutoDefault(false);
        auto* inPicture = new QVBoxLayout(Picture);
        inPicture->addStretch();
        inPicture->addWidget(SignIn, 0, Qt::AlignHCenter);
        box->addWidget(Picture);
        Name = PlainLabel("TileName");
        QFont bold = Name->font();
        bold.setBold(true);
        Name->setFont(bold);
        box->addWidget(Name);
        Address = PlainLabel("TileAddress");
        Address->setForegroundRole(QPalette::PlaceholderText);
        box->addWidget(Address);
        State = PlainLabel("TileState");
        box->addWidget(State);
        box->addStretch();
        // Every tile one size, whatever it says: the wall stays a grid.
        setFixedWidth(kTilePictureWidth + 2 * kTileMargin + 2 * frameWidth());
        setFixedHeight(kTilePictureHeight + 2 * kTileMargin + 3 * fontMetrics().lineSpacing() + 3 * box->spacing() +
                       2 * frameWidth() + 4);
        connect(SignIn, &QPushButton::clicked, this, [this] {
            if (onSignIn) onSignIn();
        });
    }

    void Show(const PictureTile& tile) {
        const QImage image = ShownImage(tile.picture.shown);
        const bool shown = tile.picture.state == PictureState::Shown;
        if (!image.isNull()) {
            Picture->setPixmap(QPixmap::fromImage(image));
        } else {
            Picture->setPixmap(QPixmap());
            Picture->setText(Q(tile.picture.text));
        }
        const QString name = Q(tile.name.empty() ? tile.address : tile.name);
        Name->setText(Name->fontMetrics().elidedText(name, Qt::ElideRight, kTilePictureWidth));
        Name->setToolTip(PlainToolTip(name));
        Address->setText(Q(tile.address));
        // Beside a picture the state says what goes on; without one the picture area says it.
        const QString state = shown || image.isNull() ? QString() : Q(tile.picture.text);
        State->setText(State->fontMetrics().elidedText(state, Qt::ElideRight, kTilePictureWidth));
        State->setToolTip(PlainToolTip(state));
        Picture->setToolTip(image.isNull() ? PlainToolTip(Q(tile.picture.text)) : QString());
        SignIn->setVisible(tile.picture.state == PictureState::NeedsSignIn);
        hasPicture_ = !tile.picture.bytes.empty();
    }

    QLabel* Picture;
    QLabel* Name;
    QLabel* Address;
    QLabel* State;
    QPushButton* SignIn;

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override {
        if (onOpen) onOpen();
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        QMenu menu(this);
        QAction* details = menu.addAction(QStringLiteral("Details"));
        QAction* save = menu.addAction(QStringLiteral("Save Picture..."));
        save->setEnabled(hasPicture_);
        const QAction* chosen = menu.exec(event->globalPos());
        if (chosen == details && onOpen) onOpen();
        if (chosen == save && onSave) onSave();
    }

private:
    bool hasPicture_ = false;
};

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
