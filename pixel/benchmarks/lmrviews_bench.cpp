// One edit as the user sees it, next to a plain baseline in the same run:
// - a pencil stroke across a 16 x 13-cell working area carved and committed
//   as one step, both views repainted at 1280 x 800 and the DEFCHR text of
//   the area regenerated (goal: under 16 ms, one frame);
// - the same two repaints alone;
// - a plain fill of two 1280 x 800 images (the least a repaint can cost).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "foundation/fxsharedvalues.h"
#include "pixel/dlgwframes.h"
#include "pixel/lmregjpwindow.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrogjpwindow.h"

namespace {

constexpr int kWidth = 1280, kHeight = 800;

// Both frames with their views at 1280 x 800 each, the working area the
// whole canvas, at the default zoom.
class Views {
public:
    Views() {
        LmrGOption().SetDefaults();
        LmrGOption().SetInt("omlegjpleft", 0);
        LmrGOption().SetInt("omlegjptop", 0);
        LmrGOption().SetInt("mlegjpwidth", 16);
        LmrGOption().SetInt("mlegjpheight", 13);
        LmrGOption().SetInt("ojpbreadth", 3);
        LmrGOption().Refresh();
        oframe = std::make_unique<CDlgOGJPWFrame>();
        eframe = std::make_unique<CDlgEGJPWFrame>();
        oframe->GetOGJPWindow()->StopTextFrame();
        eframe->GetEGJPWindow()->StopMarquee();
        for (QAbstractScrollArea* view :
             {static_cast<QAbstractScrollArea*>(oframe->GetOGJPWindow()),
              static_cast<QAbstractScrollArea*>(eframe->GetEGJPWindow())}) {
            view->setParent(nullptr);
            view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            view->resize(kWidth, kHeight);
            view->show();
        }
        QApplication::processEvents();
        canvas = oframe->GetOGJPWindow();
        zoom = eframe->GetEGJPWindow();
    }
    ~Views() {
        // The views were taken out of their frames; they go first.
        delete zoom;
        delete canvas;
    }

    std::unique_ptr<CDlgOGJPWFrame> oframe;
    std::unique_ptr<CDlgEGJPWFrame> eframe;
    CLmrOGJPWindow* canvas = nullptr;
    CLmrEGJPWindow* zoom = nullptr;
    QImage wholeFrame, zoomFrame;
};

void BM_StrokeCommitRepaintAndCode(benchmark::State& state) {
    Views views;
    std::string code;
    int round = 0;
    for (auto _ : state) {
        // A stroke corner to corner across the area, alternating colour so
        // that every round changes every pixel it touches.
        views.zoom->m_dwDrawColor = (round++ % 2) ? 0xFFFFFF : 0x000000;
        const CRect first = views.zoom->OSLToClientRect(0, 0);
        const CRect last = views.zoom->OSLToClientRect(255, 207);
        views.zoom->EGJPW_PGICarveByPoint(CPoint(first.left + 1, first.top + 1), 1, 1, 1);
        views.zoom->EGJPW_PGICarveByPoint(CPoint(last.left + 1, last.top + 1), 0, 1, 0);
        views.canvas->GJPEAANPerformByUJPixel(1, 1);
        views.canvas->RenderTo(views.wholeFrame);
        views.zoom->RenderTo(views.zoomFrame);
        views.canvas->GSHFCreate(code, CRect(0, 0, 15, 12), 0xDB30);
        benchmark::DoNotOptimize(code.data());
    }
    state.counters["steps"] = views.canvas->GetYUStepCount();
    state.counters["view_w"] = views.zoomFrame.width();
    state.counters["view_h"] = views.zoomFrame.height();
}
BENCHMARK(BM_StrokeCommitRepaintAndCode)->Unit(benchmark::kMillisecond);

void BM_BothViewsRepaintOnly(benchmark::State& state) {
    Views views;
    for (auto _ : state) {
        views.canvas->RenderTo(views.wholeFrame);
        views.zoom->RenderTo(views.zoomFrame);
        benchmark::DoNotOptimize(views.zoomFrame.constBits());
    }
}
BENCHMARK(BM_BothViewsRepaintOnly)->Unit(benchmark::kMillisecond);

void BM_PlainFillOfTwoImages(benchmark::State& state) {
    QImage a(kWidth, kHeight, QImage::Format_RGB32), b(kWidth, kHeight, QImage::Format_RGB32);
    int round = 0;
    for (auto _ : state) {
        a.fill(0x828282 + (round & 1));
        b.fill(0xF0F0F0 + (round++ & 1));
        benchmark::DoNotOptimize(a.constBits());
        benchmark::DoNotOptimize(b.constBits());
    }
}
BENCHMARK(BM_PlainFillOfTwoImages)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    FxSharedValues().InitRealRelease(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
