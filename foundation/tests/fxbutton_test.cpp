#include "foundation/fxbutton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QWidget>
#include <string>
#include <vector>

#include "foundation/tests/inputtesting.h"
#include "platform/testing/scriptedui.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

const COLORREF kFace = GetSysColor(COLOR_BTNFACE);
const COLORREF kShadow = GetSysColor(COLOR_BTNSHADOW);
const COLORREF kLight = GetSysColor(COLOR_BTNHIGHLIGHT);
const COLORREF kMagenta = RGB(255, 0, 255);
const COLORREF kRed = RGB(200, 0, 0);

QImage Picture(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }
COLORREF At(const QImage& image, int x, int y) { return FromQRgb(image.pixel(x, y)); }

struct Dot {
    int x, y;
    COLORREF colour;
};
// The dots of `image` that are not the expected colour; empty when all are.
std::string Wrong(const QImage& image, std::initializer_list<Dot> dots) {
    std::string wrong;
    for (const Dot& d : dots)
        if (At(image, d.x, d.y) != d.colour)
            wrong += "(" + std::to_string(d.x) + "," + std::to_string(d.y) + ")";
    return wrong;
}

// A 4 x 4 square with transparent magenta corners.
QImage Sample(COLORREF body = kRed) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(ToQRgb(body));
    for (auto [x, y] : {std::pair{0, 0}, {3, 0}, {0, 3}, {3, 3}})
        image.setPixel(x, y, ToQRgb(kMagenta));
    return image;
}

TEST(FxButtonTest, CheckBoxTogglesOnEveryClickAndReportsItsState) {
    CFxButton box(nullptr, BS_AUTOCHECKBOX), check(nullptr, BS_CHECKBOX), push;
    box.resize(20, 20);
    ASSERT_TRUE(box.IsCheckBox());
    EXPECT_TRUE(check.IsCheckBox());
    EXPECT_FALSE(push.IsCheckBox());
    EXPECT_EQ(GetButtonStyle(&box), BS_AUTOCHECKBOX);  // for code that picks buttons by style
    box.click();
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);
    box.click();
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);
    // A double click counts as a second press: two clicks, two toggles.
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                      QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
        Mouse(box, type, QPoint(5, 5),
              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton);
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);
    box.SetCheck(BST_INDETERMINATE);
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);
    box.SetCheck(7);
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);
    SetButtonCheck(&box, BST_CHECKED);
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);
    box.SetCheck(BST_UNCHECKED);
    push.click();
    push.SetCheck(BST_CHECKED);
    EXPECT_EQ(push.GetCheck(), BST_UNCHECKED);

    // Checked: pressed frame, highlight fill, image not shifted.
    box.SetFlat(false);
    ASSERT_EQ(box.SetBitmaps(Sample(), kMagenta), CFxButton::kOk);
    box.SetCheck(BST_CHECKED);  // the corner at (8,8) is transparent
    EXPECT_EQ(
        Wrong(Picture(box),
              {{0, 0, kShadow}, {19, 19, kShadow}, {5, 5, kLight}, {9, 8, kRed}, {8, 8, kLight}}),
        "");
    // The fill is the button's own highlight colour.
    box.SetHighlightColor(RGB(1, 2, 3));
    EXPECT_EQ(Wrong(Picture(box), {{0, 0, kShadow}, {5, 5, RGB(1, 2, 3)}}), "");
}

TEST(FxButtonTest, DisablingTheFocusedButtonMovesTheFocusOn) {
    QWidget dialog;
    auto* first = new CFxButton(&dialog);
    auto* second = new CFxButton(&dialog);
    second->move(0, 30);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    first->setFocus();
    ASSERT_TRUE(first->hasFocus());
    Enter(*first);
    ASSERT_TRUE(first->IsHover());
    first->setEnabled(false);
    EXPECT_TRUE(second->hasFocus());
    EXPECT_FALSE(first->IsHover());
    dialog.setFocusPolicy(Qt::StrongFocus);
    second->setEnabled(false);  // nothing left but the parent
    EXPECT_TRUE(dialog.hasFocus());
}

TEST(FxButtonTest, DefaultAndFocusedRaisedButtonsGetTheBlackFrame) {
    QWidget dialog;
    auto* button = new CFxButton(&dialog);
    button->setGeometry(0, 0, 30, 20);
    button->SetFlat(false);
    EXPECT_EQ(Wrong(Picture(*button), {{0, 0, kLight}, {3, 3, kFace}}), "");  // raised, no frame
    button->SetButtonStyle(BS_DEFPUSHBUTTON);  // framed, no focus rectangle
    EXPECT_EQ(Wrong(Picture(*button), {{0, 0, RGB(0, 0, 0)}, {1, 1, kLight}, {3, 3, kFace}}), "");
    button->SetButtonStyle(BS_PUSHBUTTON);

    dialog.show();
    QApplication::setActiveWindow(&dialog);
    button->setFocus();
    const QImage image = Picture(*button);
    EXPECT_EQ(Wrong(image, {{29, 19, RGB(0, 0, 0)}, {4, 4, kFace}}), "");
    EXPECT_NE(At(image, 3, 3), kFace);  // dotted focus rectangle
    button->SetFlat(true);              // flat: only with the flat focus rectangle on
    EXPECT_EQ(At(Picture(*button), 3, 3), kFace);
    button->SetFlatFocus(true);
    EXPECT_NE(At(Picture(*button), 3, 3), kFace);
}

TEST(FxButtonTest, FlatButtonLightsUpUnderTheMouse) {
    testsupport::ScriptedUi ui;
    CFxButton button;
    button.resize(40, 24);
    button.SetHoverSound("hover.wav");
    button.SetColor(CFxButton::ColorBkIn, RGB(0, 0, 255));
    EXPECT_EQ(At(Picture(button), 0, 0), kFace);  // no border while out

    Mouse(button, QEvent::MouseMove, QPoint(5, 5), Qt::LeftButton);  // held: nothing
    EXPECT_FALSE(button.IsHover());
    Mouse(button, QEvent::MouseMove, QPoint(10, 10));
    Mouse(button, QEvent::MouseMove, QPoint(11, 10));
    ASSERT_TRUE(button.IsHover());
    EXPECT_EQ(ui.sounds, std::vector<std::string>{"hover.wav"});  // once, on entering
    EXPECT_EQ(Wrong(Picture(button), {{0, 0, kLight}, {39, 23, kShadow}, {20, 12, RGB(0, 0, 255)}}),
              "");
    button.SetDrawBorder(false);
    EXPECT_EQ(At(Picture(button), 0, 0), RGB(0, 0, 255));

    Mouse(button, QEvent::MouseMove, QPoint(50, 10));  // outside
    EXPECT_FALSE(button.IsHover());
    EXPECT_EQ(At(Picture(button), 20, 12), kFace);
    Enter(button);
    Leave(button);
    EXPECT_FALSE(button.IsHover());
    Enter(button);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(&button, &out);
    EXPECT_FALSE(button.IsHover());
    button.SetFlat(false);  // raised buttons do not track the mouse
    Enter(button);
    EXPECT_FALSE(button.IsHover());
}

TEST(FxButtonTest, HoverNeedsAnActiveWindowUnlessAlwaysTracking) {
    QWidget window, other;
    auto* button = new CFxButton(&window);
    button->setFocusPolicy(Qt::NoFocus);  // no focus to lose on deactivation
    QApplication::setActiveWindow(nullptr);
    button->SetAlwaysTrack(false);
    Enter(*button);
    EXPECT_FALSE(button->IsHover());
    window.show();
    other.show();
    QApplication::setActiveWindow(&window);
    Enter(*button);
    ASSERT_TRUE(button->IsHover());
    QApplication::setActiveWindow(&other);
    EXPECT_FALSE(button->IsHover());
}

TEST(FxButtonTest, PressedBordersAndImageOffset) {
    CFxButton button;
    button.resize(20, 20);
    ASSERT_EQ(button.SetBitmaps(Sample(), kMagenta), CFxButton::kOk);
    EXPECT_EQ(At(Picture(button), 9, 8), kRed);  // centred without text
    button.setDown(true);                        // sunken, the image moved by (1,1)
    EXPECT_EQ(
        Wrong(Picture(button), {{0, 0, kShadow}, {19, 19, kLight}, {9, 8, kFace}, {10, 9, kRed}}),
        "");
    EXPECT_EQ(button.SetPressedStyle(1), CFxButton::kOk);  // moved by (0,2)
    EXPECT_EQ(Wrong(Picture(button), {{9, 9, kFace}, {9, 10, kRed}}), "");
    EXPECT_EQ(button.SetPressedStyle(2), CFxButton::kBadStyle);
    EXPECT_EQ(button.GetPressedOffset(), CPoint(0, 2));

    button.SetFlat(false);  // a plain shadow frame
    EXPECT_EQ(Wrong(Picture(button), {{19, 19, kShadow}, {1, 1, kFace}}), "");
    button.setDown(false);
    EXPECT_EQ(Wrong(Picture(button), {{0, 0, kLight},
                                      {19, 19, GetSysColor(COLOR_3DDKSHADOW)},
                                      {1, 1, GetSysColor(COLOR_3DLIGHT)},
                                      {18, 18, kShadow}}),
              "");
}

TEST(FxButtonTest, MadeOutImagesKeepTheTransparentDots) {
    CFxButton button;
    button.resize(20, 20);
    // One dot greys to exactly the transparent colour; it must still show.
    const COLORREF key = RGB(100, 100, 100);
    QImage in(4, 4, QImage::Format_RGB32);
    in.fill(ToQRgb(RGB(200, 100, 40)));
    in.setPixel(0, 0, ToQRgb(key));
    in.setPixel(1, 0, ToQRgb(RGB(110, 95, 100)));
    ASSERT_EQ(button.SetBitmaps(in, key, CFxButton::kOutGrey), CFxButton::kOk);
    // Grey is 0.299 R + 0.587 G + 0.114 B; the in image shows under the mouse.
    EXPECT_EQ(Wrong(Picture(button), {{8, 8, kFace}, {9, 8, key}, {10, 10, RGB(123, 123, 123)}}),
              "");
    Enter(button);
    EXPECT_EQ(Wrong(Picture(button), {{10, 10, RGB(200, 100, 40)}, {8, 8, kFace}}), "");
    Leave(button);
    ASSERT_EQ(button.SetBitmaps(in, key, CFxButton::kOutDarker), CFxButton::kOk);
    EXPECT_EQ(At(Picture(button), 10, 10), RGB(150, 75, 30));

    EXPECT_EQ(CFxButton::ShadeColor(RGB(200, 100, 40), 1.0), RGB(0, 0, 0));
    for (double factor : {0.0, -0.5, 1.5})
        EXPECT_EQ(CFxButton::ShadeColor(RGB(200, 100, 40), factor), RGB(200, 100, 40));

    EXPECT_EQ(button.SetBitmaps(QImage(), kMagenta), CFxButton::kBadBitmap);
    EXPECT_EQ(button.SetBitmapIds(424242, kMagenta), CFxButton::kBadBitmap);
    EXPECT_EQ(button.SetBitmapIds(2011, kMagenta, 424242), CFxButton::kBadBitmap);
    EXPECT_EQ(At(Picture(button), 10, 10), RGB(150, 75, 30));  // kept
    EXPECT_EQ(button.SetBitmapIds(2011, kMagenta, CFxButton::kOutGrey), CFxButton::kOk);
    EXPECT_EQ(button.SetBitmapIds(0, kMagenta), CFxButton::kOk);
    EXPECT_FALSE(button.HasImage());

    // Icons leave out their dots that are less than half opaque.
    QImage icon(4, 4, QImage::Format_ARGB32);
    icon.fill(qRgba(0, 0, 200, 255));
    icon.setPixel(0, 0, qRgba(0, 0, 200, 100));
    ASSERT_EQ(button.SetIcon(icon), CFxButton::kOk);
    EXPECT_EQ(Wrong(Picture(button), {{8, 8, kFace}, {9, 8, RGB(0, 0, 200)}}), "");
}

TEST(FxButtonTest, ImageAlignmentBesideTheText) {
    CFxButton button;
    button.resize(60, 30);
    button.setText("Ab");
    ASSERT_EQ(button.SetBitmaps(Sample(), kMagenta), CFxButton::kOk);
    // Left margin 3, centred vertically.
    EXPECT_EQ(Wrong(Picture(button), {{4, 14, kRed}, {2, 14, kFace}}), "");
    button.SetAlign(CFxButton::AlignRightEdge);  // 60 - 3 - 4 = 53..56
    EXPECT_EQ(Wrong(Picture(button), {{55, 14, kRed}, {57, 14, kFace}}), "");
    button.SetAlign(CFxButton::AlignAboveText);  // top margin, centred across
    button.SetImageMargins(5, 6);
    EXPECT_EQ(Wrong(Picture(button), {{29, 7, kRed}, {29, 5, kFace}}), "");
}

TEST(FxButtonTest, DisabledImagesAndTextAreEmbossed) {
    CFxButton button;
    button.resize(60, 30);
    ASSERT_EQ(button.SetBitmaps(Sample(RGB(0, 0, 0)), kMagenta), CFxButton::kOk);
    button.setEnabled(false);  // ink in the shadow shade, its highlight one dot lower right
    EXPECT_EQ(Wrong(Picture(button), {{29, 14, kShadow}, {30, 17, kLight}}), "");
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
    QImage image = Picture(button);
    EXPECT_GT(count(image, kShadow), 0);
    EXPECT_EQ(count(image, RGB(0, 0, 255)), 0);
    button.setEnabled(true);
    image = Picture(button);
    EXPECT_GT(count(image, RGB(0, 0, 255)), 0);
    EXPECT_EQ(count(image, kShadow), 0);
}

TEST(FxButtonTest, TransparentButtonShowsItsParentsPicture) {
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
    parent.colour = RGB(0, 0, 160);  // captured once, taken again after a move
    EXPECT_EQ(At(Picture(*button), 20, 10), RGB(0, 160, 0));
    button->resize(41, 20);
    EXPECT_EQ(At(Picture(*button), 20, 10), RGB(0, 0, 160));
}

TEST(FxButtonTest, ColoursOfTheStatesAndTheirReset) {
    QWidget dialog;
    auto* button = new CFxButton(&dialog);
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
    button->SetHighlightColor(RGB(1, 2, 3));
    QApplication::sendEvent(button, &change);
    EXPECT_EQ(button->GetHighlightColor(), GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST(FxButtonTest, MenuPostsTheChosenCommandToItsOwnerAndNothingWhenDismissed) {
    testsupport::ScriptedUi ui;
    QWidget dialog, owner, callback;
    std::vector<WPARAM>* commands = Commands(&owner);
    std::vector<WPARAM>* parentCommands = Commands(&dialog);
    auto* button = new CFxButton(&dialog);
    button->setGeometry(10, 10, 40, 20);
    auto menu = std::make_unique<QMenu>();
    QMenu* sub = menu->addMenu("Align");
    SetCommandId(sub->addAction("Left"), 301);
    SetCommandId(sub->addAction("Right"), 302);
    button->SetMenu(std::move(menu), &owner);
    button->SetClickSound("click.wav");
    std::vector<WPARAM> notices;
    SetMessageHandler(&callback, WM_USER + 5, [&](WPARAM w, LPARAM l) {
        notices.push_back(w);
        EXPECT_EQ(l, 77);
        return 0;
    });
    button->SetMenuCallback(&callback, WM_USER + 5, 77);
    int clicks = 0;
    QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });

    QMenu* shown = nullptr;
    QPoint where;
    bool pressedWhileOpen = false;
    std::size_t noticesBefore = 0;
    UINT answer = 302;
    SetPopupMenuHook([&](QMenu& m, const QPoint& pos) {
        shown = &m;
        where = pos;
        noticesBefore = notices.size();
        pressedWhileOpen = button->IsMenuShown() && At(Picture(*button), 0, 0) == kShadow;
        return answer;
    });
    button->click();
    EXPECT_EQ(shown, sub);  // the first submenu, below the button
    EXPECT_EQ(where, button->mapToGlobal(QPoint(0, 20)));
    EXPECT_TRUE(pressedWhileOpen);
    EXPECT_FALSE(button->IsMenuShown());
    EXPECT_EQ(noticesBefore, 1u);  // the callback ran before the menu opened
    EXPECT_EQ(notices, std::vector<WPARAM>{reinterpret_cast<WPARAM>(sub)});
    EXPECT_EQ(ui.sounds, std::vector<std::string>{"click.wav"});
    EXPECT_TRUE(commands->empty());  // posted, not sent
    QApplication::processEvents();
    EXPECT_EQ(*commands, std::vector<WPARAM>{302});

    answer = 0;
    button->click();
    QApplication::processEvents();
    EXPECT_EQ(commands->size(), 1u);
    EXPECT_EQ(clicks, 2);  // the parent still hears every click

    // A menu without submenus opens itself; without an owner the parent gets it.
    auto flat = std::make_unique<QMenu>();
    SetCommandId(flat->addAction("One"), 9);
    QMenu* flatMenu = flat.get();
    button->SetMenu(std::move(flat));
    answer = 9;
    button->click();
    QApplication::processEvents();
    EXPECT_EQ(shown, flatMenu);
    EXPECT_EQ(*parentCommands, std::vector<WPARAM>{9});
    SetPopupMenuHook(nullptr);
}

TEST(FxButtonTest, LinkIsOpenedOnClickAndNeverCutInsideACharacter) {
    testsupport::ScriptedUi ui;
    CFxButton button;
    button.SetLinkText("http://example.com/help");
    button.click();
    EXPECT_EQ(ui.openedDocuments, std::vector<std::string>{"http://example.com/help"});
    button.SetLinkText(std::string(300, 'a'));
    EXPECT_EQ(button.GetLinkText().size(), 259u);
    const std::string han = A("한");
    ASSERT_EQ(han.size(), 2u);
    button.SetLinkText(std::string(258, 'a') + han + "b");
    EXPECT_EQ(button.GetLinkText(), std::string(258, 'a'));
    button.SetLinkText(std::string(257, 'a') + han + "b");
    EXPECT_EQ(button.GetLinkText(), std::string(257, 'a') + han);
}

}  // namespace
