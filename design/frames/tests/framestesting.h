#pragma once

// A working slot with the real form-tab strip, form bar, palette and design
// page around the test host.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "design/frames/dlgformname.h"
#include "design/frames/dlgubar.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgtoolbox.h"
#include "design/frames/dsgtspframe.h"
#include "design/frames/testing/formnameanswer.h"
#include "design/frames/tests/frameshost.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsglsdhost.h"
#include "design/model/dsgutprops.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxutils.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace framestesting {

// A 320 x 240 LCD (tabs 55 x 41) and a slot with the named forms, form i
// holding i + 1 boxes; the last form is the visible one.
class Slot : public ::testing::Test {
protected:
    void SetUp() override {
        ClearIniCache();
        GetDsgGOption().SetDefaultGOption();
        GetDsgGOption().SetInt(GOPT_LMWIDTH, 320);
        GetDsgGOption().SetInt(GOPT_LMHEIGHT, 240);
        dir = testsupport::MakeTempFolder("slot");
        host = std::make_unique<Host>(dir);
        frame = std::make_unique<QWidget>();
        frame->resize(400, 600);
        host->palette = new CDlgToolBox(frame.get());
        host->bar = new CDlgUBar(frame.get());
        host->strip = new CDsgTSPFrame(frame.get());
        host->strip->setGeometry(330, 0, 70, 600);
        host->page = new CDsgDSPFrame(1, frame.get());
        host->page->setGeometry(40, 40, 280, 220);
        frame->show();
        SetIniString(Ini(), "SPCount", "0", LSD_INI_SECTION);
    }
    void TearDown() override {
        SetDialogHook({});
        SetPopupMenuHook({});
        frame.reset();
        host.reset();
    }

    void MakeForms(const std::vector<std::string>& names) {
        for (size_t i = 0; i < names.size(); ++i) {
            host->page->SPClear(0, 0);
            host->page->SetSPIndex(static_cast<int>(i));
            for (size_t b = 0; b <= i; ++b) Box(static_cast<int>(b));
            ASSERT_TRUE(CDsgLSDAction().AddELSFile(*host->page, names[i]));
            ASSERT_TRUE(strip().AddTSPage(names[i], 1, 1, 1, 1, 1));
        }
    }
    // A box dragged on the visible page, as the page records one.
    void Box(int n) {
        CDsgDSPFrame& page = *host->page;
        const CRect rect(20000 * n, 10000, 20000 * n + 90000, 70000);
        dsgtesting::AppendCreationDrag(page, nDSG_WOKIND__WOBOX, rect);
        page.RebuildWObjs();
    }
    int Objects() const { return host->page->GetZOrder().GetCount(); }
    // The page's record as it would be written.
    std::string PageBytes() {
        const std::string path = dir + "/page.bin";
        host->page->EActionsToFile(path, TRUE);
        const std::string bytes = testsupport::ReadFileBytes(path);
        std::remove(path.c_str());
        return bytes;
    }
    std::string Frm(const std::string& name) {
        return testsupport::ReadFileBytes(dir + "/" + name + ".frm");
    }
    bool HasFrm(const std::string& name) { return IsPathExisting(dir + "/" + name + ".frm"); }
    std::string Ini() const { return dir + "/" + LSD_INI_FILE; }
    std::string IniText() { return testsupport::ReadFileBytes(Ini()); }
    std::string IniName(int i) {
        ClearIniCache();
        return GetIniString(Ini(), "Form" + std::to_string(i) + "Name", LSD_INI_SECTION, "");
    }
    std::vector<std::string> TabNames() {
        std::vector<std::string> names;
        for (int i = 0; i < strip().GetTSPageCount(); ++i)
            names.push_back(strip().GetTSPageBySPIndex(i)->GetSPName());
        return names;
    }
    std::vector<int> Chosen() {
        std::vector<int> chosen;
        for (int i = 0; i < strip().GetTSPageCount(); ++i)
            if (strip().GetTSPageBySPIndex(i)->m_nChosen) chosen.push_back(i);
        return chosen;
    }
    int Visible() const { return host->page->GetSPIndex(); }
    CDsgTSPFrame& strip() { return *host->strip; }
    // Answers the next form-name dialog with a name and OK.
    void AnswerName(const std::string& name, int* result = nullptr) {
        dsgtesting::AnswerFormName(name, result);
    }
    // A path that cannot be written as a file.
    void Block(const std::string& name) {
        std::remove((dir + "/" + name + ".frm").c_str());
        ASSERT_EQ(mkdir((dir + "/" + name + ".frm").c_str(), 0700), 0);
    }

    testsupport::ScriptedUi ui;
    std::string dir;
    std::unique_ptr<Host> host;
    std::unique_ptr<QWidget> frame;
};

}  // namespace framestesting
