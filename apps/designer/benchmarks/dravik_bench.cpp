// The designer's own costs on a project of 2, 10 and 20 forms of 200 objects
// (the argument is the form count): regeneration after an edit (generation
// alone, with the code window refreshed, with the automatic save written),
// next to the 2000 ms throttle, to generating the visible form alone and to
// a generation of every form from scratch; saving and opening the project;
// start to the first paint of the window.

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "apps/designer/dravikapp.h"
#include "apps/designer/dravikdoc.h"
#include "apps/designer/dravikview.h"
#include "apps/designer/dvkcodewnd.h"
#include "apps/designer/dvkids.h"
#include "apps/designer/mainframe.h"
#include "design/frames/testing/formnameanswer.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsglsdaction.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgcodegen.h"
#include "platform/paths.h"
#include "platform/testing/benchsizes.h"
#include "platform/uiservices.h"

namespace {

constexpr int kObjectsPerForm = 200;

// Nothing asks a user here.
class SilentUi : public UiServices {
public:
    int MessageBox(const std::string&, const std::string&, UINT type, QWidget*) override {
        return (type & MB_TYPEMASK) == MB_YESNOCANCEL ? IDNO : IDOK;
    }
    std::optional<std::string> ChooseFile(const FileDialogRequest&) override { return {}; }
    std::optional<COLORREF> ChooseColor(COLORREF, QWidget*) override { return {}; }
    bool OpenDocument(const std::string&) override { return true; }
    void PlaySound(const std::string&) override {}
};

std::unique_ptr<QTemporaryDir> g_root;
int g_run = 0;

// Fresh program and data folders for one designer.
void FreshFolders() {
    const std::string base = g_root->path().toStdString() + "/run" + std::to_string(++g_run);
    SetFolderOverride(FolderKind::Program, base + "/program");
    SetFolderOverride(FolderKind::Data, base + "/data");
    MakeFolderPath(base + "/program");
    MakeFolderPath(base + "/data");
}

void AddObjects(CDsgDSPFrame& page, int count) {
    const int kinds[] = {nDSG_WOKIND__WOBOX, nDSG_WOKIND__WOLINE, nDSG_WOKIND__WOFBOX,
                         nDSG_WOKIND__WOELLIPSE, nDSG_WOKIND__WOFELLIPSE};
    for (int i = 0; i < count; ++i) {
        const int x = (i % 20) * 100000, y = (i / 20) * 100000;
        dsgtesting::AppendCreationDrag(page, kinds[i % 5], CRect(x, y, x + 80000, y + 60000));
    }
    page.WObjsFromEActions(page, TRUE);
}

// Adds a form through the form bar, its name dialog answered at once.
void AddForm(const std::string& name) {
    dsgtesting::AnswerFormName(name);
    DvkAddForm(*g_pDsgMainFrame);
    SetDialogHook({});
}

// A designer holding a project of `forms` forms, the last form on the page.
struct LargeProject {
    CDravik2App app;
    std::string path;
    int forms;

    explicit LargeProject(int count) : forms(count) {
        FreshFolders();
        app.InitInstance({});
        CDsgDSPFrame& page = *g_pDsgDSPFrame;
        for (int form = 0; form < forms; ++form) {
            if (form > 0) AddForm("Form" + std::to_string(form + 1));
            AddObjects(page, kObjectsPerForm);
            CDsgLSDAction().SLSCache(page.GetSPIndex(), TRUE);
        }
        path = g_root->path().toStdString() + "/large" + std::to_string(g_run) + ".dvk";
        app.GetDocument()->OnSaveDocument(path);
    }
    ~LargeProject() {
        app.GetDocument()->SetModifiedFlag(FALSE);
        app.ExitInstance();
    }
};

// Made on first use, gone before the application object: its windows must
// not outlive the application.
std::unique_ptr<LargeProject> g_project;

// The project of the benchmark's size (one designer at a time).
LargeProject& Project(const benchmark::State& state) {
    const int forms = static_cast<int>(state.range(0));
    if (!g_project || g_project->forms != forms) {
        g_project.reset();
        g_project = std::make_unique<LargeProject>(forms);
    }
    return *g_project;
}

// Every benchmark of a project: its form count as N, and the sizes.
void ProjectSizes(benchmark::internal::Benchmark* bench) {
    benchsizes::Args(bench, {2, 10, 20});
    bench->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
}

// One edit: an object moved on the visible form.
void Edit(int round) {
    CDsgDSPFrame& page = *g_pDsgDSPFrame;
    auto move = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
    move->InitWOCERDRMoving(0, CRect(round % 50, 0, 80000, 60000));
    page.EAAdd(std::move(move));
    page.WObjsFromEActions(page, TRUE);
}

void BM_RegenerateGenerationOnly(benchmark::State& state) {
    Project(state);
    int round = 0;
    std::string text;
    for (auto _ : state) {
        Edit(++round);
        g_pDsgMainFrame->GetPJGCommands(text, 1, 0, "");
        benchmark::DoNotOptimize(text);
    }
    state.SetComplexityN(state.range(0));
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_RegenerateGenerationOnly)->Apply(ProjectSizes);

// The plain paths beside it: the visible form alone, and every form read,
// replayed and generated anew.
void BM_GenerateVisibleFormAlone(benchmark::State& state) {
    Project(state);
    int round = 0;
    std::string text;
    for (auto _ : state) {
        Edit(++round);
        const CDtrGGJPixel& characters = *g_pDsgMainFrame->GetProjectGGJPixel();
        CDsgPJCodeGen generator(characters, 0, "");
        generator.AddSPGCommands(static_cast<const CDsgWObjs&>(*g_pDsgDSPFrame), "Form");
        text = generator.GetPJGCommands();
        benchmark::DoNotOptimize(text);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_GenerateVisibleFormAlone)->Apply(ProjectSizes);

void BM_RegenerateFromScratch(benchmark::State& state) {
    Project(state);
    int round = 0;
    std::string text;
    for (auto _ : state) {
        Edit(++round);
        g_pDsgMainFrame->GetPJGCommandsFromScratch(text, 0, "");
        benchmark::DoNotOptimize(text);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RegenerateFromScratch)->Apply(ProjectSizes);

void BM_RegenerateWithCodeWindow(benchmark::State& state) {
    LargeProject& project = Project(state);
    project.app.GetMainFrame()->OnCommand(ID_DSG_VIEWCODE);
    int round = 0;
    for (auto _ : state) {
        Edit(++round);
        g_pDravik2View->Regenerate();
    }
    project.app.GetMainFrame()->OnCommand(ID_DSG_VIEWCODE);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RegenerateWithCodeWindow)->Apply(ProjectSizes);

void BM_RegenerateWithCodeWindowAndAutoSave(benchmark::State& state) {
    LargeProject& project = Project(state);
    CDravik2Doc& doc = *g_pDravik2Doc;
    doc.SetInt(DPS_TGCMWHETHER, 1);
    doc.SetString(DPS_TGCMFLPATH, g_root->path().toStdString() + "/auto/code.inc");
    project.app.GetMainFrame()->OnCommand(ID_DSG_VIEWCODE);
    int round = 0;
    for (auto _ : state) {
        Edit(++round);
        g_pDravik2View->Regenerate();
    }
    project.app.GetMainFrame()->OnCommand(ID_DSG_VIEWCODE);
    doc.SetInt(DPS_TGCMWHETHER, 0);
    state.SetComplexityN(state.range(0));
    state.counters["throttle_ms"] = CDravik2View::kRegenerateInterval;
}
BENCHMARK(BM_RegenerateWithCodeWindowAndAutoSave)->Apply(ProjectSizes);

void BM_SaveProject(benchmark::State& state) {
    LargeProject& project = Project(state);
    for (auto _ : state) project.app.GetDocument()->OnSaveDocument(project.path);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SaveProject)->Apply(ProjectSizes);

void BM_OpenProject(benchmark::State& state) {
    LargeProject& project = Project(state);
    for (auto _ : state) project.app.GetDocument()->OnOpenDocument(project.path);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_OpenProject)->Apply(ProjectSizes);

// The main window's first paint.
class FirstPaint : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

void BM_StartToFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        FreshFolders();
        state.ResumeTiming();
        CDravik2App app;
        app.InitInstance({});
        FirstPaint watch;
        app.GetMainFrame()->installEventFilter(&watch);
        while (!watch.painted) QApplication::processEvents();
        state.PauseTiming();
        app.ExitInstance();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    g_root = std::make_unique<QTemporaryDir>();
    SetFolderOverride(FolderKind::Runtime, g_root->path().toStdString() + "/runtime");
    MakeFolderPath(g_root->path().toStdString() + "/runtime");
    SilentUi ui;
    SetUiServices(&ui);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_project.reset();
    SetUiServices(nullptr);
    return 0;
}
