#pragma once

// The design main frame: the window that holds the whole design engine inside
// a host window of the designer program. It owns the tool palette, the form
// bar, the object-position bar, the design page of the visible form, the
// property host, the form-tab strip and a splitter bar; it starts the engine
// (InitMainFrame), lays the children out, routes the object-editing commands
// to the design page, refreshes its children by numbered refresh events and
// tells the host window of every change of the design with WM_USER+297.
//
// The frame is a plain child widget of its host: no menu, no bars of its own.
// It is the engine's one CDsgLSDHost, and the engine's current main frame
// (GetDsgMainFrame) from its construction on.

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "design/frames/veldrane_export.h"
#include "design/model/dsglsdhost.h"
#include "foundation/fxwindowslayout.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class CDlgToolBox;
class CDlgUBar;
class CDlgWOPos;
class CDsgDSPFrame;
class CDsgGOption;
class CDsgPJGCache;
class CDsgTSPFrame;
class CDsgXFFrame;
class CDtrGGJPixel;
class QDialog;

// The design-change message: sent to the host window after every change of
// the design, with wParam 0 and lParam 0.
inline constexpr UINT WM_DSG_DESIGNCHANGED = WM_USER + 297;

// Control id of the splitter bar between the design page and the form tabs.
inline constexpr int IDC_DSG_SPLITTER = 2831;

// Names of the files the engine keeps beside the design library.
inline constexpr const char* DSG_LAYOUTFILE = "dsg_lays.dat";
inline constexpr const char* DSG_LOGFILE = "dsg.log";

// The path of a file kept beside the design library: the folder of the
// library's own file (found from one of its addresses), as the program-folder
// override places it.
std::string GetDsgLibFilePath(const std::string& name);

class VELDRANE_API CDsgMainFrame : public QWidget, public CFxWindowsLayout, public CDsgLSDHost {
    Q_OBJECT

public:
    // Becomes the engine's current main frame and its host. The windows of
    // the engine come with InitMainFrame.
    explicit CDsgMainFrame(QWidget* parent = nullptr);
    ~CDsgMainFrame() override;

    // Starts the engine: options, key style, the library's module, the log
    // in diagnostics mode, the child windows, and the claim of the working
    // slot with the seed text. 1 on success, 0 on failure.
    int InitMainFrame(int slot, int show, const std::string& slotFolder, int keyStyle,
                      QWidget* hostWindow, const std::string& seed);

    // One refresh event: 1 rebuild and repaint the page and refresh the
    // position bar from the rebuilt objects, 2 repaint the page, 3 property
    // host, 4 position bar, 5 form tabs, 6 form bar; others do nothing.
    void SRefreshSREvent(int code);
    // The codes of a zero-terminated list, each in order.
    void SRefreshSREvents(int code, ...);

    // Notices of the visible design page: an appended action, an object
    // made by hand, an undo or redo, the pointer's place.
    void _OnEAAdded() override;
    void _OnJustWOCreated(int kind) override;
    void _OnUndoedOrRedoed() override;
    void ShowCursorLCDPos(const CPoint& clientPoint) override;
    int GetLSDSlotNumber() const override { return m_nSlot; }

    // Resizes the host's top-level window so that the canvas shows at the
    // zoom in percent.
    void PResize(int percent);
    // Opens the grid dialog (nothing while it is open).
    void SetUGrid();
    // Stores the address of the global option record in the pointer.
    void SetDsgOption(CDsgGOption*& option);
    // The slot folder given to InitMainFrame.
    std::string GetLSDir() const;
    // Marks the working slot completed (the designer calls it when it closes).
    void UCSet();

    // ---- Object commands -----------------------------------------------
    // The twenty commands of the object-edit menu (ids of the design page's
    // menu), in menu order.
    static const std::vector<UINT>& GetDsgCommandIds();
    // Runs one of them on the visible design page; FALSE when the id is no
    // object command, there is no page or the command is disabled.
    BOOL OnDsgCommand(UINT id);
    // The command's enable rule on the page's choice (FALSE without a page).
    BOOL IsDsgCommandEnabled(UINT id) const;

    // The BASIC source of the whole project, into `out`: every form tab in
    // order (the visible form from the page, the others from their working
    // files), with the project's character definitions in a SUB of their own
    // named `isolateName` when `isolate` is set. Returns 1.
    // The forms not on the page give the SUBs kept from the last run while
    // their working files and the generator's inputs stay as they were
    // (dsgpjgcache.h).
    int GetPJGCommands(std::string& out, int generate, int isolate, const std::string& isolateName);
    // The same text with every form generated anew, nothing kept used or
    // kept (to check the kept texts against).
    int GetPJGCommandsFromScratch(std::string& out, int isolate, const std::string& isolateName);
    // The SUBs kept for the forms not on the page.
    const CDsgPJGCache& GetPJGCache() const { return *m_pPJGCache; }

    // Sends WM_USER+297 to the host window (nothing without one).
    void NotifyDesignChanged();

    // ---- Children and state ----------------------------------------------
    CDlgToolBox* GetToolBox() const { return m_pToolBox; }
    CDlgWOPos* GetWOPos() const { return m_pWOPos; }
    CDsgDSPFrame* GetDSPFrame() const { return m_pDSPFrame; }
    CDsgTSPFrame* GetTSPFrame() const { return m_pTSPFrame; }
    CDsgXFFrame* GetXFFrame() const { return m_pXFFrame; }
    CDlgUBar* GetUBar() const { return m_pUBar; }
    CFxSplitStatic* GetSplitter() const { return m_pSplitter; }
    QWidget* GetHostWidget() const { return m_pHostWnd; }
    int GetSlotNumber() const { return m_nSlot; }
    // The button-refresh flag: 1 until the first appended action refreshed
    // the form bar; a slot reset sets it again.
    int GetButtonRefreshFlag() const { return m_nButtonRefresh; }
    void SetButtonRefreshFlag(int flag) { m_nButtonRefresh = flag; }
    BOOL IsSplitterPlaced() const { return m_bSplitterPlaced; }
    // The top of the design page in the frame, -1 while there is no page.
    int GetDSPTop() const;

    // The project's character set: the character editor's once the panels
    // exist.
    CDtrGGJPixel* GetProjectGGJPixel() const {
        return const_cast<CDsgMainFrame*>(this)->GetGGJPixel();
    }

    // ---- CDsgLSDHost ----------------------------------------------------
    std::string GetLSDWorkDir() const override;
    CDsgEActions* GetDSPEActions() override;
    void DSPClear() override;
    void TSPRemoveAllPages() override;
    BOOL TSPAddPage(const std::string& name) override;
    int TSPGetPageCount() const override;
    void TSPSelectPage(int index) override;
    BOOL TSPExchangePages(int a, int b) override;
    void TSPRepaint() override;
    BOOL TSPUpdateAllThumbnails() override;
    QImage TSPDrawFormThumbnail(CDsgEActions& form) override;
    BOOL TSPUpdateAllThumbnailsFrom(const std::vector<QImage>& thumbnails) override;
    BOOL TSPWriteFormList() override;
    void TSPRecalcScrollSizes() override;
    void MFRefresh(int code) override;
    void MFMarkAndUpdateEditButtons() override;
    void UpdatePaletteButtons() override;
    void RepaintFormBar() override;
    QObject* GetHostWindow() override;
    CDtrGGJPixel* GetGGJPixel() override;
    void RefillGJPListView() override;
    void OpenFormNameLoadDialog(const std::string& name, const CFxRevPropStore& store) override;

    // Lays the children out for the current size (the resize handler).
    void RecalcChildLayout();
    // The process log's text window (diagnostics mode), or null.
    QWidget* GetLogWindow() const { return m_pLogWnd; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the object lies inside this frame's window tree.
    bool IsInFrame(const QObject* object) const;
    void CreateChildren();
    // The page's objects rebuilt from its history up to the current action.
    void RebuildDSPObjects();
    // The position bar's fields from the choice.
    void RefreshWOPos();
    // The visible form's tab needs a new thumbnail.
    void MarkVisibleTabChanged();
    // The page's form differs from its working file now.
    void MarkDSPUnsaved();
    void SetupProcessLog(const std::string& path, BOOL clear, BOOL window, CRect rect);
    // The project's text, with the kept SUBs when `cache` is given.
    int MakePJGCommands(std::string& out, int isolate, const std::string& isolateName,
                        CDsgPJGCache* cache);

    CDlgToolBox* m_pToolBox = nullptr;
    CDlgWOPos* m_pWOPos = nullptr;
    CDsgDSPFrame* m_pDSPFrame = nullptr;
    CDsgTSPFrame* m_pTSPFrame = nullptr;
    CDsgXFFrame* m_pXFFrame = nullptr;
    CDlgUBar* m_pUBar = nullptr;
    CFxSplitStatic* m_pSplitter = nullptr;
    QWidget* m_pDSPWnd = nullptr;    // the design page as a window
    QWidget* m_pWOPosWnd = nullptr;  // the position bar as a window
    QPointer<QWidget> m_pLogWnd;
    QPointer<QWidget> m_pHostWnd;
    std::string m_strLSDir;
    std::unique_ptr<CDtrGGJPixel> m_pGGJPixel;
    std::unique_ptr<CDsgPJGCache> m_pPJGCache;

    int m_nButtonRefresh = 1;
    int m_nSlot = 0;
    BOOL m_bSplitterPlaced = FALSE;
    std::string m_strModulePath;
};

// The engine's current main frame, or null.
VELDRANE_API CDsgMainFrame* GetDsgMainFrame();
