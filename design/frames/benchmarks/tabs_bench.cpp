// Switching between two forms of 100, 1,000 and 3,000 actions (the argument)
// through the form tabs (write the visible form, read and replay the chosen
// one, repaint the page) next to reading and replaying alone, and one tab
// thumbnail drawn on a hidden page.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <memory>

#include "design/frames/tests/frameshost.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsgutprops.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgimagescaler.h"
#include "foundation/fxutils.h"
#include "platform/testing/benchsizes.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"

namespace {

// A slot with two forms of `actions` actions (boxes, each made by a
// creation and a geometry action), the second one visible.
struct TwoForms {
    int actions;
    testsupport::ScriptedUi ui;
    std::string dir = testsupport::MakeTempFolder("bench");
    framestesting::Host host{dir};
    QWidget frame;

    explicit TwoForms(int count) : actions(count) {
        GetDsgGOption().SetDefaultGOption();
        GetDsgGOption().SetInt(GOPT_LMWIDTH, 320);
        GetDsgGOption().SetInt(GOPT_LMHEIGHT, 240);
        frame.resize(900, 600);
        host.palette = new CDlgToolBox(&frame);
        host.bar = new CDlgUBar(&frame);
        host.strip = new CDsgTSPFrame(&frame);
        host.strip->setGeometry(830, 0, 70, 600);
        host.page = new CDsgDSPFrame(1, &frame);
        host.page->setGeometry(40, 40, 780, 540);
        frame.show();
        SetIniString(dir + "/" + LSD_INI_FILE, "SPCount", "0", LSD_INI_SECTION);
        for (int form = 0; form < 2; ++form) {
            CDsgDSPFrame& page = *host.page;
            page.SPClear(0, 0);
            page.SetSPIndex(form);
            for (int i = 0; i < actions / 2; ++i) {
                const CRect rect(10000 * (i % 300), 10000 * (i % 200), 10000 * (i % 300 + 15),
                                 10000 * (i % 200 + 9));
                dsgtesting::AppendCreationDrag(
                    page, form ? nDSG_WOKIND__WOBOX : nDSG_WOKIND__WOFBOX, rect);
            }
            page.RebuildWObjs();
            CDsgLSDAction().AddELSFile(page, form ? "Second" : "First");
            host.strip->AddTSPage(form ? "Second" : "First", 1, 1, 1, 1, 1);
        }
    }
};

// Made on first use, gone before the application object.
std::unique_ptr<TwoForms> g_forms;

// The forms of the benchmark's size.
TwoForms& Forms(const benchmark::State& state) {
    const int actions = static_cast<int>(state.range(0));
    if (!g_forms || g_forms->actions != actions) {
        g_forms.reset();
        g_forms = std::make_unique<TwoForms>(actions);
    }
    return *g_forms;
}

void Sizes(benchmark::internal::Benchmark* bench) {
    benchsizes::Args(bench, {100, 1000, 3000});
    bench->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
}

// Write, read, replay and repaint: what a double click on the other tab does.
void BM_SwitchForms(benchmark::State& state) {
    TwoForms& forms = Forms(state);
    int target = 0;
    for (auto _ : state) {
        forms.host.strip->SPAppoint(target, 0);
        forms.host.page->repaint();
        target = 1 - target;
    }
    state.counters["actions"] = forms.host.page->GetEACount();
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SwitchForms)->Apply(Sizes);

// Read and replay alone: the chosen form's file read into the page, once,
// and its objects rebuilt.
void BM_ReadAndReplay(benchmark::State& state) {
    TwoForms& forms = Forms(state);
    int target = 0;
    for (auto _ : state) {
        CDsgLSDAction().SLSSwitch(1 - target, target);
        forms.host.page->RebuildWObjs();
        target = 1 - target;
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadAndReplay)->Apply(Sizes);

// One thumbnail of the visible form: copied to a hidden page, replayed and
// drawn. The scaler is a plain stand-in for the image library's resampler,
// so the figure is the frames' own share.
void BM_Thumbnail(benchmark::State& state) {
    TwoForms& forms = Forms(state);
    SetDsgImageScaler([](const QImage& source, int width, int height, QImage& result) {
        result = source.scaled(width, height);
        return true;
    });
    CDsgTSPage* tab = forms.host.strip->GetTSPageBySPIndex(forms.host.page->GetSPIndex());
    for (auto _ : state) {
        tab->m_nStale = 1;
        tab->OnThumbTimer();
    }
    SetDsgImageScaler({});
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Thumbnail)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_forms.reset();
    return 0;
}
