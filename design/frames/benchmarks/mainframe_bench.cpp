// One resize of the design main frame, as a user dragging the window's edge
// makes it: the layout of every child and the repaint of the whole frame,
// with a form of 60 objects on a 240 x 128 LCD. Beside it, the repaint of
// the same frame without a resize.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

#include "design/frames/dsgmainframe.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdaction.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxpropstore.h"
#include "platform/paths.h"
#include "platform/window.h"

namespace {

struct Designer {
    Designer() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "mainframe_bench";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        const std::string root = dir.path().toStdString();
        for (FolderKind kind : {FolderKind::Program, FolderKind::Data, FolderKind::Runtime}) {
            const std::string folder = root + "/" + std::to_string(static_cast<int>(kind));
            MakeFolderPath(folder);
            SetFolderOverride(kind, folder);
        }
        const std::string slot = root + "/prj0";
        MakeFolderPath(slot);
        SetKeyStyle(KEYSTYLE_SHORT);
        CDsgGOption options;
        options.SetDefaultGOption();
        options.SetInt(GOPT_LMWIDTH, 240);
        options.SetInt(GOPT_LMHEIGHT, 128);
        options.ToFile();

        host = std::make_unique<QWidget>();
        host->resize(1000, 700);
        frame = new CDsgMainFrame(host.get());
        frame->setGeometry(0, 0, 1000, 700);
        frame->InitMainFrame(0, 1, slot, 1, host.get(), "1");
        host->show();
        CDsgLSDAction().LSDReset(TRUE, TRUE, FALSE, TRUE);
        CDsgDSPFrame& page = *frame->GetDSPFrame();
        for (int i = 0; i < 60; ++i) {
            const int x = (i % 10) * 220000, y = (i / 10) * 200000;
            dsgtesting::AppendCreationDrag(page, 2 + i % 6, CRect(x, y, x + 180000, y + 150000));
        }
        page.RebuildWObjs();
        // The first paint places the splitter and lays the children out.
        QImage first(1000, 700, QImage::Format_RGB32);
        frame->render(&first);
    }

    QTemporaryDir dir;
    std::unique_ptr<QApplication> app;
    std::unique_ptr<QWidget> host;
    CDsgMainFrame* frame = nullptr;
};

Designer& TheDesigner() {
    static Designer designer;
    return designer;
}

void BM_FrameResizeLayoutAndRepaint(benchmark::State& state) {
    Designer& d = TheDesigner();
    QImage target(1100, 800, QImage::Format_RGB32);
    int step = 0;
    for (auto _ : state) {
        // Widths and heights walk back and forth as a dragged edge does.
        const int delta = (step++ % 20) * 4;
        d.host->resize(1000 + delta, 700 + delta / 2);
        d.frame->resize(1000 + delta, 700 + delta / 2);
        d.frame->render(&target);
        benchmark::DoNotOptimize(target.bits());
    }
}
BENCHMARK(BM_FrameResizeLayoutAndRepaint)->Unit(benchmark::kMillisecond);

void BM_FrameRepaintOnly(benchmark::State& state) {
    Designer& d = TheDesigner();
    QImage target(1100, 800, QImage::Format_RGB32);
    for (auto _ : state) {
        d.frame->render(&target);
        benchmark::DoNotOptimize(target.bits());
    }
}
BENCHMARK(BM_FrameRepaintOnly)->Unit(benchmark::kMillisecond);

}  // namespace
