#include "foundation/fxbutton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/resources.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

constexpr std::size_t kMaxLinkLength = 259;
constexpr int kButtonTypeMask = 0xF;

// The device-context font for a widget font, at 96 dots per inch.
FontSpec FontOf(const QFont& font) {
    FontSpec spec;
    const int pixels = font.pixelSize() > 0
                           ? font.pixelSize()
                           : static_cast<int>(std::lround(font.pointSizeF() * 96.0 / 72.0));
    spec.height = -std::max(1, pixels);
    spec.weight = font.weight();
    spec.italic = font.italic();
    spec.underline = font.underline();
    spec.face = QStringToAnsi(font.family());
    return spec;
}

// A copy of `source` with every dot but those of the transparent colour
// changed by `change`.
template <typename Change>
QImage Recoloured(const QImage& source, COLORREF transparent, Change change) {
    QImage out = source.convertToFormat(QImage::Format_RGB32);
    const QRgb key = ToQRgb(transparent);
    for (int y = 0; y < out.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((row[x] | 0xFF000000u) != key) row[x] = ToQRgb(change(FromQRgb(row[x])));
    }
    return out;
}

}  // namespace

CFxButton::CFxButton(QWidget* parent, int type) : QPushButton(parent) {
    checkBox_ = (type & BS_CHECKBOX) != 0;
    setCheckable(checkBox_);
    setDefault((type & kButtonTypeMask) == BS_DEFPUSHBUTTON);
    ::SetButtonStyle(this, type);
    setMouseTracking(true);
    SetDefaultColors(false);
    connect(this, &QAbstractButton::clicked, this, &CFxButton::OnClicked);
}

CFxButton::~CFxButton() = default;

void CFxButton::SetButtonStyle(int type) {
    setDefault((type & kButtonTypeMask) == BS_DEFPUSHBUTTON);
    ::SetButtonStyle(this, type);
    update();
}

void CFxButton::SetCheck(int state) {
    if (!checkBox_) return;
    setChecked(state == BST_CHECKED || state == BST_INDETERMINATE);
    update();
}

int CFxButton::GetCheck() const { return checkBox_ && isChecked() ? BST_CHECKED : BST_UNCHECKED; }

void CFxButton::SetFlat(bool flat) {
    flat_ = flat;
    if (!flat_) hover_ = false;
    update();
}

void CFxButton::SetDrawBorder(bool draw) {
    drawBorder_ = draw;
    update();
}

void CFxButton::SetFlatFocus(bool draw) {
    flatFocus_ = draw;
    update();
}

void CFxButton::SetAlwaysTrack(bool always) { alwaysTrack_ = always; }

void CFxButton::SetTransparent(bool transparent) {
    transparent_ = transparent;
    background_ = QImage();
    update();
}

void CFxButton::SetGreyDisabled(bool grey) {
    greyDisabled_ = grey;
    update();
}

bool CFxButton::SetColor(int index, COLORREF colour, bool repaint) {
    if (index < 0 || index >= ColorCount) return false;
    colors_[index] = colour;
    if (repaint) update();
    return true;
}

COLORREF CFxButton::GetColor(int index) const {
    return index >= 0 && index < ColorCount ? colors_[index] : RGB(0, 0, 0);
}

void CFxButton::SetHighlightColor(COLORREF colour, bool repaint) {
    highlight_ = colour;
    if (repaint) update();
}

void CFxButton::SetDefaultColors(bool repaint) {
    for (int i = 0; i < ColorCount; i += 2) {
        colors_[i] = GetSysColor(COLOR_BTNFACE);
        colors_[i + 1] = GetSysColor(COLOR_BTNTEXT);
    }
    highlight_ = GetSysColor(COLOR_BTNHIGHLIGHT);
    if (repaint) update();
}

// ---- Images --------------------------------------------------------------

int CFxButton::MakeMasked(const QImage& source, COLORREF transparent, const QImage* maskFrom,
                          Image& result) {
    QImage bitmap = source.convertToFormat(QImage::Format_RGB32);
    if (bitmap.isNull()) return kBadBitmap;
    QImage mask(bitmap.size(), QImage::Format_Grayscale8);
    if (mask.isNull()) return kNoMask;
    const QRgb key = ToQRgb(transparent);
    for (int y = 0; y < bitmap.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
        uchar* m = mask.scanLine(y);
        const uchar* from = maskFrom ? maskFrom->constScanLine(y) : nullptr;
        for (int x = 0; x < bitmap.width(); ++x) {
            const bool clear = from ? from[x] != 0 : (row[x] | 0xFF000000u) == key;
            m[x] = clear ? 1 : 0;
            if (clear) row[x] = 0xFF000000u;  // blanked in the source
        }
    }
    result.bitmap = std::move(bitmap);
    result.mask = std::move(mask);
    return kOk;
}

int CFxButton::SetIcon(const QImage& in, const QImage& out) {
    auto masked = [](const QImage& icon, Image& result) {
        const QImage argb = icon.convertToFormat(QImage::Format_ARGB32);
        if (argb.isNull()) return kBadBitmap;
        QImage mask(argb.size(), QImage::Format_Grayscale8);
        if (mask.isNull()) return kNoMask;
        QImage bitmap(argb.size(), QImage::Format_RGB32);
        for (int y = 0; y < argb.height(); ++y) {
            const QRgb* s = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            QRgb* d = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
            uchar* m = mask.scanLine(y);
            for (int x = 0; x < argb.width(); ++x) {
                const bool clear = qAlpha(s[x]) < 128;
                m[x] = clear ? 1 : 0;
                d[x] = clear ? 0xFF000000u : (s[x] | 0xFF000000u);
            }
        }
        result.bitmap = std::move(bitmap);
        result.mask = std::move(mask);
        return kOk;
    };
    Image newIn, newOut;
    if (int r = masked(in, newIn); r != kOk) return r;
    if (!out.isNull())
        if (int r = masked(out, newOut); r != kOk) return r;
    images_[0] = std::move(newIn);
    images_[1] = std::move(newOut);
    update();
    return kOk;
}

int CFxButton::SetBitmaps(const QImage& in, COLORREF transparentIn, const QImage& out,
                          COLORREF transparentOut) {
    Image newIn, newOut;
    if (int r = MakeMasked(in, transparentIn, nullptr, newIn); r != kOk) return r;
    if (!out.isNull())
        if (int r = MakeMasked(out, transparentOut, nullptr, newOut); r != kOk) return r;
    images_[0] = std::move(newIn);
    images_[1] = std::move(newOut);
    update();
    return kOk;
}

int CFxButton::SetBitmaps(const QImage& in, COLORREF transparentIn, int madeOut) {
    if (madeOut != kOutDarker && madeOut != kOutGrey) return SetBitmaps(in, transparentIn);
    if (in.isNull()) return kBadBitmap;
    const QImage out =
        madeOut == kOutDarker
            ? Recoloured(in, transparentIn, [](COLORREF c) { return ShadeColor(c, 0.25); })
            : Recoloured(in, transparentIn, [](COLORREF c) {
                  const int grey = static_cast<int>(0.299 * GetRValue(c) + 0.587 * GetGValue(c) +
                                                    0.114 * GetBValue(c));
                  return RGB(grey, grey, grey);
              });
    Image newIn, newOut;
    if (int r = MakeMasked(in, transparentIn, nullptr, newIn); r != kOk) return r;
    // The made image leaves out exactly the dots the in image leaves out, even
    // where a changed dot happens to take the transparent colour.
    if (int r = MakeMasked(out, transparentIn, &newIn.mask, newOut); r != kOk) return r;
    images_[0] = std::move(newIn);
    images_[1] = std::move(newOut);
    update();
    return kOk;
}

int CFxButton::SetBitmapIds(int inId, COLORREF transparentIn, int outId, COLORREF transparentOut) {
    if (inId == 0) {
        images_[0] = Image();
        images_[1] = Image();
        update();
        return kOk;
    }
    const QImage in = LoadBitmapResource(inId);
    if (in.isNull()) return kBadBitmap;
    if (outId == kOutDarker || outId == kOutGrey) return SetBitmaps(in, transparentIn, outId);
    QImage out;
    if (outId != 0) {
        out = LoadBitmapResource(outId);
        if (out.isNull()) return kBadBitmap;
    }
    return SetBitmaps(in, transparentIn, out, transparentOut);
}

void CFxButton::SetAlign(int align) {
    if (align < AlignLeftOfText || align > AlignRightEdge) return;
    align_ = align;
    update();
}

void CFxButton::SetImageMargins(int cx, int cy) {
    margins_ = CSize(cx, cy);
    update();
}

int CFxButton::SetPressedStyle(int style) {
    switch (style) {
        case 0:
            pressedOffset_ = CPoint(1, 1);
            break;
        case 1:
            pressedOffset_ = CPoint(0, 2);
            break;
        default:
            return kBadStyle;
    }
    update();
    return kOk;
}

// ---- Cursor, tip, link, menu, sounds -------------------------------------

void CFxButton::SetButtonCursor(const QCursor& cursor) { setCursor(cursor); }

void CFxButton::SetTipText(const std::string& text) {
    tipText_ = text;
    setToolTip(AnsiToQString(text));
}

void CFxButton::SetLinkText(const std::string& link) {
    std::size_t keep = std::min(link.size(), kMaxLinkLength);
    if (keep < link.size()) {
        // Cut before a lead byte whose second byte would be lost.
        std::size_t i = 0;
        while (i < keep) {
            const std::size_t step = IsLeadByte(static_cast<unsigned char>(link[i])) ? 2 : 1;
            if (i + step > keep) break;
            i += step;
        }
        keep = i;
    }
    linkText_ = link.substr(0, keep);
}

void CFxButton::SetMenu(std::unique_ptr<QMenu> menu, QObject* owner) {
    menu_ = std::move(menu);
    menuOwner_ = owner;
}

void CFxButton::SetMenuCallback(QObject* window, UINT message, LPARAM param) {
    callbackWindow_ = window;
    callbackMessage_ = message;
    callbackParam_ = param;
}

void CFxButton::SetHoverSound(const std::string& name) { hoverSound_ = name; }

void CFxButton::SetClickSound(const std::string& name) { clickSound_ = name; }

COLORREF CFxButton::ShadeColor(COLORREF colour, double factor) {
    if (!(factor > 0.0 && factor <= 1.0)) return colour;
    auto shade = [factor](int c) { return static_cast<int>(c - factor * c); };
    return RGB(shade(GetRValue(colour)), shade(GetGValue(colour)), shade(GetBValue(colour)));
}

// ---- Clicks and the menu -------------------------------------------------

void CFxButton::OnClicked() {
    setFocus(Qt::MouseFocusReason);
    if (clickSound_) Ui().PlaySound(*clickSound_);
    if (checkBox_) {
        // The check state has already turned with the click.
        update();
    } else if (menu_) {
        ShowMenu();
    } else if (!linkText_.empty()) {
        Ui().OpenDocument(linkText_);
    }
}

void CFxButton::ShowMenu() {
    QMenu* popup = menu_.get();
    for (QAction* action : menu_->actions()) {
        if (action->menu()) {
            popup = action->menu();
            break;
        }
    }
    QPointer<CFxButton> self(this);
    QPointer<QObject> owner = menuOwner_ ? menuOwner_.data() : parent();
    menuShown_ = true;
    repaint();
    if (callbackWindow_)
        SendMessage(callbackWindow_.data(), callbackMessage_, reinterpret_cast<WPARAM>(popup),
                    callbackParam_);
    const UINT id = ExecPopupMenu(*popup, mapToGlobal(QPoint(0, height())));
    if (!self) return;
    menuShown_ = false;
    EndHover();
    update();
    if (id != 0 && owner) PostMessage(owner.data(), WM_COMMAND, id, 0);
}

// ---- Hover ---------------------------------------------------------------

void CFxButton::TrackHover(const QPoint& pos, Qt::MouseButtons buttons) {
    if (!flat_) return;
    const bool tracker = alwaysTrack_ || QApplication::activeWindow() != nullptr;
    if (rect().contains(pos) && tracker) {
        if (hover_) return;
        if (buttons & Qt::LeftButton) return;
        hover_ = true;
        update();
        if (hoverSound_) Ui().PlaySound(*hoverSound_);
    } else {
        EndHover();
    }
}

void CFxButton::EndHover() {
    if (!hover_) return;
    hover_ = false;
    update();
}

void CFxButton::mouseMoveEvent(QMouseEvent* event) {
    TrackHover(event->position().toPoint(), event->buttons());
    QPushButton::mouseMoveEvent(event);
}

void CFxButton::enterEvent(QEnterEvent* event) {
    TrackHover(event->position().toPoint(), QApplication::mouseButtons());
    QPushButton::enterEvent(event);
}

void CFxButton::leaveEvent(QEvent* event) {
    EndHover();
    QPushButton::leaveEvent(event);
}

void CFxButton::focusOutEvent(QFocusEvent* event) {
    EndHover();
    QPushButton::focusOutEvent(event);
}

void CFxButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        // A disabled button gives the focus on to the next one, or to its
        // parent when there is none.
        if (hasFocus() && !focusNextChild() && parentWidget()) parentWidget()->setFocus();
        EndHover();
    }
    QPushButton::changeEvent(event);
}

bool CFxButton::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate) {
        // Deactivation reaches every widget of the window.
        EndHover();
    } else if (event->type() == QEvent::ApplicationPaletteChange) {
        // The system colours changed.
        background_ = QImage();
        SetDefaultColors();
    }
    return QPushButton::event(event);
}

// ---- Drawing -------------------------------------------------------------

void CFxButton::paintEvent(QPaintEvent*) {
    QImage picture(size(), QImage::Format_RGB32);
    if (picture.isNull()) return;
    {
        CDC dc(picture);
        DrawItem(dc);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}

void CFxButton::CaptureBackground() {
    // Painted aside first: rendering the parent may deliver this button's
    // pending move and resize, which drop the cache.
    QImage picture(size(), QImage::Format_RGB32);
    if (picture.isNull()) return;
    picture.fill(ToQRgb(GetSysColor(COLOR_BTNFACE)));
    if (QWidget* parent = parentWidget()) {
        QPainter painter(&picture);
        parent->render(&painter, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
    }
    background_ = std::move(picture);
    backgroundPlace_ = geometry();
}

void CFxButton::DrawItem(CDC& dc) {
    drawPressed_ = isDown() || (checkBox_ && isChecked()) || menuShown_;
    drawFocused_ = hasFocus();
    drawDisabled_ = !isEnabled();

    const CRect client(0, 0, width(), height());
    CRect rect = client;
    OnDrawBackground(dc, rect);
    OnDrawBorder(dc, rect);

    CRect textArea = rect;
    DrawImage(dc, rect, textArea);
    DrawCaption(dc, textArea);

    if (drawFocused_ && (!flat_ || flatFocus_)) {
        CRect focus = client;
        focus.DeflateRect(3, 3);
        dc.DrawFocusRect(focus);
    }
}

void CFxButton::OnDrawBackground(CDC& dc, CRect& rect) {
    if (transparent_) {
        if (background_.isNull() || backgroundPlace_ != geometry()) CaptureBackground();
        dc.DrawImage(0, 0, background_);
        return;
    }
    if (!flat_ && (drawFocused_ || isDefault())) {
        dc.FrameRect(rect, Brush(RGB(0, 0, 0)));
        rect.DeflateRect(1, 1);
    }
    COLORREF fill;
    if (checkBox_ && isChecked())
        fill = highlight_;
    else if (hover_ || drawPressed_)
        fill = colors_[ColorBkIn];
    else if (drawFocused_)
        fill = colors_[ColorBkFocus];
    else
        fill = colors_[ColorBkOut];
    dc.FillSolidRect(rect, fill);
}

void CFxButton::OnDrawBorder(CDC& dc, CRect& rect) {
    if (drawPressed_) {
        if (!flat_)
            dc.FrameRect(rect, Brush(GetSysColor(COLOR_BTNSHADOW)));
        else if (drawBorder_)
            dc.Draw3dRect(rect, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    } else if (!flat_) {
        dc.Draw3dRect(rect, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_3DDKSHADOW));
        CRect inner = rect;
        inner.DeflateRect(1, 1);
        dc.Draw3dRect(inner, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_BTNSHADOW));
    } else if (hover_ && drawBorder_) {
        dc.Draw3dRect(rect, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
    }
}

void CFxButton::DrawImage(CDC& dc, const CRect& area, CRect& textArea) {
    const bool showIn = hover_ || drawPressed_ || images_[1].bitmap.isNull();
    const Image& image = showIn ? images_[0] : images_[1];
    if (image.bitmap.isNull()) return;
    const int w = image.bitmap.width(), h = image.bitmap.height();
    int x = area.left + (area.Width() - w) / 2;
    int y = area.top + (area.Height() - h) / 2;
    if (!text().isEmpty()) {
        switch (align_) {
            case AlignAboveText:
                y = area.top + margins_.cy;
                textArea.top = y + h;
                break;
            case AlignRightEdge:
                x = area.right - margins_.cx - w;
                textArea.right = x;
                break;
            default:
                x = area.left + margins_.cx;
                textArea.left = x + w;
                break;
        }
    }
    if (drawPressed_ && !checkBox_) {
        x += pressedOffset_.x;
        y += pressedOffset_.y;
    }
    if (drawDisabled_ && greyDisabled_) {
        // The picture over a plain ground, embossed as disabled controls show it.
        QImage composite = image.bitmap;
        for (int j = 0; j < h; ++j) {
            QRgb* row = reinterpret_cast<QRgb*>(composite.scanLine(j));
            const uchar* m = image.mask.constScanLine(j);
            for (int i = 0; i < w; ++i)
                if (m[i]) row[i] = 0xFFFFFFFFu;
        }
        dc.DrawDisabledImage(x, y, composite, RGB(255, 255, 255));
        return;
    }
    for (int j = 0; j < h; ++j) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.bitmap.constScanLine(j));
        const uchar* m = image.mask.constScanLine(j);
        for (int i = 0; i < w; ++i)
            if (!m[i]) dc.SetPixel(x + i, y + j, FromQRgb(row[i]));
    }
}

void CFxButton::DrawCaption(CDC& dc, const CRect& area) {
    const QString caption = text();
    if (caption.isEmpty()) return;
    const FontSpec oldFont = dc.SelectFont(FontOf(font()));
    const int oldMode = dc.SetBkMode(TRANSPARENT);
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    CRect textRect = area;
    if (caption.contains('\n')) {
        // Several lines: centred as a block.
        CRect measure = area;
        dc.DrawText(caption, measure, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
        textRect.top = area.top + (area.Height() - measure.Height()) / 2;
        format = DT_CENTER | DT_WORDBREAK;
    }
    if (drawDisabled_) {
        dc.DrawDisabledText(QStringToAnsi(caption), textRect, format);
    } else {
        COLORREF colour = colors_[ColorFgOut];
        if (hover_ || drawPressed_)
            colour = colors_[ColorFgIn];
        else if (drawFocused_)
            colour = colors_[ColorFgFocus];
        const COLORREF oldColour = dc.SetTextColor(colour);
        dc.DrawText(caption, textRect, format);
        dc.SetTextColor(oldColour);
    }
    dc.SetBkMode(oldMode);
    dc.SelectFont(oldFont);
}
