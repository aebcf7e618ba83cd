#pragma once

// The "Add Text" dialog (dialog 28005): a modeless pop-up that places one
// line of text on the canvas with the whole-canvas view's text tool. Its
// fields are option values; every change carves the text into the floating
// plane again, and Apply commits what is carved inside the text rectangle
// as one undoable step.

#include <QDialog>
#include <string>

#include "pixel/lmrestate.h"
#include "pixel/lumaret_export.h"
#include "platform/geometry.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

class LUMARET_API CDlgUJPText : public QDialog {
    Q_OBJECT

public:
    enum {
        IDD = 28005,
        IDC_TEXT = 28020,
        IDC_FONTSIZE = 28000,
        IDC_FONTNAME = 28001,
        IDC_BOLD = 28023,
        IDC_APPLY = 28021,
        IDC_CANCEL = 28022,
    };
    enum { TIMER_FOCUS = 1 };
    static constexpr UINT kFocusDelayMs = 100;
    static constexpr const char* kFontSizes = "7|8|9|10|11|12|13|14|15|18|20|25|30|40";

    explicit CDlgUJPText(QWidget* parent = nullptr);
    ~CDlgUJPText() override;

    // A field changed (or the text was dragged): the fields go into the
    // options and the text is carved again.
    void OnFieldChanged();
    // Commits the carved text as one step and closes.
    void OnApply();
    // Closes without a step.
    void OnCancel();
    void OnTimer(UINT_PTR id);

    // The installed font families joined by "|".
    static std::string GetFontNameList();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Carve();

    QLineEdit* m_pText = nullptr;
    QComboBox* m_pSize = nullptr;
    QComboBox* m_pFace = nullptr;
    QCheckBox* m_pBold = nullptr;
    CRect m_rcCarved = LmrNullRect();
    // The face the option named when the dialog opened, and the face the
    // Font Name box showed for it.
    std::string m_strNamedFace;
    std::string m_strShownFace;
    BOOL m_bFilling = FALSE;
    BOOL m_bClosing = FALSE;
};
