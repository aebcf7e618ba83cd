// The design main frame the program runs on while the design library does
// not carry its own (see the header).

#include "apps/designer/interim/dsgmainframe.h"

#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <set>

#include "design/model/dsghdata.h"
#include "design/model/dsglsdaction.h"
#include "design/surface/dsgcodegen.h"
#include "foundation/fxpropstore.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "platform/uiservices.h"

namespace {
constexpr UINT WM_DSG_DESIGNCHANGE_MSG = WM_USER + 297;
}

CDvkInterimPage::CDvkInterimPage() { SetDlgCtrlID(this, 2001); }

CDvkInterimPage::~CDvkInterimPage() = default;

void CDvkInterimPage::SPClear(BOOL refresh, BOOL cache) {
    if (cache) CDsgLSDAction().SLSCache(GetSPIndex(), TRUE);
    const int index = GetSPIndex();
    ResetEActions();
    RemoveAllWObjs();
    SetSPIndex(index);
    if (refresh) update();
}

BOOL CDvkInterimPage::SRebuild() {
    const BOOL result = WObjsFromEActions(*this, TRUE);
    update();
    return result;
}

BOOL CDvkInterimPage::AddEAction(std::unique_ptr<CDsgEAction> action) {
    if (!EAAdd(std::move(action))) return FALSE;
    SRebuild();
    if (auto* frame = dynamic_cast<CDvkInterimFrame*>(parentWidget())) {
        frame->MarkTSPageChanged(GetSPIndex());
        frame->NotifyDesignChange();
    }
    return TRUE;
}

void CDvkInterimPage::UndoEActionAndSRefresh() {
    if (!IsUndoable()) return;
    UndoEAction();
    SRebuild();
    if (auto* frame = dynamic_cast<CDvkInterimFrame*>(parentWidget())) frame->NotifyDesignChange();
}

void CDvkInterimPage::RedoEActionAndSRefresh() {
    if (!IsRedoable()) return;
    RedoEAction();
    SRebuild();
    if (auto* frame = dynamic_cast<CDvkInterimFrame*>(parentWidget())) frame->NotifyDesignChange();
}

void CDvkInterimPage::OnCopy() {
    CDsgWOIdSet ids;
    GetAllWOCHIds(ids);
    if (ids.empty()) return;
    CDsgHDAction buffer;
    int counter = -1;
    buffer.HDSetWObjs(0, *this, TRUE, counter, &ids);
    buffer.m_nSPIndex = GetSPIndex();
    buffer.HDWrite();
}

void CDvkInterimPage::OnCut() {
    OnCopy();
    OnWODeleteWOCHObjs();
}

void CDvkInterimPage::OnPaste() {
    CDsgHDAction buffer;
    if (!buffer.HDRead() || buffer.GetWObjCount() == 0) return;
    auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__MCREATE);
    action->InitWOMCreation(buffer, WOIdCounter());
    AddEAction(std::move(action));
}

void CDvkInterimPage::OnWODeleteWOCHObjs() {
    CDsgWOIdSet ids;
    GetAllWOCHIds(ids);
    if (ids.empty()) return;
    auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__MGEOM);
    action->InitWOMDeletion(ids);
    ResetWOChoice();
    AddEAction(std::move(action));
}

int CDvkInterimPage::OnTab() {
    const CDsgWOIdList& order = GetZOrder();
    if (order.IsEmpty()) return 0;
    const int current = GetCWOCHId();
    auto it = std::find(order.begin(), order.end(), current);
    const int next = (it == order.end() || ++it == order.end()) ? *order.begin() : *it;
    WOChoose(next);
    update();
    return next;
}

void CDvkInterimPage::WOChooseAllWObjs() {
    std::set<int> ids(GetZOrder().begin(), GetZOrder().end());
    WOChoose(ids, TRUE);
    update();
}

void CDvkInterimPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xDD, 0xF0, 0xFB));
}

CDvkInterimFrame::CDvkInterimFrame() { m_dspFrame.setParent(this); }

CDvkInterimFrame::~CDvkInterimFrame() {
    if (!m_strSlotFolder.empty()) GetDsgGOption().ToFile();
}

int CDvkInterimFrame::InitMainFrame(int slot, int show, const std::string& slotFolder, int keyStyle,
                                    QWidget* hostWindow, const std::string& seed) {
    CDsgGOption& option = GetDsgGOption();
    option.SetBinderMessage("chars_invalid",
                            "The length of characters must be $chars_min~$chars_max.");
    option.SetDefaultGOption();
    option.FromFile();
    SetKeyStyle(keyStyle);
    m_nSlot = slot;
    m_pHost = hostWindow;
    option.SetDefaultGOption();
    option.FromFile();
    m_strSlotFolder = slotFolder;
    if (show) this->show();
    m_dspFrame.show();
    return CDsgLSDAction().LSMSSet(seed);
}

int CDvkInterimFrame::GetPJGCommands(std::string& out, int /*generate*/, int isolate,
                                     const std::string& name) {
    CDsgPJCodeGen generator(m_ggjPixel, isolate, name);
    const int visible = m_dspFrame.GetSPIndex();
    for (int i = 0; i < TSPGetPageCount(); ++i) {
        const std::string& form = m_tabs[static_cast<size_t>(i)];
        if (i == visible)
            generator.AddSPGCommands(static_cast<const CDsgWObjs&>(m_dspFrame), form);
        else
            generator.AddSPGCommandsFromFile(CDsgLSDAction::GetSPFilePath(form), form);
    }
    out = generator.GetPJGCommands();
    return 1;
}

void CDvkInterimFrame::PResize(int percent) {
    QWidget* top = window();
    const CSize lcd = CDsgGOption::GetLMSize();
    const int width =
        static_cast<int>(lcd.cx * percent * 0.01) + (top->width() - m_dspFrame.width()) + 50;
    const int height =
        static_cast<int>(lcd.cy * percent * 0.01) + (top->height() - m_dspFrame.height()) + 50;
    top->resize(std::max(width, top->width()), height);
}

int CDvkInterimFrame::UCSet() { return CDsgLSDAction().UCSet(); }

void CDvkInterimFrame::SRefreshSREvent(int code) {
    if (code == 1) m_dspFrame.SRebuild();
    if (code == 2) m_dspFrame.update();
}

BOOL CDvkInterimFrame::GetTSPageName(int index, std::string& name) const {
    if (index < 0 || index >= TSPGetPageCount()) return FALSE;
    name = m_tabs[static_cast<size_t>(index)];
    return TRUE;
}

void CDvkInterimFrame::MarkTSPageChanged(int index) { m_changed.push_back(index); }

void CDvkInterimFrame::OnAddSPage() {
    CDsgLSDAction lsd;
    lsd.SLSCache(m_dspFrame.GetSPIndex(), TRUE);
    std::set<std::string> names;
    lsd.GetXTingLoSPNames(names);
    int n = 1;
    while (names.count("form" + std::to_string(n))) ++n;
    const std::string name = "Form" + std::to_string(n);
    CDsgEActions empty;
    if (!lsd.AddELSFile(empty, name)) return;
    TSPAddPage(name);
    m_dspFrame.SPClear(TRUE, FALSE);
    m_dspFrame.SetSPIndex(TSPGetPageCount() - 1);
    TSPSelectPage(TSPGetPageCount() - 1);
    NotifyDesignChange();
}

void CDvkInterimFrame::OnEUSFLoad() {
    FileDialogRequest request;
    request.filter = "Form File(*.dkf)|*.dkf|All files(*.*)|*.*||";
    request.defaultExt = "dkf";
    if (auto path = Ui().ChooseFile(request)) CDsgLSDAction().EUSFLoad(*path);
}

void CDvkInterimFrame::NotifyDesignChange() {
    SendMessage(GetHostWindow(), WM_DSG_DESIGNCHANGE_MSG, 0, 0);
}

void CDvkInterimFrame::DSPClear() {
    m_dspFrame.ResetEActions();
    m_dspFrame.RemoveAllWObjs();
    m_dspFrame.ResetWOChoice();
}

BOOL CDvkInterimFrame::TSPAddPage(const std::string& name) {
    m_tabs.push_back(name);
    // A page without a form shows the first tab added.
    if (m_dspFrame.GetSPIndex() < 0) {
        m_dspFrame.SetSPIndex(TSPGetPageCount() - 1);
        m_nCurrentTab = TSPGetPageCount() - 1;
    }
    return TRUE;
}

BOOL CDvkInterimFrame::TSPExchangePages(int a, int b) {
    if (a < 0 || b < 0 || a >= TSPGetPageCount() || b >= TSPGetPageCount()) return FALSE;
    std::swap(m_tabs[static_cast<size_t>(a)], m_tabs[static_cast<size_t>(b)]);
    return TRUE;
}

BOOL CDvkInterimFrame::TSPWriteFormList() {
    const std::string ini = CDsgLSDAction::GetIniPath();
    for (size_t i = 0; i < m_tabs.size(); ++i)
        if (!SetIniString(ini, "Form" + std::to_string(i) + "Name", m_tabs[i], LSD_INI_SECTION))
            return FALSE;
    return SetIniString(ini, "SPCount", std::to_string(m_tabs.size()), LSD_INI_SECTION);
}

QObject* CDvkInterimFrame::GetHostWindow() { return m_pHost; }

void CDvkInterimFrame::OpenFormNameLoadDialog(const std::string& name,
                                              const CFxRevPropStore& store) {
    CRevolver record;
    if (!store.LookupRevolver("SPUSFD.eactions", record)) return;
    CDsgEActions actions;
    int level = nDSG_EAVERSION__NONE;
    if (!actions.EActionsFromRevolver(record, level)) return;
    CDsgLSDAction lsd;
    lsd.SLSCache(m_dspFrame.GetSPIndex(), TRUE);
    if (!lsd.AddELSFile(actions, name)) return;
    TSPAddPage(name);
    NotifyDesignChange();
}

void CDvkInterimFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_dspFrame.setGeometry(rect().adjusted(3, 3, -3, -3));
}
