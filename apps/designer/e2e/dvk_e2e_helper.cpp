// Helper of the designer's end-to-end test, run beside the program:
//   blank <file.dvk>            writes a project of one empty form "Form1"
//   options <width> <height>    writes the option file (program folder) with
//                               that LCD size
//   clipboard <out> [<png>]     writes the clipboard's text as the program's
//                               own bytes, and a screenshot of the screen
//   selection                   prints the text selected on the screen (the
//                               primary selection)

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <string>

#include "design/model/dsgdpsettings.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsggoption.h"
#include "foundation/fxpropstore.h"
#include "foundation/fxrevpropstore.h"
#include "platform/textcodec.h"

namespace {

// The project file as the designer writes it in its short key style.
int WriteBlankProject(const std::string& path) {
    SetKeyStyle(KEYSTYLE_SHORT);
    CFxRevPropStore store;
    CRevolver buffer;
    CDsgDPSettings settings;
    if (!settings.ToRevolver(buffer)) return 1;
    store.SetRevolver("PUSF.dpsettings", buffer);
    CDsgEActions form;
    form.SetSPIndex(0);
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

int WriteOptions(int width, int height) {
    SetKeyStyle(KEYSTYLE_SHORT);
    CDsgGOption option;
    option.SetDefaultGOption();
    option.SetInt(GOPT_LMWIDTH, width);
    option.SetInt(GOPT_LMHEIGHT, height);
    return option.ToFile() ? 0 : 1;
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

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "blank" && argc == 3) return WriteBlankProject(argv[2]);
    if (mode == "options" && argc == 4) return WriteOptions(std::atoi(argv[2]), std::atoi(argv[3]));
    if (mode == "selection" && argc == 2) {
        std::printf("%s",
                    QGuiApplication::clipboard()->text(QClipboard::Selection).toUtf8().constData());
        return 0;
    }
    if (mode == "clipboard" && argc >= 3) return ReadClipboard(argv[2], argc > 3 ? argv[3] : "");
    std::fprintf(stderr,
                 "usage: %s blank <file> | options <w> <h> | clipboard <out> [<png>] | selection\n",
                 argv[0]);
    return 64;
}
