// Switching between two large forms through the form tabs (write the
// visible form, read and replay the chosen one, repaint the page) next to
// reading and replaying alone, and one tab thumbnail drawn on a hidden page.

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
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"

namespace {

constexpr int kActions = 1000;

// A slot with two forms of 1,000 actions (500 boxes each, made by a
// creation and a geometry action), the second one visible.
struct TwoForms {
    testsupport::ScriptedUi ui;
    std::string dir = testsupport::MakeTempFolder("bench");
    framestesting::Host host{dir};
    QWidget frame;

    TwoForms() {
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
            for (int i = 0; i < kActions / 2; ++i) {
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

TwoForms& Forms() {
    if (!g_forms) g_forms = std::make_unique<TwoForms>();
    return *g_forms;
}

// Write, read, replay and repaint: what a double click on the other tab does.
void BM_SwitchForms(benchmark::State& state) {
    TwoForms& forms = Forms();
    int target = 0;
    for (auto _ : state) {
        forms.host.strip->SPAppoint(target, 0);
        forms.host.page->repaint();
        target = 1 - target;
    }
    state.counters["actions"] = forms.host.page->GetEACount();
}
BENCHMARK(BM_SwitchForms)->Unit(benchmark::kMillisecond);

// Read and replay alone.
void BM_ReadAndReplay(benchmark::State& state) {
    TwoForms& forms = Forms();
    int target = 0;
    for (auto _ : state) {
        CDsgLSDAction().SLSLaunch(target, TRUE);
        forms.host.page->RebuildWObjs();
        target = 1 - target;
    }
}
BENCHMARK(BM_ReadAndReplay)->Unit(benchmark::kMillisecond);

// One thumbnail of the visible form: copied to a hidden page, replayed and
// drawn. The scaler is a plain stand-in for the image library's resampler,
// so the figure is the frames' own share.
void BM_Thumbnail(benchmark::State& state) {
    TwoForms& forms = Forms();
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
}
BENCHMARK(BM_Thumbnail)->Unit(benchmark::kMillisecond);

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
