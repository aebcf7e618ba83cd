#pragma once

// The form bar above the design page: the visible form's name, "Add Form"
// and the two arrows that move the anchor form one place earlier or later.

#include <QDialog>

#include "design/frames/veldrane_export.h"
#include "foundation/fxwindowslayout.h"
#include "platform/wintypes.h"

class CDC;
class CFxButton;

inline constexpr int IDD_DSG_UBAR = 104;
inline constexpr int IDC_UBAR_ADDFORM = 1001;
inline constexpr int IDC_UBAR_INCREASE = 1003;
inline constexpr int IDC_UBAR_DECREASE = 1004;

class VELDRANE_API CDlgUBar : public QDialog, public CFxWindowsLayout {
    Q_OBJECT
public:
    explicit CDlgUBar(QWidget* parent = nullptr);
    ~CDlgUBar() override;

    void OnAddSPage();
    void OnSPIEIncrease();
    void OnSPIEDecrease();
    // The arrows enabled for exactly one chosen tab that can move that way.
    void UpdateEBState();
    // Paints the background and the visible form's name.
    void DrawUBar(CDC& dc) const;

    CFxButton* GetButton(int id) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CFxButton* m_btnAdd;
    CFxButton* m_btnIncrease;
    CFxButton* m_btnDecrease;
};

// The engine's form bar (set by its constructor), or null.
VELDRANE_API CDlgUBar* GetDlgUBar();
