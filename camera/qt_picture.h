// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A camera's picture as Qt shows it: read from its bytes and scaled off the
// window thread (QImage may live on any thread, QPixmap not).

#include <QImage>

#include "camera/camera_picture_fetch.h"

class QtShownPicture final : public ShownPicture {
public:
    explicit QtShownPicture(QImage image) : image_(std::move(image)) {}
    const QImage& image() const { return image_; }

private:
    QImage image_;
};

// Reads JPEG or PNG bytes at most width x height (aspect kept); a large
// picture is read scaled, never whole.
PictureDecoder QtPictureDecoder(int width, int height);

// The image of a picture made by QtPictureDecoder; null for any other.
QImage ShownImage(const std::shared_ptr<const ShownPicture>& picture);
