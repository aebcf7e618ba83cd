// Feeds arbitrary project files to the project loader of a designer whose
// slot holds an open project. The loader must never crash, read out of
// bounds or hang; a file it refuses must leave the slot's files exactly as
// they were; every form of a file it takes is drawn on a hidden design page.
// The first input byte chooses the key style, the rest is the file.

#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "design/model/dsgdpsettings.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsglsdhost.h"
#include "design/surface/dsgdspframe.h"
#include "design/surface/dsgimageseams.h"
#include "foundation/fxutils.h"
#include "platform/testing/quietui.h"
#include "platform/uiservices.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// The frames of a designer, kept as plain lists.
class FuzzHost : public CDsgLSDHost {
public:
    explicit FuzzHost(std::string dir) : m_dir(std::move(dir)) {}
    std::string GetLSDWorkDir() const override { return m_dir; }
    CDsgEActions* GetDSPEActions() override { return &page; }
    void DSPClear() override { page.ResetEActions(); }
    void TSPRemoveAllPages() override { tabs.clear(); }
    BOOL TSPAddPage(const std::string& name) override {
        tabs.push_back(name);
        return TRUE;
    }
    int TSPGetPageCount() const override { return static_cast<int>(tabs.size()); }
    void TSPSelectPage(int index) override { Check(index >= 0 && index < TSPGetPageCount()); }
    BOOL TSPExchangePages(int, int) override { return FALSE; }
    void TSPRepaint() override {}
    BOOL TSPUpdateAllThumbnails() override { return TRUE; }
    BOOL TSPWriteFormList() override {
        const std::string ini = m_dir + "/" + LSD_INI_FILE;
        for (size_t i = 0; i < tabs.size(); ++i)
            SetIniString(ini, "Form" + std::to_string(i) + "Name", tabs[i], LSD_INI_SECTION);
        return SetIniString(ini, "SPCount", std::to_string(tabs.size()), LSD_INI_SECTION);
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
    QObject* GetHostWindow() override { return nullptr; }
    CDtrGGJPixel* GetGGJPixel() override { return &characters; }
    void RefillGJPListView() override {}
    void OpenFormNameLoadDialog(const std::string&, const CFxRevPropStore&) override {}

    CDsgEActions page;
    std::vector<std::string> tabs;
    CDtrGGJPixel characters;

private:
    std::string m_dir;
};

std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::vector<std::string> files;
    ListFolder(folder, files, FALSE, FALSE);
    std::map<std::string, std::string> out;
    for (const std::string& file : files) out[file] = ReadWholeTextFile(folder + "/" + file);
    return out;
}

struct World {
    World() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "dsgprojfile_fuzz";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
        char pattern[] = "/tmp/dsgprojfile_fuzz.XXXXXX";
        Check(mkdtemp(pattern) != nullptr);
        root = pattern;
        slot = root + "/prj0";
        input = root + "/input.dvk";
        SetUiServices(&ui);
        // Image objects are drawn through the real decoder, as in the program.
        RegisterDsgImageSeams();
        host = new FuzzHost(slot);
    }
    ~World() {
        delete host;
        SetUiServices(nullptr);
        ShellDeletePath(root);
        delete app;
    }
    // The open project: one form "Form1" and its slot files.
    void Reset() {
        std::vector<std::string> files;
        ListFolder(slot, files);
        for (const std::string& file : files) std::remove(file.c_str());
        CDsgLSDAction lsd;
        Check(lsd.LSDReset(TRUE, TRUE, FALSE, FALSE));
    }

    // Draws every form of the open project on a small hidden page.
    void DrawForms() const {
        for (const std::string& name : host->tabs) {
            CDsgDSPFrame hidden(0);
            hidden.resize(200, 200);
            int level = 0;
            if (!hidden.EActionsFromFile(CDsgLSDAction::GetSPFilePath(name), level)) continue;
            hidden.RebuildWObjs();
            QImage lcd;
            hidden.RedrawDSPFrame(&lcd);
        }
    }

    QApplication* app = nullptr;
    std::string root, slot, input;
    QuietUi ui;
    FuzzHost* host = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World world;
    if (size < 1 || size > (1u << 20)) return 0;
    SetKeyStyle((data[0] & 1) ? KEYSTYLE_SHORT : KEYSTYLE_LONG);
    FILE* file = std::fopen(world.input.c_str(), "wb");
    Check(file != nullptr);
    Check(std::fwrite(data + 1, 1, size - 1, file) == size - 1);
    std::fclose(file);

    // A refused file changes nothing, so the open project is set up again
    // only after a file was taken.
    static bool taken = true;
    static std::map<std::string, std::string> before;
    static std::vector<std::string> tabs;
    if (taken) {
        world.Reset();
        before = Snapshot(world.slot);
        tabs = world.host->tabs;
    }
    CDsgDPSettings settings;
    settings.SetString("DPS.fuzz", "kept");
    CDsgLSDAction lsd;
    taken = lsd.LSLoad(world.input, TRUE, TRUE, TRUE, TRUE, TRUE, settings);
    if (!taken) {
        Check(Snapshot(world.slot) == before);
        Check(world.host->tabs == tabs);
        Check(settings.GetString("DPS.fuzz") == "kept");
    } else {
        world.DrawForms();
    }
    return 0;
}
