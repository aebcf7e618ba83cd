// A designer-like program that knows the design library only by what it
// exports: it builds a main frame in a host widget and starts it on a
// working slot in a temporary folder. Exits 0 when the start succeeded.

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <string>

#include "design/frames/dsgmainframe.h"
#include "platform/paths.h"
#include "platform/window.h"

int main(int argc, char** argv) {
    QTemporaryDir dir;
    if (!dir.isValid()) return 2;
    const std::string root = dir.path().toStdString();
    for (FolderKind kind : {FolderKind::Program, FolderKind::Data, FolderKind::Runtime}) {
        const std::string folder = root + "/" + std::to_string(static_cast<int>(kind));
        MakeFolderPath(folder);
        SetFolderOverride(kind, folder);
    }
    const std::string slot = root + "/prj0";
    MakeFolderPath(slot);

    QApplication app(argc, argv);
    QWidget host;
    host.resize(800, 500);
    int changes = 0;
    SetMessageHandler(&host, WM_DSG_DESIGNCHANGED, [&changes](WPARAM, LPARAM) {
        ++changes;
        return 0;
    });
    auto* frame = new CDsgMainFrame(&host);
    frame->setGeometry(0, 0, 800, 500);
    if (GetDsgMainFrame() != frame) {
        std::fprintf(stderr, "the frame is not the engine's main frame\n");
        return 1;
    }
    if (frame->InitMainFrame(0, 1, slot, 1, &host, HandleToText(GetWindowHandle(&host))) != 1) {
        std::fprintf(stderr, "InitMainFrame failed\n");
        return 1;
    }
    host.show();
    if (frame->GetLSDir() != slot || !frame->GetDSPFrame() || !frame->GetTSPFrame()) {
        std::fprintf(stderr, "the frame has no page or tabs\n");
        return 1;
    }
    frame->UCSet();
    return changes == 0 ? 0 : 1;
}
