#include "foundation/fxtoolbar.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QToolButton>

#include "platform/dc.h"
#include "platform/resources.h"
#include "platform/uiservices.h"

CFxToolBar::CFxToolBar(QWidget* parent) : QToolBar(parent) { setMovable(false); }

CFxToolBar::~CFxToolBar() = default;

QObject* CFxToolBar::GetOwner() const { return owner_ ? owner_.data() : parent(); }

void CFxToolBar::SetButtons(const std::vector<UINT>& ids) {
    for (QAction* action : buttons_) {
        removeAction(action);
        delete action;
    }
    buttons_.clear();
    for (UINT id : ids) {
        if (id == ID_SEPARATOR) {
            buttons_.push_back(addSeparator());
            continue;
        }
        auto* action = new QAction(this);
        SetCommandId(action, id);
        connect(action, &QAction::triggered, this, [this, id] {
            if (QObject* owner = GetOwner()) PostMessage(owner, WM_COMMAND, id, 0);
        });
        addAction(action);
        buttons_.push_back(action);
    }
    ApplyImages();
    for (const DropDown& entry : dropDowns_) ApplyDropDown(entry);
}

QAction* CFxToolBar::GetButtonAction(UINT id) const {
    if (id == ID_SEPARATOR) return nullptr;
    for (QAction* action : buttons_)
        if (!action->isSeparator() && GetCommandId(action) == id) return action;
    return nullptr;
}

QToolButton* CFxToolBar::GetButton(UINT id) const {
    QAction* action = GetButtonAction(id);
    return action ? qobject_cast<QToolButton*>(widgetForAction(action)) : nullptr;
}

int CFxToolBar::CommandToIndex(UINT id) const {
    QAction* action = GetButtonAction(id);
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i] == action && action) return static_cast<int>(i);
    return -1;
}

bool CFxToolBar::CutImages(int buttonWidth, int id, COLORREF maskColour,
                           std::vector<QPixmap>& images) {
    const QImage strip = LoadBitmapResource(id);
    if (strip.isNull() || buttonWidth <= 0) return false;
    const int count = strip.width() / buttonWidth;
    if (count <= 0) return false;
    const QRgb key =
        maskColour == CLR_NONE ? (strip.pixel(0, 0) | 0xFF000000u) : ToQRgb(maskColour);
    images.clear();
    for (int n = 0; n < count; ++n) {
        QImage image = strip.copy(n * buttonWidth, 0, buttonWidth, strip.height())
                           .convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((row[x] | 0xFF000000u) == key) row[x] = 0;
        }
        images.push_back(QPixmap::fromImage(image));
    }
    return true;
}

bool CFxToolBar::SetImageLists(int buttonWidth, int normalId, int hotId, int disabledId,
                               COLORREF maskColour) {
    // Each list is given to the bar as soon as it is cut; a failure leaves
    // the lists given before it in place.
    std::vector<QPixmap> images;
    if (!CutImages(buttonWidth, normalId, maskColour, images)) return false;
    normal_ = std::move(images);
    setIconSize(normal_.front().size());
    ApplyImages();
    if (hotId != 0) {
        if (!CutImages(buttonWidth, hotId, maskColour, images)) return false;
        hot_ = std::move(images);
        ApplyImages();
    }
    if (disabledId != 0) {
        if (!CutImages(buttonWidth, disabledId, maskColour, images)) return false;
        disabled_ = std::move(images);
        ApplyImages();
    }
    return true;
}

void CFxToolBar::ApplyImages() {
    std::size_t n = 0;
    for (QAction* action : buttons_) {
        if (action->isSeparator()) continue;
        QIcon icon;
        if (n < normal_.size()) {
            icon.addPixmap(normal_[n], QIcon::Normal);
            // The hot picture shows under the mouse.
            if (n < hot_.size()) icon.addPixmap(hot_[n], QIcon::Active);
            if (n < disabled_.size()) icon.addPixmap(disabled_[n], QIcon::Disabled);
        }
        action->setIcon(icon);
        ++n;
    }
}

CFxToolBar::DropDown* CFxToolBar::FindDropDown(UINT buttonId) {
    for (DropDown& entry : dropDowns_)
        if (entry.buttonId == buttonId) return &entry;
    return nullptr;
}

void CFxToolBar::SetDropDownMenu(UINT buttonId, QObject* owner, std::unique_ptr<QMenu> menu) {
    DropDown* entry = FindDropDown(buttonId);
    if (!entry) {
        dropDowns_.push_back(DropDown{buttonId, nullptr, nullptr});
        entry = &dropDowns_.back();
    }
    entry->owner = owner;
    entry->menu = std::move(menu);
    ApplyDropDown(*entry);
}

void CFxToolBar::ApplyDropDown(const DropDown& entry) {
    QToolButton* button = GetButton(entry.buttonId);
    if (!button) return;
    button->setPopupMode(QToolButton::MenuButtonPopup);
    button->installEventFilter(this);
}

bool CFxToolBar::OnDropDown(UINT buttonId) {
    DropDown* entry = FindDropDown(buttonId);
    QToolButton* button = GetButton(buttonId);
    if (!entry || !entry->menu || !button) return false;
    QPointer<QObject> owner = entry->owner;
    const UINT id = ExecPopupMenu(*entry->menu, button->mapToGlobal(QPoint(0, button->height())));
    if (id != 0 && owner) PostMessage(owner.data(), WM_COMMAND, id, 0);
    return true;
}

bool CFxToolBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        auto* button = qobject_cast<QToolButton*>(watched);
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (button && mouse->button() == Qt::LeftButton &&
            button->popupMode() == QToolButton::MenuButtonPopup) {
            // Only the arrow part opens the menu; the rest is a normal click.
            QStyleOptionToolButton option;
            option.initFrom(button);
            option.rect = button->rect();
            option.subControls = QStyle::SC_ToolButton | QStyle::SC_ToolButtonMenu;
            option.features = QStyleOptionToolButton::MenuButtonPopup;
            const QRect arrow = button->style()->subControlRect(QStyle::CC_ToolButton, &option,
                                                                QStyle::SC_ToolButtonMenu, button);
            if (arrow.contains(mouse->position().toPoint())) {
                if (QAction* action = button->defaultAction()) OnDropDown(GetCommandId(action));
                return true;
            }
        }
    }
    return QToolBar::eventFilter(watched, event);
}
