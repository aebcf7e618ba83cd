#pragma once

// The owner-drawn button of every dialog and panel: icon and bitmap buttons,
// check-box buttons, flat tool buttons that light up under the mouse,
// drop-down menu buttons and link buttons. The button paints itself through
// a device context in the drawing steps below (background, border, image,
// text, focus rectangle); derived buttons replace the background or border.

#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <memory>
#include <optional>
#include <string>

#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/geometry.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class QMenu;

class CFxButton : public QPushButton {
    Q_OBJECT

public:
    // The colour pairs (background, text) of the three looks: in (the mouse
    // over the button, or pressed), out, and focused.
    enum ColorIndex {
        ColorBkIn = 0,
        ColorFgIn,
        ColorBkOut,
        ColorFgOut,
        ColorBkFocus,
        ColorFgFocus,
        ColorCount
    };

    // Where the image sits: left of the text, above it, or at the right edge.
    enum Align { AlignLeftOfText = 0, AlignAboveText = 1, AlignRightEdge = 2 };

    // The out image of SetBitmaps made from the in image.
    static constexpr int kOutDarker = -3;  // 25 percent darker
    static constexpr int kOutGrey = -2;    // grey shades

    // Results of the image and style setters.
    static constexpr int kOk = 0;
    static constexpr int kBadBitmap = 1;
    static constexpr int kNoMask = 2;
    static constexpr int kBadStyle = 6;

    // A button of a button type (BS_PUSHBUTTON, BS_DEFPUSHBUTTON, ...): any
    // type with the check-box bit set makes a check-box button, the default
    // push button draws the default frame and answers the dialog's Enter key.
    explicit CFxButton(QWidget* parent = nullptr, int type = BS_PUSHBUTTON);
    ~CFxButton() override;

    // A new type keeps the check-box mode the button was made with and only
    // sets or clears the default push button.
    void SetButtonStyle(int type);
    bool IsCheckBox() const { return checkBox_; }
    bool IsDefaultButton() const { return isDefault(); }

    // Check-box buttons only: 1 and 2 both count as checked.
    void SetCheck(int state);
    int GetCheck() const;

    void SetFlat(bool flat);
    bool IsFlat() const { return flat_; }
    void SetDrawBorder(bool draw);          // border of a flat button under the mouse
    void SetFlatFocus(bool draw);           // focus rectangle on a flat button
    void SetAlwaysTrack(bool always);       // hover also while the window is not active
    void SetTransparent(bool transparent);  // the parent's picture behind the button
    void SetGreyDisabled(bool grey);        // images of a disabled button drawn greyed

    bool IsHover() const { return hover_; }
    bool IsMenuShown() const { return menuShown_; }

    // False for an index outside ColorIndex.
    bool SetColor(int index, COLORREF colour, bool repaint = true);
    COLORREF GetColor(int index) const;
    // The button-highlight colour a checked check-box button is filled with.
    void SetHighlightColor(COLORREF colour, bool repaint = true);
    COLORREF GetHighlightColor() const { return highlight_; }
    // Every pair back to the button face and button text colours, and the
    // highlight colour back to the system's.
    void SetDefaultColors(bool repaint = true);

    // Icons: images with an alpha channel; a pixel less than half opaque is
    // not drawn. A null out icon leaves the button with the in icon only.
    int SetIcon(const QImage& in, const QImage& out = QImage());
    // Bitmaps drawn without the pixels of their transparent colour. The out
    // bitmap may be missing (null), or made from the in bitmap (kOutDarker,
    // kOutGrey); made ones keep the in bitmap's transparent dots. Results:
    // kOk, kBadBitmap when a bitmap is missing or unreadable, kNoMask when a
    // mask cannot be made.
    int SetBitmaps(const QImage& in, COLORREF transparentIn, const QImage& out = QImage(),
                   COLORREF transparentOut = 0);
    int SetBitmaps(const QImage& in, COLORREF transparentIn, int madeOut);
    // The same from resource ids; 0 = none, kOutDarker and kOutGrey as above.
    int SetBitmapIds(int inId, COLORREF transparentIn, int outId = 0, COLORREF transparentOut = 0);
    bool HasImage() const { return !images_[0].bitmap.isNull(); }

    void SetAlign(int align);
    int GetAlign() const { return align_; }
    void SetImageMargins(int cx, int cy);
    // Style 0 shifts a pressed image by (1,1), style 1 by (0,2); any other
    // style is refused with kBadStyle.
    int SetPressedStyle(int style);
    CPoint GetPressedOffset() const { return pressedOffset_; }

    void SetButtonCursor(const QCursor& cursor);
    // The tip shown over the button (system text).
    void SetTipText(const std::string& text);
    const std::string& GetTipText() const { return tipText_; }
    // A file or web address opened on a click; kept to 259 bytes, never
    // ending inside a double-byte character.
    void SetLinkText(const std::string& link);
    const std::string& GetLinkText() const { return linkText_; }

    // The drop-down menu: a click opens its first submenu (the menu itself
    // when it has none) below the button and posts WM_COMMAND with the chosen
    // item's command id to `owner` (the parent when null).
    void SetMenu(std::unique_ptr<QMenu> menu, QObject* owner = nullptr);
    QMenu* GetMenu() const { return menu_.get(); }
    // Sent to `window` before the menu opens: (message, the menu to open as
    // wParam, param). The receiver may change the menu's items.
    void SetMenuCallback(QObject* window, UINT message, LPARAM param = 0);

    // Sounds played when the mouse enters the button and on a click.
    void SetHoverSound(const std::string& name);
    void SetClickSound(const std::string& name);

    // Each channel c - factor x c for a factor in (0, 1]; other factors leave
    // the colour as it is.
    static COLORREF ShadeColor(COLORREF colour, double factor);

    // Paints the whole button on `dc` (the button's size) in its present state.
    void DrawItem(CDC& dc);

protected:
    // The drawing steps a derived button may replace. The rectangle starts as
    // the client area; the background may shrink it for the steps after it.
    virtual void OnDrawBackground(CDC& dc, CRect& rect);
    virtual void OnDrawBorder(CDC& dc, CRect& rect);

    // The state of the drawing under way.
    bool DrawPressed() const { return drawPressed_; }
    bool DrawFocused() const { return drawFocused_; }
    bool DrawDisabled() const { return drawDisabled_; }

    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // An image and the mask of its dots that are not drawn.
    struct Image {
        QImage bitmap;  // 32 bits, masked dots black
        QImage mask;    // 8 bits: 1 = not drawn
    };

    void OnClicked();
    void ShowMenu();
    void TrackHover(const QPoint& pos, Qt::MouseButtons buttons);
    void EndHover();
    void CaptureBackground();
    void DrawImage(CDC& dc, const CRect& area, CRect& textArea);
    void DrawCaption(CDC& dc, const CRect& area);
    static int MakeMasked(const QImage& source, COLORREF transparent, const QImage* maskFrom,
                          Image& result);

    bool checkBox_ = false;
    bool hover_ = false;
    bool menuShown_ = false;
    bool flat_ = true;
    bool drawBorder_ = true;
    bool flatFocus_ = false;
    bool alwaysTrack_ = true;
    bool transparent_ = false;
    bool greyDisabled_ = true;

    bool drawPressed_ = false;
    bool drawFocused_ = false;
    bool drawDisabled_ = false;

    COLORREF colors_[ColorCount] = {};
    COLORREF highlight_ = 0;
    Image images_[2];  // in, out
    int align_ = AlignLeftOfText;
    CSize margins_{3, 3};
    CPoint pressedOffset_{1, 1};

    std::string tipText_;
    std::string linkText_;
    std::unique_ptr<QMenu> menu_;
    QPointer<QObject> menuOwner_;
    QPointer<QObject> callbackWindow_;
    UINT callbackMessage_ = 0;
    LPARAM callbackParam_ = 0;
    std::optional<std::string> hoverSound_;
    std::optional<std::string> clickSound_;

    QImage background_;      // the parent's picture under the button
    QRect backgroundPlace_;  // where the button was when it was taken
};
