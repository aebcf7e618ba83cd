#pragma once

// The character editor window a host embeds. It is the project's character
// set and fills its client area with the character list; the list opens the
// edit dialog, where one character is drawn cell by cell.
//
// The editor saves nothing itself. Every change of the set, and every copy,
// paste and can-paste question of the edit dialog, goes to the host window as
// one of the messages below, sent at once (the host's answer is in place when
// the call returns); lParam is always 0 and the result is ignored.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "chareditor/dottrel_export.h"
#include "chareditor/dtrggjpixel.h"
#include "platform/window.h"

class CDlgGJPList;
class CDtrGJPListCtrl;
class CDtrJPWindow;

// The set changed (Apply, Delete, Select, Duplicate). wParam 1 when the
// current code changed too (Select, or Apply of a new character that is now
// the only one), else 0.
constexpr UINT WM_DTR_GIRNCALTER = WM_USER + 1810;
// The edit dialog's copy, paste and can-paste questions (every 400 ms);
// wParam is the dialog, a CDlgGJPEdit*.
constexpr UINT WM_DTR_GJPCOPY = WM_USER + 1811;
constexpr UINT WM_DTR_GJPPASTE = WM_USER + 1812;
constexpr UINT WM_DTR_GJPCANPASTE = WM_USER + 1813;

class DOTTREL_API CDtrMWindow : public QWidget, public CDtrGGJPixel {
public:
    // The set starts empty with no current code (-1); the window becomes the
    // current editor window.
    explicit CDtrMWindow(QWidget* parent = nullptr);
    // Closes an open edit dialog of this editor and deletes the set.
    ~CDtrMWindow() override;

    // Keeps the window the messages go to; the host calls it right after
    // creating the editor.
    void InitMWindow(QWidget* host);
    QWidget* GetHostWnd() const { return m_host.data(); }
    bool IsInitialised() const { return m_initialised; }

    CDlgGJPList& GetGJPList() { return *m_list; }
    CDtrGJPListCtrl& GetGJPListCtrl();
    // Fills the list from the set again, after the host replaced the set.
    void RefillGJPListView();
    // The grid window of this editor's open edit dialog, or null.
    CDtrJPWindow* GetJPWindow() const;

    // Sends a message to the host window; 0 before InitMWindow.
    LRESULT SendToHost(UINT message, WPARAM wParam) const;

    // The editor window constructed last; null once that one is destroyed.
    static CDtrMWindow* GetCurrent();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // The list covers the whole client area; the window paints nothing.
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<CDlgGJPList> m_list;
    QPointer<QWidget> m_host;
    bool m_initialised = false;
};
