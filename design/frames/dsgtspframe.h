#pragma once

// The form-tab strip: the scrolling column at the right of the design main
// frame with one tab per form of the project (thumbnail, number and name).
// Its order is the forms' order and a tab's index is the form's index
// everywhere in the engine; its names are the slot's form list. Through it
// the user chooses forms, opens one for editing, renames, deletes, reorders,
// saves and loads single forms.

#include <QAbstractScrollArea>
#include <QImage>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "design/frames/veldrane_export.h"
#include "foundation/fxrevpropstore.h"
#include "platform/geometry.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class CDC;
class CDsgDSPFrame;
class CDsgEActions;
class QMenu;
class CDsgTSPFrame;

// Key of a tab's form name in its store.
inline constexpr const char* TSP_SPNAME = "TSP.spname";
// Commands of the tab menus.
inline constexpr UINT ID_TSP_EDITFORM = 40001;
inline constexpr UINT ID_TSP_RENAMEFORM = 40002;
inline constexpr UINT ID_TSP_DELETEFORMS = 40003;
inline constexpr UINT ID_TSP_GOBACKWARD = 40004;
inline constexpr UINT ID_TSP_GOFORWARD = 40005;
inline constexpr UINT ID_TSP_LOADFORM = 40006;
inline constexpr UINT ID_TSP_SAVEFORM = 40007;
// The tabs' thumbnail timer and the strip's scroll-size timer.
inline constexpr UINT_PTR TSP_THUMB_TIMER = 1;
inline constexpr UINT TSP_THUMB_PERIOD = 1800;
inline constexpr UINT_PTR TSP_SCROLL_TIMER = 1;

// One form's tab: a child of the strip's viewport at its slot rectangle.
class VELDRANE_API CDsgTSPage : public QWidget, public CFxRevPropStore {
    Q_OBJECT
public:
    CDsgTSPage(CDsgTSPFrame* strip, int index, QWidget* parent);
    ~CDsgTSPage() override;

    int m_nIndex = 0;
    QImage m_thumbnail;  // empty until the first rebuild
    int m_nStale = 1;
    int m_nChosen = 0;

    std::string GetSPName() const { return GetString(TSP_SPNAME); }
    void SetSPName(const std::string& name) { SetString(TSP_SPNAME, name); }
    // The thumbnail timer's work: a stale tab of the visible form rebuilds its
    // thumbnail from the visible page.
    void OnThumbTimer();
    // Paints the tab on a surface of its size.
    void DrawTSPage(CDC& dc) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    CDsgTSPFrame* m_pStrip;
};

class VELDRANE_API CDsgTSPFrame : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CDsgTSPFrame(QWidget* parent = nullptr);
    ~CDsgTSPFrame() override;

    // Results of RenameTSPage.
    enum RenameResult {
        RENAME_OK = 0,
        RENAME_NOTAB,      // no tab at the index
        RENAME_NOTSAVED,   // the visible form could not be written first
        RENAME_NOFILE,     // the working file could not be renamed
        RENAME_INIFAILED,  // the form list could not be written; all restored
    };

    // Geometry of the tabs (H is the thumbnail height of the options).
    static int TabHeight();
    static CRect SlotRect(int index);  // unscrolled
    static int ScrollHeight(int count);
    CRect GetTSPageRect(int index) const;  // in viewport coordinates

    BOOL AddTSPage(const std::string& name, int repaintStrip, int repaintBar, int select,
                   int refreshPalette, int unused = 0);
    CDsgTSPage* GetTSPageBySPIndex(int index) const;
    CDsgTSPage* GetTSPageBySPName(const std::string& name, int ignoreCase, int* index) const;
    int GetTSPageCount() const { return static_cast<int>(m_pages.size()); }
    int GetSPSCount() const;
    void GetSPSNames(std::vector<std::string>& names) const;
    int GetAnchor() const { return m_nAnchor; }

    void SPSelectOne(int index, int repaint);
    void SPSelectRange(int a, int b, int repaint);
    int SPSelectReverseOne(int index, int repaint);
    void SPClearChoice(int repaint);

    // Makes a form the visible one: 1 when it is (or already was) visible.
    int SPAppoint(int index, int focus);
    void OnSPAppoint();
    int AFBTSPIUpdate(int repaint);
    // The same where tab i takes thumbnails[i] when that one is there and of
    // the tab's size, instead of drawing its working file again. They must
    // have been drawn by DrawFormThumbnail from the very lists the tabs'
    // working files hold.
    int AFBTSPIUpdate(int repaint, const std::vector<QImage>& thumbnails);
    // The thumbnail AFBTSPIUpdate makes of a working file holding this
    // edit-action list, drawn from the list itself (taken over, left empty);
    // null when there is no image scaler or the form cannot be drawn.
    QImage DrawFormThumbnail(CDsgEActions& form);

    void OnRenameSPage();
    // Renames form <index> with its working file; the visible form is
    // written under its old name first.
    RenameResult RenameTSPage(int index, const std::string& name);
    void OnDeleteSPSPages() { DeleteSPSPages(); }
    // 1 when forms were deleted.
    int DeleteSPSPages();
    void OnSPIEIncrease();
    void OnSPIEDecrease();
    void OnEUSFLoad();
    void OnEUSFSave();

    int DeleteTSPageBySPName(const std::string& name, int deleteFile);
    // Swaps two tabs' names, thumbnails and flags; FALSE when one is missing.
    BOOL ExchangeTSPages(int a, int b);
    void ResetSPIndexesToLast(int from);
    void FitTSPageRectsToLast(int from);
    void RemoveAllTSPages();
    BOOL UpdateILSFile();
    std::string GetTSPFrameExp() const;
    void TMInvokeSetScrollSizes();
    // Scroll sizes for the tab count + 1 slots.
    void SetTSPScrollSizes();

    // The pop-up menus, the tab menu (120) and the background menu (106),
    // with the states of their items for TrackResourceMenu.
    std::unique_ptr<QMenu> MakeTabMenu(std::map<UINT, UINT>& states);
    std::unique_ptr<QMenu> MakeStripMenu(std::map<UINT, UINT>& states);
    void OnMenuCommand(UINT id);

    // Paints the strip's background, choice frames and labels on a surface of
    // the viewport's size.
    void DrawTSPFrame(CDC& dc) const;

    // Mouse on a tab (from the tab's handlers).
    void OnTabLButtonDown(int index, Qt::KeyboardModifiers modifiers);
    void OnTabRButtonDown(int index, Qt::KeyboardModifiers modifiers);
    void OnTabRButtonUp(const QPoint& globalPos);

    // Rebuilds a tab's thumbnail from a hidden page holding the form's
    // objects: drawn and scaled to the tab. FALSE when nothing could be made.
    BOOL MakeThumbnail(CDsgTSPage& page, CDsgDSPFrame& hidden);
    // The thumbnail of a hidden page at a size; FALSE when it cannot be made.
    static BOOL DrawThumbnail(CDsgDSPFrame& hidden, int width, int height, QImage& thumbnail);

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void OnScrollTimer(UINT_PTR id);
    void RefreshUBar();
    void SendDesignChanged();
    // Swaps the anchor form with the form at `other`.
    void ExchangeAnchor(int other);

    std::vector<CDsgTSPage*> m_pages;  // owned (children of the viewport)
    int m_nAnchor = -1;
    int m_nSlots = 0;  // the slots the scroll sizes were set for
};

// The engine's form-tab strip (set by its constructor), or null.
VELDRANE_API CDsgTSPFrame* GetDsgTSPFrame();
