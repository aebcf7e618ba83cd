// The character editor with a full set: the list refilled with all 208
// characters and painted, and the edit dialog's grid painted.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <memory>

#include "chareditor/dlggjpedit.h"
#include "chareditor/dlggjplist.h"
#include "chareditor/dtrmwindow.h"

namespace {

void FillSet(CDtrMWindow& editor) {
    editor.GGJPClear();
    for (int code = CDtrGJPixel::GJP_FIRST_CODE; code <= CDtrGJPixel::GJP_LAST_CODE; ++code) {
        auto character = std::make_unique<CDtrGJPixel>();
        character->nccode = code;
        for (int i = code % 7; i < CDtrGJPixel::GJP_CELLS; i += 7) character->SetJPixel(i, 0);
        editor.AddGJPixel(std::move(character));
    }
    editor.eirncachar = CDtrGJPixel::GJP_FIRST_CODE + 5;
}

// Refill the list with 208 characters and paint it, then paint the grid.
void BM_RefillListAndPaintGrid(benchmark::State& state) {
    CDtrMWindow editor;
    editor.resize(400, 300);
    editor.show();
    FillSet(editor);
    editor.GetGJPListCtrl().selectAll();
    auto* dialog = new CDlgGJPEdit(editor.GetGJPList(), editor.GetGJPixelAt(3), 0);
    CDtrJPWindow* grid = dialog->GetJPWindow();
    QImage listPicture(editor.GetGJPListCtrl().size(), QImage::Format_RGB32);
    QImage gridPicture(grid->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        editor.RefillGJPListView();
        editor.GetGJPListCtrl().doItemsLayout();
        editor.GetGJPListCtrl().render(&listPicture);
        grid->render(&gridPicture);
        benchmark::DoNotOptimize(gridPicture.constBits());
    }
    state.SetLabel("208 characters");
    delete dialog;
}
BENCHMARK(BM_RefillListAndPaintGrid)->Unit(benchmark::kMillisecond);

// The grid alone, for comparison.
void BM_PaintGrid(benchmark::State& state) {
    CDtrMWindow editor;
    FillSet(editor);
    auto* dialog = new CDlgGJPEdit(editor.GetGJPList(), editor.GetGJPixelAt(3), 0);
    CDtrJPWindow* grid = dialog->GetJPWindow();
    QImage gridPicture(grid->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        grid->render(&gridPicture);
        benchmark::DoNotOptimize(gridPicture.constBits());
    }
    delete dialog;
}
BENCHMARK(BM_PaintGrid)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
