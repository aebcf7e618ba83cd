#pragma once

// The window through which a program hosts the whole pixel-design engine. The
// host creates it as a child and calls InitMWindow with its own window. It
// owns the two tool frames with their views, the code dialog, the notice
// dialog with the notice bar and two splitter bars, keeps the layout of them
// in "lmr_lay.dat" and the engine's options in "lmr_goption.dat" (both in
// the "Orvanta" data folder).
//
// The code dialog and the Add Text dialog are built by their own module; it
// registers how to make them (LmrSetCodeDialogFactory,
// LmrSetAddTextDialogFactory). Without a factory the host window shows an
// empty dialog 28020 and Add Text places the text rectangle only.

#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "foundation/fxwindowslayout.h"
#include "pixel/lumaret_export.h"

class CDlgEGJPWFrame;
class CDlgOGJPWFrame;
class CFxNoticeBar;
class CLmrEGJPWindow;
class CLmrOGJPWindow;

// Makes a dialog as a child of `parent`; the caller owns the result.
using LmrDialogFactory = std::function<QWidget*(QWidget* parent)>;
// The code dialog (dialog 28020), made as a child of the host window.
LUMARET_API void LmrSetCodeDialogFactory(LmrDialogFactory factory);
// The modeless "Add Text" dialog, made by the whole-canvas frame's Add Text
// command after it set the text rectangle and the text tool. It is deleted
// when closed (Qt::WA_DeleteOnClose is set on it).
LUMARET_API void LmrSetAddTextDialogFactory(LmrDialogFactory factory);
LUMARET_API const LmrDialogFactory& LmrAddTextDialogFactory();

// The notice dialog (dialog 28021): the notice bar in a child dialog.
class LUMARET_API CDlgLmrNotice : public QDialog {
    Q_OBJECT

public:
    enum { IDD = 28021 };
    CDlgLmrNotice(std::atomic<int>* running, QWidget* parent = nullptr);
    ~CDlgLmrNotice() override;
    CFxNoticeBar* GetNoticeBar() const { return m_pBar.get(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<CFxNoticeBar> m_pBar;
};

class LUMARET_API CLmrMWindow : public QWidget, public CFxWindowsLayout {
    Q_OBJECT

public:
    enum {
        IDC_SPLIT_VIEWS = 2848,  // between the whole-canvas and the zoomed frame
        IDC_SPLIT_CODE = 2849,   // between the whole-canvas frame and the code dialog
        IDD_CODE = 28020,
    };
    // Pane minimums of the two splitters.
    static constexpr int kMinFrame = 100;
    static constexpr int kMinCode = 150;
    // How long the destructor waits for the worker jobs before it abandons
    // them.
    static constexpr int kShutdownLimitMs = 20000;

    // Builds the members, becomes the engine's host window, sets the option
    // defaults and applies the saved layout.
    explicit CLmrMWindow(QWidget* parent = nullptr);
    // Writes the layout and the options, stops the worker jobs (waiting at
    // most kShutdownLimitMs), then destroys the members in reverse order.
    ~CLmrMWindow() override;

    // Keeps the host (the receiver of the modified message), reads the
    // option file over the defaults, sets "ojpbreadth" to 1, refreshes the
    // option values and starts the notice bar. With the developer switch
    // and a host version number (not -1) the library's version is checked
    // against it.
    void InitMWindow(QWidget* host, int hostVersion = -1);
    BOOL IsInitialised() const { return m_bInitialised; }
    QWidget* GetHostWindow() const { return m_pHost.data(); }

    // The engine's sub-objects, for the program's commands.
    CDlgOGJPWFrame* GetOGJPWFrame() const { return m_pOFrame.get(); }
    CDlgEGJPWFrame* GetEGJPWFrame() const { return m_pEFrame.get(); }
    CLmrOGJPWindow* GetOGJPWindow() const;
    CLmrEGJPWindow* GetEGJPWindow() const;
    QWidget* GetCodeDialog() const { return m_pCode.get(); }
    CDlgLmrNotice* GetNoticeDialog() const { return m_pNotice.get(); }
    CFxSplitStatic* GetSplitViews() const { return m_pSplitViews.get(); }
    CFxSplitStatic* GetSplitCode() const { return m_pSplitCode.get(); }

    // The shared run flag of the notice bar's request.
    std::atomic<int>& GetRunFlag() { return m_nRunFlag; }
    // Clears every job's run flag and waits until no job runs, at most
    // `limitMs`; then the three managers are let go. The time it took, in ms.
    int StopJobs(int limitMs);

    // The option and layout files.
    static std::string GetOptionFilePath();
    static std::string GetLayoutFilePath();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceChildren();
    void ApplyDefaultLayout();
    bool IsLayoutSound() const;

    std::unique_ptr<CDlgOGJPWFrame> m_pOFrame;
    std::unique_ptr<CDlgEGJPWFrame> m_pEFrame;
    std::unique_ptr<QWidget> m_pCode;
    std::unique_ptr<CDlgLmrNotice> m_pNotice;
    std::unique_ptr<CFxSplitStatic> m_pSplitViews;
    std::unique_ptr<CFxSplitStatic> m_pSplitCode;
    QPointer<QWidget> m_pHost;
    BOOL m_bInitialised = FALSE;
    // Where the bars belong (x of 2848, y of 2849) and where they were last
    // placed, which differs while the window is too small for them.
    int m_nWantedX = 0, m_nWantedY = 0;
    int m_nPlacedX = -1, m_nPlacedY = -1;
    std::atomic<int> m_nRunFlag{0};
    bool m_bJobsStopped = false;
};

// The engine's host window, null while there is none.
LUMARET_API CLmrMWindow* LmrMWindow();
