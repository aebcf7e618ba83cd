#pragma once

// A main frame's place between runs: the window-state file read before the
// window is shown, kept up to date while the window moves and resizes, and
// written when it closes. A saved maximised state shows the window maximised
// at its first activation only. Both programs keep their main window so.

#include <functional>
#include <string>

#include "platform/wintypes.h"

class QWidget;

class CFxWindowState {
public:
    // `pathOf` gives the state file's path (asked at each read and write, so
    // that the folders may be set late).
    CFxWindowState(std::function<std::string()> pathOf, int minWidth, int minHeight)
        : m_pathOf(std::move(pathOf)), m_nMinWidth(minWidth), m_nMinHeight(minHeight) {}

    std::string GetPath() const { return m_pathOf(); }
    // Reads the file and places the window (at least the minimum size, which
    // also becomes its minimum). With `keepDefault` a file without the four
    // places leaves the window where it is; otherwise it opens a quarter of
    // the screen in with half its size. TRUE when the file's values were used.
    BOOL Apply(QWidget* window, BOOL keepDefault);
    // Shows the window: maximised when it was saved so and this is the first
    // activation.
    void Activate(QWidget* window);
    // Records the placement of a visible window (moves and size changes).
    void Record(const QWidget* window);
    // Writes the record (taken from the window when nothing was recorded).
    BOOL Write(const QWidget* window);

    const std::string& GetText() const { return m_strText; }
    BOOL IsSavedMaximized() const { return m_bSavedMaximized; }

private:
    std::function<std::string()> m_pathOf;
    int m_nMinWidth;
    int m_nMinHeight;
    std::string m_strText;
    BOOL m_bSavedMaximized = FALSE;
    BOOL m_bFirstActivation = TRUE;
};
