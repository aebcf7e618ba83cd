#pragma once

// The character list of the editor window: the characters by code, the
// current one marked, with buttons to add, duplicate, modify, delete and
// select characters, and a 1:1 preview of the selected one. It lies as a
// child over the whole editor window.

#include <QDialog>
#include <QImage>
#include <QListWidget>

#include "chareditor/dottrel_export.h"
#include "chareditor/dtrggjpixel.h"
#include "platform/dc.h"
#include "platform/geometry.h"

class CDlgGJPEdit;
class CDtrMWindow;
class CFxShadeButton;
class QListWidgetItem;

// The list: one column of codes, 80 px wide, several items selectable, the
// selection shown also without the focus. Each item's data is its character
// (see CDtrGJPixel::AddToListCtrl); the items are drawn by the list itself.
class DOTTREL_API CDtrGJPListCtrl : public QListWidget {
public:
    enum {
        COLUMN_WIDTH = 80,
        ROW_HEIGHT = 16,
        IDB_MARK = 27002,  // the mark of the current character
    };

    CDtrGJPListCtrl(const CDtrGGJPixel& set, QWidget* parent);

    // The character an item stands for; null when it is no longer in the set.
    CDtrGJPixel* CharacterOf(const QListWidgetItem* item) const;
    // The rectangle of an item's cell: its row across the one column.
    CRect GetCellRect(const QListWidgetItem* item) const;
    // Paints an item's cell at `cell`: background and code text in the
    // colours of its state, and the mark when it is the current character.
    void DrawItem(CDC& dc, const CRect& cell, const QListWidgetItem* item, bool selected) const;

private:
    const CDtrGGJPixel& m_set;
    QImage m_mark;
};

class DOTTREL_API CDlgGJPList : public QDialog {
public:
    enum {
        IDD = 27000,
        IDC_GJPLIST = 27012,
        IDC_ADD = 27013,
        IDC_MODIFY = 27014,
        IDC_DELETE = 27015,
        IDC_PREVIEW = 27018,
        IDC_SELECT = 27020,
        IDC_DUPLICATE = 27021,
    };

    explicit CDlgGJPList(CDtrMWindow& owner);
    ~CDlgGJPList() override;

    CDtrMWindow& GetMWindow() { return m_owner; }
    CDtrGJPListCtrl& GetListCtrl() { return *m_listCtrl; }

    // The buttons' actions.
    void OnAdd();
    void OnDuplicate();
    void OnModify();
    void OnDelete();
    void OnSelect();
    // Modify and Duplicate for exactly one selected item, Delete for any,
    // Select for one whose character is not the current one.
    void SetButtonStates();

    // The character of the last selected item, or null.
    CDtrGJPixel* GetSelectedGJPixel() const;
    // Where the preview of the selected character is drawn.
    CPoint GetPreviewPoint() const;
    // The dialog's picture: face colour and the preview.
    void DrawBackground(CDC& dc) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // A child of the editor window: Esc and Enter do not end it.
    void reject() override {}
    void accept() override {}

private:
    // Closes an open edit dialog without committing.
    void CloseEditDialog();
    void OpenEditDialog(CDtrGJPixel* target, int code);
    void ShowNoFreeCode();

    CDtrMWindow& m_owner;
    CDtrGJPListCtrl* m_listCtrl = nullptr;
    CFxShadeButton* m_add = nullptr;
    CFxShadeButton* m_duplicate = nullptr;
    CFxShadeButton* m_modify = nullptr;
    CFxShadeButton* m_delete = nullptr;
    CFxShadeButton* m_select = nullptr;
    QWidget* m_preview = nullptr;
};
