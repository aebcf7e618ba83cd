#include "design/frames/dlgformname.h"

#include <QLabel>
#include <QLineEdit>
#include <set>

#include "design/frames/dlgubar.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgtspframe.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsglsdhost.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxbutton.h"
#include "foundation/fxsharedvalues.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

const char kFormRecordKey[] = "SPUSFD.eactions";
// A working file's name ("<name>.frm") must fit one folder entry.
constexpr std::size_t kMaxSPNameBytes = 255 - 4;

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

CDsgEActions* PageActions() {
    CDsgLSDHost* host = GetDsgLSDHost();
    return host ? host->GetDSPEActions() : nullptr;
}

void SendDesignChanged() {
    if (CDsgLSDHost* host = GetDsgLSDHost())
        SendMessage(host->GetHostWindow(), WM_DSG_DESIGNCHANGED);
}

}  // namespace

CDlgFormName::CDlgFormName(int mode, const std::string& name, QWidget* parent,
                           const CFxRevPropStore* formStore)
    : QDialog(parent), m_nMode(mode), m_strInitialName(name) {
    if (formStore) m_formStore = *formStore;
    setWindowTitle(QStringLiteral("Form Setting"));
    setFixedSize(250, 96);
    auto* label = new QLabel(QStringLiteral("Form Name"), this);
    label->setGeometry(10, 8, 230, 16);
    m_edit = new QLineEdit(this);
    m_edit->setGeometry(10, 26, 230, 22);
    SetDlgCtrlID(m_edit, IDC_FORMNAME_EDIT);
    auto* ok = new CFxButton(this, BS_DEFPUSHBUTTON);
    ok->setText(QStringLiteral("OK"));
    ok->setGeometry(80, 60, 75, 26);
    SetDlgCtrlID(ok, IDOK);
    auto* cancel = new CFxButton(this);
    cancel->setText(QStringLiteral("Cancel"));
    cancel->setGeometry(165, 60, 75, 26);
    SetDlgCtrlID(cancel, IDCANCEL);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(IDCANCEL); });
    SetNameText(name);
}

CDlgFormName::~CDlgFormName() = default;

void CDlgFormName::SetNameText(const std::string& name) { m_edit->setText(AnsiToQString(name)); }

std::string CDlgFormName::ValidateSPName(const std::string& name) {
    if (name.empty()) return "Enter a form name";
    if (!IsAsciiLetter(name.front())) return "Form name must begin with a alphabet";
    for (char c : name)
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '_')
            return "The form name must consist of letters, numbers, and '_' character.";
    if (name.size() > kMaxSPNameBytes)
        return "The form name is too long (at most " + std::to_string(kMaxSPNameBytes) +
               " characters)";
    return std::string();
}

void CDlgFormName::RefuseName(const std::string& text, const std::string& caption) {
    AppMessageBox(nullptr, text, caption, MB_OK);
    m_edit->selectAll();
    m_edit->setFocus();
}

void CDlgFormName::OnOK() {
    const std::string name = QStringToAnsi(m_edit->text().trimmed());
    const std::string reason = ValidateSPName(name);
    if (!reason.empty()) {
        RefuseName(reason, "Form Name Error");
        return;
    }
    std::set<std::string> names;
    CDsgLSDAction().GetXTingLoSPNames(names);
    if (names.count(MbLower(name))) {
        RefuseName("The name is already in use", "Error");
        return;
    }
    switch (m_nMode) {
        case MODE_RENAME:
            OnRename(name);
            break;
        case MODE_NEW:
            OnNewForm(name);
            break;
        case MODE_LOAD:
            OnLoadedForm(name);
            break;
        default:
            done(IDOK);
            break;
    }
}

void CDlgFormName::OnRename(const std::string& name) {
    CDsgTSPFrame* strip = GetDsgTSPFrame();
    const int anchor = strip ? strip->GetAnchor() : -1;
    if (!strip || !strip->GetTSPageBySPIndex(anchor)) {
        AppMessageBox(nullptr, "Form has not been selected", "Rename Form", MB_OK);
    } else {
        const std::string oldName = strip->GetTSPageBySPIndex(anchor)->GetSPName();
        switch (strip->RenameTSPage(anchor, name)) {
            case CDsgTSPFrame::RENAME_OK:
                break;
            case CDsgTSPFrame::RENAME_NOTSAVED:
                AppMessageBox(nullptr, "Could not save form " + oldName, "Error", MB_OK);
                done(IDCANCEL);
                return;
            case CDsgTSPFrame::RENAME_NOFILE:
                AppMessageBox(nullptr, "Could not rename the working file of form " + oldName,
                              "Error", MB_OK);
                done(IDCANCEL);
                return;
            default:
                // The form list could not be written: the old name stays.
                AppMessageBox(nullptr, "Error 78129", "Error", MB_OK);
                done(IDCANCEL);
                return;
        }
    }
    if (CDlgUBar* bar = GetDlgUBar()) bar->update();
    done(IDOK);
}

void CDlgFormName::AfterFormAdded() {
    SendDesignChanged();
    if (CDlgUBar* bar = GetDlgUBar()) bar->UpdateEBState();
    if (CDsgDSPFrame* page = GetDsgDSPFrame())
        SetTimer(page, nDSG_DSPTIMER__FOCUS, nDSG_DSPTIMER__FOCUS_MS);
}

void CDlgFormName::OnNewForm(const std::string& name) {
    CDsgLSDHost* host = GetDsgLSDHost();
    CDsgDSPFrame* page = GetDsgDSPFrame();
    CDsgTSPFrame* strip = GetDsgTSPFrame();
    if (!host || !page || !strip) {
        done(IDCANCEL);
        return;
    }
    const int previous = page->GetSPIndex();
    if (!page->SPClear(1, 1)) {
        AppMessageBox(nullptr, "Cannot save the existing form", "Error", MB_OK);
        return;
    }
    if (!CDsgLSDAction().AddELSFile(*page, name)) {
        // The page must not stay empty under the previous form's index: the
        // next write would put the empty form over it.
        AppMessageBox(nullptr, "Could not create form " + name, "Error", MB_OK);
        if (previous >= 0) CDsgLSDAction().SLSLaunch(previous, TRUE);
        host->MFRefresh(1);
        done(IDCANCEL);
        return;
    }
    strip->AddTSPage(name, 1, 1, 1, 1, 1);
    AfterFormAdded();
    done(IDOK);
}

void CDlgFormName::OnLoadedForm(const std::string& name) {
    CDsgLSDHost* host = GetDsgLSDHost();
    CDsgTSPFrame* strip = GetDsgTSPFrame();
    CRevolver record;
    if (!m_formStore.LookupRevolver(kFormRecordKey, record)) {
        AppMessageBox(nullptr, "Cannot load 7815", "Load Error", MB_OK);
        done(IDOK);
        return;
    }
    CDsgEActions loaded;
    int level = nDSG_EAVERSION__NONE;
    const BOOL read = loaded.EActionsFromRevolver(record, level);
    std::string caption;
    const std::string message = CDsgEActions::GetEAVersionMessage(level, caption);
    if (!message.empty()) AppMessageBox(nullptr, message, caption, MB_OK);
    if (!read || level == nDSG_EAVERSION__REFUSED || !host || !strip) {
        if (!read && level != nDSG_EAVERSION__REFUSED)
            AppMessageBox(nullptr, "Cannot load 7815", "Load Error", MB_OK);
        done(IDOK);
        return;
    }
    // The visible form is replaced below: its edits go to its file first.
    const int current = PageActions() ? PageActions()->GetSPIndex() : -1;
    if (current >= 0 && !CDsgLSDAction().SLSCache(current, TRUE)) {
        AppMessageBox(nullptr, "Could not save form " + CDsgLSDAction::GetSPName(current), "Error",
                      MB_OK);
        done(IDCANCEL);
        return;
    }
    if (!CDsgLSDAction().AddELSFile(loaded, name)) {
        AppMessageBox(nullptr, "Error 4092", "Error", MB_OK);
        done(IDOK);
        return;
    }
    if (!strip->AddTSPage(name, 1, 1, 1, 1, 0)) {
        AppMessageBox(nullptr, "Error 8912", "Error", MB_OK);
        done(IDOK);
        return;
    }
    CDsgLSDAction().SLSLaunch(strip->GetTSPageCount() - 1, TRUE);
    host->MFRefresh(1);
    AfterFormAdded();
    done(IDOK);
}
