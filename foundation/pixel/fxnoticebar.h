#pragma once

// The notice bar: a one-line link that shows the maker's short notices one
// after another. The notice script is kept in the options store; at most once
// every 24 hours a worker thread fetches a new one. The fetched script reaches
// the user-interface thread by a queued call, which alone writes the option
// keys and rebuilds the items; a reply for a bar that is gone is dropped.
//
// Option keys: "GOPT.gntiscript" (the last good script, or the default one)
// and "GOPT.lgntisrtime" (local time of the last request, 14 digits).

#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "foundation/fxrevpropstore.h"
#include "foundation/pixel/fxhyperlink.h"
#include "foundation/pixel/fxmlthread.h"

class QNetworkAccessManager;

// A local date and time to the second.
class CFxDateTime {
public:
    // The current local time.
    CFxDateTime();
    CFxDateTime(int year, int month, int day, int hour, int minute, int second);
    virtual ~CFxDateTime();

    // Reads the 14-digit text form; false (value unchanged) for anything else
    // or a date or time that does not exist.
    bool FromText(const std::string& text);
    // "YYYYMMDDhhmmss".
    std::string GetText() const;
    // "YYYYMMDDhhmm".
    std::string GetTextWithoutSeconds() const;
    // "YYYY-MM-DD".
    std::string GetDateText() const;
    // Whole seconds from `earlier` to this time (negative when it is later).
    long long SecondsSince(const CFxDateTime& earlier) const;

    int m_nYear = 0;
    int m_nMonth = 0;
    int m_nDay = 0;
    int m_nHour = 0;
    int m_nMinute = 0;
    int m_nSecond = 0;
};

struct FxNoticeChannel;

class CFxNoticeBar : public CFxRotatingLink {
    Q_OBJECT

public:
    static constexpr const char* kScriptPrefix = "gntiscript:";
    static constexpr const char* kScriptKey = "GOPT.gntiscript";
    static constexpr const char* kTimeKey = "GOPT.lgntisrtime";
    // The request's and the click report's time limits.
    static constexpr int kRequestLimitMs = 3000;
    static constexpr int kReportLimitMs = 5000;
    // Hours between two requests.
    static constexpr int kRequestHours = 24;
    // The script's path on the maker's server, and the default address.
    static constexpr const char* kScriptPath = "/banner/zterm/gntitem/get_gntiscript.php";
    static constexpr const char* kDefaultHost = "https://notice.example.com";

    // `options` and `running` (the owner's run flag, may be null) outlive
    // the bar. An empty default script means the built-in one of the
    // interface language.
    CFxNoticeBar(CFxRevPropStore* options, std::atomic<int>* running, std::string requestAddress,
                 std::string barId, std::string defaultScript = "", BOOL underline = FALSE,
                 BOOL bold = TRUE, QWidget* parent = nullptr);
    // Stops a running request at once and waits for its thread.
    ~CFxNoticeBar() override;

    // The request address: the environment's DRAVIK_NOTICE_URL when set
    // (tests of the whole program point it at a local server), else the
    // maker's server.
    static std::string DefaultRequestAddress();
    // The built-in script: two items of 180 seconds.
    static std::string BuiltInScript(bool korean);
    // Whether the text, trimmed, is a notice script.
    static bool IsNoticeScript(const std::string& text);

    // Colours, notify window, items, timer 1 (1000 ms) and, unless a request
    // was made less than 24 hours ago, the request on a worker thread.
    void StartNoticeBar();

    // Rebuilds the items from "GOPT.gntiscript" (a text that is no script is
    // replaced by the default script first).
    void LoadItems();
    // Stores a fetched script and rebuilds the items; FALSE (nothing
    // changed) for a text that is no script. User-interface thread only.
    BOOL ApplyScript(const std::string& text);
    // The item of the present second, -1 for none.
    int ChooseItem() const;
    // Shows the item of the present second (timer 1).
    void ShowCurrentItem();
    // A click on the bar: opens the item's web link and sends its click
    // report without waiting for the answer.
    void OnClick();

    // The request address with its query, and an item's click report address.
    std::string BuildRequestAddress() const;
    std::string BuildReportAddress(const CFxNoticeItem& item) const;
    // "kor" or "eng".
    const std::string& GetLanguage() const { return m_strLanguage; }
    const std::string& GetBarId() const { return m_strBarId; }

    // Test settings: the interface language ("kor" or "eng"), the local
    // time, the count of seconds behind the cycle and the time limits.
    void SetLanguage(const std::string& code) { m_strLanguage = code; }
    void SetClock(std::function<CFxDateTime()> now) { m_now = std::move(now); }
    void SetSecondsClock(std::function<long long()> seconds) { m_seconds = std::move(seconds); }
    void SetTimeLimits(int requestMs, int reportMs);

    CFxMLThreadManager& GetManager() { return *m_pManager; }
    // Click reports not yet answered or given up.
    int GetPendingReports() const { return m_nPendingReports; }
    // Scripts applied from a fetch since the bar was made.
    int GetAppliedCount() const { return m_nApplied; }
    // Whether the last StartNoticeBar handed a request over.
    BOOL IsRequestStarted() const { return m_bRequested; }

private:
    std::string DefaultScript() const;
    void OnTimer(UINT_PTR id);

    CFxRevPropStore* m_pOptions;
    std::atomic<int>* m_pRunning;
    std::string m_strRequestAddress;
    std::string m_strBarId;
    std::string m_strDefaultScript;
    std::string m_strLanguage;
    int m_nVersion;
    int m_nRequestLimitMs = kRequestLimitMs;
    int m_nReportLimitMs = kReportLimitMs;
    std::function<CFxDateTime()> m_now;
    std::function<long long()> m_seconds;
    std::shared_ptr<FxNoticeChannel> m_pChannel;
    std::unique_ptr<CFxMLThreadManager> m_pManager;
    QNetworkAccessManager* m_pReportNetwork = nullptr;
    int m_nPendingReports = 0;
    int m_nApplied = 0;
    BOOL m_bRequested = FALSE;
};
