#pragma once

// What the load-and-save action needs of the design frames: the visible
// design page's edit history, the form-tab strip, the main frame's refresh
// and bars, the character set and the host window. The design main frame
// implements it and registers itself as the engine's one host; the load and
// save operations reach it through GetDsgLSDHost() and hold no state of
// their own.

#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class CDsgEActions;
class CDtrGGJPixel;
class CFxRevPropStore;
class QImage;
class QObject;

// The regeneration request: sent to the host window by the project loader
// (and posted by the designer's view to itself), wParam 0 and lParam 0.
inline constexpr UINT WM_DSG_REGENERATE = WM_USER + 304;

class CDsgLSDHost {
public:
    // Registers this host as the engine's host (the last one made wins).
    CDsgLSDHost();
    CDsgLSDHost(const CDsgLSDHost&) = delete;
    CDsgLSDHost& operator=(const CDsgLSDHost&) = delete;
    // Unregisters it when it is the registered one.
    virtual ~CDsgLSDHost();

    // The working slot folder of this instance, without a final separator;
    // empty while no slot is claimed.
    virtual std::string GetLSDWorkDir() const = 0;

    // ---- The visible design page -------------------------------------
    // Its edit-action list (which also carries the page's current form
    // index); null while there is no page.
    virtual CDsgEActions* GetDSPEActions() = 0;
    // Empties the page: history, objects and selection.
    virtual void DSPClear() = 0;

    // ---- The form-tab strip ------------------------------------------
    virtual void TSPRemoveAllPages() = 0;
    // Adds a tab for the form name at the end.
    virtual BOOL TSPAddPage(const std::string& name) = 0;
    virtual int TSPGetPageCount() const = 0;
    // Makes the tab of the form index the strip's current one.
    virtual void TSPSelectPage(int index) = 0;
    // Swaps two tabs' stored properties and per-page flags, each keeping the
    // working-file path of its new index. FALSE (nothing swapped) when
    // either tab is missing.
    virtual BOOL TSPExchangePages(int a, int b) = 0;
    virtual void TSPRepaint() = 0;
    // Redraws every tab thumbnail; FALSE when one cannot be drawn.
    virtual BOOL TSPUpdateAllThumbnails() = 0;
    // The thumbnail the redraw would make of a form whose working file holds
    // exactly this edit-action list, drawn from the list (which is taken
    // over and left empty); null when none can be made here. The base makes
    // none.
    virtual QImage TSPDrawFormThumbnail(CDsgEActions& form);
    // The redraw of every tab where tab i takes thumbnails[i] when that one
    // is there and fits the tab, instead of drawing its working file again;
    // the thumbnails must have been drawn (TSPDrawFormThumbnail) from the
    // lists the tabs' working files hold now. The base redraws them all.
    virtual BOOL TSPUpdateAllThumbnailsFrom(const std::vector<QImage>& thumbnails);
    // Rewrites the slot's form list from the tabs (Form<i>Name and SPCount,
    // best as one change of the INI file: SetIniStrings); FALSE when a write
    // fails.
    virtual BOOL TSPWriteFormList() = 0;
    virtual void TSPRecalcScrollSizes() = 0;

    // ---- Main frame, palette and bars --------------------------------
    // Runs the main frame's refresh of that code (1 rebuild and repaint the
    // page, 2 repaint it, 3 panels, 4 position bar, 5 tabs, 6 form bar).
    virtual void MFRefresh(int code) = 0;
    // Marks the main frame changed and updates the bar's edit buttons.
    virtual void MFMarkAndUpdateEditButtons() = 0;
    virtual void UpdatePaletteButtons() = 0;
    virtual void RepaintFormBar() = 0;
    // After the visible page appended an edit action: the form's tab goes
    // stale, the page's working file is due and the host hears of the
    // change.
    virtual void _OnEAAdded() = 0;
    // After the visible page created an object of that kind by hand.
    virtual void _OnJustWOCreated(int wokind) = 0;
    // After an undo or redo on the visible page.
    virtual void _OnUndoedOrRedoed() = 0;
    // The pointer over the visible page, in the page's client pixels: the
    // position bar shows its LCD position while it lies on the LCD.
    virtual void ShowCursorLCDPos(const CPoint& clientPoint) = 0;
    // This instance's working slot number (the copy buffer's source index).
    virtual int GetLSDSlotNumber() const = 0;
    // The window that hears the design-change and regeneration messages.
    virtual QObject* GetHostWindow() = 0;

    // ---- Definable characters and dialogs ----------------------------
    // The project's character set; null when there is none.
    virtual CDtrGGJPixel* GetGGJPixel() = 0;
    // Fills the character list view from the set (an empty set empties it).
    virtual void RefillGJPListView() = 0;
    // The form-name dialog in its load mode: the user confirms or changes
    // the name and the form of the single-form store is added.
    virtual void OpenFormNameLoadDialog(const std::string& name, const CFxRevPropStore& store) = 0;
};

// The registered host, or null.
CDsgLSDHost* GetDsgLSDHost();
