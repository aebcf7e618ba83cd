#pragma once

// The pixel-art program run in-process for tests: its own data folder,
// scripted answers to every question, and helpers that edit the canvas the
// way the views record edits.

#include <gtest/gtest.h>

#include <QApplication>
#include <string>
#include <vector>

#include "apps/pixelart/mainframe.h"
#include "apps/pixelart/orvantaapp.h"
#include "apps/pixelart/orvantadoc.h"
#include "apps/pixelart/orvantaids.h"
#include "apps/pixelart/orvantaview.h"
#include "foundation/testing/docprogramtesting.h"
#include "foundation/testing/folderstesting.h"
#include "pixel/dlgwframes.h"
#include "pixel/lmregjpwindow.h"
#include "pixel/lmrmwindow.h"
#include "pixel/lmrogjpwindow.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/uiservices.h"

namespace orvantatest {

using fxtesting::Folders;

// One run of the program.
class Orvanta : public fxtesting::DocProgramRun<COrvantaApp> {
public:
    explicit Orvanta(std::vector<std::string> arguments = {}) { Start(arguments); }

    COrvantaDoc& Doc() { return *app.GetDocument(); }
    CMainFrame& Frame() { return *app.GetMainFrame(); }
    CLmrMWindow& Engine() { return *Frame().GetMWindow(); }
    CLmrOGJPWindow& Canvas() { return *Engine().GetOGJPWindow(); }
    CDlgEGJPWFrame& ZoomFrame() { return *Engine().GetEGJPWFrame(); }

    // One pencil-like step: the pixels drawn into the layer and committed.
    void Draw(const std::vector<CPoint>& points, DWORD color = 0x000000) {
        LmrEGJPEState()->m_dwDrawColor = color;
        for (const CPoint& p : points)
            Canvas().SetPGInfo(p.x, p.y, color, CLmrOGJPixel::kPGMark, 0);
        const CRect all(0, 0, CLmrOGJPixel::OGJP_WIDTH - 1, CLmrOGJPixel::OGJP_HEIGHT - 1);
        Canvas().GJPEAANPerformByUJPixel(1, 1, &all);
        Settle();
    }
    int Pixel(int x, int y) { return Canvas().GetJPixelByOSLPoint(x, y); }
};

// A pixel project file of the canvas with the given black pixels.
inline std::string WriteProject(const std::string& path, const std::vector<CPoint>& black) {
    CLmrOGJPixel picture;
    picture.OGJPClear();
    for (const CPoint& p : black) picture.SetJPixelByOSLPoint(p.x, p.y, 0x000000);
    EXPECT_TRUE(picture.OGJPixelToFile(path));
    return testsupport::ReadFileBytes(path);
}

}  // namespace orvantatest
