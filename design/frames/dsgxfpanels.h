#pragma once

// The property panels the property host shows for the chosen objects' kind:
// dot/line (1004), image (111), text/menu (1006), PC-font text (107), clip
// (109) and the definable-character panel (1037). Each change of a control
// is recorded as one undoable amendment of the chosen objects and written
// into the page's current property record, from which new objects take
// their attributes. Every panel keeps a filling flag that silences its own
// change handlers while it writes its controls.

#include <QDialog>
#include <string>
#include <vector>

#include "design/frames/veldrane_export.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

class CDsgDSPFrame;
class CDsgScriptEdit;
class CDsgWOAmending;
class CFxButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

// Whether the user interface is Korean, tested once per process: the file
// "c:\_fakeengwindow.txt" makes it English, else the user's language decides.
VELDRANE_API BOOL IsKoreanUI();
// Tests: 0 or 1 fixes the answer, -1 makes the next call test again.
VELDRANE_API void SetKoreanUIForTest(int state);

// What the panels share: the filling flag, the face-coloured background with
// its raised frame, the clamp note, and keys that never close the panel.
class VELDRANE_API CDlgXFPanel : public QDialog {
public:
    CDlgXFPanel(int resourceId, QWidget* parent);

    int IsFilling() const { return m_nFilling; }
    // Writes the controls from the page's current property record.
    virtual void FillXF() {}
    // Enable states for the choice (face of the chosen objects).
    virtual void UpdateXFEnables(int /*face*/) {}
    // The note shown after a typed value was held to its range; empty when
    // the last value was taken as typed.
    std::string GetClampNote() const;

protected:
    // Records the amendment for the chosen objects (one undoable action).
    static void RecordAmending(const CDsgWOAmending& amending);
    static void RecordString(const std::string& key, const std::string& value);
    // Shows (or with an empty text hides) the note under the panel's fields.
    void SetClampNote(const std::string& note);

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override {}

    int m_nFilling = 0;
    QLabel* m_pClampNote = nullptr;
};

// A typed whole number held to [low, high]: false for text that is no number
// (blanks around it allowed); `clamped` tells whether the value differs from
// the text.
VELDRANE_API bool ParseTypedInt(const std::string& text, int low, int high, int& value,
                                bool& clamped);

class VELDRANE_API CDlgXFDotLine : public CDlgXFPanel {
public:
    explicit CDlgXFDotLine(QWidget* parent = nullptr);
    void FillXF() override;
    void UpdateXFEnables(int face) override;

    QSlider* GetSizeSlider() const { return m_pSizeSlider; }
    QSlider* GetSpaceSlider() const { return m_pSpaceSlider; }
    QLineEdit* GetSizeEdit() const { return m_pSizeEdit; }
    QLineEdit* GetSpaceEdit() const { return m_pSpaceEdit; }
    CFxButton* GetSolidButton() const { return m_pSolid; }
    CFxButton* GetDottedButton() const { return m_pDotted; }
    CFxButton* GetRightAngleButton() const { return m_pRightAngle; }

private:
    void OnSliderValue(QSlider* slider, QLineEdit* edit, const char* key);
    void OnSliderReleased(QSlider* slider, QLineEdit* edit, const char* key);
    void OnEditChanged(QLineEdit* edit, QSlider* slider, const char* key, int low, int high);
    void OnSwitch(BOOL solid);
    // The three values into the page's current property record.
    void WriteWOEUTProps();

    QSlider* m_pSizeSlider = nullptr;
    QSlider* m_pSpaceSlider = nullptr;
    QLineEdit* m_pSizeEdit = nullptr;
    QLineEdit* m_pSpaceEdit = nullptr;
    CFxButton* m_pSolid = nullptr;
    CFxButton* m_pDotted = nullptr;
    CFxButton* m_pRightAngle = nullptr;
};

class VELDRANE_API CDlgXFText : public CDlgXFPanel {
public:
    explicit CDlgXFText(QWidget* parent = nullptr);
    void FillXF() override;
    void UpdateXFEnables(int face) override;
    // Empties the text or title edit under the filling flag (a new object).
    void EmptyScriptEdit(CDsgScriptEdit& edit);

    // The font index a position of the size combo stands for, and back.
    static int PositionToKrnIndex(int position, BOOL korean);
    static int KrnIndexToPosition(int index, BOOL korean);

    QComboBox* GetSizeCombo() const { return m_pSize; }
    QComboBox* GetWidthCombo() const { return m_pWidth; }
    QComboBox* GetStyleCombo() const { return m_pStyle; }
    QCheckBox* GetBoldCheck(int which) const { return which == 0 ? m_pBold0 : m_pBold1; }
    QCheckBox* GetReverseCheck() const { return m_pReverse; }
    QCheckBox* GetUnderlineCheck() const { return m_pUnderline; }
    CDsgScriptEdit* GetTextEdit() const { return m_pTextEdit; }
    CDsgScriptEdit* GetTitleEdit() const { return m_pTitleEdit; }
    QLabel* GetContentLabel() const { return m_pContentLabel; }
    QLabel* GetSizeLabel() const { return m_pSizeLabel; }
    QLabel* GetWidthLabel() const { return m_pWidthLabel; }
    QLabel* GetOrderStatic() const { return m_pOrder; }
    CFxButton* GetExchangeButton() const { return m_pExchange; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnChanged();
    void OnExchange();
    void WriteWOEUTProps();

    QComboBox* m_pSize = nullptr;
    QComboBox* m_pWidth = nullptr;
    QComboBox* m_pStyle = nullptr;
    QCheckBox* m_pBold0 = nullptr;
    QCheckBox* m_pBold1 = nullptr;
    QCheckBox* m_pReverse = nullptr;
    QCheckBox* m_pUnderline = nullptr;
    CDsgScriptEdit* m_pTextEdit = nullptr;
    CDsgScriptEdit* m_pTitleEdit = nullptr;
    QLabel* m_pContentLabel = nullptr;
    QLabel* m_pSizeLabel = nullptr;
    QLabel* m_pWidthLabel = nullptr;
    QLabel* m_pStyleLabel = nullptr;
    QLabel* m_pOrder = nullptr;
    CFxButton* m_pExchange = nullptr;
};

class VELDRANE_API CDlgXFPCText : public CDlgXFPanel {
public:
    explicit CDlgXFPCText(QWidget* parent = nullptr);
    void FillXF() override;

    CDsgScriptEdit* GetScriptEdit() const { return m_pEdit; }
    QComboBox* GetThicknessCombo() const { return m_pThickness; }
    QComboBox* GetFaceCombo() const { return m_pFace; }
    QComboBox* GetSizeCombo() const { return m_pSize; }
    // 1012 Italic, 1013 Underline, 1014 Strike Out, 1019 Anti-alias,
    // 1021 Transparent, 1022 Word Break, 1023 Horiz-Center.
    QCheckBox* GetCheck(int id) const;
    CFxButton* GetColorButton() const { return m_pColor; }
    COLORREF GetBkColor() const { return m_crBk; }

private:
    void OnCombo(QComboBox* combo, const char* key, const QString& text);
    void OnCheck(QCheckBox* check, const char* key);
    void OnColor();
    void WriteWOEUTProps();

    CDsgScriptEdit* m_pEdit = nullptr;
    QComboBox* m_pThickness = nullptr;
    QComboBox* m_pFace = nullptr;
    QComboBox* m_pSize = nullptr;
    struct Check {
        int id;
        const char* key;
        QCheckBox* box;
    };
    std::vector<Check> m_checks;
    CFxButton* m_pColor = nullptr;
    QLabel* m_pSample = nullptr;
    COLORREF m_crBk = 0xFFFFFF;
};

// The clip panel: its controls only.
class VELDRANE_API CDlgXFClip : public CDlgXFPanel {
public:
    explicit CDlgXFClip(QWidget* parent = nullptr);
};

// ---- Image ------------------------------------------------------------------

// The size a picture is stored at on an LCD: its own when it fits, else the
// largest of its aspect ratio that fits, never below one pixel a side (a
// 2000 x 3 picture on a 320 x 240 LCD is 320 x 1).
VELDRANE_API CSize FitXFImageSize(const CSize& picture, const CSize& lcd);
// An object's rectangle (normalised) fitted to a picture's aspect ratio: the
// right edge moves in when the picture is relatively higher than the
// rectangle, else the bottom edge; worked in 64-bit cross products, so an
// empty rectangle or a huge one fits without dividing by zero or overflow.
VELDRANE_API CRect FitXFImageRect(const CRect& rect, const CSize& picture);

// A picture file made ready for an image object: decoded (format from the
// content), shrunk to the LCD when larger, encoded as a BMP file's bytes.
struct XFImagePicture {
    std::vector<BYTE> bmp;
    CSize size{0, 0};
};
// Through the design surface's picture renderer; false without one or when
// the file does not decode, resample or encode.
VELDRANE_API bool PrepareXFImagePicture(const std::string& path, const CSize& lcd,
                                        XFImagePicture& picture);

// The image panel: "Load" (1007) puts a picture file into the one chosen
// image object and fits the object to it; "Keep X-Y Ratio" (1008) sets the
// objects' ratio attribute.
class VELDRANE_API CDlgXFImage : public CDlgXFPanel {
public:
    explicit CDlgXFImage(QWidget* parent = nullptr);
    void FillXF() override;
    void UpdateXFEnables(int face) override;

    CFxButton* GetLoadButton() const { return m_pLoad; }
    QCheckBox* GetRatioCheck() const { return m_pRatio; }

    // Asks for a picture file and loads it into the chosen object.
    void OnLoad();

private:
    void OnRatio();

    CFxButton* m_pLoad = nullptr;
    QCheckBox* m_pRatio = nullptr;
};
