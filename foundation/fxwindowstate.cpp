// A main frame's place between runs.

#include "foundation/fxwindowstate.h"

#include <QWidget>
#include <algorithm>

#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "platform/paths.h"

BOOL CFxWindowState::Apply(QWidget* window, BOOL keepDefault) {
    FxWindowPlacement placement;
    BOOL maximized = FALSE;
    const BOOL used = LoadWindowState(GetPath(), placement, maximized, m_nMinWidth, m_nMinHeight);
    // The maximised flag counts only with a window that can be maximised: one
    // with the default decoration, or with a maximise box among its own.
    const Qt::WindowFlags flags = window->windowFlags();
    const bool maximizable =
        !(flags & Qt::CustomizeWindowHint) || (flags & Qt::WindowMaximizeButtonHint);
    m_bSavedMaximized = maximized && maximizable;
    window->setMinimumSize(m_nMinWidth, m_nMinHeight);
    if (used || !keepDefault) {
        window->move(placement.x, placement.y);
        window->resize(std::max(placement.cx, m_nMinWidth), std::max(placement.cy, m_nMinHeight));
    }
    return used;
}

void CFxWindowState::Activate(QWidget* window) {
    if (m_bFirstActivation && m_bSavedMaximized)
        window->showMaximized();
    else
        window->show();
    m_bFirstActivation = FALSE;
}

void CFxWindowState::Record(const QWidget* window) {
    if (window->isVisible()) WindowStateToText(window, m_strText);
}

BOOL CFxWindowState::Write(const QWidget* window) {
    if (m_strText.empty()) WindowStateToText(window, m_strText);
    const std::string path = GetPath();
    MakeFolderPathFor(path);
    return WriteTextFile(path, m_strText);
}
