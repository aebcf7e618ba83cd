#pragma once

// A button with a generated shaded face: a 256-shade picture in the face
// colours (shadow, face, highlight) with a little noise, drawn as the
// background; a lighter copy shows while the mouse is over the button.

#include <random>

#include "foundation/fxbutton.h"
#include "foundation/fxdib.h"

class CFxShadeButton : public CFxButton {
    Q_OBJECT

public:
    // Face styles.
    enum ShadeStyle {
        SHS_NOISE = 0,
        SHS_DIAGSHADE = 1,
        SHS_VSHADE = 2,
        SHS_HSHADE = 3,
        SHS_VBUMP = 4,
        SHS_HBUMP = 5,
        SHS_SOFTBUMP = 6,
        SHS_HARDBUMP = 7,
        SHS_METAL = 8,
    };

    explicit CFxShadeButton(QWidget* parent = nullptr, int type = BS_PUSHBUTTON);

    // Builds the face at the window's present size. granularity is the noise
    // amplitude (kept within 0..127), highlight the percentage by which the
    // hover face is lighter, colouring the percentage by which the shades
    // lean toward `colour` (0 = none). False when the window has no area.
    // The dialogs use style 7, granularity 8, highlight 10, no colouring.
    bool ApplyShade(int style, int granularity = 8, int highlight = 10, int colouring = 0,
                    COLORREF colour = 0);

    const CFxDib& GetFace() const { return face_; }
    const CFxDib& GetHighlightedFace() const { return highlighted_; }
    const CFxDib& GetHBorder() const { return hBorder_; }
    const CFxDib& GetVBorder() const { return vBorder_; }

protected:
    void OnDrawBackground(CDC& dc, CRect& rect) override;

private:
    int Rand15() { return static_cast<int>(random_() % 32768); }
    void MakePalette(CFxDib& dib) const;

    CFxDib face_;
    CFxDib highlighted_;
    CFxDib hBorder_;
    CFxDib vBorder_;
    std::minstd_rand random_;
};
