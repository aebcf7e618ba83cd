#include "pixel/dlgwframes.h"

#include <QKeyEvent>
#include <QPainter>

#include "pixel/lmrbitmaps.h"
#include "pixel/lmregjpwindow.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrmwindow.h"
#include "pixel/lmrnotice.h"
#include "pixel/lmrogjpwindow.h"
#include "platform/clipboard.h"
#include "platform/dc.h"
#include "platform/uiservices.h"

namespace {

CDlgEGJPWFrame* g_pEFrame = nullptr;
CDlgOGJPWFrame* g_pOFrame = nullptr;

constexpr int kButton = 24;  // button size
constexpr int kMargin = 5;

CLmrOGJPWindow* Canvas() { return LmrOGJPWindow(); }

}  // namespace

CDlgEGJPWFrame* LmrEGJPWFrame() { return g_pEFrame; }
CDlgOGJPWFrame* LmrOGJPWFrame() { return g_pOFrame; }

// ---- Colour swatch -------------------------------------------------------

CLmrColorSwatch::CLmrColorSwatch(QWidget* parent) : QWidget(parent) {
    SetDlgCtrlID(this, CDlgEGJPWFrame::IDC_SWATCH);
}

void CLmrColorSwatch::paintEvent(QPaintEvent*) {
    QImage image(size(), QImage::Format_RGB32);
    {
        CDC dc(image);
        dc.FillSolidRect(CRect(0, 0, width(), height()), 0x808080);
        const CLmrEGJPEState* state = LmrEGJPEState();
        dc.FillSolidRect(CRect(2, 2, width() - 2, height() - 2), state ? state->m_dwDrawColor : 0);
    }
    QPainter(this).drawImage(0, 0, image);
}

// ---- Shared frame --------------------------------------------------------

CLmrWFrameBase::CLmrWFrameBase(QWidget* parent) : QDialog(parent) {
    // A child dialog: part of its parent's client area, not a window.
    setWindowFlags(Qt::Widget);
    setModal(false);
}

CLmrWFrameBase::~CLmrWFrameBase() = default;

CFxButton* CLmrWFrameBase::GetButton(int id) const {
    const auto it = m_mapButtons.find(id);
    return it == m_mapButtons.end() ? nullptr : it->second;
}

CFxButton* CLmrWFrameBase::AddButton(int id, int bitmapId, const char* tip,
                                     std::function<void()> command) {
    auto* button = new CFxButton(this, BS_PUSHBUTTON);
    SetDlgCtrlID(button, id);
    button->SetBitmaps(LmrFrameBitmap(bitmapId), 0xFF00FF, 0);
    if (tip && *tip) button->SetTipText(tip);
    button->setFixedSize(kButton, kButton);
    button->setFocusPolicy(Qt::NoFocus);
    if (command) connect(button, &QPushButton::clicked, this, [command] { command(); });
    button->installEventFilter(this);
    m_mapButtons[id] = button;
    return button;
}

bool CLmrWFrameBase::IsFrameShortcut(int qtKey, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (qtKey) {
        case Qt::Key_Escape:
        case Qt::Key_Delete:
        case Qt::Key_Y:
        case Qt::Key_Z:
            return true;
        case Qt::Key_A:
        case Qt::Key_C:
        case Qt::Key_V:
        case Qt::Key_X:
            return ctrl;
        default:
            return false;
    }
}

bool CLmrWFrameBase::HandleFrameKey(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Control) return false;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    CLmrOGJPWindow* canvas = Canvas();
    const int vk = LmrVirtualKey(key);
    int handled = 0;
    if (canvas && vk) handled = canvas->PreTranslateOECommonKeyDownMessage(vk, ctrl ? TRUE : FALSE);
    if (!handled && key == Qt::Key_Escape && canvas) canvas->_OnESCKeyPressed();
    // Enter, Esc and Space never act on the buttons.
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
        key == Qt::Key_Space)
        return true;
    return handled || IsFrameShortcut(key, event->modifiers());
}

bool CLmrWFrameBase::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsFrameShortcut(key->key(), key->modifiers())) {
            event->accept();
            return true;
        }
    }
    return QDialog::event(event);
}

bool CLmrWFrameBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsFrameShortcut(key->key(), key->modifiers())) {
            // The key comes to us as a key press instead of firing a
            // shortcut elsewhere.
            event->accept();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        if (HandleFrameKey(static_cast<QKeyEvent*>(event))) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CLmrWFrameBase::keyPressEvent(QKeyEvent* event) {
    if (HandleFrameKey(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- Zoomed frame --------------------------------------------------------

CDlgEGJPWFrame::CDlgEGJPWFrame(QWidget* parent) : CLmrWFrameBase(parent) {
    g_pEFrame = this;
    SetDlgCtrlID(this, IDD);
    setObjectName("EGJPWFrame");
    struct Entry {
        int id;
        const char* tip;
        void (CDlgEGJPWFrame::*command)();
    };
    const Entry entries[] = {
        {IDC_PENCIL, "Pencil", &CDlgEGJPWFrame::OnEnableUJPixel},
        {IDC_LINE, "Line", &CDlgEGJPWFrame::OnEnableUJPLine},
        {IDC_BOX, "Box", &CDlgEGJPWFrame::OnEnableUJPBox},
        {IDC_ELLIPSE, "Ellipse", &CDlgEGJPWFrame::OnEnableUJPEllipse},
        {IDC_FBOX, "Filled Box", &CDlgEGJPWFrame::OnEnableUJPFBox},
        {IDC_FELLIPSE, "Filled Ellipse", &CDlgEGJPWFrame::OnEnableUJPFEllipse},
        {IDC_SELECT, "Select", &CDlgEGJPWFrame::OnEnableGJPSelect},
        {IDC_XFLIP, "Flip Horizontally", &CDlgEGJPWFrame::OnKGJPMXFlip},
        {IDC_YFLIP, "Flip Vertically", &CDlgEGJPWFrame::OnKGJPMYFlip},
        {IDC_ROTATE, "Rotate", &CDlgEGJPWFrame::OnKGJPMRotate},
        {IDC_LCRAWL, "Nudge Left", &CDlgEGJPWFrame::OnKGJPMLCrawl},
        {IDC_RCRAWL, "Nudge Right", &CDlgEGJPWFrame::OnKGJPMRCrawl},
        {IDC_UCRAWL, "Nudge Up", &CDlgEGJPWFrame::OnKGJPMUCrawl},
        {IDC_DCRAWL, "Nudge Down", &CDlgEGJPWFrame::OnKGJPMDCrawl},
        {IDC_ZOOMIN, "Zoom In", &CDlgEGJPWFrame::OnJPBIncrease},
        {IDC_ZOOMOUT, "Zoom Out", &CDlgEGJPWFrame::OnJPBDecrease},
        {IDC_CLEAR, "Clear", &CDlgEGJPWFrame::OnGJPClear},
        {IDC_COLOR, "Select Color", &CDlgEGJPWFrame::OnJPCToggle},
        {IDC_COPY, "Copy", &CDlgEGJPWFrame::EGJPWFrameGJPSCopy},
        {IDC_PASTE, "Paste", &CDlgEGJPWFrame::EGJPWFrameQDShift},
    };
    for (const Entry& e : entries) {
        const auto command = e.command;
        AddButton(e.id, LmrFrameBitmapIdOf(IDD, e.id), e.tip,
                  [this, command] { (this->*command)(); });
    }
    // The second Clear control of the dialog does the same.
    m_mapButtons[IDC_CLEAR2] = GetButton(IDC_CLEAR);
    for (int id : {IDC_PENCIL, IDC_LINE, IDC_BOX, IDC_ELLIPSE, IDC_FBOX, IDC_FELLIPSE, IDC_SELECT})
        GetButton(id)->setCheckable(true);
    m_pSwatch = new CLmrColorSwatch(this);
    m_pSwatch->setFixedSize(kButton, kButton);

    m_pView = new CLmrEGJPWindow(this);
    m_pView->installEventFilter(this);
    m_pView->viewport()->installEventFilter(this);
    SetMessageHandler(this, WM_LMR_QDSHIFT,
                      [this](WPARAM w, LPARAM l) { return OnUserMsgQDShift(w, l); });
    LmrWindowNotice().onRefreshEBState = [] {
        if (g_pEFrame) g_pEFrame->UpdateEBState();
    };
    m_pView->StartMarquee();
    UpdateEBState();
}

CDlgEGJPWFrame::~CDlgEGJPWFrame() {
    LmrWindowNotice().onRefreshEBState = nullptr;
    if (g_pEFrame == this) g_pEFrame = nullptr;
}

void CDlgEGJPWFrame::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // Two rows of buttons above the view.
    const int perRow = std::max(1, (width() - 2 * kMargin) / kButton);
    const int order[] = {IDC_PENCIL,   IDC_LINE,    IDC_BOX,    IDC_ELLIPSE, IDC_FBOX,
                         IDC_FELLIPSE, IDC_SELECT,  IDC_COLOR,  IDC_XFLIP,   IDC_YFLIP,
                         IDC_ROTATE,   IDC_LCRAWL,  IDC_RCRAWL, IDC_UCRAWL,  IDC_DCRAWL,
                         IDC_ZOOMIN,   IDC_ZOOMOUT, IDC_CLEAR,  IDC_COPY,    IDC_PASTE};
    int i = 0;
    for (int id : order) {
        GetButton(id)->move(kMargin + (i % perRow) * kButton, kMargin + (i / perRow) * kButton);
        ++i;
    }
    m_pSwatch->move(kMargin + (i % perRow) * kButton, kMargin + (i / perRow) * kButton);
    ++i;
    const int top = kMargin + ((i + perRow - 1) / perRow) * kButton + kMargin;
    m_pView->setGeometry(kMargin, top, std::max(0, width() - 2 * kMargin),
                         std::max(0, height() - top - kMargin));
}

void CDlgEGJPWFrame::ChooseTool(int tool, int buttonId) {
    for (int id : {IDC_PENCIL, IDC_LINE, IDC_BOX, IDC_ELLIPSE, IDC_FBOX, IDC_FELLIPSE, IDC_SELECT})
        GetButton(id)->setChecked(id == buttonId);
    CLmrOGJPWindow* canvas = Canvas();
    if (canvas) canvas->GJPSEndMove();
    m_pView->m_nTool = tool;
    if (tool != CLmrEGJPEState::ET_SELECT) {
        if (canvas) canvas->GJPSEnd();
        m_pView->m_nMode = CLmrEGJPEState::EM_IDLE;
        if (canvas) canvas->ClearAllPGInfos();
        m_pView->RedrawEGJPWindow();
    }
    UpdateEBState();
}

void CDlgEGJPWFrame::OnEnableUJPixel() { ChooseTool(CLmrEGJPEState::ET_PENCIL, IDC_PENCIL); }
void CDlgEGJPWFrame::OnEnableUJPLine() { ChooseTool(CLmrEGJPEState::ET_LINE, IDC_LINE); }
void CDlgEGJPWFrame::OnEnableUJPBox() { ChooseTool(CLmrEGJPEState::ET_BOX, IDC_BOX); }
void CDlgEGJPWFrame::OnEnableUJPEllipse() { ChooseTool(CLmrEGJPEState::ET_ELLIPSE, IDC_ELLIPSE); }
void CDlgEGJPWFrame::OnEnableUJPFBox() { ChooseTool(CLmrEGJPEState::ET_FBOX, IDC_FBOX); }
void CDlgEGJPWFrame::OnEnableUJPFEllipse() {
    ChooseTool(CLmrEGJPEState::ET_FELLIPSE, IDC_FELLIPSE);
}
void CDlgEGJPWFrame::OnEnableGJPSelect() { ChooseTool(CLmrEGJPEState::ET_SELECT, IDC_SELECT); }

void CDlgEGJPWFrame::Transform(int kind) {
    if (CLmrOGJPWindow* canvas = Canvas()) canvas->GJPEAANPerformByKGJPEdit(kind);
}

void CDlgEGJPWFrame::OnKGJPMXFlip() { Transform(GJPEA_XFLIP); }
void CDlgEGJPWFrame::OnKGJPMYFlip() { Transform(GJPEA_YFLIP); }
void CDlgEGJPWFrame::OnKGJPMRotate() {
    // The square test is of the selection where it is shown now.
    if (CLmrOGJPWindow* canvas = Canvas()) canvas->GJPSEndMove();
    if (m_pView->IsSquare()) Transform(GJPEA_ROTATE);
}
void CDlgEGJPWFrame::OnKGJPMLCrawl() { Transform(GJPEA_LCRAWL); }
void CDlgEGJPWFrame::OnKGJPMRCrawl() { Transform(GJPEA_RCRAWL); }
void CDlgEGJPWFrame::OnKGJPMUCrawl() { Transform(GJPEA_UCRAWL); }
void CDlgEGJPWFrame::OnKGJPMDCrawl() { Transform(GJPEA_DCRAWL); }

void CDlgEGJPWFrame::OnJPBIncrease() {
    LmrGOption().SetInt("ejpbreadth", std::min(CLmrGOption::kMaxBreadth, LmrOpt().ejpbreadth + 1));
    LmrGOption().Refresh();
    m_pView->ResetScrollSize();
}

void CDlgEGJPWFrame::OnJPBDecrease() {
    LmrGOption().SetInt("ejpbreadth", std::max(1, LmrOpt().ejpbreadth - 1));
    LmrGOption().Refresh();
    m_pView->ResetScrollSize();
}

void CDlgEGJPWFrame::OnGJPClear() {
    CLmrOGJPWindow* canvas = Canvas();
    if (!canvas) return;
    canvas->GJPSEndMove();
    canvas->ClearAllPGInfos();
    const bool selection = m_pView->HasSelection();
    const CRect r = selection ? m_pView->m_rcPlaced : CLmrOGJPixel::GetWorkingAreaOSLRect();
    canvas->GJPEAANPerformByGJPCGZClear(r.left, r.top, r.right, r.bottom);
    // The selection holds its cleared pixel values; what lies under it stays.
    canvas->GJPSCanvasChanged(r, false);
}

void CDlgEGJPWFrame::OnJPCToggle() {
    m_pView->m_dwDrawColor = m_pView->m_dwDrawColor == 0x000000 ? 0xFFFFFF : 0x000000;
    m_pSwatch->update();
    if (g_pOFrame) g_pOFrame->update();
    // Text being placed is carved in the drawing colour.
    if (CLmrOGJPWindow* canvas = Canvas()) emit canvas->DrawColorChanged();
}

void CDlgEGJPWFrame::EGJPWFrameGJPSCopy() {
    if (CLmrOGJPWindow* canvas = Canvas()) canvas->GJPSEndMove();
    if (!EGJPWFrameIsGJPSCopiable()) return;
    if (CLmrOGJPWindow* canvas = Canvas()) canvas->GJPSCopy(m_pView->m_rcPlaced);
}

void CDlgEGJPWFrame::EGJPWFrameGJPSCut() {
    if (CLmrOGJPWindow* canvas = Canvas()) canvas->GJPSEndMove();
    if (!EGJPWFrameIsGJPSCopiable()) return;
    if (CLmrOGJPWindow* canvas = Canvas()) canvas->GJPSCut(m_pView->m_rcPlaced);
    UpdateEBState();
}

int CDlgEGJPWFrame::EGJPWFrameIsGJPSCopiable() const {
    return m_pView->m_nTool == CLmrEGJPEState::ET_SELECT && m_pView->HasSelection() ? 1 : 0;
}

void CDlgEGJPWFrame::EGJPWFrameAZGJPSelect() {
    CLmrOGJPWindow* canvas = Canvas();
    if (!canvas) return;
    ChooseTool(CLmrEGJPEState::ET_SELECT, IDC_SELECT);
    const CRect r = CLmrOGJPixel::GetWorkingAreaOSLRect();
    m_pView->m_nMode = CLmrEGJPEState::EM_SELECTED;
    m_pView->m_rcPlaced = m_pView->m_rcShown = r;
    canvas->DSPGIUpdateFromOSLRect(r.left, r.top, r.right, r.bottom);
    canvas->PGICarveForDShift(LmrNullRect(), r);
    m_pView->m_revEvacuation.Assign(canvas->GetDSPGInfo());
    m_pView->RedrawEGJPWindow();
    UpdateEBState();
}

void CDlgEGJPWFrame::EGJPWFrameQDShift() {
    CLmrOGJPWindow* canvas = Canvas();
    if (!canvas) return;
    // The floating buffer is taken over by the paste.
    canvas->GJPSEndMove();
    CSize size;
    if (!canvas->DSPGIUpdateFromClipboard(size)) return;
    ChooseTool(CLmrEGJPEState::ET_SELECT, IDC_SELECT);
    const LmrOptionValues& o = LmrOpt();
    const int left = o.omlegjpleft * 16, top = o.omlegjptop * 16;
    const CRect dest(left, top, left + size.cx - 1, top + size.cy - 1);
    canvas->PGICarveForDShift(LmrNullRect(), dest);
    canvas->DSGJPEAAdd(1, 0, LmrNullRect(), dest, 1, 1);
    m_pView->m_rcPlaced = m_pView->m_rcShown = dest;
    m_pView->m_nMode = CLmrEGJPEState::EM_FLOATING;
    m_pView->RedrawEGJPWindow();
    UpdateEBState();
}

int CDlgEGJPWFrame::EGJPWFrameIsQDShiftable() const {
    // Polled by the menu and tool-bar update: another program's bitmap is
    // only asked for by format here; the paste reads it and checks its size.
    return IsClipboardImageOffered() ? 1 : 0;
}

void CDlgEGJPWFrame::WMInvokeQDShift() { PostMessage(this, WM_LMR_QDSHIFT, 0, 0); }

LRESULT CDlgEGJPWFrame::OnUserMsgQDShift(WPARAM, LPARAM) {
    EGJPWFrameQDShift();
    return 0;
}

void CDlgEGJPWFrame::UpdateEBState() {
    GetButton(IDC_ROTATE)->setEnabled(m_pView->IsSquare());
    const int tools[][2] = {
        {IDC_PENCIL, CLmrEGJPEState::ET_PENCIL}, {IDC_LINE, CLmrEGJPEState::ET_LINE},
        {IDC_BOX, CLmrEGJPEState::ET_BOX},       {IDC_ELLIPSE, CLmrEGJPEState::ET_ELLIPSE},
        {IDC_FBOX, CLmrEGJPEState::ET_FBOX},     {IDC_FELLIPSE, CLmrEGJPEState::ET_FELLIPSE},
        {IDC_SELECT, CLmrEGJPEState::ET_SELECT}};
    for (const auto& t : tools) GetButton(t[0])->setChecked(m_pView->m_nTool == t[1]);
    m_pSwatch->update();
}

bool CDlgEGJPWFrame::HandleFrameKey(QKeyEvent* event) {
    return CLmrWFrameBase::HandleFrameKey(event);
}

// ---- Whole-canvas frame --------------------------------------------------

CDlgOGJPWFrame::CDlgOGJPWFrame(QWidget* parent) : CLmrWFrameBase(parent) {
    g_pOFrame = this;
    SetDlgCtrlID(this, IDD);
    setObjectName("OGJPWFrame");
    struct Entry {
        int id;
        const char* tip;
        void (CDlgOGJPWFrame::*command)();
    };
    const Entry entries[] = {
        {IDC_UWALK, "Move Up", &CDlgOGJPWFrame::OnUGJPCGZWalk},
        {IDC_DWALK, "Move Down", &CDlgOGJPWFrame::OnDGJPCGZWalk},
        {IDC_LWALK, "Move Left", &CDlgOGJPWFrame::OnLGJPCGZWalk},
        {IDC_RWALK, "Move Right", &CDlgOGJPWFrame::OnRGJPCGZWalk},
        {IDC_CLEARAREA, "Clear Selected Area", &CDlgOGJPWFrame::OnEGJPClear},
        {IDC_ADDTEXT, "Add Text", &CDlgOGJPWFrame::OnUJPTAdd},
        {IDC_ZOOMIN, "", &CDlgOGJPWFrame::OnJPBIncrease},
        {IDC_ZOOMOUT, "", &CDlgOGJPWFrame::OnJPBDecrease},
        {IDC_COLOR, "", &CDlgOGJPWFrame::OnJPCToggle},
        {IDC_ROTATE, "", &CDlgOGJPWFrame::OnKGJPMRotate},
    };
    for (const Entry& e : entries) {
        const auto command = e.command;
        AddButton(e.id, LmrFrameBitmapIdOf(IDD, e.id), e.tip,
                  [this, command] { (this->*command)(); });
    }
    m_pView = new CLmrOGJPWindow(this);
    m_pView->installEventFilter(this);
    m_pView->viewport()->installEventFilter(this);
    m_pView->StartTextFrame();
    CLmrWindowNotice& notice = LmrWindowNotice();
    notice.onRedrawViews = [] {
        if (LmrOGJPWindow()) LmrOGJPWindow()->RedrawOGJPWindow();
        if (LmrEGJPWindow()) LmrEGJPWindow()->RedrawEGJPWindow();
    };
    UpdateEBState();
}

CDlgOGJPWFrame::~CDlgOGJPWFrame() {
    if (m_pAddText) delete m_pAddText.data();
    LmrWindowNotice().onRedrawViews = nullptr;
    if (g_pOFrame == this) g_pOFrame = nullptr;
}

namespace {
constexpr int kOFrameOrder[] = {CDlgOGJPWFrame::IDC_UWALK,     CDlgOGJPWFrame::IDC_DWALK,
                                CDlgOGJPWFrame::IDC_LWALK,     CDlgOGJPWFrame::IDC_RWALK,
                                CDlgOGJPWFrame::IDC_CLEARAREA, CDlgOGJPWFrame::IDC_ADDTEXT,
                                CDlgOGJPWFrame::IDC_ZOOMIN,    CDlgOGJPWFrame::IDC_ZOOMOUT,
                                CDlgOGJPWFrame::IDC_COLOR,     CDlgOGJPWFrame::IDC_ROTATE};
constexpr int kOFrameButtons = static_cast<int>(std::size(kOFrameOrder));
// The whole-canvas view keeps at least one cell row of the canvas.
constexpr int kMinViewHeight = 16;

int ButtonsPerRow(int width) { return std::max(1, (width - 2 * kMargin) / kButton); }
}  // namespace

int CDlgOGJPWFrame::ViewTop(int width) {
    const int perRow = ButtonsPerRow(width);
    return kMargin + ((kOFrameButtons + perRow - 1) / perRow) * kButton + kMargin;
}

int CDlgOGJPWFrame::GetMinimumHeight(int width) {
    return ViewTop(width) + kMinViewHeight + kMargin;
}

void CDlgOGJPWFrame::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int perRow = ButtonsPerRow(width());
    for (int i = 0; i < kOFrameButtons; ++i)
        GetButton(kOFrameOrder[i])
            ->move(kMargin + (i % perRow) * kButton, kMargin + (i / perRow) * kButton);
    const int top = ViewTop(width());
    m_pView->setGeometry(kMargin, top, std::max(0, width() - 2 * kMargin),
                         std::max(0, height() - top - kMargin));
}

int CDlgOGJPWFrame::GJPEAANPerformByGJPCGZWalk(int direction) {
    CLmrOGJPWindow* canvas = m_pView;
    return canvas->GJPEAANPerformByGJPCGZWalk(direction);
}

void CDlgOGJPWFrame::GJPEAANPerformByGJPCGZClear(int left, int top, int right, int bottom) {
    m_pView->GJPEAANPerformByGJPCGZClear(left, top, right, bottom);
}

void CDlgOGJPWFrame::OnUGJPCGZWalk() {
    if (LmrOpt().omlegjptop > 0) GJPEAANPerformByGJPCGZWalk(GJPCGZ_UP);
}
void CDlgOGJPWFrame::OnDGJPCGZWalk() {
    if (LmrOpt().omlegjptop + LmrOpt().mlegjpheight < 13) GJPEAANPerformByGJPCGZWalk(GJPCGZ_DOWN);
}
void CDlgOGJPWFrame::OnLGJPCGZWalk() {
    if (LmrOpt().omlegjpleft > 0) GJPEAANPerformByGJPCGZWalk(GJPCGZ_LEFT);
}
void CDlgOGJPWFrame::OnRGJPCGZWalk() {
    if (LmrOpt().omlegjpleft + LmrOpt().mlegjpwidth < 16) GJPEAANPerformByGJPCGZWalk(GJPCGZ_RIGHT);
}

void CDlgOGJPWFrame::OnEGJPClear() {
    m_pView->GJPSEndMove();
    m_pView->ClearAllPGInfos();
    const CRect r = CLmrOGJPixel::GetWorkingAreaOSLRect();
    GJPEAANPerformByGJPCGZClear(r.left, r.top, r.right, r.bottom);
    // A selection shown in the area is cleared with it, and so is what
    // lies under it.
    m_pView->GJPSCanvasChanged(r, true);
}

void CDlgOGJPWFrame::OnUJPTAdd() {
    if (m_pAddText) return;
    // The text is carved in the layer the selection shows in.
    m_pView->GJPSEnd();
    const LmrDialogFactory& factory = LmrAddTextDialogFactory();
    const int x = LmrOpt().omlegjpleft * 16, y = LmrOpt().omlegjptop * 16;
    m_pView->SetUJPTextRect(CRect(x, y, x + 20, y + 20));
    m_pView->m_nOTool = CLmrOGJPEState::OT_TEXT;
    m_pView->m_nOMode = CLmrOGJPEState::OM_IDLE;
    if (factory) {
        QWidget* dialog = factory(this);
        if (dialog) {
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            m_pAddText = dialog;
            // However the dialog ends, the text tool ends with it.
            connect(dialog, &QObject::destroyed, this, [this] {
                if (m_pView->m_nOTool == CLmrOGJPEState::OT_TEXT) {
                    m_pView->ClearAllPGInfos();
                    m_pView->m_nOTool = CLmrOGJPEState::OT_AREA;
                    m_pView->m_nOMode = CLmrOGJPEState::OM_IDLE;
                    m_pView->RedrawOGJPWindow();
                    if (LmrEGJPWindow()) LmrEGJPWindow()->RedrawEGJPWindow();
                }
                UpdateEBState();
            });
            // Its bottom edge 10 px above the working area's top-left corner.
            const CRect corner = m_pView->OSLToClientRect(x, y);
            const QPoint screen = m_pView->viewport()->mapToGlobal(QPoint(corner.left, corner.top));
            dialog->adjustSize();
            dialog->move(screen.x(), screen.y() - 10 - dialog->frameGeometry().height());
            dialog->show();
        }
    }
    m_pView->RedrawOGJPWindow();
    UpdateEBState();
}

void CDlgOGJPWFrame::OnJPBIncrease() {
    LmrGOption().SetInt("ojpbreadth", std::min(CLmrGOption::kMaxBreadth, LmrOpt().ojpbreadth + 1));
    LmrGOption().Refresh();
    m_pView->ResetScrollSize();
}

void CDlgOGJPWFrame::OnJPBDecrease() {
    LmrGOption().SetInt("ojpbreadth", std::max(1, LmrOpt().ojpbreadth - 1));
    LmrGOption().Refresh();
    m_pView->ResetScrollSize();
}

void CDlgOGJPWFrame::OnJPCToggle() {
    if (g_pEFrame) {
        g_pEFrame->OnJPCToggle();
    } else if (CLmrEGJPEState* state = LmrEGJPEState()) {
        state->m_dwDrawColor = state->m_dwDrawColor == 0x000000 ? 0xFFFFFF : 0x000000;
        emit m_pView->DrawColorChanged();
    }
    update();
}

void CDlgOGJPWFrame::OnKGJPMRotate() {
    m_pView->GJPSEndMove();
    MessageBox("Not Ready", "", MB_OK, this);
}

void CDlgOGJPWFrame::AGJPEADelete() {
    // No move goes on under the question.
    m_pView->GJPSEndMove();
    if (MessageBox("Clear all ? This action cannot be undone.", "Clear All", MB_YESNO, this) !=
        IDYES)
        return;
    m_pView->GJPSEnd();
    m_pView->CLmrYUBuffer::AGJPEADelete();
    m_pView->OGJPClear();
    if (CLmrEGJPEState* state = LmrEGJPEState()) state->m_nMode = CLmrEGJPEState::EM_IDLE;
    m_pView->ClearAllPGInfos();
    m_pView->RedrawOGJPWindow();
    if (LmrEGJPWindow()) LmrEGJPWindow()->RedrawEGJPWindow();
    if (g_pEFrame) g_pEFrame->UpdateEBState();
    // The canvas changed: the code and the document follow.
    LmrViewNotice().MarkCodeStale();
    LmrViewNotice().NotifyModified();
}

void CDlgOGJPWFrame::UpdateEBState() {
    const bool notText = m_pView->m_nOTool != CLmrOGJPEState::OT_TEXT;
    for (int id : {IDC_UWALK, IDC_DWALK, IDC_LWALK, IDC_RWALK, IDC_CLEARAREA, IDC_ADDTEXT})
        GetButton(id)->setEnabled(notText);
}
