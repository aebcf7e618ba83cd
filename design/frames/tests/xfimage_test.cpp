// The image panel inside a started main frame (the program's own wiring of
// the image library): what a load stores and records, failures, the ratio
// check box, and the fitting rules.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <climits>
#include <string>
#include <vector>

#include "design/frames/tests/mainframetesting.h"
#include "foundation/fxbutton.h"
#include "foundation/fxutilswnd.h"

namespace {

using mainframetesting::kDot;

class XFImageTest : public mainframetesting::MainFrameTest {
protected:
    // A 320 x 240 LCD and one image object of 100 x 100 dots at (10, 20),
    // chosen.
    void Start() {
        ASSERT_EQ(Init(320, 240), 1);
        OpenForm();
        image = Make(nDSG_WOKIND__WOIMAGE, CRect(10 * kDot, 20 * kDot, 110 * kDot, 120 * kDot));
        Choose({image});
    }
    void Choose(const std::set<int>& ids) {
        Page().WOChoose(ids, TRUE);
        frame->SRefreshSREvent(3);
    }
    CDlgXFImage& Panel() { return *frame->GetXFFrame()->GetImagePanel(); }

    // A BMP written by Qt: left half red, right half blue.
    std::string WritePicture(int width, int height) {
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(qRgb(255, 0, 0));
        QPainter(&picture).fillRect(width / 2, 0, width - width / 2, height, QColor(0, 0, 255));
        const std::string path = dir + "/picture.bmp";
        EXPECT_TRUE(picture.save(QString::fromStdString(path), "BMP"));
        return path;
    }
    // Clicks "Load" with the mouse, the file dialog answered with `path`.
    void Load(const std::optional<std::string>& path) {
        ui.fileAnswers.push_back(path);
        CFxButton& button = *Panel().GetLoadButton();
        ASSERT_TRUE(button.isVisible() && button.isEnabled());
        QTest::mouseClick(&button, Qt::LeftButton, {}, button.rect().center());
    }
    // The picture stored in an object, decoded by Qt; null without one.
    QImage Stored(int id) {
        const CRevolver* block = Page().GetWObjById(id)->GetUTProps().FindRevolver(szUTP_OBWBMP);
        if (!block) return {};
        const CRevolver& bytes = *block;
        QByteArray data(bytes.GetLength(), '\0');
        if (!bytes.ReadAt(data.data(), bytes.GetLength(), 0)) return {};
        return QImage::fromData(data, "BMP");
    }
    CRect Rect(int id) { return Page().GetWObjById(id)->GetNTProps().GetLMHugeRect(); }
    const CDsgEAction& Action(int fromEnd) {
        return *Page().GetEAction(Page().GetCurrentEAIndex() - fromEnd);
    }

    int image = -1;
};

TEST_F(XFImageTest, PicturesAreStoredAtTheirSizeOrShrunkToTheLCD) {
    Start();
    struct Case {
        int width, height;
        QSize stored;
    };
    const std::vector<Case> cases = {
        {37, 21, {37, 21}},
        {320, 240, {320, 240}},
        {640, 480, {320, 240}},
        {200, 480, {100, 240}},
        // Thin pictures keep at least one pixel a side.
        {2000, 3, {320, 1}},
        {3, 2000, {1, 240}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        Load(WritePicture(c.width, c.height));
        EXPECT_TRUE(ui.messages.empty());
        const QImage stored = Stored(image);
        ASSERT_EQ(stored.size(), c.stored);
        // Red stays left, blue right.
        const int y = stored.height() / 2;
        if (stored.width() >= 8) {
            EXPECT_EQ(stored.pixel(0, y) & 0xFFFFFF, 0xFF0000u);
            EXPECT_EQ(stored.pixel(stored.width() - 1, y) & 0xFFFFFF, 0x0000FFu);
        }
    }
    // One file dialog per load, for image files first.
    ASSERT_EQ(ui.fileRequests.size(), cases.size());
    EXPECT_FALSE(ui.fileRequests[0].save);
    EXPECT_EQ(ui.fileRequests[0].title, "Select an Image File");
    EXPECT_EQ(ui.fileRequests[0].filter,
              "Image Files(*.bmp;*.jpg;*.gif;*.png;*.ico;*.tif;*.pcx)|"
              "*.bmp;*.jpg;*.gif;*.png;*.ico;*.tif;*.pcx|" +
                  MakeBrowseFilter("", ""));
    // "Load" looks like a button without the pointer over it: its edges are
    // drawn, not the panel's face.
    {
        CFxButton& button = *Panel().GetLoadButton();
        ASSERT_FALSE(button.IsHover());
        const QImage look = button.grab().toImage();
        const QRgb face = ToQRgb(GetSysColor(COLOR_BTNFACE)) & 0xFFFFFF;
        int edge = 0;
        for (int x = 0; x < look.width(); ++x)
            for (int y : {0, 1, look.height() - 2, look.height() - 1})
                if ((look.pixel(x, y) & 0xFFFFFF) != face) ++edge;
        EXPECT_GT(edge, look.width());
    }
    // "Load" needs exactly one object.
    Choose({image, Make(nDSG_WOKIND__WOIMAGE, CRect(150 * kDot, 0, 200 * kDot, 40 * kDot))});
    EXPECT_TRUE(Panel().isVisible());
    EXPECT_FALSE(Panel().GetLoadButton()->isEnabled());
}

TEST_F(XFImageTest, TheObjectFitsThePictureAsASecondUndoStep) {
    Start();
    const CRect square = Rect(image);
    Load(WritePicture(100, 50));
    // The width is kept, the height halved.
    EXPECT_EQ(Rect(image), CRect(10 * kDot, 20 * kDot, 110 * kDot, 70 * kDot));
    EXPECT_EQ(Action(0).GetEAType(), nDSG_EATYPE__DRMOVE);
    EXPECT_EQ(Action(1).GetEAType(), nDSG_EATYPE__WOAMEND);
    EXPECT_EQ(Action(1).GetEASwift(), 0);

    Page().UndoEActionAndSRefresh();
    EXPECT_EQ(Rect(image), square);
    EXPECT_EQ(Stored(image).size(), QSize(100, 50));
    Page().UndoEActionAndSRefresh();
    EXPECT_TRUE(Stored(image).isNull());
}

// The image tool drags an object with the mouse; a picture loaded into it
// gives it the picture's proportions, whatever "Keep X-Y Ratio" says.
TEST_F(XFImageTest, AnObjectDrawnWithTheImageToolTakesThePictureRatio) {
    ASSERT_EQ(Init(320, 240), 1);
    OpenForm();
    Page().GetWOEUTProps().SetString(szUTP_KEEP_XYRATIO, "0");
    const int drawn = Draw(7, At(20, 30), At(140, 130));
    ASSERT_NE(Page().GetWObjById(drawn), nullptr);
    ASSERT_EQ(Page().GetWObjById(drawn)->GetNTProps().GetWOKind(), nDSG_WOKIND__WOIMAGE);
    Choose({drawn});
    ASSERT_FALSE(Panel().GetRatioCheck()->isChecked());
    Load(WritePicture(64, 32));
    EXPECT_EQ(Stored(drawn).size(), QSize(64, 32));
    const CRect rect = Rect(drawn);
    EXPECT_GT(rect.Width(), 100 * kDot);
    EXPECT_NEAR(static_cast<double>(rect.Width()) / rect.Height(), 2.0, 1e-4);
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
    // Cancelled, or a file that is not there: not even a message.
    Load(std::nullopt);
    Load(dir + "/missing.bmp");
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(Page().GetCurrentEAIndex(), before);
    EXPECT_TRUE(Stored(image).isNull());
    EXPECT_EQ(Rect(image), rect);
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
}

TEST(XFImageFitTest, SizesFitTheLCDWithAtLeastOnePixel) {
    struct Case {
        CSize picture, fitted;
    };
    const std::vector<Case> cases = {
        {{100, 50}, {100, 50}}, {{321, 240}, {320, 239}}, {{320, 241}, {318, 240}},
        {{2000, 3}, {320, 1}},  {{1, 100000}, {1, 240}},  {{INT_MAX, INT_MAX}, {240, 240}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitXFImageSize(c.picture, CSize(320, 240)), c.fitted)
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
        {"high in a square", {0, 0, 100 * M, 100 * M}, {50, 100}, {0, 0, 50 * M, 100 * M}},
        {"same ratio", {5, 5, 45, 35}, {4, 3}, {5, 5, 45, 35}},
        {"mirrored", {100, 80, 0, 0}, {1, 1}, {0, 0, 80, 80}},
        {"truncated", {0, 0, 10, 10}, {3, 1}, {0, 0, 10, 3}},
        {"zero width", {7, 9, 7, 40}, {20, 10}, {7, 9, 7, 9}},
        {"zero height", {7, 9, 50, 9}, {10, 20}, {7, 9, 7, 9}},
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
