#pragma once

// The program's only view: it holds the design library's main frame for its
// whole life, takes a working slot when its window is made, starts the frame
// in it, and keeps the project's BASIC source current (at most one
// regeneration every 2000 ms; timer 2 serves a deferred one).

#include <QWidget>
#include <set>
#include <string>

#include "apps/designer/dsgframe.h"
#include "apps/designer/dvkglobals.h"
#include "platform/window.h"

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
    // The project's source generated afresh with the document's settings;
    // FALSE when the frame has not started.
    BOOL GenerateSource(std::string& text);
    // The source of the last regeneration: what the code window shows.
    const std::string& GetPJGCommands() const { return m_strPJGCommands; }
    void OnTimer(UINT_PTR id);

    CDsgMainFrame& GetDsgMainFrame() { return m_dsgMainFrame; }
    BOOL IsDirty() const { return m_bDirty; }
    DWORD GetLastRegenerationTime() const { return m_dwLastRegeneration; }
    // Whether the slot search and the frame's start succeeded.
    BOOL IsFrameStarted() const { return m_bFrameStarted; }
    // The slot this instance took (-1 before the search or when none was
    // free).
    int GetSlot() const { return m_nSlot; }

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
    std::string m_strPJGCommands;
    int m_nSlot = -1;
    BOOL m_bDirty = FALSE;
    DWORD m_dwLastRegeneration = 0;
    BOOL m_bFrameStarted = FALSE;
    BOOL m_bAutoSaveHeld = FALSE;
    std::set<std::string> m_reportedPaths;
};
