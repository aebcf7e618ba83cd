// Build-time tool: writes a program's icon, as compiled into the program,
// as the PNG files of the desktop's icon theme:
//   exporticon <resource> <folder> <name> <size>...
// makes <folder>/<n>x<n>/apps/<name>.png for each size n.
// The picture is pixel art: whole multiples are scaled without smoothing.

#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s <resource> <folder> <name> <size>...\n", argv[0]);
        return 2;
    }
    const QImage icon(QString::fromLocal8Bit(argv[1]));
    if (icon.isNull()) {
        std::fprintf(stderr, "exporticon: no picture %s\n", argv[1]);
        return 1;
    }
    for (int i = 4; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "exporticon: no size %s\n", argv[i]);
            return 2;
        }
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
