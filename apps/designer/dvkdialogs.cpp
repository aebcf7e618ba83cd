// The designer's project-settings, options and about dialogs.

#include "apps/designer/dvkdialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "apps/designer/dravikdoc.h"
#include "apps/designer/dravikview.h"
#include "design/model/dsggoption.h"
#include "foundation/fxshadebutton.h"
#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

template <typename T>
T* Control(QWidget* parent, int id, const QRect& rect, const char* text = nullptr) {
    auto* control = new T(parent);
    if constexpr (!std::is_same_v<T, QLineEdit> && !std::is_same_v<T, QComboBox>)
        if (text) control->setText(QString::fromLatin1(text));
    control->setGeometry(rect);
    SetDlgCtrlID(control, id);
    return control;
}

// A group frame that holds no children, so the dialog's fields stay its
// direct children in position order.
void GroupFrame(QWidget* parent, const char* title, const QRect& rect) {
    auto* group = new QGroupBox(QString::fromLatin1(title), parent);
    group->setGeometry(rect);
    group->lower();
}

void Regenerate() {
    if (g_pDravik2View) g_pDravik2View->Regenerate();
}

}  // namespace

// ---- Project settings ----------------------------------------------------------

CDlgDPSettings::CDlgDPSettings(CDravik2Doc& doc, QWidget* parent) : QDialog(parent), m_doc(doc) {
    setWindowTitle("Project Settings");
    setFixedSize(330, 190);
    GroupFrame(this, "Real-Time Code Saving", QRect(7, 5, 316, 70));
    auto* enable = Control<QCheckBox>(this, 1006, QRect(17, 24, 120, 18), "Enable");
    Control<QLabel>(this, -1, QRect(17, 48, 50, 18), "File Path");
    Control<QLineEdit>(this, 1007, QRect(70, 46, 210, 21));
    auto* browse = Control<QPushButton>(this, 1008, QRect(285, 46, 28, 21), "...");
    GroupFrame(this, "Source Code Generation", QRect(7, 80, 316, 70));
    auto* isolate =
        Control<QCheckBox>(this, 1000, QRect(17, 99, 280, 18), "\"DEFCHR\" - Separate in SUB Call");
    Control<QLabel>(this, 1002, QRect(17, 123, 50, 18), "Name");
    Control<QLineEdit>(this, 1001, QRect(70, 121, 210, 21));
    auto* ok = Control<QPushButton>(this, 1009, QRect(160, 158, 75, 24), "OK");
    auto* cancel = Control<QPushButton>(this, 1010, QRect(245, 158, 75, 24), "Cancel");
    ok->setDefault(true);
    (void)enable;

    m_doc.AttachDialog(this);
    m_doc.BindCheckBoxes("DPS.tgcmwhether,DPS.irncgcisolate", "");
    m_doc.BindTextEdits("DPS.tgcmflpath,DPS.irncgcscname", "Auto-Saving Path",
                        {{0, 260}, {1, 200}});
    m_doc.ValuesToControls();
    UpdateNameState();

    connect(isolate, &QCheckBox::clicked, this, [this]() { UpdateNameState(); });
    connect(browse, &QPushButton::clicked, this, [this]() { OnBrowse(); });
    connect(ok, &QPushButton::clicked, this, [this]() { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDlgDPSettings::UpdateNameState() {
    auto* isolate = qobject_cast<QCheckBox*>(GetDlgItem(this, 1000));
    const bool on = isolate && isolate->isChecked();
    if (QWidget* name = GetDlgItem(this, 1001)) name->setEnabled(on);
    if (QWidget* label = GetDlgItem(this, 1002)) label->setEnabled(on);
}

void CDlgDPSettings::OnBrowse() {
    FileDialogRequest request;
    request.save = true;
    request.title = "Generate BASIC code on real-time.";
    request.filter = MakeBrowseFilter("Korvel BASIC Code", "inc");
    request.defaultExt = "inc";
    request.parent = this;
    if (auto path = Ui().ChooseFile(request))
        if (auto* edit = qobject_cast<QLineEdit*>(GetDlgItem(this, 1007)))
            edit->setText(AnsiToQString(*path));
}

BOOL CDlgDPSettings::OnOK() {
    // Every field is checked, as it will be stored (trimmed), before any is
    // stored: a refused field must not leave the ones before it changed, and
    // a name of blanks is no name.
    for (const char* key : {DPS_TGCMFLPATH, DPS_IRNCGCSCNAME}) {
        QWidget* control = m_doc.GetBoundControl(key);
        if (!control || !control->isEnabledTo(this)) continue;
        const std::string text = TrimText(GetHwndText(control));
        const std::string message = m_doc.CheckLength(key, static_cast<int>(text.size()));
        if (message.empty()) continue;
        control->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
        MessageBox(message, "Error", MB_OK, this);
        return FALSE;
    }
    if (!m_doc.ControlsToValues(TRUE, FALSE, this, "Error", TRUE).empty()) return FALSE;
    m_doc.SetModifiedFlag(TRUE);
    Regenerate();
    done(IDOK);
    return TRUE;
}

// ---- Options -------------------------------------------------------------------

CDlgDvkOptions::CDlgDvkOptions(CDsgGOption& option, COLORREF backColor, QWidget* parent)
    : QDialog(parent), m_option(option), m_backColor(backColor) {
    setWindowTitle("Options");
    setFixedSize(250, 140);
    GroupFrame(this, "Color Settings", QRect(7, 5, 236, 95));
    Control<QLabel>(this, -1, QRect(17, 28, 70, 18), "Back Color");
    auto* choose = Control<CFxShadeButton>(this, 1003, QRect(200, 26, 30, 21), "..");
    Control<QLabel>(this, -1, QRect(17, 60, 70, 18), "Fore Color");
    Control<QComboBox>(this, 1004, QRect(110, 58, 120, 22));
    auto* original = Control<CFxShadeButton>(this, 1005, QRect(7, 108, 80, 24), "To Original");
    auto* ok = Control<CFxShadeButton>(this, 1008, QRect(95, 108, 70, 24), "OK");
    auto* cancel = Control<CFxShadeButton>(this, 1007, QRect(173, 108, 70, 24), "Cancel");
    ok->SetButtonStyle(BS_DEFPUSHBUTTON);

    m_option.AttachDialog(this);
    m_option.BindComboBoxes(GOPT_CPCINDEX, "", {"Black|White"});
    m_option.ValuesToControls();
    // The buttons in the dialogs' shaded style.
    for (CFxShadeButton* button : {choose, original, ok, cancel})
        button->ApplyShade(CFxShadeButton::SHS_HARDBUMP, 8, 10, 0, 0);

    connect(choose, &QPushButton::clicked, this, [this]() { OnChooseColor(); });
    connect(original, &QPushButton::clicked, this, [this]() { OnToOriginal(); });
    connect(ok, &QPushButton::clicked, this, [this]() { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDlgDvkOptions::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    const QWidget* button = GetDlgItem(this, 1003);
    if (!button) return;
    // The swatch: the button's rectangle moved left by its width, 7 narrower
    // on the right, 3 smaller at top and bottom.
    QRect swatch = button->geometry().translated(-button->width(), 0);
    swatch.adjust(0, 3, -7, -3);
    QPainter painter(this);
    painter.fillRect(
        swatch, QColor(GetRValue(m_backColor), GetGValue(m_backColor), GetBValue(m_backColor)));
}

void CDlgDvkOptions::OnChooseColor() {
    if (auto color = Ui().ChooseColor(m_backColor, this)) {
        m_backColor = *color;
        update();
    }
}

void CDlgDvkOptions::OnToOriginal() {
    m_backColor = kOriginalBackColor;
    if (auto* combo = qobject_cast<QComboBox*>(GetDlgItem(this, 1004))) combo->setCurrentIndex(0);
    update();
}

BOOL CDlgDvkOptions::OnOK() {
    if (!m_option.ControlsToValues(TRUE, FALSE, this, "Error").empty()) return FALSE;
    Regenerate();
    done(IDOK);
    return TRUE;
}
