#pragma once

// The tool palette at the left of the design main frame: one button per
// drawing tool of the design page, exactly one of the group pressed.

#include <QDialog>
#include <vector>

#include "design/frames/veldrane_export.h"
#include "platform/wintypes.h"

class CDC;
class CFxButton;

inline constexpr int IDD_DSG_TOOLBOX = 24002;
inline constexpr int IDC_TOOL_FIRST = 24000;
inline constexpr int IDC_TOOL_LAST = 24011;

class VELDRANE_API CDlgToolBox : public QDialog {
    Q_OBJECT
public:
    explicit CDlgToolBox(QWidget* parent = nullptr);
    ~CDlgToolBox() override;

    // The nine buttons short-key mode keeps, enabled while a form is open.
    void UpdateToolStates();
    // A palette button pressed: its tool becomes the page's tool.
    void OnToolCommand(int id);
    // The tool number of a button id, -1 for another id.
    static int ToolOfButton(int id);
    // The tool of the pressed button.
    int GetCurrentTool() const { return m_nTool; }

    CFxButton* GetButton(int id) const;
    const std::vector<CFxButton*>& GetGroup() const { return m_group; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<CFxButton*> m_buttons;  // 24000..24011, children
    std::vector<CFxButton*> m_group;    // the exclusive group, in its order
    int m_nTool = 0;
};

// The engine's tool palette (set by its constructor), or null.
VELDRANE_API CDlgToolBox* GetDlgToolBox();
