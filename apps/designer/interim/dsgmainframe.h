#pragma once

// The design library's main frame as the designer program sees it, for as
// long as the library does not carry its own: the members the program calls,
// on a plain design page (history, objects and selection, no drawing or
// mouse editing) and a form list in place of the tab strip. It keeps the
// working slot, the project's forms and the BASIC generation real, so the
// program's document, slot and code logic run on real files.

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdhost.h"
#include "design/model/dsgwobjs.h"
#include "design/model/dsgwochoice.h"
#include "platform/geometry.h"
#include "platform/window.h"

// The visible design page.
class CDvkInterimPage : public QWidget, public CDsgEActions, public CDsgWObjs, public CDsgWOChoice {
public:
    CDvkInterimPage();
    ~CDvkInterimPage() override;

    // Empties the page; with `cache` the form is first written to its
    // working file.
    void SPClear(BOOL refresh, BOOL cache);
    // Replays the history up to the current action.
    BOOL SRebuild();

    void UndoEActionAndSRefresh();
    void RedoEActionAndSRefresh();
    void OnCut();
    void OnCopy();
    void OnPaste();
    void OnWODeleteWOCHObjs();
    int OnTab();
    void WOChooseAllWObjs();

    // Appends an edit action as the page's editing does and tells the frame.
    BOOL AddEAction(std::unique_ptr<CDsgEAction> action);

protected:
    CDsgWOChoice* GetWObjsChoice() const override { return const_cast<CDvkInterimPage*>(this); }
    CDsgWOChoice* GetEActionsChoice() const override { return const_cast<CDvkInterimPage*>(this); }
    CDsgWObj* GetWOChoiceWObj(int id) const override { return GetWObjById(id); }
    void SetWOChoiceEState(int) override {}
    void paintEvent(QPaintEvent* event) override;
};

class CDvkInterimFrame : public QWidget, public CDsgLSDHost {
public:
    CDvkInterimFrame();
    ~CDvkInterimFrame() override;

    int InitMainFrame(int slot, int show, const std::string& slotFolder, int keyStyle,
                      QWidget* hostWindow, const std::string& seed);
    int GetPJGCommands(std::string& out, int generate, int isolate, const std::string& name);
    void SetDsgOption(CDsgGOption*& option) { option = &GetDsgGOption(); }
    void PResize(int percent);
    void SetUGrid() {}
    int UCSet();
    void SRefreshSREvent(int code);
    std::string GetLSDir() const { return m_strSlotFolder; }

    CDvkInterimPage* GetDSPFrame() { return &m_dspFrame; }
    // The name of the tab of a form index; FALSE when there is no such tab.
    BOOL GetTSPageName(int index, std::string& name) const;
    void MarkTSPageChanged(int index);
    // Adds an empty form (the form bar's Add Form).
    void OnAddSPage();
    // Loads a single-form file chosen by the user.
    void OnEUSFLoad();

    // Tells the host that the design changed.
    void NotifyDesignChange();

    // Notices of the design page (the host interface has them once the
    // library's page exists; here the interim page calls NotifyDesignChange).
    virtual void _OnEAAdded() {}
    virtual void _OnJustWOCreated(int) {}
    virtual void _OnUndoedOrRedoed() {}
    virtual void ShowCursorLCDPos(const CPoint&) {}
    virtual int GetLSDSlotNumber() const { return m_nSlot; }

    // The host of the load-and-save action.
    std::string GetLSDWorkDir() const override { return m_strSlotFolder; }
    CDsgEActions* GetDSPEActions() override { return &m_dspFrame; }
    void DSPClear() override;
    void TSPRemoveAllPages() override { m_tabs.clear(); }
    BOOL TSPAddPage(const std::string& name) override;
    int TSPGetPageCount() const override { return static_cast<int>(m_tabs.size()); }
    void TSPSelectPage(int index) override { m_nCurrentTab = index; }
    BOOL TSPExchangePages(int a, int b) override;
    void TSPRepaint() override {}
    BOOL TSPUpdateAllThumbnails() override { return TRUE; }
    BOOL TSPWriteFormList() override;
    void TSPRecalcScrollSizes() override {}
    void MFRefresh(int code) override { SRefreshSREvent(code); }
    void MFMarkAndUpdateEditButtons() override {}
    void UpdatePaletteButtons() override {}
    void RepaintFormBar() override {}
    QObject* GetHostWindow() override;
    CDtrGGJPixel* GetGGJPixel() override { return &m_ggjPixel; }
    void RefillGJPListView() override {}
    void OpenFormNameLoadDialog(const std::string& name, const CFxRevPropStore& store) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CDvkInterimPage m_dspFrame;
    std::vector<std::string> m_tabs;
    std::vector<int> m_changed;
    int m_nCurrentTab = -1;
    int m_nSlot = -1;
    std::string m_strSlotFolder;
    QPointer<QWidget> m_pHost;
    CDtrGGJPixel m_ggjPixel;
};
