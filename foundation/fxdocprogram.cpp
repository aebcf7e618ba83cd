// The parts of a single-document program.

#include "foundation/fxdocprogram.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>

#include "foundation/fxsharedvalues.h"
#include "foundation/fxtoolbar.h"
#include "foundation/fxutils.h"
#include "platform/heap.h"
#include "platform/textcodec.h"
#include "platform/uilog.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

// Update of the tool bar's buttons while the program is idle.
constexpr UINT_PTR TIMER_IDLEUPDATE = 1;
constexpr UINT kIdleUpdatePeriod = 250;

}  // namespace

std::string FxGetDocString(const char* docString, int index) {
    const std::string texts = docString;
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = texts.find('\n', start);
        if (start == std::string::npos) return std::string();
        ++start;
    }
    return texts.substr(start, texts.find('\n', start) - start);
}

std::string FxGetDocFilter(const char* docString) {
    return FxGetDocString(docString, 3) + "|*" + FxGetDocString(docString, 4) +
           "|All files(*.*)|*.*||";
}

// ---- Document -------------------------------------------------------------------

CFxDocument::CFxDocument(const char* docString, std::string recentIni)
    : m_pDocString(docString), m_recent(std::move(recentIni)) {
    m_recent.Load();
}

CFxDocument::~CFxDocument() = default;

void CFxDocument::SetModifiedFlag(BOOL modified) {
    const BOOL changed = (m_bModified != 0) != (modified != 0);
    m_bModified = modified ? TRUE : FALSE;
    if (changed && m_pDocWindows) m_pDocWindows->OnUpdateFrameTitle();
}

std::string CFxDocument::GetTitle() const {
    if (m_strPathName.empty()) {
        const std::string name = GetDocText(1);
        return name.empty() ? "Untitled" : name;
    }
    const size_t slash = m_strPathName.find_last_of('/');
    return slash == std::string::npos ? m_strPathName : m_strPathName.substr(slash + 1);
}

void CFxDocument::SetPathName(const std::string& path) {
    m_strPathName = path;
    if (!path.empty()) {
        m_recent.Add(path);
        m_recent.Save();
    }
    if (m_pDocWindows) {
        m_pDocWindows->OnUpdateFrameTitle();
        m_pDocWindows->UpdateRecentFileMenu();
    }
}

BOOL CFxDocument::OnSaveDocument(const std::string& path) {
    if (!WriteDocument(path)) {
        MessageBox("Failed to save to disk.", "Error", MB_OK | MB_ICONERROR,
                   QApplication::activeWindow());
        return FALSE;
    }
    SetPathName(path);
    SetModifiedFlag(FALSE);
    return TRUE;
}

// The document string's filter and extension serve a program that asks
// nothing more of its Save As dialog.
void CFxDocument::GetSaveAsRequest(FileDialogRequest&) const {}

FileDialogRequest CFxDocument::MakeFileRequest(bool save) const {
    FileDialogRequest request;
    request.save = save;
    const std::string extension = GetDocText(4);
    if (!extension.empty()) {
        request.filter = FxGetDocFilter(m_pDocString);
        request.defaultExt = extension.substr(1);
    }
    request.parent = m_pDocWindows ? m_pDocWindows->GetDocWindow() : nullptr;
    return request;
}

void CFxDocument::OnFileNew() {
    if (SaveModified()) OnNewDocument();
}

void CFxDocument::OnFileOpen() {
    if (auto path = Ui().ChooseFile(MakeFileRequest(false))) OpenDocumentFile(*path);
}

BOOL CFxDocument::OpenDocumentFile(const std::string& path) {
    if (!SaveModified()) return FALSE;
    if (!OnOpenDocument(path)) return FALSE;
    SetPathName(path);
    return TRUE;
}

BOOL CFxDocument::OnFileSave() {
    if (m_strPathName.empty()) return OnFileSaveAs();
    return OnSaveDocument(m_strPathName);
}

BOOL CFxDocument::OnFileSaveAs() {
    FileDialogRequest request = MakeFileRequest(true);
    GetSaveAsRequest(request);
    if (!m_strPathName.empty())
        request.initialPath = m_strPathName;
    else
        request.initialPath =
            GetTitle() + (request.defaultExt.empty() ? "" : "." + request.defaultExt);
    const auto path = Ui().ChooseFile(request);
    if (!path) return FALSE;
    return OnSaveDocument(*path);
}

BOOL CFxDocument::SaveModified() {
    if (!m_bModified) return TRUE;
    switch (MessageBox("Save changes to " + GetTitle() + "?", GetDocText(0),
                       MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDYES:
            return OnFileSave();
        case IDNO:
            return TRUE;
        default:
            return FALSE;
    }
}

// ---- Main window ----------------------------------------------------------------

CFxDocFrame::CFxDocFrame(const char* docString, UINT saveId, std::function<std::string()> statePath)
    : m_pDocString(docString), m_state(std::move(statePath), kMinWidth, kMinHeight) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    SetMessageHandler(this, WM_COMMAND, [this](WPARAM wParam, LPARAM) {
        OnCommand(LOWORD(wParam));
        return 0;
    });
    SetTimerHandler(this, [this](UINT_PTR id) {
        if (id == TIMER_IDLEUPDATE) UpdateCommandUI();
    });
    SetCommand(ID_FILE_NEW, [this] {
        if (CFxDocument* doc = GetDocument()) doc->OnFileNew();
    });
    SetCommand(ID_FILE_OPEN, [this] {
        if (CFxDocument* doc = GetDocument()) doc->OnFileOpen();
    });
    SetCommand(
        saveId,
        [this] {
            if (CFxDocument* doc = GetDocument()) doc->OnFileSave();
        },
        [this] { return GetDocument() && GetDocument()->IsModified(); });
    SetCommand(ID_FILE_SAVE_AS, [this] {
        if (CFxDocument* doc = GetDocument()) doc->OnFileSaveAs();
    });
    SetCommand(ID_APP_EXIT, [this] { close(); });
}

CFxDocFrame::~CFxDocFrame() = default;

void CFxDocFrame::SetCommand(UINT id, std::function<void()> run, std::function<BOOL()> enabled) {
    m_commands[id] = Command{std::move(run), std::move(enabled)};
}

void CFxDocFrame::SetEnableRule(UINT id, std::function<BOOL()> enabled) {
    m_commands[id].enabled = std::move(enabled);
}

void CFxDocFrame::AliasCommand(UINT alias, UINT id) { m_commands[alias] = m_commands[id]; }

void CFxDocFrame::CreateFrame(BOOL keepDefaultPlace, const std::vector<MenuPopup>& menu,
                              const std::vector<UINT>& buttons, int bitmapId,
                              int disabledBitmapId) {
    m_state.Apply(this, keepDefaultPlace);
    BuildMenu(menu);
    m_buttons = buttons;
    m_pToolBar = new CFxToolBar(this);
    m_pToolBar->setObjectName("toolbar128");
    m_pToolBar->SetOwner(this);
    m_pToolBar->SetButtons(buttons);
    m_pToolBar->SetImageLists(16, bitmapId, bitmapId, disabledBitmapId);
    m_pToolBar->setMovable(true);
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    SetTimer(this, TIMER_IDLEUPDATE, kIdleUpdatePeriod);
}

void CFxDocFrame::BuildMenu(const std::vector<MenuPopup>& table) {
    for (const MenuPopup& popup : table) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(popup.title));
        if (!m_pFileMenu) m_pFileMenu = menu;
        connect(menu, &QMenu::aboutToShow, this, [this]() { UpdateCommandUI(); });
        for (const MenuItem& item : popup.items) {
            if (item.id == 0) {
                QAction* separator = menu->addSeparator();
                if (menu == m_pFileMenu) m_pExitSeparator = separator;
                continue;
            }
            // The text keeps its accelerator after the tab, as the menu
            // shows it; only the window's own accelerators act on keys, while
            // the window or any of its children has the focus.
            QAction* action = menu->addAction(QString::fromLatin1(item.text));
            SetCommandId(action, item.id);
            if (item.keys) {
                action->setShortcut(QKeySequence(QString::fromLatin1(item.keys)));
                action->setShortcutContext(Qt::WindowShortcut);
            }
            const UINT id = item.id;
            connect(action, &QAction::triggered, this, [this, id]() { OnCommand(id); });
            m_actions[id] = action;
            addAction(action);
        }
    }
    UpdateRecentFileMenu();
}

void CFxDocFrame::UpdateRecentFileMenu() {
    CFxDocument* doc = GetDocument();
    if (!m_pFileMenu || !doc) return;
    for (QAction* action : m_recentActions) {
        m_pFileMenu->removeAction(action);
        delete action;
    }
    m_recentActions.clear();
    // The recent files stand above the last separator of the File menu, in a
    // group of their own.
    const auto& paths = doc->GetRecentFiles().GetPaths();
    if (!paths.empty()) {
        auto* separator = new QAction(m_pFileMenu);
        separator->setSeparator(true);
        m_pFileMenu->insertAction(m_pExitSeparator, separator);
        m_recentActions.push_back(separator);
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        const UINT id = ID_FILE_MRU_FILE1 + static_cast<UINT>(i);
        auto* action =
            new QAction(QString("&%1 %2").arg(i + 1).arg(AnsiToQString(paths[i])), m_pFileMenu);
        SetCommandId(action, id);
        connect(action, &QAction::triggered, this, [this, id]() { OnCommand(id); });
        m_pFileMenu->insertAction(m_pExitSeparator, action);
        m_recentActions.push_back(action);
    }
}

QAction* CFxDocFrame::GetCommandAction(UINT id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

BOOL CFxDocFrame::IsCommandEnabled(UINT id) const {
    auto it = m_commands.find(id);
    if (it == m_commands.end() || !it->second.enabled) return TRUE;
    return it->second.enabled() ? TRUE : FALSE;
}

void CFxDocFrame::UpdateCommandUI() {
    for (auto& [id, action] : m_actions) action->setEnabled(IsCommandEnabled(id));
    if (m_pToolBar)
        for (UINT id : m_buttons)
            if (QAction* action = id ? m_pToolBar->GetButtonAction(id) : nullptr)
                action->setEnabled(IsCommandEnabled(id));
}

BOOL CFxDocFrame::OnRecentFile(UINT id) {
    CFxDocument* doc = GetDocument();
    if (!doc) return FALSE;
    const auto& paths = doc->GetRecentFiles().GetPaths();
    const size_t index = id - ID_FILE_MRU_FILE1;
    if (index >= paths.size()) return FALSE;
    const std::string path = paths[index];
    // A file that is gone leaves the list; one that could not be read stays.
    if (!doc->OpenDocumentFile(path) && !IsPathExisting(path)) {
        doc->GetRecentFiles().Remove(path);
        doc->GetRecentFiles().Save();
        UpdateRecentFileMenu();
    }
    UpdateCommandUI();
    return TRUE;
}

BOOL CFxDocFrame::OnCommand(UINT id) {
    if (!IsCommandEnabled(id)) return FALSE;
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CFxRecentFiles::kCount)
        return OnRecentFile(id);
    auto it = m_commands.find(id);
    if (it == m_commands.end() || !it->second.run) return FALSE;
    // The handler may replace the table's entry: it runs from a copy.
    const std::function<void()> run = it->second.run;
    run();
    UpdateCommandUI();
    return TRUE;
}

void CFxDocFrame::ActivateFrame() {
    m_state.Activate(this);
    UpdateCommandUI();
}

void CFxDocFrame::OnUpdateFrameTitle() {
    const CFxDocument* doc = GetDocument();
    const std::string title = doc ? doc->GetTitle() : "Untitled";
    setWindowTitle(AnsiToQString(title + " - " + FxGetDocString(m_pDocString, 0)));
}

void CFxDocFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    m_state.Record(this);
    OnPlacementChanged(TRUE);
}

void CFxDocFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_state.Record(this);
    OnPlacementChanged(FALSE);
}

void CFxDocFrame::closeEvent(QCloseEvent* event) {
    if (m_bClosed) {
        event->accept();
        return;
    }
    CFxDocument* doc = GetDocument();
    if (doc && IsDocumentShown() && !doc->SaveModified()) {
        event->ignore();
        return;
    }
    m_bClosed = TRUE;
    KillTimer(this, TIMER_IDLEUPDATE);
    OnCloseFrame();
    m_state.Write(this);
    event->accept();
}

// ---- Application ----------------------------------------------------------------

std::string CFxDocApp::ParseCommandLine(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument.empty() || argument[0] == '-') continue;
        const QFileInfo info(AnsiToQString(argument));
        return QStringToAnsi(QDir::cleanPath(info.absoluteFilePath()));
    }
    return std::string();
}

void CFxDocApp::InitSharedValues() {
    CFxSharedValues& shared = FxSharedValues();
    shared.InitRealRelease(1);
    shared.InitLanguage("eng");
}

int FxRunDocProgram(int argc, char** argv, const char* iconResource,
                    const std::function<std::unique_ptr<CFxDocApp>()>& makeApp) {
    KeepFreedHeap();
    QApplication application(argc, argv);
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(iconResource)));
    const ScopedUiLog log;
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    const std::unique_ptr<CFxDocApp> app = makeApp();
    if (!app->InitInstance(arguments)) return 1;
    const int result = application.exec();
    app->ExitInstance();
    return result;
}
