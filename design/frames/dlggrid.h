#pragma once

// "Grid Setting [Ctrl+G]": switches the user grid on and off and sets its
// gap, live. Modeless; at most one at a time; it frees itself when closed.

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QSlider;

inline constexpr int IDD_DSG_GRID = 145;
inline constexpr int IDC_GRID_USE = 1025;
inline constexpr int IDC_GRID_SLIDER = 1026;
inline constexpr int IDC_GRID_GAP = 1027;
inline constexpr int IDC_GRID_OK = 1080;
inline constexpr int nDSG_UGGAP_MIN = 2;
inline constexpr int nDSG_UGGAP_MAX = 12;

class CDlgGrid : public QDialog {
    Q_OBJECT
public:
    explicit CDlgGrid(QWidget* parent = nullptr);
    ~CDlgGrid() override;

    // The gap a text of edit 1027 stands for; -1 unless it is a whole
    // number from 2 to 12.
    static int ParseGap(const std::string& text);

    void OnUseGridClicked();
    void OnGapEdited();
    void OnSliderTracked(int position);

    QCheckBox* GetUseGrid() const { return m_check; }
    QSlider* GetSlider() const { return m_slider; }
    QLineEdit* GetGapEdit() const { return m_edit; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QCheckBox* m_check;
    QSlider* m_slider;
    QLineEdit* m_edit;
};

// The open grid dialog, or null.
CDlgGrid* GetDlgGrid();
