#include "foundation/pixel/fxnoticebar.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <cstdlib>
#include <mutex>

#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "foundation/pixel/fxweblink.h"
#include "platform/paths.h"
#include "platform/textcodec.h"

// The bar a request job reports to; cleared (under the lock) when the bar
// goes, so a late reply finds nobody and is dropped.
struct FxNoticeChannel {
    std::mutex lock;
    CFxNoticeBar* bar = nullptr;
};

namespace {

// A date or time field in its width of digits.
std::string Field(int n, int width) { return IntToPaddedText(n, 10, width, PaddedForm::Magnitude); }

QDateTime ToQDateTime(const CFxDateTime& t) {
    return QDateTime(QDate(t.m_nYear, t.m_nMonth, t.m_nDay),
                     QTime(t.m_nHour, t.m_nMinute, t.m_nSecond));
}

}  // namespace

// ---- CFxDateTime -----------------------------------------------------------

CFxDateTime::CFxDateTime() {
    const LocalTime now = GetLocalTime();
    m_nYear = now.year;
    m_nMonth = now.month;
    m_nDay = now.day;
    m_nHour = now.hour;
    m_nMinute = now.minute;
    m_nSecond = now.second;
}

CFxDateTime::CFxDateTime(int year, int month, int day, int hour, int minute, int second)
    : m_nYear(year),
      m_nMonth(month),
      m_nDay(day),
      m_nHour(hour),
      m_nMinute(minute),
      m_nSecond(second) {}

CFxDateTime::~CFxDateTime() = default;

bool CFxDateTime::FromText(const std::string& text) {
    if (text.size() != 14) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    auto num = [&](size_t at, size_t len) { return std::atoi(text.substr(at, len).c_str()); };
    const CFxDateTime read(num(0, 4), num(4, 2), num(6, 2), num(8, 2), num(10, 2), num(12, 2));
    if (!QDate::isValid(read.m_nYear, read.m_nMonth, read.m_nDay) ||
        !QTime::isValid(read.m_nHour, read.m_nMinute, read.m_nSecond))
        return false;
    *this = read;
    return true;
}

std::string CFxDateTime::GetText() const { return GetTextWithoutSeconds() + Field(m_nSecond, 2); }

std::string CFxDateTime::GetTextWithoutSeconds() const {
    return Field(m_nYear, 4) + Field(m_nMonth, 2) + Field(m_nDay, 2) + Field(m_nHour, 2) +
           Field(m_nMinute, 2);
}

std::string CFxDateTime::GetDateText() const {
    return Field(m_nYear, 4) + "-" + Field(m_nMonth, 2) + "-" + Field(m_nDay, 2);
}

long long CFxDateTime::SecondsSince(const CFxDateTime& earlier) const {
    return ToQDateTime(earlier).secsTo(ToQDateTime(*this));
}

// ---- CFxNoticeBar ----------------------------------------------------------

CFxNoticeBar::CFxNoticeBar(CFxRevPropStore* options, std::atomic<int>* running,
                           std::string requestAddress, std::string barId, std::string defaultScript,
                           BOOL underline, BOOL bold, QWidget* parent)
    : CFxRotatingLink(parent, underline, bold),
      m_pOptions(options),
      m_pRunning(running),
      m_strRequestAddress(std::move(requestAddress)),
      m_strBarId(std::move(barId)),
      m_strDefaultScript(std::move(defaultScript)),
      m_strLanguage(FxIsKoreanUILanguage() ? "kor" : "eng"),
      m_nVersion(GetProductVersionCode()),
      m_now([] { return CFxDateTime(); }),
      m_seconds([] { return QDateTime::currentSecsSinceEpoch(); }),
      m_pChannel(std::make_shared<FxNoticeChannel>()),
      m_pManager(std::make_unique<CFxMLThreadManager>()) {
    m_pChannel->bar = this;
    SetTimerHandler(this, [this](UINT_PTR id) { OnTimer(id); });
    SetMessageHandler(this, WM_FX_LINKCLICK, [this](WPARAM, LPARAM) -> LRESULT {
        OnClick();
        return 0;
    });
}

CFxNoticeBar::~CFxNoticeBar() {
    {
        std::lock_guard<std::mutex> guard(m_pChannel->lock);
        m_pChannel->bar = nullptr;
    }
    // The request polls its thread's stop: the manager's shutdown ends it at
    // once, whatever the owner's flag says.
    m_pManager.reset();
    KillTimer(this, 1);
}

std::string CFxNoticeBar::DefaultRequestAddress() {
    const char* address = std::getenv("DRAVIK_NOTICE_URL");
    if (address && *address) return address;
    return std::string(kDefaultHost) + kScriptPath;
}

std::string CFxNoticeBar::BuiltInScript(bool korean) {
    if (korean)
        return std::string(kScriptPrefix) + A("드라빅 도구") +
               "|https://www.example.com/ko/|180||" +
               "___www.example.com|https://www.example.com/ko/|180||";
    return std::string(kScriptPrefix) + "Dravik Tools|https://www.example.com/|180||" +
           "___www.example.com|https://www.example.com/|180||";
}

bool CFxNoticeBar::IsNoticeScript(const std::string& text) {
    return TrimText(text).rfind(kScriptPrefix, 0) == 0;
}

std::string CFxNoticeBar::DefaultScript() const {
    return m_strDefaultScript.empty() ? BuiltInScript(m_strLanguage == "kor") : m_strDefaultScript;
}

void CFxNoticeBar::SetTimeLimits(int requestMs, int reportMs) {
    m_nRequestLimitMs = requestMs > 0 ? requestMs : 1;
    m_nReportLimitMs = reportMs > 0 ? reportMs : 1;
}

std::string CFxNoticeBar::BuildRequestAddress() const {
    return m_strRequestAddress + "?ntbid=" + FxPercentEncode(m_strBarId) +
           "&ntlang=" + FxPercentEncode(m_strLanguage) + "&efversion=" + std::to_string(m_nVersion);
}

std::string CFxNoticeBar::BuildReportAddress(const CFxNoticeItem& item) const {
    return item.m_strReportAddress + "?ntid=" + FxPercentEncode(item.m_strId) +
           "&ntbid=" + FxPercentEncode(m_strBarId) + "&ntiindex=" + std::to_string(item.m_nIndex) +
           "&ntlang=" + FxPercentEncode(m_strLanguage) + "&efversion=" + std::to_string(m_nVersion);
}

void CFxNoticeBar::StartNoticeBar() {
    SetNormalColor(0x505050);
    SetVisitedColor(0x505050);
    SetNotifyWindow(this);
    LoadItems();
    ShowCurrentItem();
    SetTimer(this, 1, 1000);
    m_bRequested = FALSE;
    if (!m_pOptions) return;

    // A stored time in the future or one that cannot be read counts as
    // expired, so a bad clock or a damaged option file never stops requests.
    const std::string stored = m_pOptions->GetString(kTimeKey);
    CFxDateTime last;
    if (!stored.empty() && last.FromText(stored) && !IsDeveloperMarkerPresent()) {
        const long long elapsed = m_now().SecondsSince(last);
        if (elapsed >= 0 && elapsed / 3600 < kRequestHours) return;
    }

    if (!m_pManager->StartMLThreads(30, 10, 10)) return;
    LogWrite("GNTISRequesting");
    // Stored before the request, so a failed request also counts.
    m_pOptions->SetString(kTimeKey, m_now().GetText());
    // The owner's flag is armed here, before the hand-over; the job only
    // reads it.
    if (m_pRunning) m_pRunning->store(1);

    const std::string address = BuildRequestAddress();
    const int limitMs = m_nRequestLimitMs;
    std::atomic<int>* running = m_pRunning;
    std::shared_ptr<FxNoticeChannel> channel = m_pChannel;
    auto job = [address, limitMs, running, channel](CFxRevPropStore*) {
        auto keepGoing = [running] {
            return !CFxMLThread::IsStopRequested() && (!running || running->load() != 0);
        };
        FxFetchReply reply = FxFetchText(address, limitMs, keepGoing, kFxFetchMaxBytes);
        if (reply.result != FxFetchResult::Ok || !IsNoticeScript(reply.text)) return;
        std::lock_guard<std::mutex> guard(channel->lock);
        CFxNoticeBar* bar = channel->bar;
        if (!bar) return;
        // Delivered on the bar's thread, and dropped with the bar if it goes
        // before then.
        QMetaObject::invokeMethod(
            bar, [bar, text = std::move(reply.text)] { bar->ApplyScript(text); },
            Qt::QueuedConnection);
    };
    m_bRequested = m_pManager->AddMLJob(job, nullptr, nullptr, 0, 0, 0, 4500) != 0;
}

BOOL CFxNoticeBar::ApplyScript(const std::string& text) {
    if (!m_pOptions || !IsNoticeScript(text)) return FALSE;
    m_pOptions->SetString(kScriptKey, text);
    ++m_nApplied;
    LoadItems();
    ShowCurrentItem();
    return TRUE;
}

void CFxNoticeBar::LoadItems() {
    if (!m_pOptions) return;
    std::string script = TrimText(m_pOptions->GetString(kScriptKey));
    if (script.rfind(kScriptPrefix, 0) != 0) {
        script = TrimText(DefaultScript());
        m_pOptions->SetString(kScriptKey, script);
        if (script.rfind(kScriptPrefix, 0) != 0) return;
    }
    const std::string body = script.substr(std::char_traits<char>::length(kScriptPrefix));
    m_items.clear();
    size_t start = 0;
    for (int index = 0;; ++index) {
        const size_t end = body.find("___", start);
        const std::string piece =
            body.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // An empty piece (a trailing separator) would show a blank bar.
        if (!piece.empty()) {
            CFxNoticeItem item;
            item.Parse(piece, index);
            m_items.push_back(std::move(item));
        }
        if (end == std::string::npos) break;
        start = end + 3;
    }
}

int CFxNoticeBar::ChooseItem() const { return ChooseItemAt(m_seconds()); }

void CFxNoticeBar::ShowCurrentItem() {
    const int chosen = ChooseItem();
    if (chosen < 0) return;
    const CFxNoticeItem& item = m_items[static_cast<size_t>(chosen)];
    if (item.m_strText != GetLinkText()) SetLinkText(item.m_strText);
    if (item.m_strLink != GetLinkTarget()) SetLinkTarget(item.m_strLink, 2);
}

void CFxNoticeBar::OnTimer(UINT_PTR id) {
    if (id == 1) ShowCurrentItem();
}

void CFxNoticeBar::OnClick() {
    const int chosen = ChooseItem();
    if (chosen < 0) return;
    const CFxNoticeItem item = m_items[static_cast<size_t>(chosen)];
    if (!item.m_strLink.empty()) FxOpenWebLink(item.m_strLink);
    if (item.m_strReportAddress.empty()) return;
    const std::string address = BuildReportAddress(item);
    LogWrite("HQLine : " + address);
    const std::string url = FxNormalizeWebAddress(address);
    if (url.empty()) return;

    // Sent without waiting; the answer is read away and dropped.
    if (!m_pReportNetwork) m_pReportNetwork = new QNetworkAccessManager(this);
    QNetworkRequest request(QUrl::fromEncoded(QByteArray::fromStdString(url)));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(m_nReportLimitMs);
    QNetworkReply* reply = m_pReportNetwork->get(request);
    ++m_nPendingReports;
    connect(reply, &QNetworkReply::readyRead, reply, [reply] { reply->readAll(); });
    // The limit covers the whole answer, not only a silence.
    QTimer::singleShot(m_nReportLimitMs, reply, [reply] { reply->abort(); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        --m_nPendingReports;
        reply->deleteLater();
    });
}
