#include "design/frames/dsgxfpanels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <set>

#include "design/frames/dsgframepaint.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgscriptedit.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/dsgutprops.h"
#include "design/model/dsgwobj.h"
#include "design/model/dsgwobjkeysets.h"
#include "design/surface/dsgdspframe.h"
#include "design/surface/dsgwodraw.h"
#include "design/surface/fxuihelpers.h"
#include "design/surface/lcdfont.h"
#include "foundation/fxbutton.h"
#include "foundation/fxstrings.h"
#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "foundation/revolver.h"
#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/keyboard.h"
#include "platform/paths.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

QString Q(const std::string& ansi) { return AnsiToQString(ansi); }

// The page's current property record; null without a page.
CDsgUTProps* PageUTProps() {
    CDsgDSPFrame* page = GetDsgDSPFrame();
    return page ? &page->GetWOEUTProps() : nullptr;
}

std::string RecordText(const char* key) {
    const CDsgUTProps* props = PageUTProps();
    return props ? props->GetString(key) : std::string();
}

int RecordInt(const char* key, int defaultValue = 0) {
    const CDsgUTProps* props = PageUTProps();
    return props ? props->GetInt(key, defaultValue) : defaultValue;
}

void PutRecord(const char* key, const std::string& value) {
    if (CDsgUTProps* props = PageUTProps()) props->SetString(key, value);
}

template <typename T>
T* Place(T* widget, int id, int x, int y, int w, int h) {
    SetDlgCtrlID(widget, id);
    widget->setGeometry(x, y, w, h);
    return widget;
}

}  // namespace

BOOL IsKoreanUI() { return FxIsKoreanUILanguage(); }

void SetKoreanUIForTest(int state) { SetKoreanUILanguageForTest(state); }

bool ParseTypedInt(const std::string& text, int low, int high, int& value, bool& clamped) {
    clamped = false;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    size_t end = text.size();
    while (end > i && text[end - 1] == ' ') --end;
    std::string digits = text.substr(i, end - i);
    if (digits.empty()) return false;
    size_t d = (digits[0] == '-' || digits[0] == '+') ? 1 : 0;
    if (d == digits.size()) return false;
    for (size_t k = d; k < digits.size(); ++k)
        if (digits[k] < '0' || digits[k] > '9') return false;
    errno = 0;
    const long long parsed = std::strtoll(digits.c_str(), nullptr, 10);
    long long held = parsed;
    if (errno == ERANGE) held = digits[0] == '-' ? low : high;
    if (held < low) held = low;
    if (held > high) held = high;
    value = static_cast<int>(held);
    clamped = errno == ERANGE || held != parsed || std::to_string(value) != digits;
    return true;
}

// ---- Common -----------------------------------------------------------------

CDlgXFPanel::CDlgXFPanel(int resourceId, QWidget* parent) : QDialog(parent, Qt::Widget) {
    // A child of the property host, not a window of its own (QDialog would
    // otherwise make itself one, shown over the main window's corner).
    setWindowFlags(Qt::Widget);
    SetDlgCtrlID(this, resourceId);
    setAutoFillBackground(false);
    m_pClampNote = new QLabel(this);
    m_pClampNote->setObjectName("ClampNote");
    m_pClampNote->hide();
}

std::string CDlgXFPanel::GetClampNote() const {
    return m_pClampNote->isHidden() ? std::string() : QStringToAnsi(m_pClampNote->text());
}

void CDlgXFPanel::SetClampNote(const std::string& note) {
    m_pClampNote->setText(Q(note));
    m_pClampNote->setGeometry(6, height() - 20, std::max(width() - 12, 300), 16);
    m_pClampNote->setVisible(!note.empty());
}

void CDlgXFPanel::RecordAmending(const CDsgWOAmending& amending) {
    if (CDsgDSPFrame* page = GetDsgDSPFrame()) page->AddWOCHObjsWOAEAction(amending, 1);
}

void CDlgXFPanel::RecordString(const std::string& key, const std::string& value) {
    CDsgWOAmending amending;
    amending.SetStringAmending(key, value);
    RecordAmending(amending);
}

void CDlgXFPanel::paintEvent(QPaintEvent*) {
    CDC dc(width(), height(), GetSysColor(COLOR_BTNFACE));
    DrawFaceBackground(dc);
    QPainter painter(this);
    painter.drawImage(0, 0, dc.Image());
}

void CDlgXFPanel::keyPressEvent(QKeyEvent* event) {
    if (!SwallowDialogCloseKey(event)) QDialog::keyPressEvent(event);
}

// ---- Dot/line ---------------------------------------------------------------

namespace {
constexpr const char* kDotSizeNote = "Dot size is 0 to 25.";
constexpr const char* kSpaceNote = "Space length is 1 to 25.";
}  // namespace

CDlgXFDotLine::CDlgXFDotLine(QWidget* parent) : CDlgXFPanel(1004, parent) {
    auto* sizeLabel = new QLabel("Dot size", this);
    auto* spaceLabel = new QLabel("Space length", this);
    // The labels are as wide as their texts need; the controls follow them.
    const int labelWidth =
        std::max({70, sizeLabel->sizeHint().width(), spaceLabel->sizeHint().width()});
    const int x = 8 + labelWidth + 2;
    Place(sizeLabel, 0, 8, 8, labelWidth, 18);
    m_pSizeSlider = Place(new QSlider(Qt::Horizontal, this), 1000, x, 8, 140, 22);
    m_pSizeEdit = Place(new QLineEdit(this), 1007, x + 146, 8, 44, 22);
    Place(spaceLabel, 0, 8, 36, labelWidth, 18);
    m_pSpaceSlider = Place(new QSlider(Qt::Horizontal, this), 1070, x, 36, 140, 22);
    m_pSpaceEdit = Place(new QLineEdit(this), 1009, x + 146, 36, 44, 22);
    m_pSolid = Place(new CFxButton(this, BS_CHECKBOX), 1005, x + 202, 8, 40, 22);
    m_pDotted = Place(new CFxButton(this, BS_CHECKBOX), 1006, x + 246, 8, 40, 22);
    m_pRightAngle = Place(new CFxButton(this), 1045, x + 202, 36, 110, 22);
    m_pRightAngle->setText("To right angle");
    m_pSolid->SetBitmapIds(113, RGB(255, 0, 255));
    m_pDotted->SetBitmapIds(114, RGB(255, 0, 255));
    m_pSizeSlider->setRange(0, 25);
    m_pSpaceSlider->setRange(1, 25);
    m_pSizeEdit->setMaxLength(12);
    m_pSpaceEdit->setMaxLength(12);

    for (auto [slider, edit, key] : {std::tuple{m_pSizeSlider, m_pSizeEdit, szUTP_DTSIZE},
                                     std::tuple{m_pSpaceSlider, m_pSpaceEdit, szUTP_DTSPACE}}) {
        const bool size = slider == m_pSizeSlider;
        connect(slider, &QSlider::valueChanged, this,
                [this, slider, edit, key](int) { OnSliderValue(slider, edit, key); });
        connect(slider, &QSlider::sliderReleased, this,
                [this, slider, edit, key] { OnSliderReleased(slider, edit, key); });
        connect(edit, &QLineEdit::textChanged, this, [this, edit, slider, key, size] {
            OnEditChanged(edit, slider, key, size ? 0 : 1, 25);
        });
    }
    connect(m_pSolid, &QAbstractButton::clicked, this, [this] { OnSwitch(TRUE); });
    connect(m_pDotted, &QAbstractButton::clicked, this, [this] { OnSwitch(FALSE); });
    connect(m_pRightAngle, &QAbstractButton::clicked, this, [] {
        if (CDsgDSPFrame* page = GetDsgDSPFrame()) page->AddACWOCHObjRAAlterEAction(1);
    });
}

void CDlgXFDotLine::FillXF() {
    ++m_nFilling;
    m_pSizeEdit->setText(Q(RecordText(szUTP_DTSIZE)));
    m_pSpaceEdit->setText(Q(RecordText(szUTP_DTSPACE)));
    const BOOL solid = RecordText(szUTP_CSWITCH) == "1";
    m_pSolid->SetCheck(solid ? 1 : 0);
    m_pDotted->SetCheck(solid ? 0 : 1);
    m_pSizeSlider->setValue(std::atoi(RecordText(szUTP_DTSIZE).c_str()));
    m_pSpaceSlider->setValue(std::atoi(RecordText(szUTP_DTSPACE).c_str()));
    --m_nFilling;
}

void CDlgXFDotLine::UpdateXFEnables(int) {
    const CDsgDSPFrame* page = GetDsgDSPFrame();
    std::set<int> kinds;
    if (page) page->GetAllWOCHKinds(kinds);
    const BOOL oneLine =
        page && page->GetWOCHCount() == 1 && page->GetCWOCHKind() == nDSG_WOKIND__WOLINE;
    m_pRightAngle->setEnabled(oneLine);
    const bool size = GetUTPKeySet().IsKeyOfAnyWOKind(kinds, szUTP_DTSIZE);
    m_pSizeEdit->setEnabled(size);
    m_pSizeSlider->setEnabled(size);
    const bool space = GetUTPKeySet().IsKeyOfAnyWOKind(kinds, szUTP_DTSPACE) &&
                       !(kinds.size() == 1 && *kinds.begin() == nDSG_WOKIND__WOELLIPSE);
    m_pSpaceEdit->setEnabled(space);
    m_pSpaceSlider->setEnabled(space);
}

void CDlgXFDotLine::OnSliderValue(QSlider* slider, QLineEdit* edit, const char* key) {
    if (m_nFilling) return;
    ++m_nFilling;
    edit->setText(QString::number(slider->value()));
    --m_nFilling;
    SetClampNote("");
    if (slider->isSliderDown()) {
        // A drag previews: applied without an action until the release.
        CDsgWOAmending amending;
        amending.SetStringAmending(key, QStringToAnsi(edit->text()));
        if (CDsgDSPFrame* page = GetDsgDSPFrame()) page->WOAmendWOCHObjs(amending);
        return;
    }
    // Keys, the wheel and clicks on the groove move it in single steps:
    // each is a change of its own.
    RecordString(key, QStringToAnsi(edit->text()));
    WriteWOEUTProps();
}

void CDlgXFDotLine::OnSliderReleased(QSlider* slider, QLineEdit* edit, const char* key) {
    if (m_nFilling) return;
    ++m_nFilling;
    edit->setText(QString::number(slider->value()));
    --m_nFilling;
    RecordString(key, QStringToAnsi(edit->text()));
    WriteWOEUTProps();
}

void CDlgXFDotLine::OnEditChanged(QLineEdit* edit, QSlider* slider, const char* key, int low,
                                  int high) {
    if (m_nFilling) return;
    const std::string text = QStringToAnsi(edit->text());
    // An empty field or a lone sign: the user is about to type a number.
    if (text.empty() || text == "-" || text == "+") return;
    const char* note = slider == m_pSizeSlider ? kDotSizeNote : kSpaceNote;
    int value = 0;
    bool clamped = false;
    ++m_nFilling;
    if (!ParseTypedInt(text, low, high, value, clamped)) {
        // No number: the field goes back to the value in force.
        edit->setText(Q(RecordText(key)));
        --m_nFilling;
        SetClampNote(note);
        return;
    }
    if (clamped) edit->setText(QString::number(value));
    slider->setValue(value);
    --m_nFilling;
    SetClampNote(clamped ? note : "");
    RecordString(key, std::to_string(value));
    WriteWOEUTProps();
}

void CDlgXFDotLine::OnSwitch(BOOL solid) {
    if (m_nFilling) return;
    m_pSolid->SetCheck(solid ? 1 : 0);
    m_pDotted->SetCheck(solid ? 0 : 1);
    RecordString(szUTP_CSWITCH, solid ? "1" : "0");
    WriteWOEUTProps();
}

void CDlgXFDotLine::WriteWOEUTProps() {
    PutRecord(szUTP_DTSIZE, QStringToAnsi(m_pSizeEdit->text()));
    PutRecord(szUTP_DTSPACE, QStringToAnsi(m_pSpaceEdit->text()));
    PutRecord(szUTP_CSWITCH, m_pSolid->GetCheck() ? "1" : "0");
}

// ---- Text/menu ----------------------------------------------------------------

CDlgXFText::CDlgXFText(QWidget* parent) : CDlgXFPanel(1006, parent) {
    const BOOL korean = IsKoreanUI();
    m_pSizeLabel = Place(new QLabel(this), 1048, 8, 6, 60, 18);
    m_pSize = Place(new QComboBox(this), 1002, 70, 4, 130, 22);
    m_pWidthLabel = Place(new QLabel(this), 1049, 8, 32, 60, 18);
    m_pWidth = Place(new QComboBox(this), 1003, 70, 30, 130, 22);
    m_pBold0 = Place(new QCheckBox("Bold", this), 1004, 206, 4, 60, 20);
    m_pBold1 = Place(new QCheckBox("Bold", this), 1005, 206, 30, 60, 20);
    m_pReverse = Place(new QCheckBox("Reverse", this), 1006, 270, 4, 80, 20);
    m_pUnderline = Place(new QCheckBox("Underline", this), 1007, 270, 30, 80, 20);
    m_pContentLabel = Place(new QLabel(this), 1047, 356, 6, 50, 18);
    m_pTextEdit = Place(new CDsgScriptEdit(CDsgScriptEdit::KIND_TEXT, m_nFilling, this), 1009, 410,
                        4, 200, 72);
    m_pTitleEdit = Place(new CDsgScriptEdit(CDsgScriptEdit::KIND_MENU, m_nFilling, this), 1010, 410,
                         4, 200, 22);
    m_pStyleLabel = Place(new QLabel("Style", this), 1050, 410, 32, 40, 18);
    m_pStyle = Place(new QComboBox(this), 1077, 450, 30, 120, 22);
    m_pOrder = Place(new QLabel(this), 1041, 8, 58, 100, 18);
    m_pExchange = Place(new CFxButton(this), 1040, 110, 56, 150, 22);
    m_pExchange->setText("Exchange Menu Index");

    // One entry per LCD font; outside a Korean interface the sizes that
    // repeat are listed once.
    std::set<std::string> listed;
    for (int i = 0; i < nDSG_LCDFONT_COUNT; ++i) {
        std::string entry =
            std::to_string(GetLCDFontWidth(i)) + "x" + std::to_string(GetLCDFontHeight(i));
        if (korean) {
            entry += "," + GetLCDFontFace(i);
        } else if (!listed.insert(entry).second) {
            continue;
        }
        m_pSize->addItem(Q(entry));
    }
    if (korean) {
        m_pWidth->addItem(Q(A("고정폭")));
        m_pWidth->addItem(Q(A("가변폭")));
        m_pSizeLabel->setText("Korean");
        m_pWidthLabel->setText("Eng/Num");
    } else {
        m_pWidth->addItem("Fixed Width");
        m_pWidth->addItem("Variable Width");
        m_pSizeLabel->setText("Size");
        m_pWidthLabel->setText("Width");
    }
    m_pBold0->setVisible(korean);
    m_pSize->setCurrentIndex(0);
    m_pWidth->setCurrentIndex(0);
    m_pStyle->addItem("No Border");
    m_pStyle->addItem("Box");
    m_pStyle->addItem("Shadowed Box");

    for (QComboBox* combo : {m_pSize, m_pWidth, m_pStyle})
        connect(combo, &QComboBox::activated, this, [this](int) { OnChanged(); });
    for (QCheckBox* check : {m_pBold0, m_pBold1, m_pReverse, m_pUnderline})
        connect(check, &QCheckBox::clicked, this, [this] { OnChanged(); });
    connect(m_pExchange, &QAbstractButton::clicked, this, [this] { OnExchange(); });

    // Keys reach the panel's controls only after the panel looked at them.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
    SetTimerHandler(this, [this](UINT_PTR id) {
        if (id != 1) return;
        KillTimer(this, 1);
        m_pTextEdit->viewport()->repaint();
        m_pTitleEdit->viewport()->repaint();
    });
}

int CDlgXFText::PositionToKrnIndex(int position, BOOL korean) {
    if (korean) return position;
    switch (position) {
        case 1:
            return 2;
        case 2:
            return 6;
        case 3:
            return 8;
        default:
            return position;
    }
}

int CDlgXFText::KrnIndexToPosition(int index, BOOL korean) {
    if (korean) return index;
    if (index < 2) return 0;
    if (index < 6) return 1;
    if (index < 8) return 2;
    if (index < 9) return 3;
    return index;
}

bool CDlgXFText::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        if (watched == m_pTextEdit || watched == m_pTitleEdit) SetTimer(this, 1, 1);
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const int code = key->key();
    // The script edits keep their own editing keys (Ctrl+A, Ctrl+Z, Ctrl+V).
    const bool script = watched == m_pTextEdit || watched == m_pTitleEdit;
    if (script && (key->modifiers() & Qt::ControlModifier) &&
        IsOwnEditingKey(static_cast<QWidget*>(watched), *key))
        return false;
    if (code == Qt::Key_Escape || code == Qt::Key_Tab || code == Qt::Key_Backtab ||
        (key->modifiers() & Qt::ControlModifier))
        return true;
    if (code == Qt::Key_Return || code == Qt::Key_Enter)
        return watched != m_pTextEdit && watched != m_pTitleEdit;
    if (watched == this || !isAncestorOf(static_cast<QWidget*>(watched))) return false;
    CDsgDSPFrame* page = GetDsgDSPFrame();
    return page && page->OnKeyEvents(key);
}

void CDlgXFText::FillXF() {
    ++m_nFilling;
    const std::string script = RecordText(szUTP_LSCRIPT);
    m_pTextEdit->SetScriptText(script);
    m_pTitleEdit->SetScriptText(script);
    const int bstate = RecordInt(szUTP_BSTATE);
    m_pBold0->setChecked(bstate & 1);
    m_pBold1->setChecked(bstate & 2);
    m_pReverse->setChecked(RecordInt(szUTP_IS_INVERSED) != 0);
    m_pUnderline->setChecked(RecordInt(szUTP_IS_UNDERLINED) != 0);
    m_pSize->setCurrentIndex(KrnIndexToPosition(RecordInt(szUTP_KRNFINDEX), IsKoreanUI()));
    m_pWidth->setCurrentIndex(RecordInt(szUTP_ALNFINDEX));
    m_pStyle->setCurrentIndex(RecordInt(szUTP_WONSTYLE));
    --m_nFilling;
}

void CDlgXFText::EmptyScriptEdit(CDsgScriptEdit& edit) {
    ++m_nFilling;
    edit.SetScriptText("");
    --m_nFilling;
}

void CDlgXFText::UpdateXFEnables(int face) {
    const BOOL korean = IsKoreanUI();
    m_pContentLabel->setText(face == 3 ? "Title" : "Content");
    m_pTextEdit->setVisible(face == 2);
    m_pTitleEdit->setVisible(face == 3);
    m_pStyleLabel->setVisible(face == 3);
    m_pStyle->setVisible(face == 3);
    m_pBold0->setVisible(korean);

    const CDsgDSPFrame* page = GetDsgDSPFrame();
    bool twoMenus =
        page && page->GetWOCHCount() == 2 && page->IsWOKindOnlyWOChosen(nDSG_WOKIND__WOMENU);
    std::string orders;
    if (twoMenus) {
        std::set<int> ids;
        page->GetAllWOCHIds(ids);
        for (int id : ids) {
            const CDsgWObj* obj = page->GetWObjById(id);
            if (!obj) {
                twoMenus = false;
                break;
            }
            const CDsgUTProps& props = *obj;
            if (!orders.empty()) orders += " & ";
            orders += props.GetString(szUTP_WONORDER);
        }
    }
    m_pExchange->setEnabled(twoMenus);
    m_pOrder->setEnabled(twoMenus);
    m_pOrder->setText(twoMenus ? Q(orders) : QString());
}

void CDlgXFText::OnChanged() {
    if (m_nFilling) return;
    QObject* from = sender();
    const BOOL korean = IsKoreanUI();
    CDsgWOAmending amending;
    if (from == m_pUnderline) {
        amending.SetStringAmending(szUTP_IS_UNDERLINED, m_pUnderline->isChecked() ? "1" : "0");
    } else if (from == m_pReverse) {
        amending.SetStringAmending(szUTP_IS_INVERSED, m_pReverse->isChecked() ? "1" : "0");
    } else if (from == m_pBold0) {
        amending.SetBitAmending(szUTP_BSTATE, 0, m_pBold0->isChecked());
    } else if (from == m_pBold1) {
        amending.SetBitAmending(szUTP_BSTATE, 1, m_pBold1->isChecked());
    } else if (from == m_pSize) {
        amending.SetStringAmending(
            szUTP_KRNFINDEX, std::to_string(PositionToKrnIndex(m_pSize->currentIndex(), korean)));
    } else if (from == m_pWidth) {
        amending.SetStringAmending(szUTP_ALNFINDEX, std::to_string(m_pWidth->currentIndex()));
    } else if (from == m_pStyle) {
        amending.SetStringAmending(szUTP_WONSTYLE, std::to_string(m_pStyle->currentIndex()));
    } else {
        return;
    }
    RecordAmending(amending);
    WriteWOEUTProps();
}

void CDlgXFText::WriteWOEUTProps() {
    PutRecord(szUTP_IS_UNDERLINED, m_pUnderline->isChecked() ? "1" : "0");
    PutRecord(szUTP_IS_INVERSED, m_pReverse->isChecked() ? "1" : "0");
    int bstate = RecordInt(szUTP_BSTATE) & ~3;
    if (m_pBold0->isChecked()) bstate |= 1;
    if (m_pBold1->isChecked()) bstate |= 2;
    PutRecord(szUTP_BSTATE, std::to_string(bstate));
    PutRecord(szUTP_KRNFINDEX,
              std::to_string(PositionToKrnIndex(m_pSize->currentIndex(), IsKoreanUI())));
    PutRecord(szUTP_ALNFINDEX, std::to_string(m_pWidth->currentIndex()));
    PutRecord(szUTP_WONSTYLE, std::to_string(m_pStyle->currentIndex()));
}

void CDlgXFText::OnExchange() {
    CDsgDSPFrame* page = GetDsgDSPFrame();
    if (!page || page->GetWOCHCount() != 2) return;
    std::set<int> ids;
    page->GetAllWOCHIds(ids);
    if (ids.size() != 2) return;
    if (!page->WONOExchange(*ids.begin(), *ids.rbegin(), 1)) return;
    if (CDsgMainFrame* frame = GetDsgMainFrame()) frame->_OnEAAdded();
    UpdateXFEnables(3);
}

// ---- PC-font text -------------------------------------------------------------

namespace {
constexpr const char* kPtSizeNote = "Font size is 1 to 400.";
}

CDlgXFPCText::CDlgXFPCText(QWidget* parent) : CDlgXFPanel(107, parent) {
    m_pEdit = Place(new CDsgScriptEdit(CDsgScriptEdit::KIND_PCTEXT, m_nFilling, this), 1010, 8, 4,
                    200, 72);
    Place(new QLabel("Thickness", this), 0, 214, 6, 60, 18);
    m_pThickness = Place(new QComboBox(this), 1011, 276, 4, 80, 22);
    Place(new QLabel("Face", this), 0, 214, 32, 60, 18);
    m_pFace = Place(new QComboBox(this), 1015, 276, 30, 140, 22);
    m_pFace->setEditable(true);
    Place(new QLabel("Size", this), 0, 214, 58, 60, 18);
    m_pSize = Place(new QComboBox(this), 1016, 276, 56, 80, 22);
    m_pSize->setEditable(true);
    m_pSize->setCompleter(nullptr);  // a typed size is taken as typed
    const struct {
        int id;
        const char* text;
        const char* key;
    } checks[] = {
        {1012, "Italic", szUTP_PTITALIC},           {1013, "Underline", szUTP_PTUNDERLINED},
        {1014, "Strike Out", szUTP_PTSTRUCKOUT},    {1019, "Anti-alias", szUTP_PTANTIALIAS},
        {1021, "Transparent", szUTP_PTTRANSPARENT}, {1022, "Word Break", szUTP_PTWORDBREAK},
        {1023, "Horiz-Center", szUTP_PTHCENTER}};
    int n = 0;
    for (const auto& c : checks) {
        auto* box =
            Place(new QCheckBox(c.text, this), c.id, 424 + (n / 4) * 100, 4 + (n % 4) * 18, 98, 18);
        m_checks.push_back({c.id, c.key, box});
        const char* key = c.key;
        connect(box, &QCheckBox::clicked, this, [this, box, key] { OnCheck(box, key); });
        ++n;
    }
    m_pColor = Place(new CFxButton(this), 1020, 626, 4, 130, 22);
    m_pColor->setText("Background Color ..");
    m_pSample = Place(new QLabel(this), 1009, 626, 30, 130, 22);
    m_pSample->setAutoFillBackground(true);

    connect(m_pThickness, &QComboBox::activated, this,
            [this](int) { OnCombo(m_pThickness, szUTP_PTTHICKNESS, m_pThickness->currentText()); });
    connect(m_pFace, &QComboBox::activated, this,
            [this](int) { OnCombo(m_pFace, szUTP_PTFACE, m_pFace->currentText()); });
    connect(m_pSize, &QComboBox::activated, this,
            [this](int) { OnCombo(m_pSize, szUTP_PTSIZE, m_pSize->currentText()); });
    connect(m_pFace, &QComboBox::editTextChanged, this,
            [this](const QString& text) { OnCombo(m_pFace, szUTP_PTFACE, text); });
    connect(m_pSize, &QComboBox::editTextChanged, this,
            [this](const QString& text) { OnCombo(m_pSize, szUTP_PTSIZE, text); });
    connect(m_pColor, &QAbstractButton::clicked, this, [this] { OnColor(); });
}

QCheckBox* CDlgXFPCText::GetCheck(int id) const {
    for (const Check& c : m_checks)
        if (c.id == id) return c.box;
    return nullptr;
}

void CDlgXFPCText::FillXF() {
    ++m_nFilling;
    // The lists are made once, when first needed.
    if (m_pThickness->count() == 0)
        for (const char* item : {"Thin", "Normal", "Bold"}) m_pThickness->addItem(item);
    if (m_pSize->count() == 0)
        for (const char* item : {"16", "24", "30", "48", "60", "80", "100", "140", "180"})
            m_pSize->addItem(item);
    if (m_pFace->count() == 0) {
        std::vector<std::string> faces;
        EnumDisplayFontFaces(faces);
        for (const std::string& face : faces) m_pFace->addItem(Q(face));
    }
    m_pEdit->SetScriptText(RecordText(szUTP_LSCRIPT));
    m_pThickness->setCurrentText(Q(RecordText(szUTP_PTTHICKNESS)));
    m_pFace->setEditText(Q(RecordText(szUTP_PTFACE)));
    m_pSize->setEditText(Q(RecordText(szUTP_PTSIZE)));
    for (const Check& c : m_checks) c.box->setChecked(RecordInt(c.key) != 0);
    m_crBk = static_cast<COLORREF>(RecordInt(szUTP_PTBKCOLOR, 0xFFFFFF)) & 0xFFFFFF;
    m_pSample->setText(QString::number(m_crBk));
    QPalette palette = m_pSample->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(ToQRgb(m_crBk)));
    palette.setColor(QPalette::WindowText, QColor::fromRgb(ToQRgb(m_crBk)));
    m_pSample->setPalette(palette);
    --m_nFilling;
}

void CDlgXFPCText::OnCombo(QComboBox* combo, const char* key, const QString& text) {
    if (m_nFilling) return;
    std::string value = QStringToAnsi(text);
    // An empty field or a lone sign: the user is about to type.
    if (value.empty() || value == "-" || value == "+") return;
    if (combo == m_pSize) {
        int size = 0;
        bool clamped = false;
        if (!ParseTypedInt(value, 1, 400, size, clamped)) {
            ++m_nFilling;
            combo->setEditText(Q(RecordText(key)));
            --m_nFilling;
            SetClampNote(kPtSizeNote);
            return;
        }
        if (clamped) {
            ++m_nFilling;
            combo->setEditText(QString::number(size));
            --m_nFilling;
        }
        SetClampNote(clamped ? kPtSizeNote : "");
        value = std::to_string(size);
    }
    RecordString(key, value);
    WriteWOEUTProps();
}

void CDlgXFPCText::OnCheck(QCheckBox* check, const char* key) {
    if (m_nFilling) return;
    RecordString(key, check->isChecked() ? "1" : "0");
    WriteWOEUTProps();
}

void CDlgXFPCText::OnColor() {
    const std::optional<COLORREF> colour = Ui().ChooseColor(m_crBk, this);
    if (!colour) return;
    m_crBk = *colour & 0xFFFFFF;
    RecordString(szUTP_PTBKCOLOR, std::to_string(m_crBk));
    WriteWOEUTProps();
    FillXF();
}

void CDlgXFPCText::WriteWOEUTProps() {
    PutRecord(szUTP_PTFACE, QStringToAnsi(m_pFace->currentText()));
    PutRecord(szUTP_PTSIZE, QStringToAnsi(m_pSize->currentText()));
    PutRecord(szUTP_PTTHICKNESS, QStringToAnsi(m_pThickness->currentText()));
    for (const Check& c : m_checks) PutRecord(c.key, c.box->isChecked() ? "1" : "0");
    PutRecord(szUTP_PTBKCOLOR, std::to_string(m_crBk));
}

// ---- Clip ---------------------------------------------------------------------

CDlgXFClip::CDlgXFClip(QWidget* parent) : CDlgXFPanel(109, parent) {
    Place(new QComboBox(this), 1000, 8, 4, 160, 22);
    Place(new QComboBox(this), 1001, 8, 30, 160, 22);
    Place(new CFxButton(this), 1002, 176, 4, 80, 22)->setText("Reload");
}

// ---- Image ----------------------------------------------------------------------

CSize FitXFImageSize(const CSize& picture, const CSize& lcd) {
    if (picture.cx <= lcd.cx && picture.cy <= lcd.cy) return picture;
    CSize fitted = FitSizeInto(picture.cx, picture.cy, lcd.cx, lcd.cy, TRUE);
    // A very thin picture would truncate to nothing, which no resampling
    // can make.
    fitted.cx = std::max<LONG>(fitted.cx, 1);
    fitted.cy = std::max<LONG>(fitted.cy, 1);
    return fitted;
}

CRect FitXFImageRect(const CRect& rect, const CSize& picture) {
    CRect fitted = rect;
    fitted.NormalizeRect();
    if (picture.cx <= 0 || picture.cy <= 0) return fitted;
    const std::int64_t rw = std::int64_t{fitted.right} - fitted.left;
    const std::int64_t rh = std::int64_t{fitted.bottom} - fitted.top;
    const std::int64_t pw = picture.cx, ph = picture.cy;
    // ph / pw > rh / rw, cross-multiplied: both widths are not negative.
    if (ph * rw > rh * pw)
        fitted.right = static_cast<LONG>(fitted.left + pw * rh / ph);
    else
        fitted.bottom = static_cast<LONG>(fitted.top + ph * rw / pw);
    return fitted;
}

bool PrepareXFImagePicture(const std::string& path, const CSize& lcd, XFImagePicture& picture) {
    CDsgWOPictureRenderer* renderer = GetDsgWOPictureRenderer();
    if (renderer == nullptr) return false;
    std::vector<BYTE> bmp;
    CSize size;
    if (!renderer->LoadWOPictureFile(
            path, [&lcd](const CSize& own) { return FitXFImageSize(own, lcd); }, bmp, size) ||
        bmp.empty() || size.cx <= 0 || size.cy <= 0)
        return false;
    picture.bmp = std::move(bmp);
    picture.size = size;
    return true;
}

CDlgXFImage::CDlgXFImage(QWidget* parent) : CDlgXFPanel(111, parent) {
    m_pLoad = Place(new CFxButton(this), 1007, 8, 8, 80, 24);
    m_pLoad->setText("Load");
    // A push button with its edges, not a flat tool button that shows them
    // only under the pointer.
    m_pLoad->SetFlat(false);
    m_pRatio = Place(new QCheckBox("Keep X-Y Ratio", this), 1008, 8, 40, 140, 20);
    connect(m_pLoad, &QAbstractButton::clicked, this, [this] { OnLoad(); });
    connect(m_pRatio, &QCheckBox::clicked, this, [this] { OnRatio(); });
}

void CDlgXFImage::FillXF() {
    ++m_nFilling;
    m_pRatio->setChecked(RecordInt(szUTP_KEEP_XYRATIO) != 0);
    --m_nFilling;
}

void CDlgXFImage::UpdateXFEnables(int /*face*/) {
    const CDsgDSPFrame* page = GetDsgDSPFrame();
    m_pLoad->setEnabled(page && page->GetWOCHCount() == 1);
}

void CDlgXFImage::OnRatio() {
    if (m_nFilling) return;
    const std::string value = m_pRatio->isChecked() ? "1" : "0";
    RecordString(szUTP_KEEP_XYRATIO, value);
    PutRecord(szUTP_KEEP_XYRATIO, value);
}

void CDlgXFImage::OnLoad() {
    CDsgDSPFrame* page = GetDsgDSPFrame();
    if (!page || page->GetWOCHCount() != 1) return;
    const int id = page->GetCWOCHId();

    FileDialogRequest request;
    request.title = "Select an Image File";
    request.filter = MakeBrowseFilter("Image Files", "bmp/jpg/gif/png/ico/tif/pcx");
    request.parent = this;
    const std::optional<std::string> chosen = Ui().ChooseFile(request);
    if (!chosen || chosen->empty() || !IsPathExisting(*chosen)) return;
    const std::string& path = *chosen;

    const CSize lcd = CDsgGOption::GetLMSize();
    XFImagePicture picture;
    if (!PrepareXFImagePicture(path, lcd, picture) ||
        picture.bmp.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        ::MessageBox("Cannot load image from " + path, "Loading Failed", MB_OK, this);
        return;
    }

    CRevolver bytes;
    if (!bytes.Append(picture.bmp.data(), static_cast<int>(picture.bmp.size()))) {
        ::MessageBox("Cannot load image from " + path, "Loading Failed", MB_OK, this);
        return;
    }
    CDsgWOAmending amending;
    amending.SetRevolverAmending(szUTP_OBWBMP, bytes);
    const int before = page->GetCurrentEAIndex();
    RecordAmending(amending);

    // The object takes the picture's proportions, as an undo step of its own.
    const CDsgWObj* obj = page->GetWObjById(id);
    if (!obj || page->GetCurrentEAIndex() == before) return;
    const CRect rect = FitXFImageRect(obj->GetNTProps().GetLMHugeRect(), picture.size);
    page->AddWOCHObjsDRMoveEAction(rect.left, rect.top, rect.right, rect.bottom, FALSE, TRUE);
}
