// One edit as the user sees it, next to a plain baseline in the same run:
// - a pencil stroke across a 16 x 13-cell working area carved and committed
//   as one step, both views repainted at 1280 x 800 and the DEFCHR text of
//   the area regenerated (goal: under 16 ms, one frame);
// - the same two repaints alone;
// - a plain fill of two 1280 x 800 images (the least a repaint can cost);
// - the host window closed while the marquee, the text frame and a notice
//   request run (goal: under 200 ms; "stop_ms" is the part spent stopping
//   the jobs) next to the same window closed with every job already ended.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "foundation/fxsharedvalues.h"
#include "foundation/pixel/fxnoticebar.h"
#include "pixel/dlgwframes.h"
#include "pixel/lmregjpwindow.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrmwindow.h"
#include "pixel/lmrogjpwindow.h"
#include "platform/paths.h"

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

// A socket on the loopback address that is listened on and never read: a
// connection to it is made and then stalls. Its port, or 0.
int ListenWithoutAnswer() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

// A host window as the program makes it, its jobs running for a few ticks.
std::unique_ptr<CLmrMWindow> RunningHostWindow() {
    // No option file: a notice request is due.
    std::filesystem::remove(CLmrMWindow::GetOptionFilePath());
    LmrGOption().SetDefaults();
    auto window = std::make_unique<CLmrMWindow>();
    window->InitMWindow(window.get());
    window->resize(1100, 760);
    window->show();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    while (std::chrono::steady_clock::now() < until) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return window;
}

void HostWindowClosed(benchmark::State& state, bool jobsRunning) {
    double stopped = 0;
    for (auto _ : state) {
        auto window = RunningHostWindow();
        if (!jobsRunning) window->StopJobs(CLmrMWindow::kShutdownLimitMs);
        const bool running =
            window->GetEGJPWindow()->IsMarqueeRunning() &&
            window->GetOGJPWindow()->IsTextFrameRunning() &&
            window->GetNoticeDialog()->GetNoticeBar()->GetManager().GetBusyThreadCount() > 0;
        if (jobsRunning && !running) state.SkipWithError("the jobs do not run");
        const auto start = std::chrono::steady_clock::now();
        stopped += window->StopJobs(CLmrMWindow::kShutdownLimitMs);
        window.reset();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["stop_ms"] = benchmark::Counter(stopped, benchmark::Counter::kAvgIterations);
}

void BM_HostWindowClosedWhileEveryJobRuns(benchmark::State& state) {
    HostWindowClosed(state, true);
}
BENCHMARK(BM_HostWindowClosedWhileEveryJobRuns)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

void BM_HostWindowClosedWithTheJobsEnded(benchmark::State& state) {
    HostWindowClosed(state, false);
}
BENCHMARK(BM_HostWindowClosedWithTheJobsEnded)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    FxSharedValues().InitRealRelease(1);
    // The host window keeps its files in a folder of the run's own, and its
    // notice request goes to a local port that takes the connection and
    // never answers, so the request still runs when the window closes.
    std::string data = "/tmp/lmrbench.XXXXXX";
    if (mkdtemp(data.data())) SetFolderOverride(FolderKind::Data, data);
    const int port = ListenWithoutAnswer();
    if (port <= 0) return 1;
    setenv("DRAVIK_NOTICE_URL",
           ("http://127.0.0.1:" + std::to_string(port) + CFxNoticeBar::kScriptPath).c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
