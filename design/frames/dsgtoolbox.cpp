#include "design/frames/dsgtoolbox.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

#include "design/frames/dsgframepaint.h"
#include "design/frames/dsgxfframe.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsglsdhost.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxbutton.h"
#include "foundation/fxpropstore.h"
#include "platform/dc.h"

namespace {

CDlgToolBox* g_pToolBox = nullptr;

struct ToolButton {
    int id;
    int tool;
    int bitmap;
    const char* tip;  // null: none
    bool shortKeys;   // kept in short-key mode
};

constexpr ToolButton kTools[] = {
    {24000, 0, 2011, "Selection/Capture Tool", true},
    {24001, 2, 2017, "Line", true},
    {24002, 1, 2018, "Box", true},
    {24003, 4, 2014, "Filled Box", true},
    {24004, 3, 2016, "Text", true},
    {24005, 5, 2013, "Circle", true},
    {24006, 6, 2015, "Filled Circle", true},
    {24007, 100, 2019, "Menu for Tavio", true},
    {24008, 7, 2012, nullptr, false},
    {24009, 10, 2016, nullptr, false},
    {24010, 11, 2016, nullptr, false},
    {24011, 9, 2020, "Definable Character", true},
};

// The group as short-key mode keeps it, in the palette's order.
constexpr int kGroup[] = {24000, 24002, 24003, 24005, 24006, 24001, 24004, 24007, 24011};

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr int kButtonSize = 26;

}  // namespace

CDlgToolBox* GetDlgToolBox() { return g_pToolBox; }

CDlgToolBox::CDlgToolBox(QWidget* parent) : QDialog(parent, Qt::Widget) {
    // A child of the main frame, not a window of its own (QDialog would
    // otherwise make itself one).
    setWindowFlags(Qt::Widget);
    g_pToolBox = this;
    setObjectName("DlgToolBox");
    const bool shortKeys = GetKeyStyle() == KEYSTYLE_SHORT;
    int y = 6;
    for (const ToolButton& tool : kTools) {
        auto* button = new CFxButton(this, BS_CHECKBOX);
        SetDlgCtrlID(button, tool.id);
        button->setFocusPolicy(Qt::NoFocus);
        m_buttons.push_back(button);
        if (!tool.shortKeys && shortKeys) {
            button->hide();
            continue;
        }
        button->setGeometry(6, y, kButtonSize, kButtonSize);
        y += kButtonSize + 2;
        button->SetBitmapIds(tool.bitmap, kMagenta);
        if (tool.tip) button->SetTipText(tool.tip);
        const int id = tool.id;
        connect(button, &QPushButton::clicked, this, [this, id] {
            OnToolCommand(id);
            FocusDesignPageSoon();
        });
    }
    for (int id : kGroup) m_group.push_back(GetButton(id));
    if (!shortKeys)
        for (int id : {24008, 24009, 24010}) m_group.push_back(GetButton(id));
    resize(kButtonSize + 12, y + 4);
    OnToolCommand(24000);
}

CDlgToolBox::~CDlgToolBox() {
    if (g_pToolBox == this) g_pToolBox = nullptr;
}

int CDlgToolBox::ToolOfButton(int id) {
    for (const ToolButton& tool : kTools)
        if (tool.id == id) return tool.tool;
    return -1;
}

CFxButton* CDlgToolBox::GetButton(int id) const {
    if (id < IDC_TOOL_FIRST || id > IDC_TOOL_LAST) return nullptr;
    return m_buttons[static_cast<size_t>(id - IDC_TOOL_FIRST)];
}

void CDlgToolBox::OnToolCommand(int id) {
    CFxButton* pressed = GetButton(id);
    if (!pressed) return;
    // The group shows one pressed button: the page's tool.
    for (CFxButton* button : m_group) {
        if (!button) continue;
        button->SetCheck(button == pressed ? BST_CHECKED : BST_UNCHECKED);
        button->update();
    }
    m_nTool = ToolOfButton(id);
    if (CDsgDSPFrame* page = GetDsgDSPFrame()) page->SetWOETool(m_nTool);
    // The band above the page shows the hints of the tool.
    if (CDsgXFFrame* band = GetDsgXFFrame()) band->update();
}

void CDlgToolBox::UpdateToolStates() {
    const CDsgLSDHost* host = GetDsgLSDHost();
    const CDsgEActions* actions = host ? const_cast<CDsgLSDHost*>(host)->GetDSPEActions() : nullptr;
    const bool open = actions && actions->GetSPIndex() >= 0;
    for (int id : kGroup) GetButton(id)->setEnabled(open);
}

void CDlgToolBox::keyPressEvent(QKeyEvent* event) {
    if (!SwallowDialogCloseKey(event)) QDialog::keyPressEvent(event);
}

void CDlgToolBox::paintEvent(QPaintEvent*) {
    CDC dc(width(), height());
    DrawFaceBackground(dc);
    QPainter painter(this);
    painter.drawImage(0, 0, dc.Image());
}
