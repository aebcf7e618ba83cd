// The pixel-art program as it runs: its menu, commands and enable rules, its
// files and its window.

#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QKeySequence>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <functional>
#include <optional>

#include "apps/pixelart/orvantadialogs.h"
#include "apps/pixelart/tests/orvantatesting.h"
#include "foundation/fxaboutbox.h"
#include "foundation/fxtoolbar.h"
#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "foundation/pixel/fxhyperlink.h"
#include "platform/atomicfile.h"
#include "platform/clipboard.h"
#include "platform/window.h"

using namespace orvantatest;

namespace {

const CPoint kInArea(20, 36);  // a pixel of the default working area (cells 1..2, row 2)

std::vector<std::string> RecentPaths(Orvanta& o) { return o.Doc().GetRecentFiles().GetPaths(); }

// Another program's clipboard offer: its formats are listed, and every
// fetch of its bytes is counted (each one a transfer from that program).
class ForeignOffer : public QMimeData {
public:
    ForeignOffer(QString format, QByteArray bytes)
        : m_format(std::move(format)), m_bytes(std::move(bytes)) {}
    QStringList formats() const override { return {m_format}; }
    mutable int fetches = 0;

protected:
    QVariant retrieveData(const QString& format, QMetaType) const override {
        ++fetches;
        return format == m_format ? QVariant(m_bytes) : QVariant();
    }

private:
    QString m_format;
    QByteArray m_bytes;
};

QByteArray Png(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void WriteState(const std::string& bytes) {
    ASSERT_TRUE(MakeFolderPathFor(CMainFrame::GetStateFilePath()));
    testsupport::WriteFileBytes(CMainFrame::GetStateFilePath(), bytes);
    ASSERT_EQ(testsupport::ReadFileBytes(CMainFrame::GetStateFilePath()), bytes);
}

}  // namespace

TEST(MenuTest, Menu128HasItsTextsAndAccelerators) {
    struct Item {
        UINT id;
        const char* text;
        const char* keys;
    };
    const Item expected[] = {
        {57600, "New\tCtrl+N", "Ctrl+N"},
        {57601, "Open...\tCtrl+O", "Ctrl+O"},
        {32778, "Save\tCtrl+S", "Ctrl+S"},
        {57604, "Save As...", ""},
        {57665, "Exit", ""},
        {32771, "Clear All", ""},
        {32773, "Undo\tCtrl+Z", "Ctrl+Z"},
        {32772, "Redo\tCtrl+Y", "Ctrl+Y"},
        {32776, "Cut\tCtrl+X", "Ctrl+X"},
        {32774, "Copy\tCtrl+C", "Ctrl+C"},
        {32775, "Paste\tCtrl+V", "Ctrl+V"},
        {32777, "Select All\tCtrl+A", "Ctrl+A"},
        {57664, "About Orvanta...", ""},
    };
    Folders folders;
    Orvanta o;
    for (const Item& item : expected) {
        SCOPED_TRACE(item.id);
        QAction* action = o.Frame().GetCommandAction(item.id);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text().toStdString(), item.text);
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(item.keys)));
    }
    EXPECT_EQ(o.Frame().minimumSize(), QSize(400, 350));
    EXPECT_EQ(o.Frame().windowTitle().toStdString(), "Orvan - Orvanta");
}

// Every command once, in an order in which each one's effect shows.
TEST(MenuTest, EveryCommandRunsOnTheProgramWithItsEffect) {
    Folders folders;
    const std::string saved = folders.data + "/first.lmr";
    const std::string other = folders.data + "/other.lmr";
    WriteProject(other, {CPoint(5, 5)});
    Orvanta o;
    struct Step {
        const char* name;
        UINT id;
        std::function<void()> before;
        std::function<void()> check;
    };
    std::vector<int> afterCut;
    const std::vector<Step> steps = {
        {"New", ID_FILE_NEW,
         [&] {
             o.Draw({kInArea});
             o.ui.messageAnswers = {IDNO};
         },
         [&] {
             EXPECT_EQ(o.Pixel(kInArea.x, kInArea.y), 0xFFFFFF);
             EXPECT_EQ(o.Canvas().GetYUStepCount(), 0);
             EXPECT_FALSE(o.Doc().IsModified());
             // The question about the drawn canvas was asked and answered No.
             EXPECT_EQ(o.Messages().back(), "Orvanta|Save changes to Orvan?");
         }},
        {"Save As", ID_FILE_SAVE_AS,
         [&] {
             o.Draw({kInArea});
             o.ui.fileAnswers = {saved};
         },
         [&] {
             EXPECT_EQ(o.ui.fileRequests.back().title, "Save project");
             EXPECT_EQ(o.ui.fileRequests.back().defaultExt, "lmr");
             EXPECT_EQ(o.ui.fileRequests.back().initialPath, "Orvan.lmr");
             EXPECT_NE(o.ui.fileRequests.back().filter.find("Lumaret Project"), std::string::npos);
             CLmrOGJPixel read;
             ASSERT_TRUE(read.OGJPixelFromFile(saved));
             EXPECT_EQ(read.GetJPixelByOSLPoint(kInArea.x, kInArea.y), 0);
             EXPECT_EQ(o.Doc().GetPathName(), saved);
             EXPECT_FALSE(o.Doc().IsModified());
         }},
        {"Save", ID_LMR_SAVE, [&] { o.Draw({CPoint(kInArea.x + 1, kInArea.y)}); },
         [&] {
             // The known path, without a dialog.
             EXPECT_EQ(o.ui.fileRequests.size(), 1u);
             CLmrOGJPixel read;
             ASSERT_TRUE(read.OGJPixelFromFile(saved));
             EXPECT_EQ(read.GetJPixelByOSLPoint(kInArea.x + 1, kInArea.y), 0);
             EXPECT_FALSE(o.Doc().IsModified());
         }},
        {"Save during a selection move", ID_LMR_SAVE,
         [&] {
             // The pixels at kInArea + 1 and + 2 are selected and dragged 2
             // to the right; the button is still down when Ctrl+S comes.
             CLmrEGJPWindow& zoom = *o.ZoomFrame().GetEGJPWindow();
             auto at = [&](int x) {
                 const CRect r = zoom.OSLToClientRect(x, kInArea.y);
                 return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
             };
             o.Draw({CPoint(kInArea.x + 8, kInArea.y)});
             o.ZoomFrame().OnEnableGJPSelect();
             QWidget* port = zoom.viewport();
             QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, at(kInArea.x + 1));
             QMouseEvent band(QEvent::MouseMove, at(kInArea.x + 2),
                              port->mapToGlobal(at(kInArea.x + 2)), Qt::NoButton, Qt::LeftButton,
                              Qt::NoModifier);
             QApplication::sendEvent(port, &band);
             QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, at(kInArea.x + 2));
             QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, at(kInArea.x + 1));
             QMouseEvent move(QEvent::MouseMove, at(kInArea.x + 3),
                              port->mapToGlobal(at(kInArea.x + 3)), Qt::NoButton, Qt::LeftButton,
                              Qt::NoModifier);
             QApplication::sendEvent(port, &move);
             ASSERT_TRUE(zoom.IsMoving());
         },
         [&] {
             // The file holds the pixel values where they were shown, and
             // the document is saved.
             CLmrOGJPixel read;
             ASSERT_TRUE(read.OGJPixelFromFile(saved));
             EXPECT_EQ(read.GetJPixelByOSLPoint(kInArea.x + 3, kInArea.y), 0);
             EXPECT_EQ(read.GetJPixelByOSLPoint(kInArea.x + 1, kInArea.y), 0xFFFFFF);
             EXPECT_FALSE(o.Doc().IsModified());
             o.ZoomFrame().OnEnableUJPixel();
         }},
        {"Open", ID_FILE_OPEN, [&] { o.ui.fileAnswers = {other}; },
         [&] {
             EXPECT_EQ(o.Pixel(5, 5), 0);
             EXPECT_EQ(o.Pixel(kInArea.x, kInArea.y), 0xFFFFFF);
             EXPECT_EQ(o.Doc().GetPathName(), other);
             EXPECT_EQ(o.Frame().windowTitle().toStdString(), "other.lmr - Orvanta");
         }},
        {"Recent file", ID_FILE_MRU_FILE1 + 1, [&] {},
         [&] {
             EXPECT_EQ(o.Doc().GetPathName(), saved);
             EXPECT_EQ(RecentPaths(o), (std::vector<std::string>{saved, other}));
         }},
        {"Select All", ID_LMR_SELECTALL, [&] {},
         [&] {
             EXPECT_TRUE(LmrEGJPEState()->HasSelection());
             EXPECT_TRUE(o.Frame().IsCommandEnabled(ID_LMR_COPY));
         }},
        {"Copy", ID_LMR_COPY, [&] { EmptyClipboard(); },
         [&] {
             CSize size;
             ASSERT_TRUE(IsClipboardImageAvailable(&size));
             EXPECT_EQ(size, CSize(32, 16));
         }},
        {"Cut", ID_LMR_CUT, [&] {},
         [&] {
             EXPECT_EQ(o.Pixel(kInArea.x, kInArea.y), 0xFFFFFF);
             EXPECT_TRUE(o.Doc().IsModified());
             afterCut = {o.Canvas().GetYUStepCount(), o.Canvas().GetYUPosition()};
         }},
        {"Paste", ID_LMR_PASTE, [&] {},
         [&] {
             EXPECT_EQ(o.Canvas().GetYUStepCount(), afterCut[0] + 1);
             EXPECT_EQ(LmrEGJPEState()->m_nMode, CLmrEGJPEState::EM_FLOATING);
         }},
        {"Undo", ID_LMR_UNDO, [&] {}, [&] { EXPECT_EQ(o.Canvas().GetYUPosition(), afterCut[1]); }},
        {"Redo", ID_LMR_REDO, [&] {},
         [&] { EXPECT_EQ(o.Canvas().GetYUPosition(), afterCut[1] + 1); }},
        {"Clear All", ID_LMR_CLEARALL, [&] { o.ui.messageAnswers = {IDYES}; },
         [&] {
             EXPECT_EQ(o.Messages().back(), "Clear All|Clear all ? This action cannot be undone.");
             EXPECT_EQ(o.Canvas().GetYUStepCount(), 0);
             EXPECT_EQ(o.Pixel(kInArea.x + 1, kInArea.y), 0xFFFFFF);
             EXPECT_FALSE(o.Frame().IsCommandEnabled(ID_LMR_UNDO));
             EXPECT_FALSE(o.Frame().IsCommandEnabled(ID_LMR_REDO));
         }},
        {"About", ID_APP_ABOUT,
         [&] {
             SetDialogHook([](QDialog& dialog) {
                 EXPECT_EQ(GetHwndText(GetDlgItem(&dialog, 1000)), "Orvanta " + GetVersionText());
                 auto* link = dynamic_cast<CFxHyperLink*>(GetDlgItem(&dialog, 1002));
                 EXPECT_NE(link, nullptr);
                 if (link) {
                     EXPECT_EQ(link->GetLinkTarget(), "https://www.example.org/orvanta");
                 }
                 return IDOK;
             });
         },
         [&] { SetDialogHook({}); }},
        {"Exit", ID_APP_EXIT, [&] { o.ui.messageAnswers = {IDNO}; },
         [&] { EXPECT_FALSE(o.Frame().isVisible()); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.before();
        o.Frame().UpdateCommandUI();
        ASSERT_TRUE(o.Frame().IsCommandEnabled(step.id));
        ASSERT_TRUE(o.Frame().OnCommand(step.id));
        Orvanta::Settle();
        step.check();
    }
}

TEST(MenuTest, EnableRulesFollowTheDocumentAndTheUndoBuffer) {
    Folders folders;
    Orvanta o;
    CMainFrame& f = o.Frame();
    EXPECT_FALSE(f.IsCommandEnabled(ID_LMR_SAVE));
    EXPECT_FALSE(f.IsCommandEnabled(ID_LMR_CLEARALL));
    EXPECT_FALSE(f.IsCommandEnabled(ID_LMR_UNDO));
    EXPECT_FALSE(f.IsCommandEnabled(ID_LMR_CUT));
    EXPECT_FALSE(f.OnCommand(ID_LMR_UNDO));
    o.Draw({kInArea});
    EXPECT_TRUE(f.IsCommandEnabled(ID_LMR_SAVE));
    EXPECT_TRUE(f.IsCommandEnabled(ID_LMR_CLEARALL));
    EXPECT_TRUE(f.IsCommandEnabled(ID_LMR_UNDO));
    EXPECT_FALSE(f.IsCommandEnabled(ID_LMR_REDO));
    // The tool bar follows the same rules.
    f.UpdateCommandUI();
    EXPECT_TRUE(f.GetToolBar()->GetButtonAction(ID_LMR_SAVE)->isEnabled());
    EXPECT_FALSE(f.GetToolBar()->GetButtonAction(ID_LMR_COPY)->isEnabled());
    o.ui.fileAnswers = {folders.data + "/a.lmr"};
    ASSERT_TRUE(f.OnCommand(ID_LMR_SAVE));
    EXPECT_FALSE(f.IsCommandEnabled(ID_LMR_SAVE));
    f.UpdateCommandUI();
    EXPECT_FALSE(f.GetToolBar()->GetButtonAction(ID_LMR_SAVE)->isEnabled());
}

// Paste is enabled by what the clipboard offers, asked every 250 ms without
// fetching another program's picture; the paste itself reads and checks it.
TEST(MenuTest, PasteIsEnabledByTheOfferedFormatsWithoutFetchingThePicture) {
    Folders folders;
    Orvanta o;
    struct Case {
        const char* name;
        const char* format;
        QByteArray bytes;
        bool enabled;
        int steps;  // added by the paste
    };
    const Case cases[] = {
        {"a picture", "image/png", Png(8, 4), true, 1},
        {"a bitmap", "image/bmp", QByteArray("BM"), true, 0},
        {"bytes that are no picture", "image/png", QByteArray("\x89PNG\r\n\x1a\n"), true, 0},
        {"text", "text/plain", QByteArray("DEFCHR"), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* offer = new ForeignOffer(QString::fromLatin1(c.format), c.bytes);
        QGuiApplication::clipboard()->setMimeData(offer);
        for (int poll = 0; poll < 3; ++poll) o.Frame().UpdateCommandUI();
        EXPECT_EQ(o.Frame().IsCommandEnabled(ID_LMR_PASTE), c.enabled);
        EXPECT_EQ(o.Frame().GetCommandAction(ID_LMR_PASTE)->isEnabled(), c.enabled);
        EXPECT_EQ(offer->fetches, 0);
        const int steps = o.Canvas().GetYUStepCount();
        EXPECT_EQ(o.Frame().OnCommand(ID_LMR_PASTE), c.enabled);
        Orvanta::Settle();
        EXPECT_EQ(o.Canvas().GetYUStepCount(), steps + c.steps);
        EXPECT_EQ(offer->fetches > 0, c.enabled);
    }
    EmptyClipboard();
}

// Ctrl+Z pressed in the zoomed view, with the menu's Undo action on the same
// keys in the window: one step goes, not two.
TEST(MenuTest, CtrlZInTheZoomedViewUndoesExactlyOneStep) {
    Folders folders;
    Orvanta o;
    o.Draw({kInArea});
    o.Draw({CPoint(kInArea.x + 1, kInArea.y)});
    o.Draw({CPoint(kInArea.x + 2, kInArea.y)});
    ASSERT_EQ(o.Canvas().GetYUPosition(), 2);
    QWidget* view = o.Engine().GetEGJPWindow();
    o.Frame().activateWindow();
    view->setFocus();
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : view, Qt::Key_Z,
                    Qt::ControlModifier);
    Orvanta::Settle();
    EXPECT_EQ(o.Canvas().GetYUPosition(), 1);
    EXPECT_EQ(o.Pixel(kInArea.x + 2, kInArea.y), 0xFFFFFF);
    EXPECT_EQ(o.Pixel(kInArea.x + 1, kInArea.y), 0);
}

TEST(DocumentTest, OpenStartsTheEngineAfreshOnTheFileRead) {
    Folders folders;
    const std::string file = folders.data + "/pic.lmr";
    WriteProject(file, {CPoint(7, 7)});
    Orvanta o;
    o.Draw({kInArea});
    o.Draw({CPoint(kInArea.x + 1, kInArea.y)});
    o.Frame().OnCommand(ID_LMR_SELECTALL);
    o.Canvas().SetPGInfo(30, 30, 0, CLmrOGJPixel::kPGMark, 0);
    o.ui.messageAnswers = {IDNO};
    ASSERT_TRUE(o.Doc().OpenDocumentFile(file));
    EXPECT_EQ(o.Canvas().GetYUStepCount(), 0);
    EXPECT_EQ(o.Canvas().GetPGInfoByOSLPoint(30, 30), 0u);
    EXPECT_EQ(LmrEGJPEState()->m_nMode, CLmrEGJPEState::EM_IDLE);
    EXPECT_FALSE(o.Frame().IsCommandEnabled(ID_LMR_UNDO));
    // Undo cannot reach back into the previous picture.
    EXPECT_FALSE(o.Frame().OnCommand(ID_LMR_UNDO));
    EXPECT_EQ(o.Pixel(7, 7), 0);
    EXPECT_FALSE(o.Doc().IsModified());
}

TEST(DocumentTest, AFailedOpenChangesNothing) {
    Folders folders;
    const std::string good = folders.data + "/good.lmr";
    const std::string bytes = WriteProject(good, {CPoint(1, 1)});
    struct Case {
        const char* name;
        std::string content;  // empty: no file
    };
    const std::vector<Case> cases = {
        {"missing", ""},
        {"not a project", "This is not a pixel project.\n"},
        {"cut short", bytes.substr(0, bytes.size() / 2)},
        {"empty plane", std::string(bytes.size(), '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bad = folders.data + "/bad-" + std::to_string(&c - cases.data()) + ".lmr";
        if (!c.content.empty()) testsupport::WriteFileBytes(bad, c.content);
        Orvanta o({good});
        o.Draw({kInArea});
        const auto pixels = std::vector<int>{o.Pixel(1, 1), o.Pixel(kInArea.x, kInArea.y)};
        const std::string title = o.Frame().windowTitle().toStdString();
        o.ui.messageAnswers = {IDNO};
        EXPECT_FALSE(o.Doc().OpenDocumentFile(bad));
        EXPECT_EQ(o.Messages().back(), "Load Failure|Cannot load the file.");
        EXPECT_EQ((std::vector<int>{o.Pixel(1, 1), o.Pixel(kInArea.x, kInArea.y)}), pixels);
        EXPECT_EQ(o.Canvas().GetYUStepCount(), 1);
        EXPECT_EQ(o.Doc().GetPathName(), good);
        EXPECT_EQ(o.Frame().windowTitle().toStdString(), title);
        EXPECT_TRUE(o.Doc().IsModified());
    }
}

TEST(DocumentTest, AFailedSaveKeepsTheModifiedFlagAndThePath) {
    Folders folders;
    const std::string blocker = folders.data + "/plain";
    testsupport::WriteFileBytes(blocker, "x");
    Orvanta o;
    o.Draw({kInArea});
    for (const std::string& path : {blocker + "/in-a-file.lmr", folders.data})
        EXPECT_FALSE(o.Doc().OnSaveDocument(path)) << path;
    EXPECT_EQ(o.Messages(), (std::vector<std::string>(2, "Error|Failed to save to disk.")));
    EXPECT_TRUE(o.Doc().IsModified());
    EXPECT_EQ(o.Doc().GetPathName(), "");
    EXPECT_TRUE(RecentPaths(o).empty());
    // Saved over an existing project, the file is replaced whole.
    const std::string file = folders.data + "/p.lmr";
    WriteProject(file, {CPoint(3, 3)});
    ASSERT_TRUE(o.Doc().OnSaveDocument(file));
    CLmrOGJPixel read;
    ASSERT_TRUE(read.OGJPixelFromFile(file));
    EXPECT_EQ(read.GetJPixelByOSLPoint(3, 3), 0xFFFFFF);
    EXPECT_EQ(read.GetJPixelByOSLPoint(kInArea.x, kInArea.y), 0);
    EXPECT_EQ(testsupport::ReadFileBytes(folders.data + "/Orvanta/orvanta.ini").find(file) !=
                  std::string::npos,
              true);
}

// Save and Save As that cannot write say so; the document stays as it was,
// modified, with its path and title, and the file on disk is the last good one.
TEST(DocumentTest, SaveAndSaveAsThatCannotWriteSaySoAndKeepTheDocument) {
    Folders folders;
    const std::string blocker = folders.data + "/plain";
    testsupport::WriteFileBytes(blocker, "x");
    const std::string file = folders.data + "/kept.lmr";
    const std::string good = WriteProject(file, {CPoint(3, 3)});
    Orvanta o({file});
    o.Draw({kInArea});
    const std::string title = o.Frame().windowTitle().toStdString();
    // Every temporary name beside the file is taken: the write cannot start.
    SetTemporaryNameSourceForTest([] { return std::string(16, '0'); });
    testsupport::WriteFileBytes(
        folders.data + "/.~dravik." + std::to_string(getpid()) + "." + std::string(16, '0'), "");
    struct Case {
        const char* name;
        UINT id;
        std::optional<std::string> answer;
    };
    for (const Case& c : {Case{"Ctrl+S", ID_LMR_SAVE, std::nullopt},
                          Case{"Save As", ID_FILE_SAVE_AS, blocker + "/in-a-file.lmr"}}) {
        SCOPED_TRACE(c.name);
        o.ui.messages.clear();
        if (c.answer) o.ui.fileAnswers = {c.answer};
        EXPECT_TRUE(o.Frame().OnCommand(c.id));
        EXPECT_EQ(o.Messages(), (std::vector<std::string>{"Error|Failed to save to disk."}));
        EXPECT_TRUE(o.Doc().IsModified());
        EXPECT_TRUE(o.Frame().IsCommandEnabled(ID_LMR_SAVE));
        EXPECT_EQ(o.Doc().GetPathName(), file);
        EXPECT_EQ(o.Frame().windowTitle().toStdString(), title);
        EXPECT_EQ(testsupport::ReadFileBytes(file), good);
        EXPECT_FALSE(IsPathExisting(blocker + "/in-a-file.lmr"));
    }
    SetTemporaryNameSourceForTest({});
}

TEST(DocumentTest, CommandLineOpensAFileOrSaysWhyAndStartsNew) {
    Folders folders;
    const std::string good = folders.data + "/cmd.lmr";
    WriteProject(good, {CPoint(9, 9)});
    const std::string bad = folders.data + "/bad.lmr";
    testsupport::WriteFileBytes(bad, "garbage");
    {
        Orvanta o({good});
        EXPECT_EQ(o.Pixel(9, 9), 0);
        EXPECT_EQ(o.Doc().GetPathName(), good);
        EXPECT_TRUE(o.ui.messages.empty());
    }
    {
        Orvanta o({bad});
        EXPECT_EQ(o.Messages(), (std::vector<std::string>{"Load Failure|Cannot load the file."}));
        EXPECT_EQ(o.Doc().GetPathName(), "");
        EXPECT_EQ(o.Pixel(9, 9), 0xFFFFFF);
        EXPECT_TRUE(o.Frame().isVisible());
        EXPECT_FALSE(o.Doc().IsModified());
    }
}

TEST(DocumentTest, EngineChangesMarkTheDocumentThroughTheProgramsOwnView) {
    Folders folders;
    Orvanta o;
    EXPECT_FALSE(o.Doc().IsModified());
    // A walk of the working area is an edit like any other.
    ASSERT_TRUE(o.Engine().GetOGJPWFrame()->GJPEAANPerformByGJPCGZWalk(GJPCGZ_RIGHT));
    Orvanta::Settle();
    EXPECT_TRUE(o.Doc().IsModified());
    EXPECT_EQ(o.Frame().windowTitle().toStdString(), "Orvan - Orvanta");
}

TEST(WindowStateTest, ClosingWritesThePlaceAndTheNextStartUsesIt) {
    Folders folders;
    {
        Orvanta o;
        o.Frame().move(40, 30);
        o.Frame().resize(640, 480);
    }
    const std::string state = testsupport::ReadFileBytes(CMainFrame::GetStateFilePath());
    EXPECT_NE(state.find("cx=640"), std::string::npos) << state;
    EXPECT_NE(state.find("cy=480"), std::string::npos) << state;
    Orvanta again;
    EXPECT_EQ(again.Frame().size(), QSize(640, 480));
}

TEST(WindowStateTest, DamagedOrSmallStatesGiveAUsableWindow) {
    for (const std::string& bytes :
         {std::string("max=1&x=abc&cy=\xFF"), std::string(), std::string("\0\x01\x02", 3),
          std::string("x=-99999&y=-99999&cx=5&cy=5&max=0"), std::string("x=10&y=10"),
          std::string("max=0&x=0&y=0&cx=100000&cy=100000")}) {
        SCOPED_TRACE(bytes);
        Folders folders;
        WriteState(bytes);
        Orvanta o;
        EXPECT_GE(o.Frame().width(), CMainFrame::kMinWidth);
        EXPECT_GE(o.Frame().height(), CMainFrame::kMinHeight);
        EXPECT_LE(o.Frame().width(), GetScreenSize().cx);
        EXPECT_LE(o.Frame().height(), GetScreenSize().cy);
        EXPECT_TRUE(QRect(QPoint(0, 0), QSize(GetScreenSize().cx, GetScreenSize().cy))
                        .intersects(o.Frame().geometry()));
    }
}
