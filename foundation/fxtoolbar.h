#pragma once

// The main frames' tool bar: buttons by command id, their pictures cut from
// bitmap strips (normal, under the mouse, disabled), and buttons with a
// drop-down arrow that opens a menu below the button. A click posts
// WM_COMMAND with the button's command id to the bar's owner; an item chosen
// from a drop-down menu goes to the owner given with that menu.

#include <QPixmap>
#include <QPointer>
#include <QToolBar>
#include <memory>
#include <vector>

#include "platform/dc.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class QMenu;
class QToolButton;

// The id that stands for a separator in a button list.
constexpr UINT ID_SEPARATOR = 0;

class CFxToolBar : public QToolBar {
    Q_OBJECT

public:
    explicit CFxToolBar(QWidget* parent = nullptr);
    ~CFxToolBar() override;

    // Where button commands go; the parent when not set.
    void SetOwner(QObject* owner) { owner_ = owner; }
    QObject* GetOwner() const;

    // Replaces the buttons; ID_SEPARATOR makes a separator. The n-th button
    // that is not a separator shows the n-th picture.
    void SetButtons(const std::vector<UINT>& ids);
    QAction* GetButtonAction(UINT id) const;
    QToolButton* GetButton(UINT id) const;
    // The place of the button in the bar, separators counted; -1 when absent.
    int CommandToIndex(UINT id) const;

    // Cuts each bitmap (the hot and disabled ones optional, 0 = none) into
    // pictures of the button width; dots of the mask colour are left out
    // (CLR_NONE: the colour of the bitmap's top-left dot). False at the first
    // bitmap that cannot be loaded or cut; the lists cut before it are the
    // bar's, the others stay as they were.
    bool SetImageLists(int buttonWidth, int normalId, int hotId = 0, int disabledId = 0,
                       COLORREF maskColour = CLR_NONE);
    int GetImageCount() const { return static_cast<int>(normal_.size()); }

    // Gives the button a drop-down arrow opening `menu` for `owner`.
    void SetDropDownMenu(UINT buttonId, QObject* owner, std::unique_ptr<QMenu> menu);
    // Opens the drop-down menu of a button below it; false when it has none.
    bool OnDropDown(UINT buttonId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct DropDown {
        UINT buttonId = 0;
        QPointer<QObject> owner;
        std::unique_ptr<QMenu> menu;
    };

    static bool CutImages(int buttonWidth, int id, COLORREF maskColour,
                          std::vector<QPixmap>& images);
    void ApplyImages();
    void ApplyDropDown(const DropDown& entry);
    DropDown* FindDropDown(UINT buttonId);

    QPointer<QObject> owner_;
    std::vector<QAction*> buttons_;  // separators included, in bar order
    std::vector<QPixmap> normal_, hot_, disabled_;
    std::vector<DropDown> dropDowns_;
};
