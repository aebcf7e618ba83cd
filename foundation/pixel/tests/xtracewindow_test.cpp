#include "foundation/pixel/xtracewindow.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <cstring>
#include <memory>
#include <random>

#include "platform/paths.h"
#include "platform/testing/testsupport.h"
#include "platform/window.h"

namespace {

class XTraceWindowTest : public ::testing::Test {
protected:
    XTraceWindowTest() : window(testsupport::MakeTempFolder("x") + "/trace") {}
    void Record(const std::string& text) { window.OnCopyData(text.data(), text.size()); }
    std::string Area(int i) const { return window.GetArea(i)->toPlainText().toStdString(); }
    XTraceWindow window;
};

TEST_F(XTraceWindowTest, StatusRecordsGoToThePaneOfTheirKeysCharacterSum) {
    // Character sums: "a" 97 (pane 1), "c" 99 (pane 0), "d" 100 (pane 1).
    Record("xts:a=1");
    Record("xts:d=4=four");  // split at the first "="
    Record("xts:c=3");
    Record("xts:gone=x");
    Record("xtd:gone");
    ASSERT_TRUE(FireTimerForTest(&window, 1));
    EXPECT_EQ(GetTimerPeriod(&window, 1), 50u);
    EXPECT_EQ(Area(2), "c=3");
    EXPECT_EQ(Area(3), "a=1,  d=4=four");
    EXPECT_EQ(Area(4), "");
    for (const char* key : {"xtd:a", "xtd:c", "xtd:d"}) Record(key);
    EXPECT_TRUE(window.GetStatusTable().empty());
    // Each record is taken by its byte count; a zero byte ends its text.
    window.OnCopyData("xts:k=vMORE", 7);
    Record(std::string("xts:z=y\0junk", 12));
    EXPECT_EQ(window.GetStatusTable(),
              (std::map<std::string, std::string>{{"k", "v"}, {"z", "y"}}));
}

TEST_F(XTraceWindowTest, LogLinesTakeSeededIndentsColoursAndTheClock) {
    SetLocalTimeSource([] { return LocalTime{2026, 1, 1, 4, 9, 5, 7, 0}; });
    window.SetRandomSeed(21);
    std::mt19937 expected(21);
    const std::pair<const char*, std::string> lines[] = {{"xta1:first", "first"},
                                                         {"xta2t:second", "09:05:07 second"},
                                                         {"xta1t:third", "09:05:07 third"}};
    std::string want[2];
    for (const auto& [record, text] : lines) {
        Record(record);
        const int area = record[3] - '1';
        want[area] += std::string(expected() % 10, ' ') + text + "\n";
        const int r = expected() % 150, g = expected() % 150, b = expected() % 150;
        QTextCursor cursor(window.GetArea(area)->document());  // the line's last character
        cursor.movePosition(QTextCursor::End);
        cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::MoveAnchor, 2);
        EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(r, g, b)) << record;
        EXPECT_NE(cursor.charFormat().fontWeight(), QFont::Bold);
    }
    auto plain = [&](int i) { return QString::fromStdString(Area(i)).remove('\r').toStdString(); };
    EXPECT_EQ(plain(0), want[0]);
    EXPECT_EQ(plain(1), want[1]);
    // Hidden while "Display Log" is clear; "xtc" empties both areas.
    window.GetDisplayLogBox()->setChecked(false);
    Record("xta1:hidden");
    EXPECT_EQ(plain(0), want[0]);
    Record("xtc");
    EXPECT_EQ(Area(0) + Area(1), "");
    SetLocalTimeSource(nullptr);
}

TEST_F(XTraceWindowTest, FullLogAreaKeepsOnlyItsLastCharacters) {
    for (int held : {XTraceWindow::kLogCut - 1, XTraceWindow::kLogCut}) {
        QString text(held, QLatin1Char('x'));
        text[held - 1] = QLatin1Char('E');
        window.GetArea(0)->setPlainText(text);
        window.SetRandomSeed(1);
        Record("xta1:z");
        const std::string now = Area(0);
        const bool cut = held >= XTraceWindow::kLogCut;
        const size_t added = now.size() - (cut ? XTraceWindow::kLogKeep : held);
        EXPECT_EQ(now.size(), (cut ? XTraceWindow::kLogKeep : held) + added) << held;
        EXPECT_LE(added, 9u + 3u);  // indent, "z", line end
        EXPECT_EQ(now[(cut ? XTraceWindow::kLogKeep : held) - 1], 'E');
    }
    // No area or pane holds more than its limit: a long record below the cut
    // is cut off at it, as are status pairs that share a pane ("a", "d").
    window.GetArea(0)->setPlainText(QString(XTraceWindow::kLogCut - 1, QLatin1Char('x')));
    Record("xta1:" + std::string(300000, 'y'));
    EXPECT_EQ(window.GetArea(0)->document()->characterCount() - 1, XTraceWindow::kTextLimit);
    Record("xts:a=" + std::string(600000, 'a'));
    Record("xts:d=" + std::string(600000, 'd'));
    window.RefreshStatusPanes();
    EXPECT_EQ(window.GetArea(3)->toPlainText().size(), XTraceWindow::kTextLimit);
}

TEST_F(XTraceWindowTest, PanesAndAreasSitAtExactPixels) {
    struct Case {
        int width, height;
        QRect first, second, panes[3];
    };
    const Case cases[] = {
        {1000,
         600,
         QRect(401, 0, 298, 600),
         QRect(701, 1, 298, 598),
         {QRect(1, 17, 398, 183), QRect(1, 200, 398, 199), QRect(1, 399, 398, 200)}},
        {300,
         500,
         QRect(1, 200, 298, 150),
         QRect(1, 351, 298, 148),
         {QRect(1, 17, 298, 49), QRect(1, 66, 298, 66), QRect(1, 132, 298, 67)}},
    };
    EXPECT_EQ(window.GetDisplayLogBox()->geometry(), QRect(0, 2, 200, 13));
    EXPECT_TRUE(window.GetDisplayLogBox()->isChecked());
    for (const Case& c : cases) {
        window.LayoutChildren(c.width, c.height);
        EXPECT_EQ(window.GetArea(0)->geometry(), c.first) << c.width;
        EXPECT_EQ(window.GetArea(1)->geometry(), c.second) << c.width;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(window.GetArea(2 + i)->geometry(), c.panes[i]) << i;
    }
    Record("xtrect:10,20,110,70");
    EXPECT_EQ(window.geometry(), QRect(10, 20, 100, 50));
    Record("xtrect:30,40");
    EXPECT_EQ(window.geometry().topLeft(), QPoint(30, 40));
    // The widest numbers: extents beyond what a window can be are held to it.
    Record("xtrect:-2147483648,0,2147483647,0");
    EXPECT_EQ(window.geometry().width(), QWIDGETSIZE_MAX);
    Record("xtrect:2147483647,-2147483648,-2147483648,2147483647");
    EXPECT_EQ(window.geometry().size(), QSize(0, QWIDGETSIZE_MAX));
}

TEST(XTraceWindowProcessTest, OneWindowForTheProcess) {
    XTraceWindow* window = XTraceWindow::GetProcessWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(XTraceWindow::GetProcessWindow(), window);
    EXPECT_EQ(window->GetServerName(), XTraceWindow::DefaultServerName());
    EXPECT_FALSE(window->isVisible());
    delete window;  // as the application does at its end
    window = XTraceWindow::GetProcessWindow();
    ASSERT_NE(window, nullptr);
    delete window;
}

// Raw bytes to a socket path, as a foreign process would send them.
bool SendRaw(const std::string& path, const std::string& bytes) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    bool ok =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return ok;
}

bool WaitFor(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST_F(XTraceWindowTest, RecordsFromASecondProcessArriveInOrder) {
    ASSERT_TRUE(window.IsListening());
    const std::string path = window.GetServerName();
    const pid_t child = testsupport::ForkChild([&] {
        // A length beyond any record cuts that sender off, and nothing else.
        if (!SendRaw(path, std::string("\xFF\xFF\xFF\xFF", 4) + "xts:bad=1")) return 1;
        for (int i = 0; i < 50; ++i)
            if (!XTraceSend("xts:n=" + std::to_string(i), path)) return 2;
        if (!XTraceSend(std::string("xts:last=yes\0tail", 17), path)) return 3;
        return 0;
    });
    // The window takes the connections on its event loop while the child sends.
    EXPECT_TRUE(WaitFor([&] { return window.GetStatusTable().count("last") != 0; }));
    EXPECT_EQ(testsupport::WaitChild(child), 0);
    EXPECT_EQ(window.GetStatusTable(),
              (std::map<std::string, std::string>{{"n", "49"}, {"last", "yes"}}));
    EXPECT_FALSE(XTraceSend(std::string(XTraceWindow::kTextLimit + 1, 'x'), path));
}

TEST_F(XTraceWindowTest, DestroyingAWindowLeavesOtherWindowsAlone) {
    const std::string path = window.GetServerName();
    {
        XTraceWindow second(path);  // the name is taken by a live window
        EXPECT_FALSE(second.IsListening());
    }
    EXPECT_TRUE(window.IsListening());
    ASSERT_TRUE(XTraceSend("xts:still=here", path));
    EXPECT_TRUE(WaitFor([&] { return window.GetStatusTable().count("still") != 0; }));
    // A socket file nobody answers on is taken over.
    const std::string stale = testsupport::MakeTempFolder("s") + "/trace";
    {
        XTraceWindow ended(stale);
        ASSERT_TRUE(ended.IsListening());
    }
    testsupport::WriteFileBytes(stale, "");
    XTraceWindow next(stale);
    EXPECT_TRUE(next.IsListening());
}

}  // namespace
