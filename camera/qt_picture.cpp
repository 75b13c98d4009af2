// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/qt_picture.h"

#include <QBuffer>
#include <QImageReader>

PictureDecoder QtPictureDecoder(int width, int height) {
    return [width, height](const std::string& bytes) -> std::shared_ptr<const ShownPicture> {
        QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (!size.isValid() || size.isEmpty()) return nullptr;
        // JPEG decodes straight at the smaller size; the allocation limit
        // turns away a picture claiming to be enormous.
        if (size.width() > width || size.height() > height)
            reader.setScaledSize(size.scaled(width, height, Qt::KeepAspectRatio));
        QImage image = reader.read();
        if (image.isNull()) return nullptr;
        if (image.width() > width || image.height() > height)
            image = image.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return std::make_shared<QtShownPicture>(std::move(image));
    };
}

QImage ShownImage(const std::shared_ptr<const ShownPicture>& picture) {
    const auto* shown = dynamic_cast<const QtShownPicture*>(picture.get());
    return shown != nullptr ? shown->image() : QImage();
}
