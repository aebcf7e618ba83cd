#include "design/frames/dsgtspframe.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "design/frames/dlgformname.h"
#include "design/frames/dlgubar.h"
#include "design/frames/dsgframepaint.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgtoolbox.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsglsdhost.h"
#include "design/model/dsgspfiles.h"
#include "design/surface/dsgdspframe.h"
#include "design/surface/dsgimagescaler.h"
#include "design/surface/fxmemdc.h"
#include "design/surface/fxuihelpers.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxstrings.h"
#include "foundation/fxutils.h"
#include "platform/dc.h"
#include "platform/inifile.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

CDsgTSPFrame* g_pTSPFrame = nullptr;

// Space between two slots below a tab (label and gap), and the strip's
// margins.
constexpr int kSlotGap = 25;
constexpr int kTabLeft = 8;
constexpr int kTabTop = 10;
constexpr int kMaxTabHeight = 2048;
// Room kept between a tab's label and the strip's right edge (its frame).
constexpr int kLabelEnd = 3;

CDsgEActions* PageActions() {
    CDsgLSDHost* host = GetDsgLSDHost();
    return host ? host->GetDSPEActions() : nullptr;
}

int CurrentSPIndex() {
    const CDsgEActions* actions = PageActions();
    return actions ? actions->GetSPIndex() : -1;
}

void Refresh(int code) {
    if (CDsgLSDHost* host = GetDsgLSDHost()) host->MFRefresh(code);
}

void FrameOnePixel(CDC& dc, const CRect& rect, COLORREF colour) {
    dc.FrameRect(rect, Brush(colour));
}

// The visible page takes the keyboard focus once the current event is over.
void FocusVisiblePage() {
    if (CDsgDSPFrame* page = GetDsgDSPFrame())
        SetTimer(page, nDSG_DSPTIMER__FOCUS, nDSG_DSPTIMER__FOCUS_MS);
}

}  // namespace

CDsgTSPFrame* GetDsgTSPFrame() { return g_pTSPFrame; }

// ---- CDsgTSPage -------------------------------------------------------

CDsgTSPage::CDsgTSPage(CDsgTSPFrame* strip, int index, QWidget* parent)
    : QWidget(parent), m_nIndex(index), m_pStrip(strip) {
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetTimerHandler(this, [this](UINT_PTR id) {
        if (id == TSP_THUMB_TIMER) OnThumbTimer();
    });
    SetTimer(this, TSP_THUMB_TIMER, TSP_THUMB_PERIOD);
}

CDsgTSPage::~CDsgTSPage() = default;

void CDsgTSPage::OnThumbTimer() {
    if (!m_nStale || m_nIndex < 0 || m_nIndex != CurrentSPIndex()) return;
    const CDsgDSPFrame* visible = GetDsgDSPFrame();
    if (!visible || !GetDsgImageScaler()) return;
    // The hidden page gets a copy of the visible page's objects.
    CDsgDSPFrame hidden(0, m_pStrip);
    hidden.resize(200, 200);
    int keepIds = -1;
    hidden.CopyWObjsFrom(*visible, TRUE, keepIds);
    if (!m_pStrip->MakeThumbnail(*this, hidden)) return;
    m_nStale = 0;
    update();
}

void CDsgTSPage::DrawTSPage(CDC& dc) const {
    const CSize size = dc.GetSize();
    const COLORREF back = GetDsgGOption().GetSPageBackColor();
    if (!m_thumbnail.isNull() && m_thumbnail.width() == size.cx && m_thumbnail.height() == size.cy)
        dc.DrawImage(0, 0, m_thumbnail);
    else
        dc.FillSolidRect(CRect(0, 0, size.cx, size.cy), back);
    Draw3dFrame(&dc, CRect(0, 0, size.cx, size.cy), back, 40, TRUE, TRUE);
}

void CDsgTSPage::paintEvent(QPaintEvent*) {
    CDC dc(width(), height());
    DrawTSPage(dc);
    QPainter painter(this);
    painter.drawImage(0, 0, dc.Image());
}

void CDsgTSPage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_pStrip->OnTabLButtonDown(m_nIndex, event->modifiers());
    else if (event->button() == Qt::RightButton)
        m_pStrip->OnTabRButtonDown(m_nIndex, event->modifiers());
}

void CDsgTSPage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_pStrip->setFocus(Qt::MouseFocusReason);
    else if (event->button() == Qt::RightButton)
        m_pStrip->OnTabRButtonUp(event->globalPosition().toPoint());
}

void CDsgTSPage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_pStrip->SPAppoint(m_nIndex, 1);
}

// ---- CDsgTSPFrame: geometry ---------------------------------------------

CDsgTSPFrame::CDsgTSPFrame(QWidget* parent) : QAbstractScrollArea(parent) {
    g_pTSPFrame = this;
    setObjectName("TSPFrame");
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    SetTimerHandler(this, [this](UINT_PTR id) { OnScrollTimer(id); });
    resize(70, height());
    m_nSlots = 0;
    SetTSPScrollSizes();
}

CDsgTSPFrame::~CDsgTSPFrame() {
    RemoveAllTSPages();
    if (g_pTSPFrame == this) g_pTSPFrame = nullptr;
}

int CDsgTSPFrame::TabHeight() {
    // The LCD size comes from an option file: a tab is never flat and never
    // taller than a tab of any real display, so its picture stays small.
    return std::clamp(CDsgGOption::GetTSPHeight(), 1, kMaxTabHeight);
}

CRect CDsgTSPFrame::SlotRect(int index) {
    const int h = TabHeight();
    const std::int64_t top = index <= 0 ? kTabTop : std::int64_t{index} * (h + kSlotGap) + kTabTop;
    const LONG y = static_cast<LONG>(std::min<std::int64_t>(top, 1 << 30));
    return CRect(kTabLeft, y, kTabLeft + nDSG_TSP_THUMBWIDTH, y + h);
}

int CDsgTSPFrame::ScrollHeight(int count) {
    if (count == 0) return 30;
    // Many forms must not wrap the height.
    const std::int64_t height = std::int64_t{count} * (TabHeight() + kSlotGap) + 5;
    return static_cast<int>(std::min<std::int64_t>(height, 1 << 30));
}

CRect CDsgTSPFrame::GetTSPageRect(int index) const {
    CRect rect = SlotRect(index);
    rect.OffsetRect(0, -verticalScrollBar()->value());
    return rect;
}

void CDsgTSPFrame::SetTSPScrollSizes() {
    m_nSlots = GetTSPageCount() + 1;
    const int total = ScrollHeight(m_nSlots);
    const int page = viewport()->height();
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(std::max(1, page / 10));
    verticalScrollBar()->setRange(0, std::max(0, total - page));
    FitTSPageRectsToLast(0);
}

void CDsgTSPFrame::TMInvokeSetScrollSizes() { SetTimer(this, TSP_SCROLL_TIMER, 1); }

void CDsgTSPFrame::OnScrollTimer(UINT_PTR id) {
    if (id != TSP_SCROLL_TIMER) return;
    KillTimer(this, id);
    SetTSPScrollSizes();
}

void CDsgTSPFrame::scrollContentsBy(int, int) {
    FitTSPageRectsToLast(0);
    viewport()->update();
}

void CDsgTSPFrame::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    SetTSPScrollSizes();
}

void CDsgTSPFrame::ResetSPIndexesToLast(int from) {
    for (int i = std::max(0, from); i < GetTSPageCount(); ++i)
        m_pages[static_cast<size_t>(i)]->m_nIndex = i;
}

void CDsgTSPFrame::FitTSPageRectsToLast(int from) {
    for (int i = std::max(0, from); i < GetTSPageCount(); ++i) {
        const CRect rect = GetTSPageRect(i);
        m_pages[static_cast<size_t>(i)]->setGeometry(rect.left, rect.top, rect.Width(),
                                                     rect.Height());
    }
}

// ---- Tabs -------------------------------------------------------------

BOOL CDsgTSPFrame::AddTSPage(const std::string& name, int repaintStrip, int repaintBar, int select,
                             int refreshPalette, int) {
    const int index = GetTSPageCount();
    auto* page = new CDsgTSPage(this, index, viewport());
    page->setObjectName("TSPage");
    page->SetSPName(name);
    const CRect rect = GetTSPageRect(index);
    page->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
    page->show();
    if (CDsgEActions* actions = PageActions()) actions->SetSPIndex(index);
    m_pages.push_back(page);
    if (repaintBar)
        if (CDlgUBar* bar = GetDlgUBar()) bar->update();
    if (select) SPSelectOne(CurrentSPIndex(), 0);
    if (repaintStrip) viewport()->update();
    SetTSPScrollSizes();
    if (refreshPalette)
        if (CDlgToolBox* box = GetDlgToolBox()) box->UpdateToolStates();
    return TRUE;
}

CDsgTSPage* CDsgTSPFrame::GetTSPageBySPIndex(int index) const {
    if (index < 0 || index >= GetTSPageCount()) return nullptr;
    return m_pages[static_cast<size_t>(index)];
}

CDsgTSPage* CDsgTSPFrame::GetTSPageBySPName(const std::string& name, int ignoreCase,
                                            int* index) const {
    for (int i = 0; i < GetTSPageCount(); ++i) {
        const std::string own = m_pages[static_cast<size_t>(i)]->GetSPName();
        if (ignoreCase ? MbCompareNoCase(own, name) == 0 : own == name) {
            if (index) *index = i;
            return m_pages[static_cast<size_t>(i)];
        }
    }
    if (index) *index = -1;
    return nullptr;
}

int CDsgTSPFrame::GetSPSCount() const {
    return static_cast<int>(std::count_if(m_pages.begin(), m_pages.end(),
                                          [](const CDsgTSPage* p) { return p->m_nChosen; }));
}

void CDsgTSPFrame::GetSPSNames(std::vector<std::string>& names) const {
    names.clear();
    for (const CDsgTSPage* page : m_pages)
        if (page->m_nChosen) names.push_back(page->GetSPName());
}

void CDsgTSPFrame::SPSelectOne(int index, int repaint) {
    for (int i = 0; i < GetTSPageCount(); ++i) {
        m_pages[static_cast<size_t>(i)]->m_nChosen = i == index;
        m_nAnchor = i;
    }
    if (repaint) viewport()->update();
}

void CDsgTSPFrame::SPSelectRange(int a, int b, int repaint) {
    const int low = std::min(a, b);
    const int high = std::max(a, b);
    for (int i = 0; i < GetTSPageCount(); ++i) {
        m_pages[static_cast<size_t>(i)]->m_nChosen = i >= low && i <= high;
        m_nAnchor = i;
    }
    if (repaint) viewport()->update();
}

int CDsgTSPFrame::SPSelectReverseOne(int index, int repaint) {
    CDsgTSPage* page = GetTSPageBySPIndex(index);
    if (!page) return 0;
    page->m_nChosen = !page->m_nChosen;
    m_nAnchor = index;
    if (repaint) viewport()->update();
    return 1;
}

void CDsgTSPFrame::SPClearChoice(int repaint) {
    for (CDsgTSPage* page : m_pages) page->m_nChosen = 0;
    if (repaint) viewport()->update();
}

BOOL CDsgTSPFrame::ExchangeTSPages(int a, int b) {
    CDsgTSPage* first = GetTSPageBySPIndex(a);
    CDsgTSPage* second = GetTSPageBySPIndex(b);
    if (!first || !second) return FALSE;
    const std::string name = first->GetSPName();
    first->SetSPName(second->GetSPName());
    second->SetSPName(name);
    std::swap(first->m_thumbnail, second->m_thumbnail);
    std::swap(first->m_nStale, second->m_nStale);
    std::swap(first->m_nChosen, second->m_nChosen);
    first->update();
    second->update();
    return TRUE;
}

int CDsgTSPFrame::DeleteTSPageBySPName(const std::string& name, int deleteFile) {
    int index = -1;
    CDsgTSPage* page = GetTSPageBySPName(name, 1, &index);
    if (!page) return 0;
    const std::string file = CDsgLSDAction::GetSPFilePath(page->GetSPName());
    const bool usable = CDsgLSDAction::IsUsableSPName(page->GetSPName());
    m_pages.erase(m_pages.begin() + index);
    delete page;
    ResetSPIndexesToLast(index);
    FitTSPageRectsToLast(index);
    if (m_nAnchor >= GetTSPageCount()) m_nAnchor = GetTSPageCount() - 1;
    if (CDsgEActions* actions = PageActions()) actions->SetSPIndex(-1);
    if (deleteFile && usable && CDsgSPFiles::Remove(file) != 0) return 0;
    return 1;
}

void CDsgTSPFrame::RemoveAllTSPages() {
    std::vector<CDsgTSPage*> pages;
    pages.swap(m_pages);
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    for (CDsgTSPage* page : pages) delete page;
    m_nAnchor = -1;
}

BOOL CDsgTSPFrame::UpdateILSFile() {
    const std::string ini = CDsgLSDAction::GetIniPath();
    if (CDsgLSDAction::GetWorkDir().empty()) return FALSE;
    // One change of the file: a list of many forms costs one write, and the
    // count never disagrees with the names after a failure.
    IniEntries entries;
    entries.reserve(m_pages.size() + 1);
    entries.emplace_back("SPCount", std::to_string(GetTSPageCount()));
    for (int i = 0; i < GetTSPageCount(); ++i)
        entries.emplace_back("Form" + std::to_string(i) + "Name",
                             m_pages[static_cast<size_t>(i)]->GetSPName());
    return SetIniStrings(ini, entries, LSD_INI_SECTION);
}

std::string CDsgTSPFrame::GetTSPFrameExp() const {
    std::string text;
    for (int i = 0; i < GetTSPageCount(); ++i) {
        if (i) text += "\r\n";
        text += "SPIndex:" + std::to_string(m_pages[static_cast<size_t>(i)]->m_nIndex) +
                ",SPName=" + m_pages[static_cast<size_t>(i)]->GetSPName();
    }
    return text;
}

// ---- Switching and thumbnails -----------------------------------------

int CDsgTSPFrame::SPAppoint(int index, int focus) {
    if (!GetTSPageBySPIndex(index)) return 0;
    const int current = CurrentSPIndex();
    int result = 1;
    if (current != index) {
        // Unsaved edits must not be replaced by another form: a failed write
        // keeps the visible form.
        if (current >= 0 && !CDsgLSDAction().SLSCache(current, TRUE)) {
            AppMessageBox(nullptr, "Could not save form " + CDsgLSDAction::GetSPName(current),
                          "Error", MB_OK);
            return 0;
        }
        if (CDsgLSDAction().SLSSwitch(current, index)) {
            Refresh(1);
            Refresh(5);
            Refresh(6);
        } else {
            // The visible form stays; the message names the form that failed.
            AppMessageBox(nullptr, "Could not load form " + CDsgLSDAction::GetSPName(index),
                          "Error", MB_OK);
            result = 0;
        }
    }
    if (focus) FocusVisiblePage();
    return result;
}

void CDsgTSPFrame::OnSPAppoint() { SPAppoint(m_nAnchor, 1); }

BOOL CDsgTSPFrame::DrawThumbnail(CDsgDSPFrame& hidden, int width, int height, QImage& thumbnail) {
    const DsgImageScaler& scaler = GetDsgImageScaler();
    // Until an image scaler is registered a tab keeps its plain fill.
    if (!scaler) return FALSE;
    QImage drawn;
    if (!hidden.RedrawDSPFrame(&drawn) || drawn.isNull()) return FALSE;
    QImage scaled;
    if (!scaler(drawn, width, height, scaled) || scaled.isNull()) return FALSE;
    thumbnail = scaled.convertToFormat(QImage::Format_RGB32);
    return TRUE;
}

BOOL CDsgTSPFrame::MakeThumbnail(CDsgTSPage& page, CDsgDSPFrame& hidden) {
    return DrawThumbnail(hidden, page.width(), page.height(), page.m_thumbnail);
}

int CDsgTSPFrame::AFBTSPIUpdate(int repaint) { return AFBTSPIUpdate(repaint, {}); }

int CDsgTSPFrame::AFBTSPIUpdate(int repaint, const std::vector<QImage>& thumbnails) {
    // Without a scaler the plain fill stays; that is no failure.
    if (!GetDsgImageScaler()) return 1;
    for (size_t i = 0; i < m_pages.size(); ++i) {
        CDsgTSPage* page = m_pages[i];
        if (i < thumbnails.size() && !thumbnails[i].isNull() &&
            thumbnails[i].size() == page->size()) {
            page->m_thumbnail = thumbnails[i];
        } else {
            CDsgDSPFrame hidden(0, this);
            hidden.resize(200, 200);
            int level = nDSG_EAVERSION__NONE;
            const std::string name = page->GetSPName();
            if (!CDsgLSDAction::IsUsableSPName(name) ||
                !hidden.EActionsFromFile(CDsgLSDAction::GetSPFilePath(name), level))
                return 0;
            hidden.RebuildWObjs();
            if (!MakeThumbnail(*page, hidden)) return 0;
        }
        if (repaint) {
            page->m_nStale = 0;
            page->update();
        }
    }
    return 1;
}

QImage CDsgTSPFrame::DrawFormThumbnail(CDsgEActions& form) {
    if (!GetDsgImageScaler()) return QImage();
    // The page the rebuild from a working file draws on, at a tab's size.
    CDsgDSPFrame hidden(0, this);
    hidden.resize(200, 200);
    hidden.TakeEActions(form);
    // Replayed once and dropped: nothing a replay keeps for the next one is
    // worth making.
    hidden.ReplayWObjsFromStart(hidden, TRUE);
    const CRect slot = SlotRect(0);
    QImage thumbnail;
    if (!DrawThumbnail(hidden, slot.Width(), slot.Height(), thumbnail)) return QImage();
    return thumbnail;
}

// ---- Commands ---------------------------------------------------------

void CDsgTSPFrame::RefreshUBar() {
    if (CDlgUBar* bar = GetDlgUBar()) bar->UpdateEBState();
}

void CDsgTSPFrame::SendDesignChanged() {
    if (CDsgLSDHost* host = GetDsgLSDHost())
        SendMessage(host->GetHostWindow(), WM_DSG_DESIGNCHANGED);
}

void CDsgTSPFrame::OnRenameSPage() {
    CDsgTSPage* page = GetTSPageBySPIndex(m_nAnchor);
    if (!page) {
        AppMessageBox(nullptr, "Form has not been selected", "Rename Form", MB_OK);
        return;
    }
    CDlgFormName dialog(CDlgFormName::MODE_RENAME, page->GetSPName(), nullptr);
    if (ExecDialog(dialog) != IDOK) return;
    // The working file went with the form (RenameTSPage): nothing to delete.
    SendDesignChanged();
}

CDsgTSPFrame::RenameResult CDsgTSPFrame::RenameTSPage(int index, const std::string& name) {
    CDsgTSPage* page = GetTSPageBySPIndex(index);
    if (!page) return RENAME_NOTAB;
    const std::string oldName = page->GetSPName();
    const std::string oldFile = CDsgLSDAction::GetSPFilePath(oldName);
    const std::string newFile = CDsgLSDAction::GetSPFilePath(name);
    // The visible form's latest edits go to its file before the file moves.
    if (index == CurrentSPIndex() && !CDsgLSDAction().SLSCache(index, TRUE)) return RENAME_NOTSAVED;
    const bool hadFile = CDsgLSDAction::IsUsableSPName(oldName) && IsPathExisting(oldFile);
    if (hadFile && CDsgSPFiles::Move(oldFile, newFile) != 0) return RENAME_NOFILE;
    page->SetSPName(name);
    if (!SetIniString(CDsgLSDAction::GetIniPath(), "Form" + std::to_string(index) + "Name", name,
                      LSD_INI_SECTION)) {
        page->SetSPName(oldName);
        if (hadFile) CDsgSPFiles::Move(newFile, oldFile);
        return RENAME_INIFAILED;
    }
    viewport()->update();
    return RENAME_OK;
}

int CDsgTSPFrame::DeleteSPSPages() {
    const int chosen = GetSPSCount();
    if (m_pages.empty() || chosen == 0) return 0;
    std::vector<std::string> names;
    GetSPSNames(names);
    const std::string question =
        chosen == 1 ? "Do you want to delete the form '" + names.front() + "'?"
                    : "Do you want to delete the selected " + std::to_string(chosen) + " forms?";
    if (AppMessageBox(nullptr, question, "Delete form(s)", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    const int current = CurrentSPIndex();
    // The last form loaded afterwards must not replace unsaved edits.
    if (current >= 0 && !CDsgLSDAction().SLSCache(current, TRUE)) {
        AppMessageBox(nullptr, "Could not save form " + CDsgLSDAction::GetSPName(current), "Error",
                      MB_OK);
        return 0;
    }
    for (const std::string& name : names) DeleteTSPageBySPName(name, 1);
    if (!UpdateILSFile()) AppMessageBox(nullptr, "Error while deleting forms !", "Error", MB_OK);
    const int count = std::atoi(
        GetIniString(CDsgLSDAction::GetIniPath(), "SPCount", LSD_INI_SECTION, "0").c_str());
    if (count != 0) {
        CDsgLSDAction().SLSLaunch(count - 1, TRUE);
    } else if (CDsgDSPFrame* page = GetDsgDSPFrame()) {
        page->SetSPIndex(-1);
        page->SPClear(0, 0);
    }
    Refresh(1);
    Refresh(5);
    // The form bar shows the visible form's name: a deleted visible form's
    // name must not stay above another form's objects.
    Refresh(6);
    if (CDlgToolBox* box = GetDlgToolBox()) box->UpdateToolStates();
    SetTSPScrollSizes();
    SendDesignChanged();
    RefreshUBar();
    return 1;
}

void CDsgTSPFrame::OnSPIEIncrease() { ExchangeAnchor(m_nAnchor + 1); }

void CDsgTSPFrame::OnSPIEDecrease() { ExchangeAnchor(m_nAnchor - 1); }

void CDsgTSPFrame::ExchangeAnchor(int other) {
    if (!CDsgLSDAction().SPIExchange(m_nAnchor, other)) return;
    // The moved form stays the one the commands act on, so that the next
    // Go Forward or Go Backward moves it again rather than the last tab.
    m_nAnchor = other;
    RefreshUBar();
    // The forms' order is the order of the project's code and files: the
    // host hears of it as of any other change of the design.
    SendDesignChanged();
}

void CDsgTSPFrame::OnEUSFLoad() {
    FileDialogRequest request;
    request.title = "Load Form";
    request.filter = "Dravik Form(*.dkf)|*.dkf||";
    request.defaultExt = "dkf";
    request.parent = this;
    const std::optional<std::string> path = Ui().ChooseFile(request);
    if (path) CDsgLSDAction().EUSFLoad(*path);
}

void CDsgTSPFrame::OnEUSFSave() {
    if (!GetTSPageBySPIndex(m_nAnchor)) return;
    const std::string name = CDsgLSDAction::GetSPName(m_nAnchor);
    FileDialogRequest request;
    request.save = true;
    request.title = "Save the Form \"" + name + "\"";
    request.filter = "Dravik Form(*.dkf)|*.dkf||";
    request.defaultExt = "dkf";
    request.initialPath = name + ".dkf";
    request.parent = this;
    const std::optional<std::string> path = Ui().ChooseFile(request);
    if (path) CDsgLSDAction().EUSFSave(*path, m_nAnchor);
}

// ---- Menus and mouse ----------------------------------------------------

namespace {

void AddItem(QMenu& menu, const char* text, UINT id) {
    SetCommandId(menu.addAction(QString::fromLatin1(text)), id);
}

UINT Grayed(bool enabled) { return enabled ? 0 : MF_GRAYED; }

}  // namespace

std::unique_ptr<QMenu> CDsgTSPFrame::MakeTabMenu(std::map<UINT, UINT>& states) {
    auto menu = std::make_unique<QMenu>(this);
    AddItem(*menu, "Edit Form", ID_TSP_EDITFORM);
    AddItem(*menu, "Rename Form", ID_TSP_RENAMEFORM);
    menu->addSeparator();
    AddItem(*menu, "Delete Selected Forms", ID_TSP_DELETEFORMS);
    menu->addSeparator();
    AddItem(*menu, "Go Backward", ID_TSP_GOBACKWARD);
    AddItem(*menu, "Go Forward", ID_TSP_GOFORWARD);
    menu->addSeparator();
    AddItem(*menu, "Save Form", ID_TSP_SAVEFORM);
    AddItem(*menu, "Load Form", ID_TSP_LOADFORM);
    const bool one = GetSPSCount() == 1;
    states = {{ID_TSP_GOBACKWARD, Grayed(one && m_nAnchor != 0)},
              {ID_TSP_GOFORWARD, Grayed(one && m_nAnchor != GetTSPageCount() - 1)}};
    return menu;
}

std::unique_ptr<QMenu> CDsgTSPFrame::MakeStripMenu(std::map<UINT, UINT>& states) {
    auto menu = std::make_unique<QMenu>(this);
    AddItem(*menu, "Delete Selected Forms", ID_TSP_DELETEFORMS);
    AddItem(*menu, "Load Form", ID_TSP_LOADFORM);
    states = {{ID_TSP_DELETEFORMS, Grayed(GetSPSCount() > 0)}};
    return menu;
}

void CDsgTSPFrame::OnMenuCommand(UINT id) {
    switch (id) {
        case ID_TSP_EDITFORM:
            OnSPAppoint();
            break;
        case ID_TSP_RENAMEFORM:
            OnRenameSPage();
            break;
        case ID_TSP_DELETEFORMS:
            OnDeleteSPSPages();
            break;
        case ID_TSP_GOBACKWARD:
            OnSPIEDecrease();
            break;
        case ID_TSP_GOFORWARD:
            OnSPIEIncrease();
            break;
        case ID_TSP_LOADFORM:
            OnEUSFLoad();
            break;
        case ID_TSP_SAVEFORM:
            OnEUSFSave();
            break;
        default:
            break;
    }
}

void CDsgTSPFrame::OnTabLButtonDown(int index, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ShiftModifier)
        SPSelectRange(m_nAnchor, index, 1);
    else if (modifiers & Qt::ControlModifier)
        SPSelectReverseOne(index, 1);
    else {
        SPSelectOne(index, 1);
        m_nAnchor = index;
    }
    RefreshUBar();
}

void CDsgTSPFrame::OnTabRButtonDown(int index, Qt::KeyboardModifiers modifiers) {
    const CDsgTSPage* page = GetTSPageBySPIndex(index);
    if (!(modifiers & Qt::ControlModifier) && !(page && page->m_nChosen)) SPSelectOne(index, 1);
    m_nAnchor = index;
    RefreshUBar();
}

void CDsgTSPFrame::OnTabRButtonUp(const QPoint& globalPos) {
    std::map<UINT, UINT> states;
    const std::unique_ptr<QMenu> menu = MakeTabMenu(states);
    const CPoint at(globalPos.x(), globalPos.y());
    OnMenuCommand(TrackResourceMenu(*menu, &at, states));
}

bool CDsgTSPFrame::viewportEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::Paint: {
            CDC dc(viewport()->width(), viewport()->height());
            DrawTSPFrame(dc);
            QPainter painter(viewport());
            painter.drawImage(0, 0, dc.Image());
            for (CDsgTSPage* page : m_pages) page->update();
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                SPClearChoice(1);
            } else if (mouse->button() == Qt::RightButton) {
                std::map<UINT, UINT> states;
                const std::unique_ptr<QMenu> menu = MakeStripMenu(states);
                const QPoint global = mouse->globalPosition().toPoint();
                const CPoint at(global.x(), global.y());
                OnMenuCommand(TrackResourceMenu(*menu, &at, states));
            }
            return true;
        }
        default:
            return QAbstractScrollArea::viewportEvent(event);
    }
}

void CDsgTSPFrame::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        DeleteSPSPages();
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

// ---- Painting -----------------------------------------------------------

void CDsgTSPFrame::DrawTSPFrame(CDC& dc) const {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    DrawFaceBackground(dc);
    const int visible = CurrentSPIndex();
    dc.SetBkMode(TRANSPARENT);
    for (const CDsgTSPage* page : m_pages) {
        const CRect slot = GetTSPageRect(page->m_nIndex);
        CRect outer = slot;
        outer.InflateRect(2, 2);
        CRect inner = slot;
        inner.InflateRect(1, 1);
        FrameOnePixel(dc, outer, page->m_nChosen ? LightenColor(RGB(0, 0, 0), 50) : face);
        FrameOnePixel(dc, inner, page->m_nChosen ? RGB(0, 0, 0) : face);

        const bool isVisible = page->m_nIndex == visible;
        FontSpec font;
        font.height = 14;
        font.weight = isVisible ? FW_BOLD : FW_MEDIUM;
        font.face = "Arial";
        dc.SelectFont(font);
        const std::string number = std::to_string(page->m_nIndex + 1);
        // The label ends, with an ellipsis when it is longer, inside the
        // strip's frame.
        CRect label(slot.left, slot.bottom + 3,
                    std::min<LONG>(slot.left + 200, dc.GetSize().cx - kLabelEnd), slot.bottom + 30);
        if (label.right <= label.left) continue;
        dc.SetTextColor(isVisible ? RGB(255, 0, 0) : RGB(0x76, 0x76, 0x76));
        dc.DrawText(number, label, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        label.left += dc.GetTextExtent(number).cx + 3;
        if (label.right <= label.left) continue;
        dc.SetTextColor(RGB(0, 0, 0));
        dc.DrawText(page->GetSPName(), label, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
}
