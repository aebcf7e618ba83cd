#pragma once

// The designer run in-process for tests: its own program and data folders,
// scripted answers to every question, a tick source the test sets, and
// helpers that edit the visible form the way the design page records edits.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "apps/designer/dravikapp.h"
#include "apps/designer/dravikdoc.h"
#include "apps/designer/dravikview.h"
#include "apps/designer/dvkids.h"
#include "apps/designer/mainframe.h"
#include "design/frames/testing/formnameanswer.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsglsdaction.h"
#include "design/model/testing/creationdrag.h"
#include "foundation/fxpropstore.h"
#include "foundation/fxutils.h"
#include "foundation/testing/docprogramtesting.h"
#include "foundation/testing/folderstesting.h"
#include "platform/paths.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"

namespace shelltesting {

using Folders = fxtesting::Folders;

// The tick count as the test sets it.
class Ticks {
public:
    Ticks() {
        SetTickSource([this]() { return now; });
    }
    ~Ticks() { SetTickSource({}); }
    DWORD now = 100000;
};

using dsgtesting::AnswerFormName;

// One run of the designer.
class Designer : public fxtesting::DocProgramRun<CDravik2App> {
public:
    explicit Designer(std::vector<std::string> arguments = {},
                      const std::function<void(Designer&)>& beforeStart = {}) {
        if (beforeStart) beforeStart(*this);
        Start(arguments);
    }

    CDravik2Doc& Doc() { return *app.GetDocument(); }
    CMainFrame& Frame() { return *app.GetMainFrame(); }
    CDravik2View& View() { return *Frame().GetView(); }
    CDsgDSPFrame& Page() { return *g_pDsgDSPFrame; }
    std::string Slot() const {
        return CDravik2View::GetSlotFolder(app.GetMainFrame()->GetView()->GetSlot());
    }

    // Appends a creation and its geometry to the visible form, as the page
    // does for a drag; the frame tells the view of the change (the geometry
    // action is the one that reports it).
    int AddObject(int kind, const CRect& rect) {
        CDsgDSPFrame& page = Page();
        const int id = dsgtesting::AppendCreationDrag(page, kind, rect);
        page.WObjsFromEActions(page, TRUE);
        Settle();
        return id;
    }
    // The Add Form command, its name dialog answered with `name`.
    void AddForm(const std::string& name) {
        AnswerFormName(name);
        Frame().OnCommand(ID_DSG_ADDFORM);
        SetDialogHook({});
        Settle();
    }
    bool Said(const std::string& text) const {
        for (const auto& m : ui.messages)
            if (m.text.find(text) != std::string::npos) return true;
        return false;
    }
};

// A slot left by a session that did not end: forms with boxes and an owner
// that is gone.
inline void WriteUnfinishedSlot(const std::string& program, int slot,
                                const std::vector<std::pair<std::string, int>>& forms) {
    SetKeyStyle(KEYSTYLE_SHORT);  // the designer's key style
    const std::string folder = program + "/prj" + std::to_string(slot);
    MakeFolderPath(folder);
    const std::string ini = folder + "/" + LSD_INI_FILE;
    SetIniString(ini, "UComplete", "0", LSD_INI_SECTION);
    // A handle of a process that cannot exist.
    SetIniString(ini, "lsmseed", std::to_string((0x7FFFFFF0ULL << 32) | 1), LSD_INI_SECTION);
    SetIniString(ini, "SPCount", std::to_string(forms.size()), LSD_INI_SECTION);
    for (size_t i = 0; i < forms.size(); ++i) {
        SetIniString(ini, "Form" + std::to_string(i) + "Name", forms[i].first, LSD_INI_SECTION);
        CDsgEActions actions;
        actions.SetSPIndex(static_cast<int>(i));
        int counter = 0;
        for (int b = 0; b < forms[i].second; ++b) {
            auto create = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
            create->InitWOCreation(counter, nDSG_WOKIND__WOBOX,
                                   CRect(10000 * b, 10000, 10000 * b + 50000, 60000), CDsgUTProps(),
                                   FALSE);
            actions.EAAdd(std::move(create));
        }
        actions.SetWOIdCounter(counter);
        actions.EActionsToFile(folder + "/" + forms[i].first + ".frm", TRUE);
    }
    ClearIniCache();
}

}  // namespace shelltesting
