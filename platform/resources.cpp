#include "platform/resources.h"

#include <QPixmap>
#include <QString>
#include <map>
#include <utility>

namespace {

QImage LoadImage(const QString& path) {
    QImage image(path);
    if (image.isNull()) return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

QString CursorPath(int id) { return QStringLiteral(":/dravik/cursors/%1").arg(id); }

// The point of each cursor that the mouse position stands for.
const std::map<int, std::pair<int, int>>& HotSpots() {
    static const std::map<int, std::pair<int, int>> spots = {
        {27012, {1, 14}},  // eraser: its bottom-left end
        {27013, {1, 14}},  // pencil: its point
    };
    return spots;
}

}  // namespace

QImage LoadBitmapResource(int id) {
    return LoadImage(QStringLiteral(":/dravik/bitmaps/%1").arg(id));
}

bool HasCursorResource(int id) { return !LoadImage(CursorPath(id)).isNull(); }

QCursor LoadCursorResource(int id) {
    const QImage image = LoadImage(CursorPath(id));
    if (image.isNull()) return QCursor(Qt::ArrowCursor);
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if ((row[x] & 0xFFFFFFu) == 0xFF00FFu) row[x] = 0;
    }
    const auto spot = HotSpots().find(id);
    const auto [hotX, hotY] = spot == HotSpots().end() ? std::pair{0, 0} : spot->second;
    return QCursor(QPixmap::fromImage(argb), hotX, hotY);
}
