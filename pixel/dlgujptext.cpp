// The "Add Text" dialog.

#include "pixel/dlgujptext.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "pixel/dlgwframes.h"
#include "pixel/lmrdlgcontrols.h"
#include "pixel/lmregjpwindow.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrmwindow.h"
#include "pixel/lmrogjpwindow.h"
#include "platform/dc.h"
#include "platform/textcodec.h"
#include "platform/window.h"

namespace {

using lmrdlg::AddControl;

// The whole-canvas frame opens the dialog through this.
const bool g_registered = [] {
    LmrSetAddTextDialogFactory([](QWidget* parent) { return new CDlgUJPText(parent); });
    return true;
}();

// The inclusive form of the text rectangle, which reaches to its right and
// bottom edges.
CRect InclusiveOf(const CRect& r) { return CRect(r.left, r.top, r.right - 1, r.bottom - 1); }

}  // namespace

std::string CDlgUJPText::GetFontNameList() {
    std::string list;
    for (const QString& family : QFontDatabase::families()) {
        if (!list.empty()) list += '|';
        list += QStringToAnsi(family);
    }
    return list;
}

CDlgUJPText::CDlgUJPText(QWidget* parent) : QDialog(parent, Qt::Tool) {
    (void)g_registered;
    setWindowTitle("Add Text");
    // The font row follows its labels' widths; the dialog widens when the
    // row does not fit its 300 pixels.
    const QLabel* sizeLabel = lmrdlg::AddLabel(this, "Font Size", 8, 39);
    m_pSize =
        AddControl<QComboBox>(this, IDC_FONTSIZE, QRect(lmrdlg::RightOf(sizeLabel), 36, 50, 22));
    const QLabel* faceLabel = lmrdlg::AddLabel(this, "Font Name", lmrdlg::RightOf(m_pSize, 8), 39);
    const int faceLeft = lmrdlg::RightOf(faceLabel);
    const int width = std::max(300, faceLeft + 117 + 8);
    setFixedSize(width, 100);
    m_pFace =
        AddControl<QComboBox>(this, IDC_FONTNAME, QRect(faceLeft, 36, width - 8 - faceLeft, 22));
    m_pText = AddControl<QLineEdit>(this, IDC_TEXT, QRect(8, 8, width - 16, 22));
    m_pBold = AddControl<QCheckBox>(this, IDC_BOLD, QRect(8, 68, 60, 22));
    m_pBold->setText("Bold");
    auto* apply = AddControl<QPushButton>(this, IDC_APPLY, QRect(width - 168, 68, 75, 24));
    apply->setText("Apply");
    auto* cancel = AddControl<QPushButton>(this, IDC_CANCEL, QRect(width - 83, 68, 75, 24));
    cancel->setText("Cancel");
    for (QPushButton* button : {apply, cancel}) button->setAutoDefault(false);
    for (const QString& item : QString::fromLatin1(kFontSizes).split('|')) m_pSize->addItem(item);
    for (const QString& family : QFontDatabase::families()) m_pFace->addItem(family);

    CLmrGOption& option = LmrGOption();
    option.BindControls("combobox", "UJPT.fntsize,UJPT.fntface", "Font Size,Font Name",
                        CFxFieldBinder::FK_TEXT, this);
    option.BindCheckBoxes("UJPT.fntbold", "Bold", this);
    // A face the system lacks ("Arial") shows as the installed face that
    // stands in for it when the text is drawn.
    m_strNamedFace = option.GetString("UJPT.fntface");
    option.SetFallbackText("UJPT.fntface",
                           QStringToAnsi(SubstituteFace(AnsiToQString(m_strNamedFace))));
    m_bFilling = TRUE;
    option.ValuesToControls(this);
    m_bFilling = FALSE;
    m_strShownFace = QStringToAnsi(m_pFace->currentText());

    connect(apply, &QPushButton::clicked, this, [this] { OnApply(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(m_pText, &QLineEdit::textChanged, this, [this] { OnFieldChanged(); });
    connect(m_pSize, &QComboBox::currentTextChanged, this, [this] { OnFieldChanged(); });
    connect(m_pFace, &QComboBox::currentTextChanged, this, [this] { OnFieldChanged(); });
    connect(m_pBold, &QCheckBox::toggled, this, [this] { OnFieldChanged(); });
    if (CLmrOGJPWindow* view = LmrOGJPWindow()) {
        m_rcCarved = view->GetUJPTextRect();
        connect(view, &CLmrOGJPWindow::UJPTextMoved, this, [this] { Carve(); });
        connect(view, &CLmrOGJPWindow::DrawColorChanged, this, [this] { Carve(); });
    }

    SetTimerHandler(this, [this](UINT_PTR id) { OnTimer(id); });
    SetTimer(this, TIMER_FOCUS, kFocusDelayMs);
    // The text rectangle fits what is carved from the start.
    Carve();
}

CDlgUJPText::~CDlgUJPText() {
    KillTimer(this, TIMER_FOCUS);
    // However the dialog ends: no layer, and the view back to choosing the
    // working area.
    if (CLmrOGJPWindow* view = LmrOGJPWindow()) {
        view->ClearAllPGInfos();
        view->m_nOTool = CLmrOGJPEState::OT_AREA;
        view->m_nOMode = CLmrOGJPEState::OM_IDLE;
        view->RedrawOGJPWindow();
        if (CLmrEGJPWindow* zoomed = LmrEGJPWindow()) zoomed->RedrawEGJPWindow();
        if (CDlgOGJPWFrame* frame = LmrOGJPWFrame()) frame->UpdateEBState();
    }
}

void CDlgUJPText::OnTimer(UINT_PTR id) {
    if (id != TIMER_FOCUS) return;
    KillTimer(this, TIMER_FOCUS);
    m_pText->setFocus();
    m_pText->selectAll();
}

void CDlgUJPText::OnFieldChanged() {
    if (m_bFilling || m_bClosing) return;
    CLmrGOption& option = LmrGOption();
    option.ControlsToValues(TRUE, FALSE, this, "Error");
    // While the face shown for the option's face is chosen, the option keeps
    // the name it has.
    if (QStringToAnsi(m_pFace->currentText()) == m_strShownFace)
        option.SetString("UJPT.fntface", m_strNamedFace);
    Carve();
}

void CDlgUJPText::Carve() {
    CLmrOGJPWindow* view = LmrOGJPWindow();
    if (!view || m_bClosing) return;
    // Where the text was carved last: a drag has moved the rectangle already.
    const CRect before = m_rcCarved;
    view->ClearAllPGInfos();
    view->PGICarveForUJPText(QStringToAnsi(m_pText->text()));
    if (CLmrEGJPWindow* zoomed = LmrEGJPWindow()) {
        if (LmrIsNullRect(before)) {
            zoomed->RedrawEGJPWindow();
        } else {
            // The zoomed view counts from the working area's corner.
            CRect both;
            both.UnionRect(InclusiveOf(before), InclusiveOf(view->GetUJPTextRect()));
            both.OffsetRect(-LmrOpt().omlegjpleft * CLmrOGJPixel::OGJP_CELL,
                            -LmrOpt().omlegjptop * CLmrOGJPixel::OGJP_CELL);
            zoomed->RedrawEGJPWindow(&both);
        }
    }
    m_rcCarved = view->GetUJPTextRect();
    view->RedrawOGJPWindow();
}

void CDlgUJPText::OnApply() {
    if (CLmrOGJPWindow* view = LmrOGJPWindow()) {
        // What is committed is the text as it shows now: a selection made
        // meanwhile ends, and the text is carved again in the layer.
        view->GJPSEnd();
        Carve();
        const CRect rect = InclusiveOf(view->GetUJPTextRect());
        view->GJPEAANPerformByUJPixel(1, 1, &rect);
    }
    close();
}

void CDlgUJPText::OnCancel() { close(); }

void CDlgUJPText::keyPressEvent(QKeyEvent* event) {
    // Enter and Esc neither apply nor close.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void CDlgUJPText::closeEvent(QCloseEvent* event) {
    m_bClosing = TRUE;
    QDialog::closeEvent(event);
}
