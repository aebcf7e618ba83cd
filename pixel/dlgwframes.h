#pragma once

// The tool frames of the two views: child dialogs that hold a view and its
// tool buttons. CDlgEGJPWFrame (dialog 28001) holds the zoomed view and the
// drawing tools, transforms, zoom, colour and clipboard buttons;
// CDlgOGJPWFrame (dialog 28000) holds the whole-canvas view with the walk,
// clear, text and zoom buttons. The frames also carry the edit operations the
// pixel-art program's menu calls.
//
// Keys: every key press reaching a frame or its view goes to the common
// shortcut handler of the whole-canvas view. The frames accept the shortcut
// override of Esc, Delete, Ctrl+A/C/V/X, Y and Z, so such a key acts once,
// here, and never also through a menu action with the same shortcut.

#include <QDialog>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

#include "foundation/fxbutton.h"
#include "foundation/fxwindowslayout.h"
#include "pixel/lumaret_export.h"
#include "platform/window.h"

class CLmrEGJPWindow;
class CLmrOGJPWindow;

// The message the zoomed frame posts to itself to paste after the key
// message that asked for it is finished (wParam 0, lParam 0).
constexpr UINT WM_LMR_QDSHIFT = WM_USER + 276;

// A frame's colour swatch: a grey 0x808080 frame with the drawing colour
// inside, 2 px in.
class LUMARET_API CLmrColorSwatch : public QWidget {
public:
    explicit CLmrColorSwatch(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// What both frames share: the buttons by control id, the view's layout and
// the key handling.
class LUMARET_API CLmrWFrameBase : public QDialog, public CFxWindowsLayout {
    Q_OBJECT

public:
    explicit CLmrWFrameBase(QWidget* parent);
    ~CLmrWFrameBase() override;

    // The button with the control id, or null.
    CFxButton* GetButton(int id) const;
    // Whether the key (with its modifiers) is one of the shortcuts the
    // frames handle themselves.
    static bool IsFrameShortcut(int qtKey, Qt::KeyboardModifiers modifiers);

protected:
    // A bitmap button with its tooltip; a click runs the command.
    CFxButton* AddButton(int id, int bitmapId, const char* tip, std::function<void()> command);
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A key press for the frame (after the override was accepted): the
    // common handler, then the frame's own rules. True when it was taken.
    virtual bool HandleFrameKey(QKeyEvent* event);

    std::map<int, CFxButton*> m_mapButtons;
};

class LUMARET_API CDlgEGJPWFrame : public CLmrWFrameBase {
    Q_OBJECT

public:
    enum {
        IDD = 28001,
        IDC_PENCIL = 28014,
        IDC_LINE = 28010,
        IDC_BOX = 28011,
        IDC_ELLIPSE = 28012,
        IDC_FBOX = 28013,
        IDC_FELLIPSE = 28015,
        IDC_SELECT = 28016,
        IDC_XFLIP = 27003,
        IDC_YFLIP = 27004,
        IDC_ROTATE = 27005,
        IDC_LCRAWL = 27006,
        IDC_RCRAWL = 27007,
        IDC_UCRAWL = 27008,
        IDC_DCRAWL = 27009,
        IDC_ZOOMIN = 28004,
        IDC_ZOOMOUT = 28003,
        IDC_CLEAR = 28027,
        IDC_CLEAR2 = 28018,
        IDC_COLOR = 27000,
        IDC_SWATCH = 27014,
        IDC_COPY = 28024,
        IDC_PASTE = 28025,
    };

    // Creates the zoomed view ("EGJPW") in the client area.
    explicit CDlgEGJPWFrame(QWidget* parent = nullptr);
    ~CDlgEGJPWFrame() override;

    CLmrEGJPWindow* GetEGJPWindow() const { return m_pView; }

    // Tools.
    void OnEnableUJPixel();
    void OnEnableUJPLine();
    void OnEnableUJPBox();
    void OnEnableUJPEllipse();
    void OnEnableUJPFBox();
    void OnEnableUJPFEllipse();
    void OnEnableGJPSelect();
    // Transforms (edit kinds 3 to 9).
    void OnKGJPMXFlip();
    void OnKGJPMYFlip();
    void OnKGJPMRotate();
    void OnKGJPMLCrawl();
    void OnKGJPMRCrawl();
    void OnKGJPMUCrawl();
    void OnKGJPMDCrawl();
    // Zoom, clear, colour.
    void OnJPBIncrease();
    void OnJPBDecrease();
    void OnGJPClear();
    void OnJPCToggle();

    // The menu's edit operations.
    void EGJPWFrameGJPSCopy();
    void EGJPWFrameGJPSCut();
    int EGJPWFrameIsGJPSCopiable() const;
    void EGJPWFrameAZGJPSelect();
    void EGJPWFrameQDShift();
    int EGJPWFrameIsQDShiftable() const;
    // Posts WM_LMR_QDSHIFT to the frame; its handler pastes.
    void WMInvokeQDShift();
    LRESULT OnUserMsgQDShift(WPARAM wParam, LPARAM lParam);

    // Rotate only while the square test holds; the tool buttons show the
    // tool.
    void UpdateEBState();

protected:
    bool HandleFrameKey(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ChooseTool(int tool, int buttonId);
    void Transform(int kind);

    CLmrEGJPWindow* m_pView = nullptr;
    CLmrColorSwatch* m_pSwatch = nullptr;
};

class LUMARET_API CDlgOGJPWFrame : public CLmrWFrameBase {
    Q_OBJECT

public:
    enum {
        IDD = 28000,
        IDC_UWALK = 28014,
        IDC_DWALK = 28015,
        IDC_LWALK = 28016,
        IDC_RWALK = 28017,
        IDC_CLEARAREA = 28018,
        IDC_ADDTEXT = 28019,
        IDC_ZOOMIN = 28004,
        IDC_ZOOMOUT = 28003,
        IDC_COLOR = 27000,
        IDC_ROTATE = 27005,
    };

    // Creates the whole-canvas view ("OGJPW") in the client area.
    explicit CDlgOGJPWFrame(QWidget* parent = nullptr);
    ~CDlgOGJPWFrame() override;

    CLmrOGJPWindow* GetOGJPWindow() const { return m_pView; }

    void OnUGJPCGZWalk();
    void OnDGJPCGZWalk();
    void OnLGJPCGZWalk();
    void OnRGJPCGZWalk();
    void OnEGJPClear();
    void OnUJPTAdd();
    void OnJPBIncrease();
    void OnJPBDecrease();
    void OnJPCToggle();
    void OnKGJPMRotate();

    // Clear All: asks, then deletes every undo step and clears the canvas.
    void AGJPEADelete();
    void GJPEAANPerformByGJPCGZClear(int left, int top, int right, int bottom);
    int GJPEAANPerformByGJPCGZWalk(int direction);
    // Walk and text buttons only while the text tool is not active.
    void UpdateEBState();

    // The open Add Text dialog, or null.
    QWidget* GetAddTextDialog() const { return m_pAddText.data(); }

    // The height the frame needs at a width for its buttons and a view of
    // at least one cell row.
    static int GetMinimumHeight(int width);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Where the view starts below the buttons at a width.
    static int ViewTop(int width);

    CLmrOGJPWindow* m_pView = nullptr;
    QPointer<QWidget> m_pAddText;
};

// The frames, null while there are none.
LUMARET_API CDlgEGJPWFrame* LmrEGJPWFrame();
LUMARET_API CDlgOGJPWFrame* LmrOGJPWFrame();
