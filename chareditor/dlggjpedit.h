#pragma once

// The edit dialog of one character: a 16 x 16 grid drawn cell by cell in the
// pen colour, tools that move, turn, mirror and clear the picture, copy and
// paste through the host, and Apply and Cancel. Modeless; at most one is open
// in the process. It works on a copy of the character (the working
// character); Apply writes it into the set.

#include <QDialog>
#include <QPoint>
#include <functional>

#include "chareditor/dottrel_export.h"
#include "chareditor/dtrgjpixel.h"
#include "platform/dc.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

class CDlgGJPList;
class CFxButton;
class QLineEdit;

// The grid window: cell (x, y) is the 10 x 10 square at (11x + 2, 11y + 2),
// between grid lines 1 pixel wide, framed twice. A release of the left button
// paints the cell under it in the pen colour.
class DOTTREL_API CDtrJPWindow : public QWidget {
public:
    enum { JPW_SIZE = 179, CELL_PITCH = 11, CELL_SIZE = 10, CELL_ORIGIN = 2 };
    static constexpr COLORREF LINE_COLOR = 0x787878;
    static constexpr COLORREF FRAME_COLOR = 0x505050;
    enum { IDC_BLANKPEN = 27012, IDC_INKPEN = 27013 };  // the cursors

    explicit CDtrJPWindow(CDtrGJPixel& character, QWidget* parent = nullptr);

    // 0 (ink) or 0xFFFFFF (blank); the cursor follows it.
    COLORREF GetPenColor() const { return m_penColor; }
    void SetPenColor(COLORREF color);
    // The cursor resource of the pen in use.
    int GetCursorId() const {
        return m_penColor == CDtrGJPixel::GJP_INK ? IDC_INKPEN : IDC_BLANKPEN;
    }

    // The cell index (x + 16y) a release at `pos` paints, -1 when it paints
    // none: outside the window, or on its last row or column, whose pixels
    // lie past the last cell.
    static int CellIndexAt(QPoint pos);
    // The whole picture: grid lines, cells, frames.
    void DrawGrid(CDC& dc) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CDtrGJPixel& m_character;
    COLORREF m_penColor = CDtrGJPixel::GJP_INK;
};

class DOTTREL_API CDlgGJPEdit : public QDialog {
public:
    enum {
        IDD = 27001,
        IDC_PENCOLOR = 27000,
        IDC_CLEAR = 27002,
        IDC_FLIPH = 27003,
        IDC_FLIPV = 27004,
        IDC_ROTATE = 27005,
        IDC_NUDGELEFT = 27006,
        IDC_NUDGERIGHT = 27007,
        IDC_NUDGEUP = 27008,
        IDC_NUDGEDOWN = 27009,
        IDC_COPY = 27010,
        IDC_PASTE = 27011,
        IDC_PENSAMPLE = 27014,
        IDC_APPLY = 27015,
        IDC_CANCEL = 27016,
        IDC_CODE = 27017,
    };
    enum { TIMER_CANPASTE = 1, CANPASTE_PERIOD = 400 };

    // An editor of `target` (its cells and code copied into the working
    // character), or of a new, blank character with `code` when target is
    // null. It becomes the open edit dialog.
    CDlgGJPEdit(CDlgGJPList& list, CDtrGJPixel* target, int code);
    ~CDlgGJPEdit() override;

    // The open edit dialog, or null.
    static CDlgGJPEdit* GetOpen();

    // What the host works with in answer to the messages.
    CDtrGJPixel& GetGJPixel() { return m_working; }
    CDtrJPWindow* GetJPWindow() { return m_jpWindow; }
    int GetCanPaste() const { return m_canPaste; }
    void SetCanPaste(int canPaste) { m_canPaste = canPaste; }

    CDlgGJPList& GetList() { return m_list; }
    // The character Apply writes into; null for a new character.
    CDtrGJPixel* GetTarget() const { return m_target; }
    // The list deleted a character: when it is the target, Apply adds the
    // working character as a new one instead.
    void OnGJPixelDeleted(const CDtrGJPixel* character);

    // Commits the working character and closes. A target that left the set
    // meanwhile is added as a new character; a new character whose code was
    // taken meanwhile gets the lowest free code, and when none is left the
    // user is told and the dialog stays open.
    void OnApply();
    // Closes without committing.
    void OnCancel();
    // One tick of the can-paste poll: asks the host, then enables Paste.
    void OnTimerTick();
    // Hides the dialog, stops its poll and lets it go; it deletes itself.
    void DestroyWindow();

    // The dialog's own picture: face colour and the pen-colour sample.
    void DrawBackground(CDC& dc) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Esc and the close box cancel; Enter applies (Apply is the default
    // button).
    void reject() override { OnCancel(); }

private:
    // A bitmap tool button of 16 x 13 dialog units at (x, y).
    CFxButton* AddTool(int id, int x, int y, int bitmap, const char* tip,
                       std::function<void()> action);
    void ChangeTool(void (CDtrGJPixel::*change)());
    void OnPenColor();
    void OnCopy();
    void OnPaste();

    CDlgGJPList& m_list;
    CDtrGJPixel* m_target = nullptr;
    CDtrGJPixel m_working;
    CDtrJPWindow* m_jpWindow = nullptr;
    CFxButton* m_paste = nullptr;
    QLineEdit* m_code = nullptr;
    QWidget* m_penSample = nullptr;
    int m_canPaste = 0;
    bool m_destroyed = false;
};
