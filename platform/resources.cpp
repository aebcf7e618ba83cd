#include "platform/resources.h"

#include <QString>

QImage LoadBitmapResource(int id) {
    QImage image(QStringLiteral(":/dravik/bitmaps/%1").arg(id));
    if (image.isNull()) return {};
    return image.convertToFormat(QImage::Format_RGB32);
}
