#pragma once

// The property host: the band above the design page that shows the property
// panel of the chosen objects' kind, and usage hints for the current tool
// while nothing is chosen. Until all panels exist (the ready flag), the
// engine's change notices are held back.

#include <QWidget>
#include <string>
#include <vector>

#include "platform/wintypes.h"

class CDlgXFDNChar;
class CDlgXFDotLine;
class CDlgXFImage;
class CDlgXFPCText;
class CDlgXFText;
class CDsgDSPFrame;
class QDialog;

class CDsgXFFrame : public QWidget {
    Q_OBJECT

public:
    // The host's fixed height.
    static constexpr int kHeight = 100;

    explicit CDsgXFFrame(QWidget* parent = nullptr);
    ~CDsgXFFrame() override;

    // Whether the panel list exists, so that the engine's notices flow.
    BOOL IsReady() const { return m_bReady; }

    // Shows the panel of the current choice face and lets the panels update
    // their enable states (second half of refresh event 3).
    void ShowXFPanel();
    // The panels fill their controls from the page's current property record
    // (first half of refresh event 3).
    void FillXFPanels();
    // Whether the panel shown is the one of the current choice's face.
    BOOL IsShownPanelCurrent() const;
    // Moves every panel window to fill the client area.
    void ResizeXFPanels();

    // The panels, in creation order.
    const std::vector<QWidget*>& GetPanels() const { return m_arrPanels; }
    // The panel shown now, or null.
    QWidget* GetShownPanel() const { return m_pShownPanel; }

    // The panels by kind (null before they exist).
    CDlgXFDotLine* GetDotLinePanel() const { return m_pDotLine; }
    CDlgXFImage* GetImagePanel() const { return m_pImage; }
    CDlgXFText* GetTextPanel() const { return m_pText; }
    CDlgXFPCText* GetPCTextPanel() const { return m_pPCText; }
    CDlgXFDNChar* GetDNCharPanel() const { return m_pDNChar; }
    // The index in the panel list of the panel for a choice face; -1 for
    // face 0 and faces without a panel.
    static int GetPanelIndexOfFace(int face);

    // The usage hints for the page's tool (palette numbers; 0 select, 2 line,
    // 5 ellipse, 100 menu).
    static std::string GetToolHints(int tool);
    // The tool whose hints the background shows (the page's current tool).
    int GetHintTool() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<QWidget*> m_arrPanels;  // owned by Qt as children
    CDlgXFDotLine* m_pDotLine = nullptr;
    CDlgXFImage* m_pImage = nullptr;
    CDlgXFText* m_pText = nullptr;
    CDlgXFPCText* m_pPCText = nullptr;
    CDlgXFDNChar* m_pDNChar = nullptr;
    QWidget* m_pShownPanel = nullptr;
    BOOL m_bReady = FALSE;
};

// The engine's property host, or null.
CDsgXFFrame* GetDsgXFFrame();
