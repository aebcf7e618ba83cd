#pragma once

// A working host for the load-and-save tests: the design frames as the
// main frame would give them, made of a real form (history and objects), a
// tab list with per-page paths and flags, a character set with its list
// view and a host window that counts the messages it hears. It records what
// it is asked in order and fails the test on requests no frame could carry
// out (a tab selected that does not exist, a tab without a name).

#include <gtest/gtest.h>

#include <QObject>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsglsdhost.h"
#include "design/model/tests/eactionstesting.h"
#include "foundation/fxutils.h"
#include "platform/window.h"

namespace lsdtesting {

class Host : public CDsgLSDHost {
public:
    struct Tab {
        std::string name;
        std::string path;  // the working-file path the tab keeps for its index
        int flag = 0;      // the tab strip's own per-page flag
    };

    explicit Host(std::string workDir) : workDir(std::move(workDir)) {
        SetMessageHandler(&window, WM_USER + 304, [this](WPARAM, LPARAM) {
            ++regenerations;
            return 0;
        });
    }

    std::string GetLSDWorkDir() const override { return workDir; }
    CDsgEActions* GetDSPEActions() override { return &page; }
    void DSPClear() override {
        Log("clear");
        page.ResetEActions();
        page.RemoveAllWObjs();
    }

    void TSPRemoveAllPages() override {
        Log("removeall");
        tabs.clear();
        current = -1;
    }
    BOOL TSPAddPage(const std::string& name) override {
        Log("add:" + name);
        EXPECT_FALSE(name.empty()) << "a tab without a name";
        const int index = static_cast<int>(tabs.size());
        tabs.push_back({name, PathOf(index), 0});
        return TRUE;
    }
    int TSPGetPageCount() const override { return static_cast<int>(tabs.size()); }
    void TSPSelectPage(int index) override {
        Log("select:" + std::to_string(index));
        EXPECT_TRUE(index >= 0 && index < TSPGetPageCount()) << "no tab " << index;
        current = index;
    }
    BOOL TSPExchangePages(int a, int b) override {
        Log("exchange:" + std::to_string(a) + "," + std::to_string(b));
        if (a < 0 || b < 0 || a >= TSPGetPageCount() || b >= TSPGetPageCount()) return FALSE;
        std::swap(tabs[static_cast<size_t>(a)], tabs[static_cast<size_t>(b)]);
        tabs[static_cast<size_t>(a)].path = PathOf(a);
        tabs[static_cast<size_t>(b)].path = PathOf(b);
        return TRUE;
    }
    void TSPRepaint() override { Log("repaint"); }
    BOOL TSPUpdateAllThumbnails() override {
        Log("thumbnails");
        return thumbnailsResult;
    }
    // The form list of the slot rewritten from the tabs, as the strip does.
    BOOL TSPWriteFormList() override {
        Log("formlist");
        if (failFormList) return FALSE;
        const std::string ini = workDir + "/" + LSD_INI_FILE;
        for (size_t i = 0; i < tabs.size(); ++i)
            if (!SetIniString(ini, "Form" + std::to_string(i) + "Name", tabs[i].name,
                              LSD_INI_SECTION))
                return FALSE;
        return SetIniString(ini, "SPCount", std::to_string(tabs.size()), LSD_INI_SECTION);
    }
    void TSPRecalcScrollSizes() override { Log("scroll"); }

    void MFRefresh(int code) override {
        Log("refresh:" + std::to_string(code));
        EXPECT_TRUE(code >= 1 && code <= 6) << "no refresh code " << code;
        if (code == 1) page.Rebuild();
    }
    void MFMarkAndUpdateEditButtons() override { Log("editbuttons"); }
    void UpdatePaletteButtons() override { Log("palette"); }
    void RepaintFormBar() override { Log("bar"); }
    QObject* GetHostWindow() override { return &window; }

    CDtrGGJPixel* GetGGJPixel() override { return &characters; }
    void RefillGJPListView() override {
        Log("gjplist");
        listCodes.clear();
        for (int i = 0; i < characters.GetGJPCount(); ++i)
            listCodes.push_back(characters.GetGJPixelAt(i)->nccode);
    }
    void OpenFormNameLoadDialog(const std::string& name, const CFxRevPropStore& store) override {
        Log("formnamedialog:" + name);
        dialogName = name;
        dialogStore = store;
    }

    std::vector<std::string> TabNames() const {
        std::vector<std::string> names;
        for (const Tab& tab : tabs) names.push_back(tab.name);
        return names;
    }
    bool Asked(const std::string& request) const {
        for (const std::string& entry : log)
            if (entry == request) return true;
        return false;
    }
    std::string PathOf(int index) const { return workDir + "#" + std::to_string(index); }

    std::string workDir;
    eatesting::Form page;
    std::vector<Tab> tabs;
    int current = -1;
    CDtrGGJPixel characters;
    std::vector<int> listCodes;
    QWidget window;
    int regenerations = 0;
    bool thumbnailsResult = true;
    bool failFormList = false;
    std::string dialogName;
    CFxRevPropStore dialogStore;
    std::vector<std::string> log;

private:
    void Log(const std::string& entry) { log.push_back(entry); }
};

}  // namespace lsdtesting
