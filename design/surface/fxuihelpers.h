#pragma once

// Window helpers of the designer's panels: sorting texts, a small text
// window, pop-up menus and filling a combo box. The foundation library has
// the rest of the combo-box and button helpers (ComboFindText,
// ComboSelectText and GetComboText in fxstrings, UncheckButtonsExcept in
// fxutilswnd) and the display's font families for the PC-font choice
// (EnumDisplayFontFaces).

#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "foundation/fxutils.h"
#include "platform/geometry.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class QComboBox;
class QMenu;
class QPlainTextEdit;

// Sorts ascending in place: by the texts themselves, or with `byKey` by
// their case-folded key form (the texts keep their own case).
void SortStringArray(std::vector<std::string>& texts, BOOL byKey = FALSE);

// A child window holding a multi-line text control (id 397) in its own
// 9-point font, 5 pixels in from every side. A 1500 ms timer (id 1) runs from
// creation.
class CFxTextWnd : public QWidget {
public:
    static constexpr int kEditId = 397;
    static constexpr UINT_PTR kTimerId = 1;
    static constexpr UINT kTimerMs = 1500;

    explicit CFxTextWnd(QWidget* parent = nullptr);
    ~CFxTextWnd() override;

    QPlainTextEdit* GetEdit() const { return m_pEdit; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Each tick of the timer; the window itself does nothing on it.
    virtual void OnTimer(UINT_PTR id);

private:
    void LayoutEdit();
    QPlainTextEdit* m_pEdit = nullptr;
};

// Menu item states for TrackResourceMenu.
inline constexpr UINT MF_GRAYED = 0x0001;
inline constexpr UINT MF_DISABLED = 0x0002;
inline constexpr UINT MF_CHECKED = 0x0008;

// Shows the first submenu of a menu (the menu itself when it has none) as a
// pop-up at a screen point, or at the cursor when the point is null. Items
// whose command id is in `states` are checked (MF_CHECKED) or disabled
// (MF_GRAYED, MF_DISABLED) by it, others are enabled and unchecked. Returns
// the chosen command id, 0 when the menu was dismissed.
UINT TrackResourceMenu(QMenu& menu, const CPoint* screenPoint = nullptr,
                       const std::map<UINT, UINT>& states = {});

// Empties the box and fills it with the texts in order.
void ComboFillStrings(QComboBox* combo, const std::vector<std::string>& texts);
