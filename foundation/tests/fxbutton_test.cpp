#include "foundation/fxbutton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/testing/scriptedui.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

const COLORREF kFace = GetSysColor(COLOR_BTNFACE);
const COLORREF kShadow = GetSysColor(COLOR_BTNSHADOW);
const COLORREF kLight = GetSysColor(COLOR_BTNHIGHLIGHT);
const COLORREF kMagenta = RGB(255, 0, 255);

QImage Picture(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }
COLORREF At(const QImage& image, int x, int y) { return FromQRgb(image.pixel(x, y)); }

void MoveMouse(QWidget& w, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent move(QEvent::MouseMove, pos, w.mapToGlobal(pos), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
}

void Enter(QWidget& w, QPoint pos) {
    QEnterEvent enter(pos, pos, w.mapToGlobal(pos));
    QApplication::sendEvent(&w, &enter);
}

void Leave(QWidget& w) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&w, &leave);
}

// A small picture: a red square with transparent magenta corners.
QImage Sample(COLORREF body = RGB(200, 0, 0)) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(ToQRgb(body));
    for (auto [x, y] : {std::pair{0, 0}, {3, 0}, {0, 3}, {3, 3}})
        image.setPixel(x, y, ToQRgb(kMagenta));
    return image;
}

// Collects the WM_COMMAND ids a window receives.
struct CommandSink {
    QWidget window;
    std::vector<WPARAM> ids;
    CommandSink() {
        SetMessageHandler(&window, WM_COMMAND, [this](WPARAM w, LPARAM) {
            ids.push_back(w);
            return 0;
        });
    }
};

struct PopupHook {
    std::function<UINT(QMenu&, const QPoint&)> answer;
    explicit PopupHook(std::function<UINT(QMenu&, const QPoint&)> a) {
        SetPopupMenuHook(std::move(a));
    }
    ~PopupHook() { SetPopupMenuHook(nullptr); }
};

// ---- Check-box mode and button types -------------------------------------

TEST(FxButtonCheckTest, AutoCheckBoxTogglesOnEveryClickAndReportsItsState) {
    CFxButton box(nullptr, BS_AUTOCHECKBOX);
    ASSERT_TRUE(box.IsCheckBox());
    box.resize(30, 20);
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);
    box.click();
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);
    box.click();
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);

    // A double click counts as a second press: two clicks, two toggles.
    const QPoint p(5, 5);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, p, box.mapToGlobal(p), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(&box, &e);
    }
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);

    box.SetCheck(BST_INDETERMINATE);
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);
    box.SetCheck(BST_UNCHECKED);
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);
    box.SetCheck(7);
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);
}

TEST(FxButtonCheckTest, OnlyTypesWithTheCheckBoxBitAreCheckBoxes) {
    CFxButton plain(nullptr, BS_PUSHBUTTON), def(nullptr, BS_DEFPUSHBUTTON),
        check(nullptr, BS_CHECKBOX);
    EXPECT_FALSE(plain.IsCheckBox());
    EXPECT_FALSE(def.IsCheckBox());
    EXPECT_TRUE(def.IsDefaultButton());
    EXPECT_TRUE(check.IsCheckBox());
    EXPECT_FALSE(check.IsDefaultButton());

    plain.click();
    plain.SetCheck(BST_CHECKED);
    EXPECT_EQ(plain.GetCheck(), BST_UNCHECKED);
    check.click();
    EXPECT_EQ(check.GetCheck(), BST_CHECKED);

    // A new type sets or clears the default button, never the check-box mode.
    def.SetButtonStyle(BS_PUSHBUTTON);
    EXPECT_FALSE(def.IsDefaultButton());
    check.SetButtonStyle(BS_DEFPUSHBUTTON);
    EXPECT_TRUE(check.IsCheckBox());
    EXPECT_TRUE(check.IsDefaultButton());
}

TEST(FxButtonCheckTest, CheckedBoxDrawsPressedOnTheHighlightColourWithItsImageInPlace) {
    CFxButton box(nullptr, BS_AUTOCHECKBOX);
    box.resize(20, 20);
    box.SetFlat(false);
    ASSERT_EQ(box.SetBitmaps(Sample(), kMagenta), CFxButton::kOk);
    box.SetCheck(BST_CHECKED);
    const QImage image = Picture(box);
    EXPECT_EQ(At(image, 0, 0), kShadow);  // pressed frame of a raised button
    EXPECT_EQ(At(image, 19, 19), kShadow);
    EXPECT_EQ(At(image, 5, 5), kLight);          // checked fill
    EXPECT_EQ(At(image, 9, 8), RGB(200, 0, 0));  // image centred, not shifted
    EXPECT_EQ(At(image, 8, 8), kLight);          // its transparent corner
}

// ---- Focus ----------------------------------------------------------------

TEST(FxButtonFocusTest, DisablingTheFocusedButtonMovesTheFocusOn) {
    QWidget dialog;
    auto* first = new CFxButton(&dialog);
    auto* second = new CFxButton(&dialog);
    first->setGeometry(0, 0, 40, 20);
    second->setGeometry(0, 30, 40, 20);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    first->setFocus();
    ASSERT_TRUE(first->hasFocus());
    Enter(*first, QPoint(3, 3));
    ASSERT_TRUE(first->IsHover());

    first->setEnabled(false);
    EXPECT_TRUE(second->hasFocus());
    EXPECT_FALSE(first->IsHover());

    // Nothing left to take it: the parent does.
    dialog.setFocusPolicy(Qt::StrongFocus);
    second->setEnabled(false);
    EXPECT_TRUE(dialog.hasFocus());
}

TEST(FxButtonFocusTest, FocusedRaisedButtonGetsBlackFrameAndFocusRectangle) {
    QWidget dialog;
    auto* button = new CFxButton(&dialog);
    button->setGeometry(0, 0, 30, 20);
    button->SetFlat(false);
    QImage image = Picture(*button);
    EXPECT_EQ(At(image, 0, 0), kLight);  // raised border, no frame
    EXPECT_EQ(At(image, 3, 3), kFace);
    dialog.show();
    QApplication::setActiveWindow(&dialog);

    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    image = Picture(*button);
    EXPECT_EQ(At(image, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(At(image, 29, 19), RGB(0, 0, 0));
    EXPECT_EQ(At(image, 1, 1), kLight);  // the border inside the frame
    EXPECT_NE(At(image, 3, 3), kFace);   // the dotted focus rectangle
    EXPECT_EQ(At(image, 4, 4), kFace);

    // Flat buttons show the focus rectangle only when asked to.
    button->SetFlat(true);
    EXPECT_EQ(At(Picture(*button), 3, 3), kFace);
    button->SetFlatFocus(true);
    EXPECT_NE(At(Picture(*button), 3, 3), kFace);
}

TEST(FxButtonFocusTest, DefaultButtonHasTheBlackFrameWithoutFocus) {
    CFxButton button(nullptr, BS_DEFPUSHBUTTON);
    button.resize(30, 20);
    button.SetFlat(false);
    const QImage image = Picture(button);
    EXPECT_EQ(At(image, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(At(image, 1, 1), kLight);
    EXPECT_EQ(At(image, 3, 3), kFace);  // no focus rectangle
}

// ---- Hover and pressed drawing -------------------------------------------

TEST(FxButtonHoverTest, FlatButtonLightsUpUnderTheMouseAndPlaysItsSound) {
    testsupport::ScriptedUi ui;
    CFxButton button;
    button.resize(40, 24);
    button.SetHoverSound("hover.wav");
    button.SetColor(CFxButton::ColorBkIn, RGB(0, 0, 255));

    QImage image = Picture(button);
    EXPECT_EQ(At(image, 0, 0), kFace);  // flat: no border while out
    EXPECT_EQ(At(image, 39, 23), kFace);

    MoveMouse(button, QPoint(10, 10));
    ASSERT_TRUE(button.IsHover());
    EXPECT_EQ(ui.sounds, std::vector<std::string>{"hover.wav"});
    MoveMouse(button, QPoint(11, 10));
    EXPECT_EQ(ui.sounds.size(), 1u);  // entering only once
    image = Picture(button);
    EXPECT_EQ(At(image, 0, 0), kLight);
    EXPECT_EQ(At(image, 39, 0), kShadow);
    EXPECT_EQ(At(image, 39, 23), kShadow);
    EXPECT_EQ(At(image, 20, 12), RGB(0, 0, 255));

    button.SetDrawBorder(false);
    EXPECT_EQ(At(Picture(button), 0, 0), RGB(0, 0, 255));

    MoveMouse(button, QPoint(50, 10));  // outside
    EXPECT_FALSE(button.IsHover());
    EXPECT_EQ(At(Picture(button), 20, 12), kFace);
}

TEST(FxButtonHoverTest, HoverRules) {
    CFxButton button;
    button.resize(40, 24);
    // The left button held on the way in: nothing happens.
    MoveMouse(button, QPoint(5, 5), Qt::LeftButton);
    EXPECT_FALSE(button.IsHover());
    Enter(button, QPoint(5, 5));
    EXPECT_TRUE(button.IsHover());
    // Already hovering, the held button keeps it.
    MoveMouse(button, QPoint(6, 5), Qt::LeftButton);
    EXPECT_TRUE(button.IsHover());
    Leave(button);
    EXPECT_FALSE(button.IsHover());

    Enter(button, QPoint(5, 5));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(&button, &out);
    EXPECT_FALSE(button.IsHover());

    // Raised buttons do not track the mouse.
    button.SetFlat(false);
    Enter(button, QPoint(5, 5));
    EXPECT_FALSE(button.IsHover());
}

TEST(FxButtonHoverTest, PressedBordersAndImageOffset) {
    CFxButton button;
    button.resize(20, 20);
    ASSERT_EQ(button.SetBitmaps(Sample(), kMagenta), CFxButton::kOk);
    QImage image = Picture(button);
    EXPECT_EQ(At(image, 9, 8), RGB(200, 0, 0));
    EXPECT_EQ(At(image, 8, 8), kFace);  // transparent corner

    button.setDown(true);
    image = Picture(button);
    EXPECT_EQ(At(image, 0, 0), kShadow);  // sunken
    EXPECT_EQ(At(image, 19, 19), kLight);
    EXPECT_EQ(At(image, 9, 8), kFace);  // moved by (1,1)
    EXPECT_EQ(At(image, 10, 9), RGB(200, 0, 0));
    EXPECT_EQ(At(image, 9, 9), kFace);

    EXPECT_EQ(button.SetPressedStyle(1), CFxButton::kOk);
    image = Picture(button);
    EXPECT_EQ(At(image, 9, 9), kFace);  // moved by (0,2)
    EXPECT_EQ(At(image, 9, 10), RGB(200, 0, 0));
    EXPECT_EQ(At(image, 8, 10), kFace);
    EXPECT_EQ(button.SetPressedStyle(2), CFxButton::kBadStyle);
    EXPECT_EQ(button.GetPressedOffset(), CPoint(0, 2));

    // A raised button pressed shows a plain shadow frame.
    button.SetFlat(false);
    image = Picture(button);
    EXPECT_EQ(At(image, 0, 0), kShadow);
    EXPECT_EQ(At(image, 19, 19), kShadow);
    EXPECT_EQ(At(image, 1, 1), kFace);
    button.setDown(false);
    image = Picture(button);
    EXPECT_EQ(At(image, 0, 0), kLight);
    EXPECT_EQ(At(image, 19, 19), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(At(image, 1, 1), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(At(image, 18, 18), kShadow);
}

// ---- Images ----------------------------------------------------------------

TEST(FxButtonImageTest, MadeOutImagesKeepTheTransparentDots) {
    CFxButton button;
    button.resize(20, 20);
    // One dot greys to exactly the transparent colour; it must still show.
    const COLORREF key = RGB(100, 100, 100);
    QImage in(4, 4, QImage::Format_RGB32);
    in.fill(ToQRgb(RGB(200, 100, 40)));
    in.setPixel(0, 0, ToQRgb(key));
    in.setPixel(1, 0, ToQRgb(RGB(110, 95, 100)));

    ASSERT_EQ(button.SetBitmaps(in, key, CFxButton::kOutGrey), CFxButton::kOk);
    QImage image = Picture(button);  // out: the grey copy
    const int grey = static_cast<int>(0.299 * 200 + 0.587 * 100 + 0.114 * 40);
    EXPECT_EQ(At(image, 8, 8), kFace);  // transparent stays transparent
    EXPECT_EQ(At(image, 9, 8), RGB(100, 100, 100));
    EXPECT_EQ(At(image, 10, 10), RGB(grey, grey, grey));
    Enter(button, QPoint(1, 1));
    image = Picture(button);  // in: the original colours
    EXPECT_EQ(At(image, 10, 10), RGB(200, 100, 40));
    EXPECT_EQ(At(image, 8, 8), kFace);

    ASSERT_EQ(button.SetBitmaps(in, key, CFxButton::kOutDarker), CFxButton::kOk);
    Leave(button);
    image = Picture(button);
    EXPECT_EQ(At(image, 10, 10), RGB(150, 75, 30));
    EXPECT_EQ(At(image, 8, 8), kFace);
}

TEST(FxButtonImageTest, SettersReportMissingBitmaps) {
    CFxButton button;
    EXPECT_EQ(button.SetBitmaps(QImage(), kMagenta), CFxButton::kBadBitmap);
    EXPECT_EQ(button.SetBitmaps(QImage(), kMagenta, CFxButton::kOutGrey), CFxButton::kBadBitmap);
    EXPECT_FALSE(button.HasImage());
    EXPECT_EQ(button.SetBitmapIds(424242, kMagenta), CFxButton::kBadBitmap);
    EXPECT_EQ(button.SetBitmapIds(2011, kMagenta, 424242), CFxButton::kBadBitmap);
    EXPECT_FALSE(button.HasImage());
    EXPECT_EQ(button.SetBitmapIds(2011, kMagenta, 2012, kMagenta), CFxButton::kOk);
    EXPECT_TRUE(button.HasImage());
    EXPECT_EQ(button.SetBitmapIds(0, kMagenta), CFxButton::kOk);
    EXPECT_FALSE(button.HasImage());
}

TEST(FxButtonImageTest, AlignmentAndMarginsBesideTheText) {
    CFxButton button;
    button.resize(60, 30);
    button.setText("Ab");
    ASSERT_EQ(button.SetBitmaps(Sample(), kMagenta), CFxButton::kOk);
    QImage image = Picture(button);
    EXPECT_EQ(At(image, 4, 14), RGB(200, 0, 0));  // left margin 3, centred vertically
    EXPECT_EQ(At(image, 2, 14), kFace);
    button.SetAlign(CFxButton::AlignRightEdge);
    image = Picture(button);
    EXPECT_EQ(At(image, 55, 14), RGB(200, 0, 0));  // 60 - 3 - 4 = 53..56
    EXPECT_EQ(At(image, 57, 14), kFace);
    button.SetAlign(CFxButton::AlignAboveText);
    image = Picture(button);
    EXPECT_EQ(At(image, 29, 4), RGB(200, 0, 0));  // top margin 3, centred across
    EXPECT_EQ(At(image, 29, 2), kFace);
    button.SetImageMargins(5, 6);
    EXPECT_EQ(At(Picture(button), 29, 7), RGB(200, 0, 0));
}

TEST(FxButtonImageTest, DisabledImagesAndTextAreEmbossed) {
    CFxButton button;
    button.resize(60, 30);
    ASSERT_EQ(button.SetBitmaps(Sample(RGB(0, 0, 0)), kMagenta), CFxButton::kOk);
    button.setEnabled(false);
    QImage image = Picture(button);
    EXPECT_EQ(At(image, 29, 14), kShadow);  // ink in the shadow shade
    EXPECT_EQ(At(image, 30, 17), kLight);   // and its highlight one dot lower right
    button.SetGreyDisabled(false);
    EXPECT_EQ(At(Picture(button), 29, 14), RGB(0, 0, 0));

    button.SetBitmapIds(0, 0);
    button.setText("MMMM");
    button.SetColor(CFxButton::ColorFgOut, RGB(0, 0, 255));
    auto count = [](const QImage& img, COLORREF c) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += At(img, x, y) == c;
        return n;
    };
    image = Picture(button);
    EXPECT_GT(count(image, kShadow), 0);
    EXPECT_EQ(count(image, RGB(0, 0, 255)), 0);
    button.setEnabled(true);
    image = Picture(button);
    EXPECT_GT(count(image, RGB(0, 0, 255)), 0);
    EXPECT_EQ(count(image, kShadow), 0);
}

TEST(FxButtonImageTest, ShadeColor) {
    EXPECT_EQ(CFxButton::ShadeColor(RGB(200, 100, 40), 0.25), RGB(150, 75, 30));
    EXPECT_EQ(CFxButton::ShadeColor(RGB(200, 100, 40), 1.0), RGB(0, 0, 0));
    for (double factor : {0.0, -0.5, 1.5})
        EXPECT_EQ(CFxButton::ShadeColor(RGB(200, 100, 40), factor), RGB(200, 100, 40));
}

// ---- Background, colours ---------------------------------------------------

TEST(FxButtonBackgroundTest, TransparentButtonShowsItsParentsPicture) {
    class Painted : public QWidget {
    public:
        COLORREF colour = RGB(0, 160, 0);

    protected:
        void paintEvent(QPaintEvent*) override {
            QPainter(this).fillRect(rect(), QColor(ToQRgb(colour)));
        }
    } parent;
    parent.resize(100, 60);
    auto* button = new CFxButton(&parent);
    button->setGeometry(10, 10, 40, 20);
    button->SetTransparent(true);
    EXPECT_EQ(At(Picture(*button), 20, 10), RGB(0, 160, 0));
    // Captured once: the parent's new picture shows once the button has moved.
    parent.colour = RGB(0, 0, 160);
    EXPECT_EQ(At(Picture(*button), 20, 10), RGB(0, 160, 0));
    button->resize(41, 20);
    EXPECT_EQ(At(Picture(*button), 20, 10), RGB(0, 0, 160));
    button->SetTransparent(false);
    EXPECT_EQ(At(Picture(*button), 20, 10), kFace);
}

TEST(FxButtonBackgroundTest, ColoursOfTheStatesAndTheirReset) {
    QWidget dialog;
    auto* button = new CFxButton(&dialog);
    button->setGeometry(0, 0, 30, 20);
    EXPECT_FALSE(button->SetColor(CFxButton::ColorCount, RGB(1, 2, 3)));
    button->SetColor(CFxButton::ColorBkOut, RGB(10, 20, 30));
    button->SetColor(CFxButton::ColorBkFocus, RGB(40, 50, 60));
    EXPECT_EQ(At(Picture(*button), 10, 10), RGB(10, 20, 30));
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    button->setFocus();
    EXPECT_EQ(At(Picture(*button), 10, 10), RGB(40, 50, 60));

    QEvent change(QEvent::ApplicationPaletteChange);
    QApplication::sendEvent(button, &change);
    for (int i = 0; i < CFxButton::ColorCount; ++i)
        EXPECT_EQ(button->GetColor(i), GetSysColor(i % 2 == 0 ? COLOR_BTNFACE : COLOR_BTNTEXT));
}

// ---- Menu and link buttons ---------------------------------------------------

TEST(FxButtonMenuTest, ChosenCommandIsPostedToTheOwnerAndNothingWhenDismissed) {
    testsupport::ScriptedUi ui;
    CommandSink owner, callback;
    QWidget dialog;
    auto* button = new CFxButton(&dialog);
    button->setGeometry(10, 10, 40, 20);
    auto menu = std::make_unique<QMenu>();
    QMenu* sub = menu->addMenu("Align");
    SetCommandId(sub->addAction("Left"), 301);
    SetCommandId(sub->addAction("Right"), 302);
    button->SetMenu(std::move(menu), &owner.window);
    button->SetClickSound("click.wav");

    std::vector<WPARAM> notices;
    SetMessageHandler(&callback.window, WM_USER + 5, [&](WPARAM w, LPARAM l) {
        notices.push_back(w);
        EXPECT_EQ(l, 77);
        return 0;
    });
    button->SetMenuCallback(&callback.window, WM_USER + 5, 77);
    int clicks = 0;
    QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });

    QMenu* shown = nullptr;
    QPoint where;
    bool pressedWhileOpen = false;
    UINT answer = 302;
    std::size_t expectedNotices = 1;
    PopupHook hook([&](QMenu& m, const QPoint& pos) {
        shown = &m;
        where = pos;
        pressedWhileOpen = button->IsMenuShown() && At(Picture(*button), 0, 0) == kShadow;
        EXPECT_EQ(notices.size(), expectedNotices);  // the callback ran before the menu opened
        return answer;
    });
    button->click();
    EXPECT_EQ(shown, sub);
    EXPECT_EQ(where, button->mapToGlobal(QPoint(0, 20)));
    EXPECT_TRUE(pressedWhileOpen);
    EXPECT_FALSE(button->IsMenuShown());
    EXPECT_EQ(notices, std::vector<WPARAM>{reinterpret_cast<WPARAM>(sub)});
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(ui.sounds, std::vector<std::string>{"click.wav"});
    EXPECT_TRUE(owner.ids.empty());  // posted, not sent
    QApplication::processEvents();
    EXPECT_EQ(owner.ids, std::vector<WPARAM>{302});

    answer = 0;
    expectedNotices = 2;
    button->click();
    QApplication::processEvents();
    EXPECT_EQ(owner.ids.size(), 1u);
    EXPECT_EQ(clicks, 2);
}

TEST(FxButtonMenuTest, MenuWithoutSubmenuOpensItselfForTheParent) {
    QWidget dialog;
    SetMessageHandler(&dialog, WM_COMMAND, [](WPARAM, LPARAM) { return 0; });
    std::vector<WPARAM> ids;
    SetMessageHandler(&dialog, WM_COMMAND, [&](WPARAM w, LPARAM) {
        ids.push_back(w);
        return 0;
    });
    auto* button = new CFxButton(&dialog);
    auto menu = std::make_unique<QMenu>();
    SetCommandId(menu->addAction("One"), 9);
    QMenu* raw = menu.get();
    button->SetMenu(std::move(menu));
    QMenu* shown = nullptr;
    PopupHook hook([&](QMenu& m, const QPoint&) {
        shown = &m;
        return 9u;
    });
    button->click();
    QApplication::processEvents();
    EXPECT_EQ(shown, raw);
    EXPECT_EQ(ids, std::vector<WPARAM>{9});
}

TEST(FxButtonMenuTest, LinkIsOpenedOnClickAndKeptWhole) {
    testsupport::ScriptedUi ui;
    CFxButton button;
    button.SetLinkText("http://example.com/help");
    button.click();
    EXPECT_EQ(ui.openedDocuments, std::vector<std::string>{"http://example.com/help"});

    button.SetLinkText(std::string(300, 'a'));
    EXPECT_EQ(button.GetLinkText().size(), 259u);
    // A double-byte character across the limit is left out whole.
    const std::string han = A("한");
    ASSERT_EQ(han.size(), 2u);
    button.SetLinkText(std::string(258, 'a') + han + "b");
    EXPECT_EQ(button.GetLinkText(), std::string(258, 'a'));
    button.SetLinkText(std::string(257, 'a') + han + "b");
    EXPECT_EQ(button.GetLinkText(), std::string(257, 'a') + han);

    button.SetTipText(A("도움말"));
    EXPECT_EQ(button.toolTip(), QString::fromUtf8("도움말"));
}

}  // namespace
