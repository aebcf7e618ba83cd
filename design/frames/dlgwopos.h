#pragma once

// The object-position bar under the design page: the cursor's LCD position,
// the zoom and the rectangle of the chosen objects, with fields that set a
// new rectangle for one object.

#include <QDialog>
#include <cstdint>
#include <set>
#include <string>

#include "platform/geometry.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class QLabel;
class QLineEdit;

inline constexpr int IDD_DSG_WOPOS = 1008;
inline constexpr int IDC_WOPOS_LEFT = 1029;
inline constexpr int IDC_WOPOS_TOP = 1030;
inline constexpr int IDC_WOPOS_RIGHT = 1031;
inline constexpr int IDC_WOPOS_BOTTOM = 1032;
inline constexpr int IDC_WOPOS_WIDTH = 1033;
inline constexpr int IDC_WOPOS_HEIGHT = 1034;
inline constexpr int IDC_WOPOS_CURSOR = 1010;
inline constexpr int IDC_WOPOS_ZOOM = 1043;
// Typed fields are applied this long after the last change.
inline constexpr UINT_PTR WOPOS_APPLY_TIMER = 1;
inline constexpr UINT WOPOS_APPLY_MS = 1700;

// A typed field value: a decimal number held to 64 bits; 0 for text that is
// no number.
std::int64_t ParseWOPosValue(const std::string& text);

// The object's rectangle in dots after one typed field ("left", "right",
// "top", "bottom", "width" or "height") on an LCD of `lcd` dots. Edges are
// held inside the LCD and by the opposite edge; a width or height below 1
// counts as 1. Where the stored corners are in the other order, the edge
// that plays the named role moves. Another key changes nothing.
CRect WOPosApplyKey(const CRect& dots, const std::string& key, std::int64_t value,
                    const CSize& lcd);

// Dots to LCD units (10000 per dot), held at the ends of the coordinate
// range.
CRect WOPosDotsToUnits(const CRect& dots);

class CDlgWOPos : public QDialog {
    Q_OBJECT
public:
    explicit CDlgWOPos(QWidget* parent = nullptr);
    ~CDlgWOPos() override;

    // Refresh event 4: the rectangle of the chosen objects and the zoom.
    void RefreshWOPos();
    // The pointer over the page (client pixels): its LCD dot inside the LCD.
    void ShowCursorLCDPos(const CPoint& client);
    // Every field typed into since the last apply, once.
    void ApplyPending();

    QLineEdit* GetEdit(int id) const;
    QLabel* GetCursorLabel() const { return m_cursor; }
    QLabel* GetZoomLabel() const { return m_zoom; }
    const std::set<std::string>& GetPending() const { return m_pending; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnEditChanged(int id);
    void ApplyKey(const std::string& key);

    QLineEdit* m_edits[6] = {};
    QLabel* m_cursor;
    QLabel* m_zoom;
    int m_nFilling = 0;
    std::set<std::string> m_pending;
};

// The engine's position bar (set by its constructor), or null.
CDlgWOPos* GetDlgWOPos();
