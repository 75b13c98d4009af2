// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Pictures" window: a wall of tiles, one per camera, its snapshot, name
// and address, and what keeps the picture away ("signing in...", "sign in to
// see the picture" with its Sign In... button, the camera's refusal, "no
// snapshot offered"). Not modal; Refresh asks every camera again; a double
// click opens the camera's details; a tile's menu saves its picture.

#include <functional>
#include <memory>
#include <vector>

#include <QPixmap>
#include <QString>
#include <QWidget>

#include "camera/picture_wall_logic.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QScrollArea;

// One camera's tile, painted whole (a wall holds dozens: one widget each
// keeps opening it quick): the picture or what keeps it away, the camera's
// name and address, the state beside a picture, and "Sign In..." while it
// waits for a password. Named "Tile<index>".
class PictureTileWidget : public QWidget {
public:
    std::function<void()> onOpen, onSignIn, onSave;

    explicit PictureTileWidget(int index);
    void Show(const PictureTile& tile);

    bool HasPicture() const { return !picture_.isNull(); }
    const QString& PictureText() const { return pictureText_; }  // where there is no picture
    const QString& Name() const { return name_; }
    const QString& Address() const { return address_; }
    const QString& StateText() const { return state_; }  // beside a picture
    QPushButton* SignInButton() const { return signIn_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QRect PictureRect() const;

    QPixmap picture_;
    QString pictureText_, name_, address_, state_;
    bool saved_ = false;  // the camera's bytes are there to save
    QPushButton* signIn_ = nullptr;
};

class PictureWallForm : public QWidget, public PictureWallView {
public:
    PictureWallForm(QWidget* owner, WindowOps& form, OnvifCameraActions& actions, CameraJobRunner& runner,
                    std::vector<OnvifRowCamera> cameras, const QString& title);
    ~PictureWallForm() override;

    PictureWallLogic& Logic() { return *logic_; }

    // PictureWallView
    void ShowTile(std::size_t index, const PictureTile& tile) override;
    void ShowStatus(const std::string& text) override;

    QPushButton* ButtonRefresh = nullptr;
    QLabel* LabelStatus = nullptr;
    QScrollArea* ScrollTiles = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Places the tiles in as many columns as the window's width holds.
    void Flow();
    void SavePicture(std::size_t index);

    WindowOps& form_;
    QGridLayout* grid_ = nullptr;
    std::vector<PictureTileWidget*> tiles_;
    int columns_ = 0;
    std::unique_ptr<PictureWallLogic> logic_;
};
