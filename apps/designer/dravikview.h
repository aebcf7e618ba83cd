#pragma once

// The program's only view: it holds the design library's main frame for its
// whole life, takes a working slot when its window is made, starts the frame
// in it, and keeps the project's BASIC source current (at most one
// regeneration every 2000 ms; timer 2 serves a deferred one).

#include <QWidget>
#include <set>
#include <string>

#include "apps/designer/dsgframe.h"
#include "platform/window.h"

class CDsgGOption;

class CDravik2View : public QWidget {
public:
    // Timers of the view.
    enum : UINT_PTR { TIMER_FOCUS = 1, TIMER_REGENERATE = 2, TIMER_CLOSE = 3 };
    static constexpr UINT kFocusDelay = 100;
    static constexpr UINT kRegenerateCheck = 2700;
    static constexpr UINT kCloseDelay = 100;
    static constexpr DWORD kRegenerateInterval = 2000;
    // Slot folders beside the program: "prj0" .. "prj4".
    static constexpr int kSlotCount = 5;

    explicit CDravik2View(QWidget* parent = nullptr);
    ~CDravik2View() override;

    // The window creation: finds a slot and starts the design frame. FALSE
    // when the frame could not start (the program then closes); with no slot
    // free the creation succeeds and timer 3 closes the program.
    BOOL OnCreate();
    void OnInitialUpdate();

    // The regeneration request: at once, or only marked when the last run
    // was 2000 ms ago or less.
    void OnRegenerateRequest();
    // Regenerates the source now.
    void Regenerate();
    void OnTimer(UINT_PTR id);

    CDsgMainFrame& GetDsgMainFrame() { return m_dsgMainFrame; }
    BOOL IsDirty() const { return m_bDirty; }
    DWORD GetLastRegenerationTime() const { return m_dwLastRegeneration; }
    // Whether the slot search and the frame's start succeeded.
    BOOL IsFrameStarted() const { return m_bFrameStarted; }

    // While held, regeneration does not write the automatic save file (an
    // opened project's path is confirmed first).
    void HoldAutoSave(BOOL hold) { m_bAutoSaveHeld = hold; }

    // The slot folder of a slot number: the program folder + "prj" + number.
    static std::string GetSlotFolder(int slot);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void WriteAutoSave(const std::string& path, const std::string& text);

    CDsgMainFrame m_dsgMainFrame;
    BOOL m_bDirty = FALSE;
    DWORD m_dwLastRegeneration = 0;
    BOOL m_bFrameStarted = FALSE;
    BOOL m_bAutoSaveHeld = FALSE;
    std::set<std::string> m_reportedPaths;
};

// Process-wide pointers of the program.
class CDravik2Doc;
class CDvkCodeWnd;
class CMainFrame;
extern CDravik2View* g_pDravik2View;
extern CDsgMainFrame* g_pDsgMainFrame;
extern CDsgDSPFrame* g_pDsgDSPFrame;
extern CDsgGOption* g_pDsgGOption;
extern CDravik2Doc* g_pDravik2Doc;
extern CDvkCodeWnd* g_pDvkCodeWnd;
extern CMainFrame* g_pMainFrame;
// The BASIC source the code window shows.
extern std::string g_strPJGCommands;
// The slot this instance took (-1 before the search or when none was free).
extern int g_nDvkSlot;
