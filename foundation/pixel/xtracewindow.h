#pragma once

// A developer's trace display: records sent by this process (an in-process
// call) or by other processes of the same user (an owner-only local socket,
// each record preceded by its byte count as a 32-bit little-endian number)
// set and remove status values, which three panes show, and append lines to
// two log areas.
//
// Records are texts with a prefix: "xts:key=value", "xtd:key", "xta1:text",
// "xta2:text", "xta1t:text", "xta2t:text" (after a time stamp), "xtc" (both
// logs emptied) and "xtrect:l,t,r,b" (the window moves there).

#include <QByteArray>
#include <QWidget>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"
#include "platform/wintypes.h"

class QCheckBox;
class QLocalServer;
class QLocalSocket;
class QTextEdit;

class XTraceWindow : public QWidget {
public:
    // Characters a log area or status pane holds at most (what goes beyond
    // is cut off); a record is at most as many bytes.
    static constexpr int kTextLimit = 0x100000;
    // A log area holding this many characters keeps only its last kLogKeep
    // at the next record.
    static constexpr int kLogCut = 819201;
    static constexpr int kLogKeep = 10240;

    // Listens for other processes' records under `serverName` (a socket
    // path; DefaultServerName() when empty).
    explicit XTraceWindow(const std::string& serverName = "", QWidget* parent = nullptr);
    ~XTraceWindow() override;

    // The one trace window the library holds for the whole process, made on
    // first use (listening under DefaultServerName()); null without a
    // widget application. It goes with the application.
    static XTraceWindow* GetProcessWindow();

    // The socket path of this user's trace window.
    static std::string DefaultServerName();
    const std::string& GetServerName() const { return m_strServerName; }
    bool IsListening() const;

    // Takes one record of `byteCount` bytes; a zero byte ends its text.
    void OnCopyData(const void* data, size_t byteCount);

    // Timer 1 (every 50 ms): the status panes show the status table.
    void RefreshStatusPanes();
    // Places the children for a client area of width x height.
    void LayoutChildren(int width, int height);

    const std::map<std::string, std::string>& GetStatusTable() const { return m_mapStatus; }
    QCheckBox* GetDisplayLogBox() const { return m_pDisplayLog; }
    // 0 and 1: the log areas; 2 to 4: the status panes.
    QTextEdit* GetArea(int index) const { return m_pAreas[index]; }
    // The indents and colours of log records come from this generator.
    void SetRandomSeed(unsigned seed) { m_random.seed(seed); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void AppendLog(int area, const std::string& text, bool stamped);
    void Listen();
    void ReadRecords(QLocalSocket* socket);

    std::string m_strServerName;
    QCheckBox* m_pDisplayLog = nullptr;
    QTextEdit* m_pAreas[5] = {};
    std::map<std::string, std::string> m_mapStatus;
    std::mt19937 m_random;
    QLocalServer* m_pServer = nullptr;
    std::map<QLocalSocket*, QByteArray> m_mapPending;
};

// Sends one record to the trace window listening under `serverName`
// (DefaultServerName() when empty), without Qt: usable from any process.
// FALSE when none listens or the record is too long.
BOOL XTraceSend(const std::string& record, const std::string& serverName = "");
