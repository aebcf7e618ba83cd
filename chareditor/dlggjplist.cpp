#include "chareditor/dlggjplist.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "chareditor/dlggjpedit.h"
#include "chareditor/dtrdialogfont.h"
#include "chareditor/dtrmwindow.h"
#include "foundation/fxshadebutton.h"
#include "platform/resources.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// Draws each item through its list, on the pixel rules of the device context.
class GJPItemDelegate : public QStyledItemDelegate {
public:
    explicit GJPItemDelegate(CDtrGJPListCtrl& list) : QStyledItemDelegate(&list), m_list(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QListWidgetItem* item = m_list.item(index.row());
        const int height = option.rect.height();
        if (!item || height <= 0) return;
        CDC dc(CDtrGJPListCtrl::COLUMN_WIDTH, height);
        m_list.DrawItem(dc, CRect(0, 0, CDtrGJPListCtrl::COLUMN_WIDTH, height), item,
                        option.state.testFlag(QStyle::State_Selected));
        painter->drawImage(option.rect.topLeft(), dc.Image());
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {CDtrGJPListCtrl::COLUMN_WIDTH, CDtrGJPListCtrl::ROW_HEIGHT};
    }

private:
    CDtrGJPListCtrl& m_list;
};

FontSpec ItemFont() {
    FontSpec font;
    font.height = 15;
    font.quality = ANTIALIASED_QUALITY;
    font.face = "Arial";
    return font;
}

CFxShadeButton* ShadeButton(QWidget* parent, int id, const char* text, int x, int y) {
    auto* button = new CFxShadeButton(parent);
    SetDlgCtrlID(button, id);
    button->setText(QString::fromLatin1(text));
    DtrPlace(button, x, y, 33, 13);
    button->ApplyShade(CFxShadeButton::SHS_HARDBUMP, 8, 10, 0, 0);
    return button;
}

}  // namespace

// ---- The list ----------------------------------------------------------------

CDtrGJPListCtrl::CDtrGJPListCtrl(const CDtrGGJPixel& set, QWidget* parent)
    : QListWidget(parent), m_set(set), m_mark(LoadBitmapResource(IDB_MARK)) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setUniformItemSizes(true);
    setAccessibleName(QStringLiteral("CHR Code"));
    setItemDelegate(new GJPItemDelegate(*this));
}

CDtrGJPixel* CDtrGJPListCtrl::CharacterOf(const QListWidgetItem* item) const {
    CDtrGJPixel* character = CDtrGJPixel::GJPixelFromListItem(item);
    return m_set.GetGJPixelIndex(character) >= 0 ? character : nullptr;
}

CRect CDtrGJPListCtrl::GetCellRect(const QListWidgetItem* item) const {
    const QRect row = visualItemRect(item);
    return CRect(row.left(), row.top(), row.left() + COLUMN_WIDTH, row.top() + row.height());
}

void CDtrGJPListCtrl::DrawItem(CDC& dc, const CRect& cell, const QListWidgetItem* item,
                               bool selected) const {
    COLORREF back = GetSysColor(COLOR_WINDOW), text = GetSysColor(COLOR_WINDOWTEXT);
    if (selected && hasFocus()) {
        back = GetSysColor(COLOR_HIGHLIGHT);
        text = GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else if (selected) {
        back = GetSysColor(COLOR_BTNFACE);
    }
    dc.FillSolidRect(cell, back);
    const FontSpec oldFont = dc.SelectFont(ItemFont());
    const COLORREF oldText = dc.SetTextColor(text);
    const int oldMode = dc.SetBkMode(TRANSPARENT);
    CRect textRect = cell;
    textRect.left += 3;
    textRect.OffsetRect(0, -1);
    dc.DrawText(item->text(), textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    dc.SetBkMode(oldMode);
    dc.SetTextColor(oldText);
    dc.SelectFont(oldFont);
    const CDtrGJPixel* character = CharacterOf(item);
    if (character && character->nccode == m_set.eirncachar && !m_mark.isNull())
        dc.DrawTransparentImage(cell.right - 16, cell.top + 2, m_mark, kMagenta);
}

// ---- The list dialog ---------------------------------------------------------------

CDlgGJPList::CDlgGJPList(CDtrMWindow& owner) : QDialog(&owner), m_owner(owner) {
    // A child window, not a dialog window of its own (QDialog makes one of
    // any window type it is given but this).
    setWindowFlags(Qt::Widget);
    SetDlgCtrlID(this, IDD);
    setFont(MakeFont(DtrDialogFont()));
    const CRect size = DtrDialogRect(0, 0, 191, 64);
    resize(size.Width(), size.Height());

    m_listCtrl = new CDtrGJPListCtrl(owner, this);
    SetDlgCtrlID(m_listCtrl, IDC_GJPLIST);
    DtrPlace(m_listCtrl, 2, 3, 67, 50);

    m_add = ShadeButton(this, IDC_ADD, "Add", 72, 3);
    m_duplicate = ShadeButton(this, IDC_DUPLICATE, "Duplicate", 108, 3);
    m_modify = ShadeButton(this, IDC_MODIFY, "Modify", 72, 18);
    m_delete = ShadeButton(this, IDC_DELETE, "Delete", 108, 18);
    m_select = ShadeButton(this, IDC_SELECT, "Select", 144, 18);

    auto* label = new QLabel(QStringLiteral("Preview :"), this);
    DtrPlace(label, 72, 43, 32, 8);
    m_preview = new QWidget(this);
    SetDlgCtrlID(m_preview, IDC_PREVIEW);
    DtrPlace(m_preview, 107, 43, 10, 10);
    m_preview->hide();

    connect(m_add, &QAbstractButton::clicked, this, [this] { OnAdd(); });
    connect(m_duplicate, &QAbstractButton::clicked, this, [this] { OnDuplicate(); });
    connect(m_modify, &QAbstractButton::clicked, this, [this] { OnModify(); });
    connect(m_delete, &QAbstractButton::clicked, this, [this] { OnDelete(); });
    connect(m_select, &QAbstractButton::clicked, this, [this] { OnSelect(); });
    connect(m_listCtrl, &QListWidget::itemDoubleClicked, this, [this] { OnModify(); });
    connect(m_listCtrl, &QListWidget::itemSelectionChanged, this, [this] {
        SetButtonStates();
        update();  // the preview
    });
    SetButtonStates();
}

CDlgGJPList::~CDlgGJPList() {
    if (CDlgGJPEdit* open = CDlgGJPEdit::GetOpen(); open && &open->GetList() == this) delete open;
}

CDtrGJPixel* CDlgGJPList::GetSelectedGJPixel() const {
    int last = -1;
    for (const QListWidgetItem* item : m_listCtrl->selectedItems())
        last = std::max(last, m_listCtrl->row(item));
    return last < 0 ? nullptr : m_listCtrl->CharacterOf(m_listCtrl->item(last));
}

void CDlgGJPList::SetButtonStates() {
    const auto selected = m_listCtrl->selectedItems().size();
    const CDtrGJPixel* character = GetSelectedGJPixel();
    const bool one = selected == 1 && character != nullptr;
    m_modify->setEnabled(one);
    m_duplicate->setEnabled(one);
    m_delete->setEnabled(selected > 0);
    m_select->setEnabled(one && character->nccode != m_owner.eirncachar);
}

void CDlgGJPList::CloseEditDialog() {
    // One edit dialog at a time in the process, whichever list opened it.
    delete CDlgGJPEdit::GetOpen();
}

void CDlgGJPList::OpenEditDialog(CDtrGJPixel* target, int code) {
    auto* dialog = new CDlgGJPEdit(*this, target, code);
    const QPoint centre = mapToGlobal(rect().center());
    dialog->move(centre - dialog->rect().center());
    dialog->show();
}

void CDlgGJPList::ShowNoFreeCode() {
    MessageBox("Cannot add any more character!", "Error", MB_OK | MB_ICONEXCLAMATION,
               QApplication::activeWindow());
}

void CDlgGJPList::OnAdd() {
    CloseEditDialog();
    const int code = m_owner.GetFVacantNCCode();
    if (code == 0) {
        ShowNoFreeCode();
        return;
    }
    OpenEditDialog(nullptr, code);
}

void CDlgGJPList::OnModify() {
    CDtrGJPixel* character = GetSelectedGJPixel();
    if (!character) return;
    CloseEditDialog();
    OpenEditDialog(character, character->nccode);
}

void CDlgGJPList::OnDuplicate() {
    const CDtrGJPixel* source = GetSelectedGJPixel();
    if (!source) return;
    const int code = m_owner.GetFVacantNCCode();
    if (code == 0) {
        ShowNoFreeCode();
        return;
    }
    auto copy = std::make_unique<CDtrGJPixel>();
    copy->GJPCopyFrom(*source, 0);
    copy->nccode = code;
    m_owner.AddGJPixel(std::move(copy))->AddToListCtrl(*m_listCtrl);
    m_owner.SendToHost(WM_DTR_GIRNCALTER, 0);
}

void CDlgGJPList::OnDelete() {
    std::vector<int> rows;
    for (const QListWidgetItem* item : m_listCtrl->selectedItems())
        rows.push_back(m_listCtrl->row(item));
    if (rows.empty()) return;
    std::sort(rows.begin(), rows.end());
    const std::string question =
        rows.size() == 1 ? std::string("Delete the selected character ?")
                         : "Delete the selected " + std::to_string(rows.size()) + " characters ?";
    if (MessageBox(question, "Delete Character", MB_YESNO | MB_ICONQUESTION, this) != IDYES) return;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        QListWidgetItem* item = m_listCtrl->item(*row);
        // The item's own character, even when another one has the same code.
        if (const CDtrGJPixel* character = m_listCtrl->CharacterOf(item)) {
            if (CDlgGJPEdit* open = CDlgGJPEdit::GetOpen()) open->OnGJPixelDeleted(character);
            m_owner.DeleteGJPixel(character);
        }
        delete m_listCtrl->takeItem(*row);
    }
    SetButtonStates();
    m_owner.SendToHost(WM_DTR_GIRNCALTER, 0);
}

void CDlgGJPList::OnSelect() {
    const CDtrGJPixel* character = GetSelectedGJPixel();
    if (!character) return;
    m_owner.eirncachar = character->nccode;
    m_listCtrl->viewport()->update();
    SetButtonStates();
    m_owner.SendToHost(WM_DTR_GIRNCALTER, 1);
}

CPoint CDlgGJPList::GetPreviewPoint() const {
    return CPoint(m_preview->geometry().left(), m_preview->geometry().top());
}

void CDlgGJPList::DrawBackground(CDC& dc) const {
    const CSize size = dc.GetSize();
    dc.FillSolidRect(CRect(0, 0, size.cx, size.cy), GetSysColor(COLOR_BTNFACE));
    if (const CDtrGJPixel* character = GetSelectedGJPixel())
        character->RGJPDraw(dc, GetPreviewPoint());
}

void CDlgGJPList::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0) return;
    CDC dc(width(), height());
    DrawBackground(dc);
    QPainter painter(this);
    painter.drawImage(0, 0, dc.Image());
}
