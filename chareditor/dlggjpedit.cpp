#include "chareditor/dlggjpedit.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>
#include <functional>
#include <memory>

#include "chareditor/dlggjplist.h"
#include "chareditor/dtrdialogfont.h"
#include "chareditor/dtrmwindow.h"
#include "foundation/fxbutton.h"
#include "foundation/fxshadebutton.h"
#include "foundation/fxstrings.h"
#include "foundation/fxutilswnd.h"
#include "platform/resources.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kSampleGrey = 0x808080;

CDlgGJPEdit* g_openEdit = nullptr;

}  // namespace

// ---- The grid window -------------------------------------------------------------

CDtrJPWindow::CDtrJPWindow(CDtrGJPixel& character, QWidget* parent)
    : QWidget(parent), m_character(character) {
    CreateClassWindow(this, "JPW", FALSE, parent);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(JPW_SIZE, JPW_SIZE);
    setCursor(LoadCursorResource(GetCursorId()));
}

void CDtrJPWindow::SetPenColor(COLORREF color) {
    m_penColor = color;
    setCursor(LoadCursorResource(GetCursorId()));
}

int CDtrJPWindow::CellIndexAt(QPoint pos) {
    if (pos.x() < 0 || pos.y() < 0 || pos.x() >= JPW_SIZE || pos.y() >= JPW_SIZE) return -1;
    // Integer division rounding toward zero: the two pixels left of and above
    // the first cell count for it, as a grid line counts for the cell before it.
    const int column = (pos.x() - CELL_ORIGIN) / CELL_PITCH;
    const int row = (pos.y() - CELL_ORIGIN) / CELL_PITCH;
    if (column >= CDtrGJPixel::GJP_SIDE || row >= CDtrGJPixel::GJP_SIDE) return -1;
    return column + CDtrGJPixel::GJP_SIDE * row;
}

void CDtrJPWindow::DrawGrid(CDC& dc) const {
    const CSize size = dc.GetSize();
    for (int i = 0; i < CDtrGJPixel::GJP_SIDE - 1; ++i) {
        const int at = CELL_PITCH * i + CELL_ORIGIN + CELL_SIZE;
        dc.FillSolidRect(CRect(0, at, size.cx, at + 1), LINE_COLOR);
        dc.FillSolidRect(CRect(at, 0, at + 1, size.cy), LINE_COLOR);
    }
    for (int y = 0; y < CDtrGJPixel::GJP_SIDE; ++y) {
        for (int x = 0; x < CDtrGJPixel::GJP_SIDE; ++x) {
            const int left = CELL_PITCH * x + CELL_ORIGIN, top = CELL_PITCH * y + CELL_ORIGIN;
            const COLORREF value = static_cast<COLORREF>(m_character.GetJPixel(x, y)) & 0xFFFFFF;
            dc.FillSolidRect(CRect(left, top, left + CELL_SIZE, top + CELL_SIZE), value);
        }
    }
    CRect frame(0, 0, size.cx, size.cy);
    dc.FrameRect(frame, Brush(FRAME_COLOR));
    frame.DeflateRect(1, 1);
    dc.FrameRect(frame, Brush(FRAME_COLOR));
}

void CDtrJPWindow::paintEvent(QPaintEvent*) {
    CDC dc(width(), height());
    DrawGrid(dc);
    QPainter painter(this);
    painter.drawImage(0, 0, dc.Image());
}

void CDtrJPWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int index = CellIndexAt(event->position().toPoint());
    if (index < 0) return;
    m_character.SetJPixel(index, static_cast<int>(m_penColor));
    update();
}

// ---- The edit dialog -------------------------------------------------------------

CDlgGJPEdit::CDlgGJPEdit(CDlgGJPList& list, CDtrGJPixel* target, int code)
    : QDialog(&list, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      m_list(list),
      m_target(target) {
    g_openEdit = this;
    SetDlgCtrlID(this, IDD);
    setWindowTitle(QStringLiteral("Pixel Editing"));
    setModal(false);
    setFont(MakeFont(DtrDialogFont()));
    const CRect size = DtrDialogRect(0, 0, 161, 125);
    setFixedSize(size.Width(), size.Height());

    if (target) {
        m_working = *target;
    } else {
        m_working.GJPClear();
        m_working.nccode = code;
    }

    AddTool(IDC_PENCOLOR, 19, 25, 27004, "Change Pen Color", [this] { OnPenColor(); });
    AddTool(IDC_CLEAR, 19, 39, 27008, "Clear", [this] { ChangeTool(&CDtrGJPixel::GJPClear); });
    AddTool(IDC_ROTATE, 3, 39, 27003, "Rotate", [this] { ChangeTool(&CDtrGJPixel::KGJPMRotate); });
    AddTool(IDC_NUDGELEFT, 3, 52, 27006, "Nudge Left",
            [this] { ChangeTool(&CDtrGJPixel::KGJPMLCrawl); });
    AddTool(IDC_NUDGERIGHT, 19, 52, 27007, "Nudge Right",
            [this] { ChangeTool(&CDtrGJPixel::KGJPMRCrawl); });
    AddTool(IDC_NUDGEUP, 3, 65, 27009, "Nudge Up",
            [this] { ChangeTool(&CDtrGJPixel::KGJPMUCrawl); });
    AddTool(IDC_NUDGEDOWN, 19, 65, 27005, "Nudge Down",
            [this] { ChangeTool(&CDtrGJPixel::KGJPMDCrawl); });
    AddTool(IDC_FLIPH, 3, 78, 27010, "Flip Horizontally",
            [this] { ChangeTool(&CDtrGJPixel::KGJPMXFlip); });
    AddTool(IDC_FLIPV, 19, 78, 27011, "Flip Vertically",
            [this] { ChangeTool(&CDtrGJPixel::KGJPMYFlip); });
    AddTool(IDC_COPY, 3, 91, 119, "Copy to Clipboard (Ctrl+C)", [this] { OnCopy(); });
    m_paste =
        AddTool(IDC_PASTE, 19, 91, 27014, "Paste from Clipboard (Ctrl+V)", [this] { OnPaste(); });

    m_penSample = new QWidget(this);
    SetDlgCtrlID(m_penSample, IDC_PENSAMPLE);
    DtrPlace(m_penSample, 3, 25, 16, 13);
    m_penSample->hide();

    auto* apply = new CFxShadeButton(this, BS_DEFPUSHBUTTON);
    SetDlgCtrlID(apply, IDC_APPLY);
    apply->setText(QStringLiteral("Apply"));
    DtrPlace(apply, 29, 108, 50, 14);
    apply->ApplyShade(CFxShadeButton::SHS_HARDBUMP, 8, 10, 0, 0);
    connect(apply, &QAbstractButton::clicked, this, [this] { OnApply(); });
    auto* cancel = new CFxShadeButton(this);
    SetDlgCtrlID(cancel, IDC_CANCEL);
    cancel->setText(QStringLiteral("Cancel"));
    DtrPlace(cancel, 82, 108, 50, 14);
    cancel->ApplyShade(CFxShadeButton::SHS_HARDBUMP, 8, 10, 0, 0);
    connect(cancel, &QAbstractButton::clicked, this, [this] { OnCancel(); });

    auto* label = new QLabel(QStringLiteral("CHR Code"), this);
    DtrPlace(label, 3, 2, 33, 8);
    m_code = new QLineEdit(this);
    SetDlgCtrlID(m_code, IDC_CODE);
    DtrPlace(m_code, 3, 12, 33, 12);
    m_code->setReadOnly(true);
    char text[16];
    std::snprintf(text, sizeof text, "&H%04X", static_cast<unsigned>(m_working.nccode));
    m_code->setText(QString::fromLatin1(text));

    // The grid lies 5 px right of the Clear button, 5 px from the top.
    m_jpWindow = new CDtrJPWindow(m_working, this);
    m_jpWindow->move(DtrDialogRect(19, 39, 16, 13).right + 5, 5);
    m_jpWindow->show();
    // Apply and Cancel stay clear of the grid whatever the font's size.
    const int below = m_jpWindow->geometry().bottom() + 5;
    if (apply->y() < below) {
        for (QWidget* button : {static_cast<QWidget*>(apply), static_cast<QWidget*>(cancel)})
            button->move(button->x(), below);
        setFixedSize(width(), below + apply->height() + 5);
    }

    m_paste->setEnabled(false);
    SetTimerHandler(this, [this](UINT_PTR id) {
        if (id == TIMER_CANPASTE) OnTimerTick();
    });
    SetTimer(this, TIMER_CANPASTE, CANPASTE_PERIOD);
}

CDlgGJPEdit::~CDlgGJPEdit() {
    if (g_openEdit == this) g_openEdit = nullptr;
}

CDlgGJPEdit* CDlgGJPEdit::GetOpen() { return g_openEdit; }

CFxButton* CDlgGJPEdit::AddTool(int id, int x, int y, int bitmap, const char* tip,
                                std::function<void()> action) {
    auto* button = new CFxButton(this);
    SetDlgCtrlID(button, id);
    DtrPlace(button, x, y, 16, 13);
    button->SetBitmapIds(bitmap, kMagenta);
    button->SetTipText(tip);
    // Enter applies the character, whichever tool was used last.
    button->setAutoDefault(false);
    connect(button, &QAbstractButton::clicked, this, std::move(action));
    return button;
}

void CDlgGJPEdit::ChangeTool(void (CDtrGJPixel::*change)()) {
    (m_working.*change)();
    update();
    m_jpWindow->update();
}

void CDlgGJPEdit::OnPenColor() {
    m_jpWindow->SetPenColor(m_jpWindow->GetPenColor() == CDtrGJPixel::GJP_INK
                                ? CDtrGJPixel::GJP_BLANK
                                : CDtrGJPixel::GJP_INK);
    update();
}

void CDlgGJPEdit::OnCopy() {
    m_list.GetMWindow().SendToHost(WM_DTR_GJPCOPY, reinterpret_cast<WPARAM>(this));
}

void CDlgGJPEdit::OnPaste() {
    m_list.GetMWindow().SendToHost(WM_DTR_GJPPASTE, reinterpret_cast<WPARAM>(this));
}

void CDlgGJPEdit::OnTimerTick() {
    m_list.GetMWindow().SendToHost(WM_DTR_GJPCANPASTE, reinterpret_cast<WPARAM>(this));
    m_paste->setEnabled(m_canPaste != 0);
}

void CDlgGJPEdit::OnGJPixelDeleted(const CDtrGJPixel* character) {
    if (character && character == m_target) m_target = nullptr;
}

void CDlgGJPEdit::OnApply() {
    CDtrMWindow& set = m_list.GetMWindow();
    // The target may have left the set since the dialog opened (deleted in
    // the list, or the set replaced by the host): the drawing then becomes a
    // new character rather than being written into a freed one.
    if (set.GetGJPixelIndex(m_target) < 0) m_target = nullptr;
    WPARAM currentChanged = 0;
    if (m_target) {
        m_target->GJPCopyFrom(m_working, 1);
    } else {
        // The code chosen at Add may have been given to another character
        // meanwhile (Duplicate); then the lowest free one is taken.
        if (set.GetGJPixelByNCCode(m_working.nccode)) {
            const int code = set.GetFVacantNCCode();
            if (code == 0) {
                MessageBox("Cannot add any more character!", "Error", MB_OK | MB_ICONEXCLAMATION,
                           this);
                return;  // the drawing stays open, nothing lost
            }
            m_working.nccode = code;
        }
        auto character = std::make_unique<CDtrGJPixel>();
        character->GJPCopyFrom(m_working, 1);
        set.AddGJPixel(std::move(character))->AddToListCtrl(m_list.GetListCtrl());
        if (set.GetGJPCount() == 1) {
            set.eirncachar = m_working.nccode;
            currentChanged = 1;
        }
    }
    set.SendToHost(WM_DTR_GIRNCALTER, currentChanged);
    m_list.SetButtonStates();
    DestroyWindow();
}

void CDlgGJPEdit::OnCancel() { DestroyWindow(); }

void CDlgGJPEdit::DestroyWindow() {
    if (m_destroyed) return;
    m_destroyed = true;
    if (g_openEdit == this) g_openEdit = nullptr;
    KillTimer(this, TIMER_CANPASTE);
    hide();
    deleteLater();
}

void CDlgGJPEdit::DrawBackground(CDC& dc) const {
    const CSize size = dc.GetSize();
    dc.FillSolidRect(CRect(0, 0, size.cx, size.cy), GetSysColor(COLOR_BTNFACE));
    const QRect place = m_penSample->geometry();
    CRect sample(place.left(), place.top(), place.left() + place.width(),
                 place.top() + place.height());
    // A sunken double frame, then the pen colour inside it.
    const COLORREF dark = DarkenColor(kSampleGrey, 40), light = LightenColor(kSampleGrey, 40);
    dc.Draw3dRect(sample, dark, light);
    CRect inner = sample;
    inner.DeflateRect(1, 1);
    dc.Draw3dRect(inner, dark, light);
    inner.DeflateRect(1, 1);
    dc.FillSolidRect(inner, m_jpWindow->GetPenColor());
}

void CDlgGJPEdit::paintEvent(QPaintEvent*) {
    CDC dc(width(), height());
    DrawBackground(dc);
    QPainter painter(this);
    painter.drawImage(0, 0, dc.Image());
}
