// The property panels against the design page: one live step of the dot-size
// slider on 50 chosen lines with the page repainted at about 200 %, next to
// the repaint alone (the whole page drawn off screen, as its paint does); and
// a change of the choice that refills the panels.
// A slider step must stay under 8 ms and a refill under 2 ms to feel live.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QImage>
#include <QSlider>
#include <QTemporaryDir>
#include <memory>
#include <set>
#include <string>

#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgxfframe.h"
#include "design/frames/dsgxfpanels.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdaction.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxutils.h"
#include "platform/paths.h"

namespace {

constexpr int kDot = 10000;

struct Designer {
    QTemporaryDir root;
    std::unique_ptr<QApplication> app;
    std::unique_ptr<QWidget> host;
    CDsgMainFrame* frame = nullptr;
    std::set<int> lines;
    int text = -1;

    Designer() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const std::string base = root.path().toStdString();
        for (auto [kind, name] :
             {std::pair{FolderKind::Program, "program"}, std::pair{FolderKind::Data, "data"},
              std::pair{FolderKind::Runtime, "runtime"}}) {
            MakeFolderPath(base + "/" + name);
            SetFolderOverride(kind, base + "/" + name);
        }
        static int argc = 1;
        static char name[] = "xfpanels_bench";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        SetKeyStyle(KEYSTYLE_SHORT);
        CDsgGOption options;
        options.SetDefaultGOption();
        options.SetInt(GOPT_LMWIDTH, 320);
        options.SetInt(GOPT_LMHEIGHT, 240);
        options.ToFile();
        host = std::make_unique<QWidget>();
        host->resize(1000, 900);
        frame = new CDsgMainFrame(host.get());
        frame->setGeometry(0, 0, 1000, 900);
        MakeFolderPath(base + "/slot");
        frame->InitMainFrame(0, 1, base + "/slot", 1, host.get(), "1");
        host->show();
        CDsgLSDAction().LSDReset(TRUE, TRUE, FALSE, TRUE);
        CDsgDSPFrame& page = *frame->GetDSPFrame();
        page.setGeometry(page.x(), page.y(), 680, 520);
        for (int i = 0; i < 50; ++i) lines.insert(Make(nDSG_WOKIND__WOLINE, i));
        text = Make(nDSG_WOKIND__WOTEXT, 0);
        page.RedrawDSPFrame();
    }
    int Make(int kind, int n) {
        CDsgDSPFrame& page = *frame->GetDSPFrame();
        const CRect rect(kDot * (2 + 6 * (n % 50)), kDot * (5 + 4 * (n % 50)),
                         kDot * (40 + 6 * (n % 50)), kDot * (7 + 4 * (n % 50)));
        const int id = dsgtesting::AppendCreationDrag(page, kind, rect, page.GetWOEUTProps());
        page.RebuildWObjs();
        return id;
    }
    CDsgDSPFrame& Page() { return *frame->GetDSPFrame(); }
};

Designer& D() {
    static Designer designer;
    return designer;
}

void BM_RepaintAlone(benchmark::State& state) {
    Designer& d = D();
    d.Page().WOChoose(d.lines, TRUE);
    QImage lcd;
    for (auto _ : state) d.Page().RedrawDSPFrame(&lcd);
    state.counters["zoom"] = d.Page().GetLMZoom();
}
BENCHMARK(BM_RepaintAlone)->Unit(benchmark::kMillisecond);

void BM_LiveSliderStepOn50Lines(benchmark::State& state) {
    Designer& d = D();
    d.Page().WOChoose(d.lines, TRUE);
    d.frame->SRefreshSREvent(3);
    QSlider& slider = *d.frame->GetXFFrame()->GetDotLinePanel()->GetSizeSlider();
    slider.setSliderDown(true);
    int value = 1;
    QImage lcd;
    for (auto _ : state) {
        value = value % 25 + 1;
        slider.setSliderPosition(value);  // previews on the 50 lines
        d.Page().RedrawDSPFrame(&lcd);    // the whole page drawn off screen
    }
    state.counters["zoom"] = d.Page().GetLMZoom();
    state.counters["actions"] = d.Page().GetEACount();
}
BENCHMARK(BM_LiveSliderStepOn50Lines)->Unit(benchmark::kMillisecond);

void BM_SelectionChangeRefillsPanels(benchmark::State& state) {
    Designer& d = D();
    bool lines = false;
    d.frame->SRefreshSREvent(3);  // the lists are made once
    for (auto _ : state) {
        lines = !lines;
        if (lines)
            d.Page().WOChoose(d.lines, TRUE);
        else
            d.Page().ACWOChoose(d.text, TRUE);
        d.frame->SRefreshSREvent(3);
    }
}
BENCHMARK(BM_SelectionChangeRefillsPanels)->Unit(benchmark::kMicrosecond);

}  // namespace
