#pragma once

// The designer's project-settings, options and about dialogs.

#include <QDialog>

#include "foundation/fxaboutbox.h"
#include "platform/wintypes.h"

class CDravik2Doc;
class CDsgGOption;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// "Project Settings": automatic saving of the code and the DEFCHR routine,
// bound to the document's project settings.
class CDlgDPSettings : public QDialog {
public:
    CDlgDPSettings(CDravik2Doc& doc, QWidget* parent = nullptr);

    // The name edit and its label are usable only with 1000 checked.
    void UpdateNameState();
    void OnBrowse();
    // Checks every field (texts trimmed) before any is stored; TRUE when
    // they were stored and the dialog ended.
    BOOL OnOK();

private:
    CDravik2Doc& m_doc;
};

// "Options": the page colour and the ink colour choice.
class CDlgDvkOptions : public QDialog {
public:
    static constexpr COLORREF kOriginalBackColor = 0xFBF0DD;

    CDlgDvkOptions(CDsgGOption& option, COLORREF backColor, QWidget* parent = nullptr);

    COLORREF GetBackColor() const { return m_backColor; }
    void OnChooseColor();
    void OnToOriginal();
    BOOL OnOK();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CDsgGOption& m_option;
    COLORREF m_backColor;
};

// The about box: the product name and the version.
class CDlgDvkAbout : public CFxAboutBox {
public:
    explicit CDlgDvkAbout(QWidget* parent = nullptr)
        : CFxAboutBox("About Dravik", 1010, "Dravik", parent) {}
    static std::string GetAboutText() { return GetProductText("Dravik"); }
};
