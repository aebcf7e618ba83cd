// The crawl jobs of both views and a notice fetch run on their worker
// threads while the user draws, moves selections and undoes; extra threads
// step the dashes too. Nothing may race (run under the sanitizers).

#include <QElapsedTimer>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "foundation/pixel/fxnoticebar.h"
#include "localhttpserver.h"
#include "viewstesting.h"

namespace {

using testsupport::LocalHttpServer;

int StressSeconds() {
    const char* text = std::getenv("LMR_STRESS_SECONDS");
    const int seconds = text ? std::atoi(text) : 10;
    return seconds > 0 ? seconds : 10;
}

class ViewsStress : public viewtest::ViewsTest {};

TEST_F(ViewsStress, JobsRunWhileTheUserEdits) {
    // A notice fetch that trickles for the whole run.
    LocalHttpServer server;
    LocalHttpServer::Response trickle;
    trickle.behaviour = LocalHttpServer::Behaviour::EndlessLine;
    trickle.body = "gntiscript:";
    server.SetResponse(trickle);
    CFxRevPropStore options;
    std::atomic<int> running{1};
    CFxNoticeBar bar(&options, &running, server.Address(CFxNoticeBar::kScriptPath), "stress");
    bar.SetTimeLimits(60000, 1000);
    bar.StartNoticeBar();
    ASSERT_TRUE(bar.IsRequestStarted());

    SetWorkingArea(2, 2, 4, 3);
    std::atomic<bool> stop{false};
    std::vector<std::thread> steppers;
    for (int i = 0; i < 2; ++i)
        steppers.emplace_back([&] {
            while (!stop) {
                zoom().GJPSMDraw();
                canvas().UJPTFDraw();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });

    QElapsedTimer timer;
    timer.start();
    int rounds = 0;
    canvas().m_nOTool = CLmrOGJPEState::OT_TEXT;  // the text frame crawls too
    canvas().SetUJPTextRect(CRect(0, 0, 20, 20));
    while (timer.elapsed() < StressSeconds() * 1000) {
        const int k = rounds % 7;
        eframe->OnEnableUJPixel();
        DragZoom({AtArea(k, 0), AtArea(k + 5, 3), AtArea(k + 9, 8)});
        eframe->OnEnableUJPFBox();
        DragZoom({AtArea(1, k), AtArea(6, k + 4)});
        eframe->OnEnableGJPSelect();
        DragZoom({AtArea(0, 0), AtArea(8, 6)});
        DragZoom({AtArea(3, 3), AtArea(3 + k, 5)});
        DragZoom({AtArea(3 + k, 5), AtArea(12, 9)});
        canvas().YUndo(1, 1, 1);
        if (k % 2) canvas().YRedo(1, 1, 1);
        QApplication::processEvents();
        ++rounds;
    }
    stop = true;
    for (std::thread& t : steppers) t.join();
    EXPECT_GT(rounds, 10);
    EXPECT_TRUE(zoom().IsMarqueeRunning());
    EXPECT_EQ(server.RequestCount(), 1);
    // Every step can still be undone to a white canvas.
    while (canvas().IsYUndoable()) canvas().YUndo(1, 1, 1);
    for (int i = 0; i < CLmrOGJPixel::OGJP_COUNT; ++i)
        ASSERT_EQ(canvas().GetJPixelByOSLIndex(i), 0xFFFFFF) << i;
}

}  // namespace
