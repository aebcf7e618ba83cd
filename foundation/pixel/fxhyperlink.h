#pragma once

// A clickable one-line text link, and the link that cycles through a list of
// notice items. The text is always plain text: markup in it is shown, never
// interpreted.

#include <QLabel>
#include <QPointer>
#include <string>
#include <vector>

#include "platform/window.h"
#include "platform/wintypes.h"

// The click notice a link sends to its notify window (wParam: the link's
// control id, lParam 0).
inline constexpr UINT WM_FX_LINKCLICK = WM_USER + 101;

class CFxHyperLink : public QLabel {
    Q_OBJECT

public:
    static constexpr COLORREF kNormalColor = 0xFF0000;
    static constexpr COLORREF kHoverColor = 0x0000FF;
    static constexpr COLORREF kVisitedColor = 0x8F2205;

    explicit CFxHyperLink(QWidget* parent = nullptr, BOOL underline = TRUE, BOOL bold = FALSE);
    ~CFxHyperLink() override;

    // The shown text (system text).
    void SetLinkText(const std::string& text);
    const std::string& GetLinkText() const { return m_strText; }
    // The address a click opens (when no notify window is set) and the show
    // command kept with it.
    void SetLinkTarget(const std::string& target, int showCommand = 1);
    const std::string& GetLinkTarget() const { return m_strTarget; }
    int GetShowCommand() const { return m_nShowCommand; }
    void SetTooltipText(const std::string& text);
    const std::string& GetTooltipText() const { return m_strTooltip; }

    void SetNormalColor(COLORREF color);
    void SetVisitedColor(COLORREF color);
    // With a notify window a click is sent there instead of opening the target.
    void SetNotifyWindow(QObject* window) { m_pNotify = window; }
    QObject* GetNotifyWindow() const { return m_pNotify.data(); }

    BOOL IsHover() const { return m_bHover; }
    BOOL IsVisited() const { return m_bVisited; }
    // The colour the text is drawn in now.
    COLORREF GetDrawColor() const;

    // A click on the link: the notice to the notify window, else the target
    // opened (web addresses only); the link counts as visited either way.
    void Click();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetHover(BOOL hover);
    void ApplyLook();

    BOOL m_bUnderline;
    BOOL m_bBold;
    COLORREF m_crNormal = kNormalColor;
    COLORREF m_crHover = kHoverColor;
    COLORREF m_crVisited = kVisitedColor;
    BOOL m_bHover = FALSE;
    BOOL m_bVisited = FALSE;
    std::string m_strTooltip;
    std::string m_strText;
    std::string m_strTarget;
    int m_nShowCommand = 1;
    QPointer<QObject> m_pNotify;
};

// One notice of the script: text | link | seconds | id | report address.
class CFxNoticeItem {
public:
    // Seconds an item without a usable seconds field is shown per cycle, and
    // the most one item may take.
    static constexpr int kDefaultSeconds = 60;
    static constexpr int kMaxSeconds = 86400;

    CFxNoticeItem() = default;
    virtual ~CFxNoticeItem();

    // Fills the item from one piece of the script ("|"-separated fields,
    // missing ones empty); `index` is its position in the script.
    void Parse(const std::string& piece, int index);

    // The text with every markup tag ("<" to ">") removed.
    static std::string StripTags(const std::string& text);
    // A decimal seconds field: outside 1..kMaxSeconds (also empty, "0",
    // negative, huge or no number) gives kDefaultSeconds.
    static int ParseSeconds(const std::string& field);

    std::string m_strText;
    std::string m_strLink;
    int m_nSeconds = kDefaultSeconds;
    std::string m_strId;
    std::string m_strReportAddress;
    int m_nIndex = -1;
};

class CFxRotatingLink : public CFxHyperLink {
    Q_OBJECT

public:
    using CFxHyperLink::CFxHyperLink;
    ~CFxRotatingLink() override;

    const std::vector<CFxNoticeItem>& GetItems() const { return m_items; }
    // The item shown at a count of seconds: the first whose running sum of
    // seconds is at least the count modulo the cycle; -1 with no items.
    int ChooseItemAt(long long seconds) const;

protected:
    std::vector<CFxNoticeItem> m_items;
};
