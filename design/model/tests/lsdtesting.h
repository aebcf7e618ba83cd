#pragma once

// A working host for the load-and-save tests: the design frames as the
// main frame would give them, made of a real form (history and objects), a
// tab list with per-page paths and flags, a character set with its list
// view and a host window that counts the messages it hears. It records what
// it is asked in order and fails the test on requests no frame could carry
// out (a tab selected that does not exist, a tab without a name).

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QObject>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsglsdhost.h"
#include "design/model/tests/eactionstesting.h"
#include "foundation/fxutils.h"
#include "platform/testing/testsupport.h"
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
        SetMessageHandler(&window, WM_DSG_REGENERATE, [this](WPARAM, LPARAM) {
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
        IniEntries list;
        for (size_t i = 0; i < tabs.size(); ++i)
            list.emplace_back("Form" + std::to_string(i) + "Name", tabs[i].name);
        list.emplace_back("SPCount", std::to_string(tabs.size()));
        return SetIniStrings(workDir + "/" + LSD_INI_FILE, list, LSD_INI_SECTION);
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
    void _OnEAAdded() override { Log("eaadded"); }
    void _OnJustWOCreated(int wokind) override { Log("created:" + std::to_string(wokind)); }
    void _OnUndoedOrRedoed() override { Log("undoredo"); }
    void ShowCursorLCDPos(const CPoint& clientPoint) override {
        cursorPos = clientPoint;
        ++cursorShows;
    }
    int GetLSDSlotNumber() const override { return slotNumber; }
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
        return std::find(log.begin(), log.end(), request) != log.end();
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
    CPoint cursorPos{-1, -1};
    int cursorShows = 0;
    int slotNumber = 0;

protected:
    void Log(const std::string& entry) { log.push_back(entry); }
};

// Fills the page with `boxes` boxes and caches it as form <index>.
inline void CacheForm(Host& host, int index, int boxes) {
    CDsgLSDAction lsd;
    host.page.ResetEActions();
    host.page.RemoveAllWObjs();
    host.page.SetSPIndex(index);
    for (int i = 0; i < boxes; ++i)
        eatesting::CreateDragged(host.page, nDSG_WOKIND__WOBOX,
                                 CRect(20000 * i, 10000, 20000 * i + 90000, 70000));
    ASSERT_TRUE(lsd.SLSCache(index, TRUE));
}

// Another designer process. It runs `body`, reports the result (0..255) and
// keeps running, holding what it opened, until End() lets it finish with
// `atEnd`; a negative result kills it on the spot instead, as a crash would.
// It is let go through a file, so that no pipe end inherited by a later
// process keeps it waiting.
class OtherInstance {
public:
    explicit OtherInstance(const std::function<int()>& body,
                           const std::function<void()>& atEnd = {})
        : m_release(testsupport::MakeTempFolder("release") + "/go") {
        int ready[2];
        EXPECT_EQ(pipe(ready), 0);
        const std::string release = m_release;
        m_pid = testsupport::ForkChild([&]() -> int {
            close(ready[0]);
            const int result = body();
            if (result < 0) raise(SIGKILL);
            const char byte = static_cast<char>(result);
            if (write(ready[1], &byte, 1) != 1) return 2;
            while (!IsPathExisting(release)) usleep(5000);
            if (atEnd) atEnd();
            return 0;
        });
        close(ready[1]);
        char byte = 0;
        if (read(ready[0], &byte, 1) == 1) {
            m_result = static_cast<unsigned char>(byte);
        } else {
            m_result = testsupport::WaitChild(m_pid);
            m_pid = -1;
        }
        close(ready[0]);
    }
    ~OtherInstance() { End(); }
    OtherInstance(const OtherInstance&) = delete;
    OtherInstance& operator=(const OtherInstance&) = delete;

    // The body's result, or minus the signal that ended the process.
    int Result() const { return m_result; }
    // Lets the process finish; its exit code.
    int End() {
        int status = 0;
        if (m_pid > 0) {
            testsupport::WriteFileBytes(m_release, "go");
            status = testsupport::WaitChild(m_pid);
        }
        m_pid = -1;
        return status;
    }

private:
    std::string m_release;
    pid_t m_pid = -1;
    int m_result = 0;
};

}  // namespace lsdtesting
