#pragma once

// The host the main frame will be, for the frames' tests and benchmarks:
// the real form-tab strip, form bar, palette and visible design page in a
// working slot, with a host window that counts design-change notices and a
// record of the refresh codes asked for.

#include <QObject>
#include <QWidget>
#include <string>
#include <vector>

#include "design/frames/dlgformname.h"
#include "design/frames/dlgubar.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgtoolbox.h"
#include "design/frames/dsgtspframe.h"
#include "design/model/dsglsdhost.h"
#include "design/surface/dsgdspframe.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace framestesting {

class Host : public CDsgLSDHost {
public:
    explicit Host(std::string dir) : workDir(std::move(dir)) {
        SetMessageHandler(&window, WM_DSG_DESIGNCHANGED, [this](WPARAM, LPARAM) {
            ++designChanges;
            return 0;
        });
    }
    std::string GetLSDWorkDir() const override { return workDir; }
    CDsgEActions* GetDSPEActions() override { return page; }
    void DSPClear() override { page->SPClear(1, 0); }
    void TSPRemoveAllPages() override { strip->RemoveAllTSPages(); }
    BOOL TSPAddPage(const std::string& name) override {
        return strip->AddTSPage(name, 1, 1, 1, 1, 1);
    }
    int TSPGetPageCount() const override { return strip->GetTSPageCount(); }
    void TSPSelectPage(int index) override { strip->SPSelectOne(index, 1); }
    BOOL TSPExchangePages(int a, int b) override { return strip->ExchangeTSPages(a, b); }
    void TSPRepaint() override { strip->viewport()->update(); }
    BOOL TSPUpdateAllThumbnails() override { return strip->AFBTSPIUpdate(1); }
    QImage TSPDrawFormThumbnail(CDsgEActions& form) override {
        return strip->DrawFormThumbnail(form);
    }
    BOOL TSPUpdateAllThumbnailsFrom(const std::vector<QImage>& thumbnails) override {
        return strip->AFBTSPIUpdate(1, thumbnails);
    }
    BOOL TSPWriteFormList() override { return strip->UpdateILSFile(); }
    void TSPRecalcScrollSizes() override { strip->SetTSPScrollSizes(); }
    void MFRefresh(int code) override {
        refreshes.push_back(code);
        if (code == 1) page->RebuildWObjs();
    }
    void MFMarkAndUpdateEditButtons() override {}
    void UpdatePaletteButtons() override { palette->UpdateToolStates(); }
    void RepaintFormBar() override { bar->update(); }
    void _OnEAAdded() override {
        if (CDsgTSPage* tab = strip->GetTSPageBySPIndex(page->GetSPIndex())) tab->m_nStale = 1;
    }
    void _OnJustWOCreated(int) override {}
    void _OnUndoedOrRedoed() override { _OnEAAdded(); }
    void ShowCursorLCDPos(const CPoint&) override {}
    int GetLSDSlotNumber() const override { return 0; }
    QObject* GetHostWindow() override { return &window; }
    CDtrGGJPixel* GetGGJPixel() override { return nullptr; }
    void RefillGJPListView() override {}
    void OpenFormNameLoadDialog(const std::string& name, const CFxRevPropStore& store) override {
        CDlgFormName dialog(CDlgFormName::MODE_LOAD, name, nullptr, &store);
        ExecDialog(dialog);
    }

    std::string workDir;
    CDsgDSPFrame* page = nullptr;
    QWidget window;
    CDsgTSPFrame* strip = nullptr;
    CDlgUBar* bar = nullptr;
    CDlgToolBox* palette = nullptr;
    int designChanges = 0;
    std::vector<int> refreshes;
};

}  // namespace framestesting
