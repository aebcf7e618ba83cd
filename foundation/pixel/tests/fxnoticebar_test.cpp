#include "foundation/pixel/fxnoticebar.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <atomic>
#include <memory>
#include <thread>

#include "foundation/fxutils.h"
#include "foundation/pixel/fxweblink.h"
#include "localhttpserver.h"
#include "platform/testing/scriptedui.h"
#include "platform/textcodec.h"
#include "platform/window.h"

namespace {

using testsupport::LocalHttpServer;
using testsupport::WaitUntil;

const std::string kPath = CFxNoticeBar::kScriptPath;
const std::string kGood = "gntiscript:Good|https://good.test/|10||";

std::string Version() { return std::to_string(GetProductVersionCode()); }

class NoticeBarTest : public ::testing::Test {
protected:
    std::unique_ptr<CFxNoticeBar> MakeBar(const std::string& address) {
        auto bar = std::make_unique<CFxNoticeBar>(&options, &running, address, "orvanta_main");
        bar->SetLanguage("eng");
        bar->SetClock([this] { return now; });
        bar->SetSecondsClock([this] { return seconds; });
        bar->SetTimeLimits(400, 400);
        return bar;
    }
    std::unique_ptr<CFxNoticeBar> MakeBar() { return MakeBar(server.Address(kPath)); }
    // Starts the bar and waits for its request to end and its reply to land.
    void StartAndSettle(CFxNoticeBar& bar) {
        bar.StartNoticeBar();
        ASSERT_TRUE(WaitUntil([&] { return bar.GetManager().GetBusyThreadCount() == 0; }));
        QCoreApplication::processEvents();
    }
    std::string Script() const { return options.GetString(CFxNoticeBar::kScriptKey); }

    CFxRevPropStore options;
    std::atomic<int> running{0};
    CFxDateTime now{2024, 3, 10, 12, 0, 0};
    long long seconds = 0;
    testsupport::ScriptedUi ui;
    LocalHttpServer server;
};

TEST(FxNoticeItemTest, FieldsTagsAndSecondsOutsideTheirRangeCountAsSixty) {
    CFxNoticeItem item;
    item.Parse("<b>New</b> brushes|https://x.test/a|15|id7|https://x.test/r|f6|f7|f8|f9|f10|f11",
               3);
    EXPECT_EQ(item.m_strText, "New brushes");
    EXPECT_EQ(item.m_strLink, "https://x.test/a");
    EXPECT_EQ(item.m_nSeconds, 15);
    EXPECT_EQ(item.m_strId, "id7");
    EXPECT_EQ(item.m_strReportAddress, "https://x.test/r");
    EXPECT_EQ(item.m_nIndex, 3);
    item.Parse("only text", 0);
    EXPECT_EQ(item.m_strLink, "");
    EXPECT_EQ(item.m_strReportAddress, "");
    EXPECT_EQ(CFxNoticeItem::StripTags("a < b"), "a < b");  // no closing: not a tag
    const std::pair<const char*, int> cases[] = {
        {"", 60},
        {"0", 60},
        {"-5", 60},
        {"86401", 60},
        {"99999999999999", 60},
        {"abc", 60},
        {"1", 1},
        {"86400", 86400},
        {" 20", 20},
        {"+7", 7},
        {"2147483648", 60},
        {"-2147483648", 60},
    };
    for (auto [field, expected] : cases)
        EXPECT_EQ(CFxNoticeItem::ParseSeconds(field), expected) << field;
}

TEST_F(NoticeBarTest, CycleChoosesByRunningSumAndBadStoredScriptsGiveTheDefault) {
    auto bar = MakeBar();
    options.SetString(CFxNoticeBar::kScriptKey, "  gntiscript:A|l1|10||___B|l2|20||___\r\n");
    bar->LoadItems();
    ASSERT_EQ(bar->GetItems().size(), 2u);
    int first = 0;
    for (long long s = 0; s < 30; ++s) first += bar->ChooseItemAt(s) == 0;
    EXPECT_EQ(first, 11);
    EXPECT_EQ(bar->ChooseItemAt(30 + 10), 0);
    EXPECT_EQ(bar->ChooseItemAt(30 + 11), 1);
    // The most items of the longest time never overflow the cycle.
    std::string many = "gntiscript:";
    for (int i = 0; i < 30000; ++i) many += "x|l|86400||___";
    options.SetString(CFxNoticeBar::kScriptKey, many);
    bar->LoadItems();
    EXPECT_EQ(bar->ChooseItemAt(30000LL * 86400 - 1), 29999);
    // Without the prefix (it is case-sensitive) the default script is stored.
    for (const char* stored : {"", "GNTISCRIPT:A|l|10||", "<html>error</html>"}) {
        options.SetString(CFxNoticeBar::kScriptKey, stored);
        bar->LoadItems();
        EXPECT_EQ(Script(), CFxNoticeBar::BuiltInScript(false)) << stored;
        ASSERT_EQ(bar->GetItems().size(), 2u);
        EXPECT_EQ(bar->GetItems()[0].m_nSeconds, 180);
    }
    bar->SetLanguage("kor");
    options.SetString(CFxNoticeBar::kScriptKey, "");
    bar->LoadItems();
    EXPECT_EQ(Script(), CFxNoticeBar::BuiltInScript(true));
    EXPECT_NE(CFxNoticeBar::BuiltInScript(true), CFxNoticeBar::BuiltInScript(false));
}

TEST_F(NoticeBarTest, RequestTimeSuppressesOnlyWhenReadableInThePastAndUnderADay) {
    server.Answer(200, kGood);
    const std::pair<const char*, bool> cases[] = {
        {"", true},
        {"20240309130000", false},  // 23 hours ago
        {"20240309110000", true},   // 25 hours ago
        {"20240310130000", true},   // an hour ahead: a clock put back
        {"20991231235959", true},
        {"garbage", true},
        {"20241301120000", true},  // month 13
        {"2024031012000", true},   // 13 digits
    };
    int requests = 0;
    for (auto [stored, expected] : cases) {
        auto bar = MakeBar();
        options.SetString(CFxNoticeBar::kTimeKey, stored);
        StartAndSettle(*bar);
        EXPECT_EQ(bar->IsRequestStarted() != FALSE, expected) << stored;
        if (expected) ++requests;
        EXPECT_EQ(server.RequestCount(), requests) << stored;
        EXPECT_EQ(options.GetString(CFxNoticeBar::kTimeKey), expected ? now.GetText() : stored);
    }
}

TEST_F(NoticeBarTest, GoodReplyIsAppliedOnTheUiThreadAndTheQueryArrivesExactly) {
    server.Answer(200, "gntiscript:Hello|https://h.test/|10||\r\n___World|https://w.test/|10||");
    for (const char* language : {"eng", "kor"}) {
        auto bar = MakeBar();
        bar->SetLanguage(language);
        options.SetString(CFxNoticeBar::kTimeKey, "");
        running = 0;
        StartAndSettle(*bar);
        EXPECT_EQ(running.load(), 1);  // armed by the bar before the hand-over
        EXPECT_EQ(server.Targets().back(),
                  kPath + "?ntbid=orvanta_main&ntlang=" + language + "&efversion=" + Version());
        EXPECT_EQ(bar->GetAppliedCount(), 1);
        EXPECT_EQ(Script(), "gntiscript:Hello|https://h.test/|10||___World|https://w.test/|10||");
        EXPECT_EQ(bar->GetLinkText(), "Hello");
        EXPECT_EQ(bar->GetLinkTarget(), "https://h.test/");
        seconds = 15;
        FireTimerForTest(bar.get(), 1);
        EXPECT_EQ(bar->GetLinkText(), "World");
        seconds = 0;
    }
}

// Every kind of bad reply keeps the last good script and tells the user
// nothing; the stalls end at the time limit with no thread left busy.
TEST_F(NoticeBarTest, BadRepliesKeepTheLastGoodScript) {
    using B = LocalHttpServer::Behaviour;
    const std::string big = "gntiscript:x|l|10||" + std::string(kFxFetchMaxBytes, 'a');
    struct Case {
        const char* name;
        LocalHttpServer::Response response;
        bool refused = false;
    };
    const Case cases[] = {
        {"404 page with the prefix", {404, "gntiscript:Evil|file:///bin/sh|10||"}},
        {"500 page", {500, "<html>oops</html>"}},
        {"empty body", {200, ""}},
        {"no prefix", {200, "<html>gntiscript:Evil</html>"}},
        {"refused", {}, true},
        {"stall after headers", {200, "", B::StallAfterHeaders}},
        {"endless line", {200, "gntiscript:Evil|", B::EndlessLine, false}},
        {"oversize with length", {200, big}},
        {"oversize without length", {200, big, B::Answer, false}},
    };
    for (const Case& c : cases) {
        server.SetResponse(c.response);
        options.SetString(CFxNoticeBar::kScriptKey, kGood);
        options.SetString(CFxNoticeBar::kTimeKey, "");
        auto bar = c.refused ? MakeBar(LocalHttpServer::RefusedAddress(kPath)) : MakeBar();
        QElapsedTimer clock;
        clock.start();
        StartAndSettle(*bar);
        EXPECT_LT(clock.elapsed(), 2000) << c.name;
        EXPECT_EQ(bar->GetManager().GetBusyThreadCount(), 0) << c.name;
        EXPECT_EQ(Script(), kGood) << c.name;
        EXPECT_EQ(bar->GetLinkText(), "Good") << c.name;
        EXPECT_EQ(bar->GetAppliedCount(), 0) << c.name;
        EXPECT_TRUE(ui.messages.empty()) << c.name;
    }
    // The limit itself is a reply of 64 KiB exactly.
    const std::string fits = "gntiscript:y|l|10||" + std::string(kFxFetchMaxBytes - 19, 'b');
    server.Answer(200, fits);
    options.SetString(CFxNoticeBar::kTimeKey, "");
    auto bar = MakeBar();
    StartAndSettle(*bar);
    EXPECT_EQ(Script(), fits);
}

TEST_F(NoticeBarTest, OwnersFlagClearedMidFetchEndsTheJobAndStaysClear) {
    server.SetResponse({200, "", LocalHttpServer::Behaviour::StallAfterHeaders});
    auto bar = MakeBar();
    bar->SetTimeLimits(20000, 400);
    bar->StartNoticeBar();
    ASSERT_TRUE(server.WaitForRequests(1));
    QElapsedTimer clock;
    clock.start();
    running = 0;  // the engine's shutdown
    ASSERT_TRUE(WaitUntil([&] { return bar->GetManager().GetBusyThreadCount() == 0; }));
    EXPECT_LT(clock.elapsed(), 200);
    EXPECT_EQ(running.load(), 0);

    // Cleared right after the hand-over, before the job ran: the job never
    // arms it again and does not fetch out its time.
    options.SetString(CFxNoticeBar::kTimeKey, "");
    bar->StartNoticeBar();
    running = 0;
    clock.restart();
    ASSERT_TRUE(WaitUntil([&] { return bar->GetManager().GetBusyThreadCount() == 0; }));
    EXPECT_LT(clock.elapsed(), 200);
    EXPECT_EQ(running.load(), 0);
}

TEST_F(NoticeBarTest, DestroyingTheBarEndsItsFetchAtOnceAndDropsALateReply) {
    server.SetResponse({200, "", LocalHttpServer::Behaviour::StallAfterHeaders});
    auto bar = MakeBar();
    bar->SetTimeLimits(20000, 400);
    bar->StartNoticeBar();
    ASSERT_TRUE(server.WaitForRequests(1));
    QElapsedTimer clock;
    clock.start();
    bar.reset();
    EXPECT_LT(clock.elapsed(), 200);
    EXPECT_EQ(running.load(), 1);  // the bar's own stop, not the owner's flag

    // A reply that arrived but was not yet delivered when the bar went.
    server.Answer(200, "gntiscript:Late|https://l.test/|10||");
    options.SetString(CFxNoticeBar::kScriptKey, kGood);
    options.SetString(CFxNoticeBar::kTimeKey, "");
    bar = MakeBar();
    bar->StartNoticeBar();
    QElapsedTimer wait;
    wait.start();
    while (bar->GetManager().GetBusyThreadCount() != 0 && wait.elapsed() < 10000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));  // no events run
    bar.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(Script(), kGood);
}

TEST_F(NoticeBarTest, ClickOpensOnlyWebLinksAndReportsWithoutWaiting) {
    server.SetResponse({200, "", LocalHttpServer::Behaviour::StallAfterHeaders});
    const std::string report = server.Address("/report.php");
    const std::pair<std::string, bool> links[] = {
        {"https://b.test/x?y=1", true},
        {"http://a.test/", true},
        {"HTTP://C.TEST/", true},
        {"file:///usr/bin/xterm", false},
        {"javascript:alert(1)", false},
        {"/usr/bin/xterm", false},
        {"xterm", false},
        {"ftp://f.test/", false},
        {"http:///nohost", false},
        {"https://b.test/a b", false},
    };
    const std::string id = "a&b c" + A("한");
    std::vector<std::unique_ptr<CFxNoticeBar>> bars;  // a bar's reports go with it
    for (const auto& [link, opens] : links) {
        ui.openedDocuments.clear();
        options.SetString(CFxNoticeBar::kScriptKey,
                          "gntiscript:Skip|||___T|" + link + "|10|" + id + "|" + report);
        options.SetString(CFxNoticeBar::kTimeKey, now.GetText());  // no request
        auto bar = MakeBar();
        bar->StartNoticeBar();
        ASSERT_EQ(bar->GetLinkText(), "Skip");
        seconds = 65;  // the second item
        FireTimerForTest(bar.get(), 1);
        // A real click: the link sends its notice to the bar.
        const QPointF inside(2, 2);
        QMouseEvent press(QEvent::MouseButtonPress, inside, inside, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, inside, inside, Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QElapsedTimer clock;
        clock.start();
        QCoreApplication::sendEvent(bar.get(), &press);
        QCoreApplication::sendEvent(bar.get(), &release);
        EXPECT_LT(clock.elapsed(), 100) << link;
        EXPECT_EQ(ui.openedDocuments.size(), opens ? 1u : 0u) << link;
        if (opens) {
            EXPECT_EQ(ui.openedDocuments[0], FxNormalizeWebAddress(link));
        }
        EXPECT_EQ(bar->GetPendingReports(), 1);
        seconds = 0;
        bars.push_back(std::move(bar));
    }
    // The report reached the server percent-encoded, and a stalled answer is
    // given up at the limit.
    ASSERT_TRUE(server.WaitForRequests(static_cast<int>(std::size(links))));
    EXPECT_EQ(server.Targets()[0],
              "/report.php?ntid=a%26b%20c%C7%D1&ntbid=orvanta_main"
              "&ntiindex=1&ntlang=eng&efversion=" +
                  Version());
    options.SetString(CFxNoticeBar::kScriptKey, "gntiscript:T||10|i|" + report);
    auto bar = MakeBar();
    bar->StartNoticeBar();
    SendMessage(bar.get(), WM_FX_LINKCLICK);
    EXPECT_EQ(bar->GetPendingReports(), 1);
    EXPECT_TRUE(WaitUntil([&] { return bar->GetPendingReports() == 0; }, 3000));
    // A report address that is no web address sends nothing.
    options.SetString(CFxNoticeBar::kScriptKey, "gntiscript:T||10|i|file:///tmp/r");
    bar->LoadItems();
    SendMessage(bar.get(), WM_FX_LINKCLICK);
    EXPECT_EQ(bar->GetPendingReports(), 0);
}

TEST(FxHyperLinkTest, ColoursFollowHoverAndVisitedAndAPlainLinkOpensOnlyWebAddresses) {
    testsupport::ScriptedUi ui;
    CFxHyperLink link;
    link.resize(100, 20);
    EXPECT_EQ(link.GetDrawColor(), CFxHyperLink::kNormalColor);
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(0, 0, 0xFF));  // 0xFF0000 is blue
    auto move = [&](QPointF at) {
        QMouseEvent e(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&link, &e);
    };
    move({5, 5});
    EXPECT_TRUE(link.IsHover());
    EXPECT_EQ(link.GetDrawColor(), CFxHyperLink::kHoverColor);
    link.SetLinkTarget("javascript:alert(1)");
    link.Click();
    EXPECT_TRUE(ui.openedDocuments.empty());
    EXPECT_EQ(link.GetDrawColor(), CFxHyperLink::kVisitedColor);
    move({500, 5});
    EXPECT_FALSE(link.IsHover());
    EXPECT_EQ(link.GetDrawColor(), CFxHyperLink::kVisitedColor);
    link.SetLinkTarget("https://ok.test/");
    link.Click();
    EXPECT_EQ(ui.openedDocuments, std::vector<std::string>{"https://ok.test/"});
    link.SetLinkText("<b>x</b>");
    EXPECT_EQ(link.textFormat(), Qt::PlainText);
}

TEST(FxDateTimeTest, TextFormsReadingAndSeconds) {
    const CFxDateTime t(2024, 2, 29, 7, 5, 9);
    EXPECT_EQ(t.GetText(), "20240229070509");
    EXPECT_EQ(t.GetTextWithoutSeconds(), "202402290705");
    EXPECT_EQ(t.GetDateText(), "2024-02-29");
    CFxDateTime read(2000, 1, 1, 0, 0, 0);
    for (const char* bad :
         {"20230229070509", "20240229240000", "2024022907050x", "", "202402290705091"})
        EXPECT_FALSE(read.FromText(bad)) << bad;
    EXPECT_EQ(read.GetText(), "20000101000000");
    ASSERT_TRUE(read.FromText("20240301070509"));
    EXPECT_EQ(read.SecondsSince(t), 86400);
    EXPECT_EQ(t.SecondsSince(read), -86400);
}

// Many fetches, several at a time, while the cycle timer keeps reading the
// items the replies rebuild.
TEST_F(NoticeBarTest, StressThousandFetchesWhileTheTimerFires) {
    auto bar = MakeBar();
    bar->SetTimeLimits(5000, 400);
    constexpr int kFetches = 1000, kAtOnce = 10;
    const std::string scripts[] = {"gntiscript:A|https://a.test/|1||___B||1||",
                                   "gntiscript:C|https://c.test/|2||"};
    for (int i = 0; i < kFetches; i += kAtOnce) {
        server.Answer(200, scripts[(i / kAtOnce) % 2]);
        for (int j = 0; j < kAtOnce; ++j) {
            options.SetString(CFxNoticeBar::kTimeKey, "");
            bar->StartNoticeBar();
            ASSERT_TRUE(bar->IsRequestStarted());
        }
        ASSERT_TRUE(WaitUntil(
            [&] {
                ++seconds;
                FireTimerForTest(bar.get(), 1);
                return bar->GetManager().GetBusyThreadCount() == 0;
            },
            30000));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(bar->GetAppliedCount(), kFetches);
    EXPECT_EQ(server.RequestCount(), kFetches);
    EXPECT_EQ(Script(), scripts[1]);
    FireTimerForTest(bar.get(), 1);
    EXPECT_EQ(bar->GetLinkText(), "C");
}

}  // namespace
