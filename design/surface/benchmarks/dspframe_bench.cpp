// The design page's frame budget: a full repaint of a busy form at 200 %
// beside a plain fill and copy of a picture of that size, one mouse-move step
// while linked objects move (event to pixels), and an undo on a long history
// with its repaint.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <cstdlib>
#include <memory>

#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgdspframe.h"

namespace {

constexpr int kDot = 10000;
// A 320 x 240 LCD at 200 % and the page's 25-pixel margins.
constexpr int kPageWidth = 640 + 50;
constexpr int kPageHeight = 480 + 50;

void SetOptions() {
    CDsgGOption& options = GetDsgGOption();
    options.SetDefaultGOption();
    options.SetInt(GOPT_LMWIDTH, 320);
    options.SetInt(GOPT_LMHEIGHT, 240);
    options.SetInt(GOPT_USE_UGRID, 1);
    options.SetInt(GOPT_LMTIGHT_UGGAP, 5);
}

int Create(CDsgDSPFrame& page, int kind, const CRect& rect, const CDsgUTProps& attributes) {
    return dsgtesting::AppendCreationDrag(page, kind, rect, attributes);
}

// 200 objects of every kind but pictures, 40 of them with text, spread over
// the LCD, with dotted outlines of several sizes.
void FillBusyForm(CDsgDSPFrame& page, int count = 200) {
    static const int kPlain[] = {
        nDSG_WOKIND__WOBOX,      nDSG_WOKIND__WOLINE,   nDSG_WOKIND__WOFBOX, nDSG_WOKIND__WOELLIPSE,
        nDSG_WOKIND__WOFELLIPSE, nDSG_WOKIND__WODNCHAR, nDSG_WOKIND__WOJCLIP};
    static const int kText[] = {nDSG_WOKIND__WOTEXT, nDSG_WOKIND__WOMENU, nDSG_WOKIND__WOPTEXT};
    for (int i = 0; i < count; ++i) {
        CDsgUTProps attributes;
        attributes.SetString(szUTP_DTSIZE, std::to_string(i % 3));
        attributes.SetString(szUTP_DTSPACE, std::to_string(1 + i % 4));
        attributes.SetString(szUTP_CSWITCH, i % 5 ? "1" : "0");
        int kind;
        if (i % 5 == 0) {
            kind = kText[(i / 5) % 3];
            attributes.SetString(szUTP_LSCRIPT, "Menu " + std::to_string(i) + " OK");
            attributes.SetString(szUTP_WONSTYLE, std::to_string(i % 3));
        } else {
            kind = kPlain[i % 7];
        }
        const int x = (i % 10) * 32 * kDot, y = ((i / 10) % 12) * 20 * kDot;
        Create(page, kind, CRect(x, y, x + 28 * kDot, y + 16 * kDot), attributes);
    }
}

struct Page {
    Page() : page(1) {
        SetOptions();
        page.resize(kPageWidth, kPageHeight);
        page.SetSPIndex(0);
        page.show();
        // The window is exposed, so that a repaint reaches its pixels.
        for (int i = 0; i < 20 && !page.windowHandle()->isExposed(); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    CDsgDSPFrame page;
};

void BM_RepaintBusyForm(benchmark::State& state) {
    Page p;
    FillBusyForm(p.page);
    p.page.RebuildWObjs();
    for (auto _ : state) {
        p.page.repaint();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RepaintBusyForm)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// The same drawing off screen, as hidden pages and thumbnails do it.
void BM_DrawBusyFormOffscreen(benchmark::State& state) {
    SetOptions();
    CDsgDSPFrame page(0);
    page.resize(kPageWidth, kPageHeight);
    page.SetSPIndex(0);
    FillBusyForm(page);
    page.RebuildWObjs();
    QImage lcd;
    for (auto _ : state) {
        page.RedrawDSPFrame(&lcd);
        benchmark::DoNotOptimize(lcd.constBits());
    }
}
BENCHMARK(BM_DrawBusyFormOffscreen)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// The floor: filling a picture of the page's size and copying it once.
void BM_PlainFillAndCopy(benchmark::State& state) {
    QImage surface(kPageWidth, kPageHeight, QImage::Format_RGB32);
    QImage target(kPageWidth, kPageHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        surface.fill(0xF0F0F0);
        QPainter painter(&target);
        painter.drawImage(0, 0, surface);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PlainFillAndCopy)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// One mouse move while 20 lines joined end to end are dragged with the rest
// of the form, from the event to the repainted window.
void BM_MouseMoveLinkedDrag(benchmark::State& state) {
    Page p;
    FillBusyForm(p.page, 180);
    std::vector<int> lines;
    for (int i = 0; i < 20; ++i) {
        const int x = 20 * kDot + i * 14 * kDot;
        lines.push_back(Create(p.page, nDSG_WOKIND__WOLINE,
                               CRect(x, 200 * kDot, x + 12 * kDot, 210 * kDot), CDsgUTProps()));
    }
    p.page.RebuildWObjs();
    for (int i = 0; i + 1 < 20; ++i) p.page.TSKLGain(lines[i], lines[i + 1]);
    p.page.ResetWOChoice();
    for (int id : lines) p.page.WOChoose(id);
    p.page.SetWOEState(nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING);
    const QPointF start(25 + 2 * 30, 25 + 2 * 205);
    QMouseEvent press(QEvent::MouseButtonPress, start, p.page.mapToGlobal(start), Qt::LeftButton,
                      Qt::LeftButton, {});
    QApplication::sendEvent(&p.page, &press);
    int step = 0;
    for (auto _ : state) {
        const QPointF at = start + QPointF(step % 2 ? 2 : -2, 0);
        ++step;
        QMouseEvent move(QEvent::MouseMove, at, p.page.mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(&p.page, &move);
        p.page.repaint();
    }
}
BENCHMARK(BM_MouseMoveLinkedDrag)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// Undo on a 1,000-action form: the history replayed and the page repainted.
void BM_UndoLongHistory(benchmark::State& state) {
    Page p;
    FillBusyForm(p.page, 500);  // a creation and its geometry each
    p.page.RebuildWObjs();
    for (auto _ : state) {
        p.page.UndoEActionAndSRefresh();
        p.page.repaint();
        state.PauseTiming();
        p.page.RedoEActionAndSRefresh();
        state.ResumeTiming();
    }
    state.counters["actions"] = p.page.GetEACount();
}
BENCHMARK(BM_UndoLongHistory)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
