// The image panel inside a started main frame (the program's own wiring of
// the image library): which objects it loads into, what a load stores and
// records, the file dialog, failures, and the fitting rules.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <climits>
#include <string>
#include <vector>

#include "design/frames/dsgxfpanels.h"
#include "design/frames/tests/mainframetesting.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsgutprops.h"
#include "foundation/fxbutton.h"
#include "foundation/fxpropstore.h"
#include "foundation/fxutilswnd.h"

namespace {

using mainframetesting::kDot;

class XFImageTest : public mainframetesting::MainFrameTest {
protected:
    // A 320 x 240 LCD, an open form and one image object of 100 x 100 dots
    // at (10, 20), chosen.
    void Start() {
        ASSERT_EQ(Init(320, 240), 1);
        OpenForm();
        image = Make(nDSG_WOKIND__WOIMAGE, CRect(10 * kDot, 20 * kDot, 110 * kDot, 120 * kDot));
        Choose({image});
    }
    void Choose(const std::set<int>& ids) {
        Page().ResetWOChoice();
        if (!ids.empty()) Page().WOChoose(ids, TRUE);
        frame->SRefreshSREvent(3);
    }
    CDlgXFImage& Panel() { return *frame->GetXFFrame()->GetImagePanel(); }

    // A picture file written by Qt: left half red, right half blue, or the
    // given picture.
    std::string WritePicture(const std::string& name, int width, int height) {
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(qRgb(255, 0, 0));
        QPainter(&picture).fillRect(width / 2, 0, width - width / 2, height, QColor(0, 0, 255));
        return WritePicture(name, picture);
    }
    std::string WritePicture(const std::string& name, const QImage& picture) {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(picture.save(QString::fromStdString(path), "BMP"));
        return path;
    }
    // Clicks "Load" with the mouse, the file dialog answered with `path`.
    void Load(const std::optional<std::string>& path) {
        ui.fileAnswers.push_back(path);
        CFxButton& button = *Panel().GetLoadButton();
        ASSERT_TRUE(button.isVisible());
        ASSERT_TRUE(button.isEnabled());
        QTest::mouseClick(&button, Qt::LeftButton, {}, button.rect().center());
    }

    // The picture stored in an object, decoded by Qt; null without one.
    QImage Stored(int id) {
        const CFxPropEntry* entry = Page().GetWObjById(id)->GetUTProps().FindEntry(szUTP_OBWBMP);
        if (!entry || entry->GetItem().GetValueType() != CFxPropItem::VT_REVOLVER) return {};
        const CRevolver& bytes = entry->GetItem().GetRevolver();
        QByteArray data(bytes.GetLength(), '\0');
        if (!bytes.ReadAt(data.data(), bytes.GetLength(), 0)) return {};
        QImage picture;
        picture.loadFromData(data, "BMP");
        return picture;
    }
    CRect Rect(int id) { return Page().GetWObjById(id)->GetNTProps().GetLMHugeRect(); }
    const CDsgEAction& Action(int fromEnd) {
        return *Page().GetEAction(Page().GetCurrentEAIndex() - fromEnd);
    }

    int image = -1;
};

// The colour of a stored pixel, alpha left out.
QRgb Pixel(const QImage& picture, int x, int y) { return picture.pixel(x, y) & 0xFFFFFF; }

TEST_F(XFImageTest, ImageObjectsShowThePanelAndLoadNeedsExactlyOne) {
    Start();
    const int second =
        Make(nDSG_WOKIND__WOIMAGE, CRect(150 * kDot, 20 * kDot, 200 * kDot, 60 * kDot));
    const int box = Make(nDSG_WOKIND__WOBOX, CRect(0, 0, 5 * kDot, 5 * kDot));
    struct Case {
        const char* name;
        std::set<int> ids;
        bool shown;
        bool enabled;
    };
    const std::vector<Case> cases = {
        {"one image", {image}, true, true},
        {"two images", {image, second}, true, false},
        {"image and box", {image, box}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Choose(c.ids);
        EXPECT_EQ(frame->GetXFFrame()->GetShownPanel() == &Panel(), c.shown);
        EXPECT_EQ(Panel().isVisible(), c.shown);
        EXPECT_EQ(Panel().GetLoadButton()->isEnabled(), c.enabled);
    }
}

TEST_F(XFImageTest, LoadAsksForAnImageFileAndStoresThePicture) {
    Start();
    // A picture smaller than the LCD is stored at its own size, every pixel
    // as it was.
    QImage picture(37, 21, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 7, y * 12, 200 - x));
    const std::string path = WritePicture("small.bmp", picture);
    const int before = Page().GetCurrentEAIndex();
    Load(path);

    ASSERT_EQ(ui.fileRequests.size(), 1u);
    const FileDialogRequest& request = ui.fileRequests[0];
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.title, "Select an Image File");
    // Then the all-files entry in the interface's language.
    const std::string images =
        "Image Files(*.bmp;*.jpg;*.gif;*.png;*.ico;*.tif;*.pcx)|"
        "*.bmp;*.jpg;*.gif;*.png;*.ico;*.tif;*.pcx|";
    EXPECT_EQ(request.filter, images + MakeBrowseFilter("", ""));
    EXPECT_TRUE(ui.messages.empty());

    const QImage stored = Stored(image);
    ASSERT_EQ(stored.size(), QSize(37, 21));
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(Pixel(stored, x, y), picture.pixel(x, y) & 0xFFFFFF) << x << "," << y;
    // The picture, then the fitted rectangle: two steps.
    EXPECT_EQ(Page().GetCurrentEAIndex(), before + 2);
}

// The image tool drags an object with the mouse; the panel shows for it,
// and a picture loaded into it gives it the picture's proportions.
TEST_F(XFImageTest, AnObjectDrawnWithTheImageToolTakesAPicture) {
    ASSERT_EQ(Init(320, 240), 1);
    OpenForm();
    const int drawn = Draw(7, At(20, 30), At(140, 130));
    const CDsgWObj* obj = Page().GetWObjById(drawn);
    ASSERT_NE(obj, nullptr);
    ASSERT_EQ(obj->GetNTProps().GetWOKind(), nDSG_WOKIND__WOIMAGE);
    Choose({drawn});
    ASSERT_EQ(frame->GetXFFrame()->GetShownPanel(), &Panel());
    Load(WritePicture("wide.bmp", 64, 32));
    EXPECT_EQ(Stored(drawn).size(), QSize(64, 32));
    const CRect rect = Rect(drawn);
    EXPECT_GT(rect.Width(), 100 * kDot);
    EXPECT_NEAR(static_cast<double>(rect.Width()) / rect.Height(), 2.0, 1e-4);
}

TEST_F(XFImageTest, LargerPicturesShrinkToTheLCD) {
    Start();
    struct Case {
        int width, height;
        QSize stored;
    };
    const std::vector<Case> cases = {
        {640, 480, {320, 240}},
        {960, 240, {320, 80}},
        {200, 480, {100, 240}},
        // Thin pictures keep at least one pixel a side.
        {2000, 3, {320, 1}},
        {3, 2000, {1, 240}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        Load(WritePicture("big.bmp", c.width, c.height));
        EXPECT_TRUE(ui.messages.empty());
        const QImage stored = Stored(image);
        ASSERT_EQ(stored.size(), c.stored);
        // Red stays left, blue right, away from where they meet.
        const int y = stored.height() / 2;
        if (stored.width() >= 8) {
            EXPECT_EQ(Pixel(stored, 0, y), 0xFF0000u);
            EXPECT_EQ(Pixel(stored, stored.width() - 1, y), 0x0000FFu);
        }
    }
}

TEST_F(XFImageTest, TheObjectFitsThePictureAsASecondUndoStep) {
    Start();
    const CRect square = Rect(image);
    Load(WritePicture("wide.bmp", 100, 50));
    // The width is kept, the height halved.
    EXPECT_EQ(Rect(image), CRect(10 * kDot, 20 * kDot, 110 * kDot, 70 * kDot));
    EXPECT_EQ(Action(0).GetEAType(), nDSG_EATYPE__DRMOVE);
    EXPECT_EQ(Action(0).GetEASwift(), 0);
    EXPECT_EQ(Action(1).GetEAType(), nDSG_EATYPE__WOAMEND);
    EXPECT_EQ(Action(1).GetEASwift(), 0);

    Page().UndoEActionAndSRefresh();
    EXPECT_EQ(Rect(image), square);
    EXPECT_EQ(Stored(image).size(), QSize(100, 50));
    Page().UndoEActionAndSRefresh();
    EXPECT_TRUE(Stored(image).isNull());

    // A high picture moves the right edge in.
    Page().RedoEActionAndSRefresh();
    Page().RedoEActionAndSRefresh();
    Choose({image});
    Load(WritePicture("high.bmp", 30, 120));
    EXPECT_EQ(Rect(image), CRect(10 * kDot, 20 * kDot, 10 * kDot + 125000, 70 * kDot));
}

TEST_F(XFImageTest, AFileThatIsNoPictureChangesNothing) {
    Start();
    const std::string text = dir + "/notes.bmp";
    testsupport::WriteFileBytes(text, "BM but no picture at all");
    const int before = Page().GetCurrentEAIndex();
    const CRect rect = Rect(image);
    Load(text);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Cannot load image from " + text);
    EXPECT_EQ(ui.messages[0].caption, "Loading Failed");
    EXPECT_EQ(Page().GetCurrentEAIndex(), before);
    EXPECT_TRUE(Stored(image).isNull());
    EXPECT_EQ(Rect(image), rect);

    // Cancelled, or a file that is not there: nothing at all.
    Load(std::nullopt);
    Load(dir + "/missing.bmp");
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(Page().GetCurrentEAIndex(), before);
}

TEST_F(XFImageTest, KeepRatioRecordsTheAttributeAndFollowsTheRecord) {
    Start();
    QCheckBox& check = *Panel().GetRatioCheck();
    const bool initial = check.isChecked();
    for (const bool on : {!initial, initial}) {
        SCOPED_TRACE(on);
        const int before = Page().GetCurrentEAIndex();
        // Once with the mouse, once with the space bar.
        if (on != initial) {
            QTest::mouseClick(&check, Qt::LeftButton, {}, QPoint(8, check.height() / 2));
        } else {
            check.setFocus();
            QTest::keyClick(&check, Qt::Key_Space);
        }
        ASSERT_EQ(check.isChecked(), on);
        const std::string value = on ? "1" : "0";
        EXPECT_EQ(Page().GetCurrentEAIndex(), before + 1);
        EXPECT_EQ(Action(0).m_strWOATPKey, szUTP_KEEP_XYRATIO);
        EXPECT_EQ(Page().GetWObjById(image)->GetUTProps().GetString(szUTP_KEEP_XYRATIO), value);
        EXPECT_EQ(Page().GetWOEUTProps().GetString(szUTP_KEEP_XYRATIO), value);
    }
    // Filling reads the page's record without recording.
    const int before = Page().GetCurrentEAIndex();
    for (const char* value : {"1", "0", "7"}) {
        Page().GetWOEUTProps().SetString(szUTP_KEEP_XYRATIO, value);
        frame->SRefreshSREvent(3);
        EXPECT_EQ(check.isChecked(), std::string(value) != "0") << value;
    }
    EXPECT_EQ(Page().GetCurrentEAIndex(), before);

    // The object is fitted whatever the check box says.
    Page().GetWOEUTProps().SetString(szUTP_KEEP_XYRATIO, "0");
    frame->SRefreshSREvent(3);
    Load(WritePicture("wide.bmp", 100, 50));
    EXPECT_EQ(Rect(image).bottom, 70 * kDot);
}

TEST(XFImageFitTest, SizesFitTheLCDWithAtLeastOnePixel) {
    struct Case {
        CSize picture, lcd, fitted;
    };
    const std::vector<Case> cases = {
        {{640, 480}, {320, 240}, {320, 240}},
        {{100, 50}, {320, 240}, {100, 50}},
        {{320, 240}, {320, 240}, {320, 240}},
        {{321, 240}, {320, 240}, {320, 239}},
        {{320, 241}, {320, 240}, {318, 240}},
        {{2000, 3}, {320, 240}, {320, 1}},
        {{3, 2000}, {320, 240}, {1, 240}},
        {{1, 100000}, {320, 240}, {1, 240}},
        {{INT_MAX, INT_MAX}, {320, 240}, {240, 240}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitXFImageSize(c.picture, c.lcd), c.fitted)
            << c.picture.cx << " x " << c.picture.cy;
}

TEST(XFImageFitTest, RectanglesTakeThePictureRatioWithoutOverflow) {
    constexpr LONG M = 10000;
    struct Case {
        const char* name;
        CRect rect;
        CSize picture;
        CRect fitted;
    };
    const std::vector<Case> cases = {
        {"wide in a square", {0, 0, 100 * M, 100 * M}, {100, 50}, {0, 0, 100 * M, 50 * M}},
        {"high in a square", {0, 0, 100 * M, 100 * M}, {50, 100}, {0, 0, 50 * M, 100 * M}},
        {"same ratio", {5, 5, 45, 35}, {4, 3}, {5, 5, 45, 35}},
        {"mirrored", {100, 80, 0, 0}, {1, 1}, {0, 0, 80, 80}},
        {"truncated", {0, 0, 10, 10}, {3, 1}, {0, 0, 10, 3}},
        {"zero width", {7, 9, 7, 40}, {20, 10}, {7, 9, 7, 9}},
        {"zero height", {7, 9, 50, 9}, {10, 20}, {7, 9, 7, 9}},
        {"a point", {7, 9, 7, 9}, {10, 20}, {7, 9, 7, 9}},
        // Products past 32 bits: a 1280 x 1024 LCD's rectangle.
        {"large", {0, 0, 1280 * M, 1024 * M}, {1280, 1000}, {0, 0, 1280 * M, 1000 * M}},
        {"whole range",
         {-2000000000, -2000000000, 2000000000, 2000000000},
         {100, 50},
         {-2000000000, -2000000000, 2000000000, 0}},
        {"no picture", {0, 0, 10, 10}, {0, 5}, {0, 0, 10, 10}},
    };
    for (const Case& c : cases) EXPECT_EQ(FitXFImageRect(c.rect, c.picture), c.fitted) << c.name;
}

}  // namespace
