// What it costs never to lose work: the page's periodic write of its working
// file (replaced through a synced temporary file) next to the plain write it
// replaced, the open of a project that writes every working file (synced as
// one batch, or file by file), and a slot claim under the slot lock. The
// files lie in a folder of the temporary folder (TMPDIR, else /tmp): run it
// on the disk that is to be measured.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QObject>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "design/model/dsgdpsettings.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsglsdhost.h"
#include "design/model/dsgutprops.h"
#include "design/model/testing/creationdrag.h"
#include "foundation/fxutils.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"

namespace {

std::string Folder(const std::string& name) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/dravik-bench-" + name + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
}

// The design frames as far as the load-and-save action needs them.
class BenchHost : public CDsgLSDHost {
public:
    explicit BenchHost(std::string workDir) : m_workDir(std::move(workDir)) {}
    std::string GetLSDWorkDir() const override { return m_workDir; }
    CDsgEActions* GetDSPEActions() override { return &page; }
    void DSPClear() override { page.ResetEActions(); }
    void TSPRemoveAllPages() override { tabs.clear(); }
    BOOL TSPAddPage(const std::string& name) override {
        tabs.push_back(name);
        return TRUE;
    }
    int TSPGetPageCount() const override { return static_cast<int>(tabs.size()); }
    void TSPSelectPage(int) override {}
    BOOL TSPExchangePages(int, int) override { return TRUE; }
    void TSPRepaint() override {}
    BOOL TSPUpdateAllThumbnails() override { return TRUE; }
    BOOL TSPWriteFormList() override {
        IniEntries list;
        for (size_t i = 0; i < tabs.size(); ++i)
            list.emplace_back("Form" + std::to_string(i) + "Name", tabs[i]);
        list.emplace_back("SPCount", std::to_string(tabs.size()));
        return SetIniStrings(m_workDir + "/" + LSD_INI_FILE, list, LSD_INI_SECTION);
    }
    void TSPRecalcScrollSizes() override {}
    void MFRefresh(int) override {}
    void MFMarkAndUpdateEditButtons() override {}
    void UpdatePaletteButtons() override {}
    void RepaintFormBar() override {}
    void _OnEAAdded() override {}
    void _OnJustWOCreated(int) override {}
    void _OnUndoedOrRedoed() override {}
    void ShowCursorLCDPos(const CPoint&) override {}
    int GetLSDSlotNumber() const override { return 0; }
    QObject* GetHostWindow() override { return &window; }
    CDtrGGJPixel* GetGGJPixel() override { return &characters; }
    void RefillGJPListView() override {}
    void OpenFormNameLoadDialog(const std::string&, const CFxRevPropStore&) override {}

    CDsgEActions page;
    std::vector<std::string> tabs;
    CDtrGGJPixel characters;
    QObject window;

private:
    std::string m_workDir;
};

// `boxes` boxes drawn as the page records them: 2 actions each.
void FillBoxes(CDsgEActions& form, int boxes) {
    form.ResetEActions();
    form.SetSPIndex(0);
    for (int i = 0; i < boxes; ++i) {
        const int x = (i % 30) * 40000, y = (i % 20) * 30000;
        dsgtesting::AppendCreationDrag(form, nDSG_WOKIND__WOBOX,
                                       CRect(x, y, x + 200000, y + 100000));
    }
}

// The page's 1300 ms write of a 1,000-action form: replaced whole through a
// synced temporary (range 1) or written in place as before (range 0).
void BM_WorkingFileWrite(benchmark::State& state) {
    BenchHost host(Folder("cache"));
    CDsgLSDAction lsd;
    if (!lsd.LSDReset(TRUE, TRUE, FALSE, FALSE)) state.SkipWithError("no slot");
    FillBoxes(host.page, 500);
    const std::string path = CDsgLSDAction::GetSPFilePath("Form1");
    for (auto _ : state) {
        if (state.range(0) == 1) {
            if (!lsd.SLSCache(0, TRUE)) state.SkipWithError("write failed");
        } else {
            std::FILE* file = std::fopen(path.c_str(), "wb");
            host.page.EActionsToFile(file, TRUE);
            std::fclose(file);
        }
    }
    state.SetLabel(state.range(0) == 1 ? "synced, renamed" : "plain, in place");
    ShellDeletePath(host.GetLSDWorkDir());
}

// A project of 200 forms of 20 objects opened into a slot, which writes
// every working file; the figure is the whole open.
void BM_ProjectOpen(benchmark::State& state) {
    const int forms = static_cast<int>(state.range(0));
    const std::string project = Folder("project") + "/project.dvk";
    {
        BenchHost source(Folder("source"));
        CDsgLSDAction lsd;
        lsd.LSDReset(TRUE, TRUE, FALSE, FALSE);
        FillBoxes(source.page, 20);
        for (int i = 1; i < forms; ++i) lsd.AddELSFile(source.page, "Form" + std::to_string(i + 1));
        lsd.SLSCache(0, TRUE);
        CDsgDPSettings settings;
        if (!lsd.LSSave(project, settings)) state.SkipWithError("no project");
        ShellDeletePath(source.GetLSDWorkDir());
    }
    BenchHost host(Folder("open"));
    CDsgLSDAction lsd;
    lsd.LSDReset(TRUE, TRUE, FALSE, FALSE);
    CDsgDPSettings settings;
    for (auto _ : state) {
        if (!lsd.LSLoad(project, TRUE, TRUE, TRUE, TRUE, TRUE, settings))
            state.SkipWithError("open failed");
    }
    state.SetLabel(std::to_string(forms) + " forms of 20 objects");
    ShellDeletePath(host.GetLSDWorkDir());
    ShellDeletePath(project.substr(0, project.rfind('/')));
}

// The working files of an open alone: 200 files of a 20-object form synced
// as one batch (range 1) or each on its own (range 0).
void BM_WorkingFilesWrite(benchmark::State& state) {
    const std::string folder = Folder("files");
    CDsgEActions form;
    FillBoxes(form, 20);
    CRevolver bytes;
    form.EActionsToRevolver(bytes, TRUE);
    for (auto _ : state) {
        if (state.range(0) == 1) {
            AtomicFileBatch batch;
            for (int i = 0; i < 200; ++i)
                bytes.ToFile(folder + "/Form" + std::to_string(i) + ".frm", batch);
            if (!batch.Commit()) state.SkipWithError("batch failed");
        } else {
            for (int i = 0; i < 200; ++i)
                if (!bytes.ToFile(folder + "/Form" + std::to_string(i) + ".frm"))
                    state.SkipWithError("write failed");
        }
    }
    state.SetLabel(state.range(0) == 1 ? "one batch sync" : "a sync per file");
    ShellDeletePath(folder);
}

// A designer finding and claiming its slot under the slot lock.
void BM_SlotClaim(benchmark::State& state) {
    const std::string base = Folder("slots");
    for (auto _ : state) {
        // "0" names no live window, so the slot stays free for the next claim.
        if (CDsgLSDAction::LSFindClaim(base, "prj", 5, "0") != 0) state.SkipWithError("no slot");
    }
    ShellDeletePath(base);
}

}  // namespace

BENCHMARK(BM_WorkingFileWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProjectOpen)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WorkingFilesWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SlotClaim)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
