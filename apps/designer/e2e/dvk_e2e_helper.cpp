// Helper of the designer's and the pixel-art program's end-to-end tests, run
// beside the program:
//   blank <file.dvk>            writes a project of one empty form "Form1"
//   picture <file.dvk>          the same, Form1 holding one image object: a
//                               picture of four colour blocks (red, lime /
//                               blue, yellow) stretched over dots (20, 16) to
//                               (140, 96)
//   frames <file.dvk> <n>       the same, Form1 holding n image objects
//                               without a picture: 60 x 50 dots each, from
//                               (10, 20), 75 dots apart
//   blocks <file> <format>      writes the four colour blocks, 64 x 32, as a
//                               picture file of that format (BMP, PNG, JPEG)
//   options <width> <height>    writes the option file (program folder) with
//                               that LCD size
//   lmrblank <file.lmr>         writes a pixel project of a white canvas
//   lmroptions <file> <left> <top> <width> <height> <breadth>
//                               writes the pixel program's option file: the
//                               working area (in cells) and the zoomed view's
//                               pixel size
//   clipboard <out> [<png>]     writes the clipboard's text as the program's
//                               own bytes, and a screenshot of the screen
//   selection                   prints the text selected on the screen (the
//                               primary selection)
//   screenshot <png>            writes a screenshot of the screen
//   pixel <png> <x> <y>         prints the colour of a pixel as RRGGBB
//   colours <png> <x> <y> <w> <h>
//                               prints the distinct colours of a rectangle
//                               as RRGGBB, one a line, in first-seen order

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "design/model/dsgdpsettings.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsggoption.h"
#include "design/model/dsgutprops.h"
#include "design/model/dsgwobj.h"
#include "design/model/testing/creationdrag.h"
#include "foundation/fxpropstore.h"
#include "foundation/fxrevpropstore.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrogjpixel.h"
#include "platform/textcodec.h"

namespace {

// The project file as the designer writes it in its short key style, its
// one form "Form1" filled by `fill`.
template <typename Fill>
int WriteProject(const std::string& path, Fill fill) {
    SetKeyStyle(KEYSTYLE_SHORT);
    CFxRevPropStore store;
    CRevolver buffer;
    CDsgDPSettings settings;
    if (!settings.ToRevolver(buffer)) return 1;
    store.SetRevolver("PUSF.dpsettings", buffer);
    CDsgEActions form;
    form.SetSPIndex(0);
    if (!fill(form)) return 1;
    if (!form.EActionsToRevolver(buffer, TRUE)) return 1;
    store.SetRevolver("*lfrev0", buffer);
    store.SetInt("lfcount", 1);
    store.SetInt("sestem", 1);
    CFxRevPropStore plate;
    plate.SetStringArray("glance_names", {"Form1"}, '|');
    if (!plate.ToRevolver(buffer)) return 1;
    store.SetRevolver("plate", buffer);
    if (!store.ToRevolver(buffer)) return 1;
    return buffer.ToFile(path) ? 0 : 1;
}

int WriteBlankProject(const std::string& path) {
    return WriteProject(path, [](CDsgEActions&) { return true; });
}

// Four blocks of colours the LCD's 4-bit palette holds exactly, each block
// wider than high and each colour in one corner, so that a stretched, a
// mirrored or a flipped picture all show differently.
QImage Blocks() {
    QImage picture(64, 32, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(0, 0, 32, 16, QColor(0xFF0000));
    painter.fillRect(32, 0, 32, 16, QColor(0x00FF00));
    painter.fillRect(0, 16, 32, 16, QColor(0x0000FF));
    painter.fillRect(32, 16, 32, 16, QColor(0xFFFF00));
    painter.end();
    return picture;
}

QByteArray BlocksBmp() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return Blocks().save(&buffer, "BMP") ? bytes : QByteArray();
}

int WriteBlocks(const std::string& path, const char* format) {
    return Blocks().save(QString::fromStdString(path), format, 95) ? 0 : 1;
}

// An image object as the designer makes one: the creation drag with the
// attributes new objects take, the picture stored and stretched.
int WritePictureProject(const std::string& path) {
    return WriteProject(path, [](CDsgEActions& form) {
        const QByteArray bmp = BlocksBmp();
        if (bmp.isEmpty()) return false;
        CRevolver picture;
        if (!picture.Append(bmp.constData(), static_cast<int>(bmp.size()))) return false;
        CDsgUTProps attributes;
        attributes.SetRevolver(szUTP_OBWBMP, picture);
        attributes.SetString(szUTP_KEEP_XYRATIO, "0");
        constexpr int kDotUnits = 10000;
        dsgtesting::AppendCreationDrag(
            form, nDSG_WOKIND__WOIMAGE,
            CRect(20 * kDotUnits, 16 * kDotUnits, 140 * kDotUnits, 96 * kDotUnits), attributes);
        return true;
    });
}

// Image objects as the image tool draws them, waiting for a picture.
int WriteFramesProject(const std::string& path, int count) {
    return WriteProject(path, [count](CDsgEActions& form) {
        constexpr int kDotUnits = 10000;
        for (int i = 0; i < count; ++i) {
            CDsgUTProps attributes;
            const int left = 10 + 75 * i;
            dsgtesting::AppendCreationDrag(
                form, nDSG_WOKIND__WOIMAGE,
                CRect(left * kDotUnits, 20 * kDotUnits, (left + 60) * kDotUnits, 70 * kDotUnits),
                attributes);
        }
        return true;
    });
}

int WriteOptions(int width, int height) {
    SetKeyStyle(KEYSTYLE_SHORT);
    CDsgGOption option;
    option.SetDefaultGOption();
    option.SetInt(GOPT_LMWIDTH, width);
    option.SetInt(GOPT_LMHEIGHT, height);
    return option.ToFile() ? 0 : 1;
}

int WriteBlankPixelProject(const std::string& path) {
    const CLmrOGJPixel canvas;
    return canvas.OGJPixelToFile(path) ? 0 : 1;
}

int WritePixelOptions(const std::string& path, int left, int top, int width, int height,
                      int breadth) {
    CLmrGOption option;
    option.SetInt("omlegjpleft", left);
    option.SetInt("omlegjptop", top);
    option.SetInt("mlegjpwidth", width);
    option.SetInt("mlegjpheight", height);
    option.SetInt("ejpbreadth", breadth);
    option.Refresh();
    // Values the program would clamp are a mistake of the caller.
    if (option.GetInt("omlegjpleft", -1) != left || option.GetInt("omlegjptop", -1) != top ||
        option.GetInt("mlegjpwidth", -1) != width || option.GetInt("mlegjpheight", -1) != height ||
        option.GetInt("ejpbreadth", -1) != breadth)
        return 2;
    return option.SaveToFile(path) ? 0 : 1;
}

int ReadClipboard(const std::string& out, const std::string& screenshot) {
    const QString text = QGuiApplication::clipboard()->text();
    const std::string bytes = QStringToAnsi(text);
    std::FILE* file = std::fopen(out.c_str(), "wb");
    if (!file) return 1;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (!screenshot.empty())
        if (QScreen* screen = QGuiApplication::primaryScreen())
            screen->grabWindow(0).save(QString::fromStdString(screenshot), "PNG");
    return text.isEmpty() ? 2 : 0;
}

int Screenshot(const std::string& path) {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->grabWindow(0).save(QString::fromStdString(path), "PNG") ? 0 : 1;
}

// The distinct colours of a rectangle of a picture file, clipped to the
// picture; nothing for a picture that does not load.
std::vector<QRgb> Colours(const std::string& path, int x, int y, int width, int height) {
    const QImage picture(QString::fromStdString(path));
    const QRect area = QRect(x, y, width, height).intersected(picture.rect());
    std::vector<QRgb> colours;
    for (int row = area.top(); row <= area.bottom(); ++row)
        for (int column = area.left(); column <= area.right(); ++column) {
            const QRgb colour = picture.pixel(column, row) & RGB_MASK;
            bool seen = false;
            for (QRgb known : colours) seen = seen || known == colour;
            if (!seen) colours.push_back(colour);
        }
    return colours;
}

int PrintColours(const std::string& path, int x, int y, int width, int height) {
    const std::vector<QRgb> colours = Colours(path, x, y, width, height);
    for (QRgb colour : colours) std::printf("%06X\n", static_cast<unsigned>(colour));
    return colours.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    // Reading a picture file needs no display.
    if (mode == "pixel" && argc == 5)
        return PrintColours(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), 1, 1);
    if (mode == "colours" && argc == 7)
        return PrintColours(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                            std::atoi(argv[6]));
    QApplication application(argc, argv);
    if (mode == "blank" && argc == 3) return WriteBlankProject(argv[2]);
    if (mode == "picture" && argc == 3) return WritePictureProject(argv[2]);
    if (mode == "frames" && argc == 4) return WriteFramesProject(argv[2], std::atoi(argv[3]));
    if (mode == "blocks" && argc == 4) return WriteBlocks(argv[2], argv[3]);
    if (mode == "lmrblank" && argc == 3) return WriteBlankPixelProject(argv[2]);
    if (mode == "lmroptions" && argc == 8)
        return WritePixelOptions(argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                                 std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7]));
    if (mode == "screenshot" && argc == 3) return Screenshot(argv[2]);
    if (mode == "options" && argc == 4) return WriteOptions(std::atoi(argv[2]), std::atoi(argv[3]));
    if (mode == "selection" && argc == 2) {
        std::printf("%s",
                    QGuiApplication::clipboard()->text(QClipboard::Selection).toUtf8().constData());
        return 0;
    }
    if (mode == "clipboard" && argc >= 3) return ReadClipboard(argv[2], argc > 3 ? argv[3] : "");
    std::fprintf(stderr,
                 "usage: %s blank <file> | picture <file> | frames <file> <n> |\n"
                 "       blocks <file> <format> | options <w> <h> |\n"
                 "       lmrblank <file> | lmroptions <file> <l> <t> <w> <h> <b> |\n"
                 "       clipboard <out> [<png>] | selection | screenshot <png> |\n"
                 "       pixel <png> <x> <y> | colours <png> <x> <y> <w> <h>\n",
                 argv[0]);
    return 64;
}
