// Build-time tool: writes a program's icon, as compiled into the program,
// as the PNG files of the desktop's icon theme:
//   exporticon <resource> <folder> <name>
// makes <folder>/<n>x<n>/apps/<name>.png for each size the theme lists.
// The picture is pixel art: whole multiples are scaled without smoothing.

#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <resource> <folder> <name>\n", argv[0]);
        return 2;
    }
    const QImage icon(QString::fromLocal8Bit(argv[1]));
    if (icon.isNull()) {
        std::fprintf(stderr, "exporticon: no picture %s\n", argv[1]);
        return 1;
    }
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const Qt::TransformationMode mode =
            size % icon.width() == 0 ? Qt::FastTransformation : Qt::SmoothTransformation;
        const QImage scaled = icon.convertToFormat(QImage::Format_ARGB32)
                                  .scaled(size, size, Qt::IgnoreAspectRatio, mode);
        const QString folder =
            QString("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        const QString file = folder + "/" + QString::fromLocal8Bit(argv[3]) + ".png";
        if (!QDir().mkpath(folder) || !scaled.save(file, "PNG")) {
            std::fprintf(stderr, "exporticon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
