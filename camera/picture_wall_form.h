#pragma once
// The "Pictures" window: a wall of tiles, one per camera, its snapshot, name
// and address, and what keeps the picture away ("signing in...", "sign in to
// see the picture" with its Sign In... button, the camera's refusal, "no
// snapshot offered"). Not modal; Refresh asks every camera again; a double
// click opens the camera's details; a tile's menu saves its picture.

#include <memory>
#include <vector>

#include <QString>
#include <QWidget>

#include "camera/picture_wall_logic.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QScrollArea;
class PictureTileWidget;

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
