#include "foundation/pixel/xtracewindow.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QResizeEvent>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "foundation/fxsharedvalues.h"
#include "foundation/fxstrings.h"
#include "foundation/pixel/fxpixelutils.h"
#include "platform/paths.h"
#include "platform/textcodec.h"
#include "platform/window.h"

namespace {

CRect Deflated(CRect r, int l, int t, int rr, int b) {
    return CRect(r.left + l, r.top + t, r.right - rr, r.bottom - b);
}

// Connects to the socket path; -1 when nobody listens there.
int ConnectTo(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return -1;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SocketAnswers(const std::string& path) {
    const int fd = ConnectTo(path);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

void Place(QWidget* w, const CRect& r) {
    w->setGeometry(r.left, r.top, std::max<LONG>(0, r.Width()), std::max<LONG>(0, r.Height()));
}

}  // namespace

XTraceWindow::XTraceWindow(const std::string& serverName, QWidget* parent)
    : QWidget(parent),
      m_strServerName(serverName.empty() ? DefaultServerName() : serverName),
      m_random(std::random_device{}()) {
    setObjectName("XTraceWindow");
    m_pDisplayLog = new QCheckBox(QStringLiteral("Display Log"), this);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    font.setBold(true);
    m_pDisplayLog->setFont(font);
    m_pDisplayLog->setChecked(true);
    m_pDisplayLog->setGeometry(0, 2, 200, 13);
    for (QTextEdit*& area : m_pAreas) {
        area = new QTextEdit(this);
        area->setReadOnly(true);
    }
    SetTimerHandler(this, [this](UINT_PTR id) {
        if (id == 1) RefreshStatusPanes();
    });
    SetTimer(this, 1, 50);
    Listen();
}

XTraceWindow::~XTraceWindow() {
    // Only this window's own socket goes; other processes' windows stay.
    // The connections go first, while this window is still whole: a socket
    // closing on its way out must not report to a window half destroyed.
    for (auto& [socket, pending] : m_mapPending)
        QObject::disconnect(socket, nullptr, this, nullptr);
    m_mapPending.clear();
    if (m_pServer) {
        QObject::disconnect(m_pServer, nullptr, this, nullptr);
        m_pServer->close();
        delete m_pServer;
        m_pServer = nullptr;
    }
}

XTraceWindow* XTraceWindow::GetProcessWindow() {
    // Parentless: the application deletes it with its other top-level
    // windows, and the pointer then reads null.
    static QPointer<XTraceWindow> window;
    if (!window && qobject_cast<QApplication*>(QCoreApplication::instance()))
        window = new XTraceWindow();
    return window;
}

std::string XTraceWindow::DefaultServerName() {
    return GetFolder(FolderKind::Runtime) + "/XTraceWindow";
}

bool XTraceWindow::IsListening() const { return m_pServer && m_pServer->isListening(); }

void XTraceWindow::Listen() {
    m_pServer = new QLocalServer(this);
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = QString::fromStdString(m_strServerName);
    // A live socket belongs to another window and is left alone (listening
    // would replace its file); one nobody answers on is left over from a
    // window that ended.
    if (SocketAnswers(m_strServerName)) return;
    QLocalServer::removeServer(name);
    if (!m_pServer->listen(name)) return;
    QObject::connect(m_pServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
            m_mapPending[socket];
            QObject::connect(socket, &QLocalSocket::readyRead, this,
                             [this, socket] { ReadRecords(socket); });
            QObject::connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
                ReadRecords(socket);
                m_mapPending.erase(socket);
                socket->deleteLater();
            });
            ReadRecords(socket);
        }
    });
}

void XTraceWindow::ReadRecords(QLocalSocket* socket) {
    auto it = m_mapPending.find(socket);
    if (it == m_mapPending.end()) return;
    QByteArray& pending = it->second;
    if (socket->isOpen()) pending += socket->readAll();
    for (;;) {
        if (pending.size() < 4) return;
        const quint32 length = DWordFromBytes(reinterpret_cast<const BYTE*>(pending.constData()));
        if (length > static_cast<quint32>(kTextLimit)) {
            // Not a record of ours: the sender is cut off.
            m_mapPending.erase(it);
            QObject::disconnect(socket, nullptr, this, nullptr);
            socket->abort();
            socket->deleteLater();
            return;
        }
        if (static_cast<quint32>(pending.size()) - 4 < length) return;
        OnCopyData(pending.constData() + 4, length);
        pending.remove(0, static_cast<int>(4 + length));
    }
}

void XTraceWindow::OnCopyData(const void* data, size_t byteCount) {
    if (!data) return;
    std::string text(static_cast<const char*>(data),
                     std::min(byteCount, static_cast<size_t>(kTextLimit)));
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);

    auto starts = [&](std::string_view prefix) {
        return text.compare(0, prefix.size(), prefix) == 0;
    };
    if (starts("xts:")) {
        const std::string rest = text.substr(4);
        const size_t eq = rest.find('=');
        if (eq == std::string::npos)
            m_mapStatus[rest] = "";
        else
            m_mapStatus[rest.substr(0, eq)] = rest.substr(eq + 1);
    } else if (starts("xtd:")) {
        m_mapStatus.erase(text.substr(4));
    } else if (starts("xta1t:") || starts("xta2t:")) {
        AppendLog(text[3] == '1' ? 0 : 1, text.substr(6), true);
    } else if (starts("xta1:") || starts("xta2:")) {
        AppendLog(text[3] == '1' ? 0 : 1, text.substr(5), false);
    } else if (starts("xtrect:")) {
        std::vector<std::string> parts;
        SplitString(text.substr(7), parts, ',');
        LONG v[4] = {0, 0, 0, 0};
        for (size_t i = 0; i < 4 && i < parts.size(); ++i) v[i] = AtoiText(parts[i]);
        // Any four numbers: the extents are taken wide, then held to what a
        // window can be.
        const auto extent = [](LONG from, LONG to) {
            return static_cast<int>(
                std::clamp<std::int64_t>(std::int64_t{to} - from, 0, QWIDGETSIZE_MAX));
        };
        setGeometry(v[0], v[1], extent(v[0], v[2]), extent(v[1], v[3]));
    } else if (starts("xtc")) {
        m_pAreas[0]->clear();
        m_pAreas[1]->clear();
    }
}

void XTraceWindow::AppendLog(int area, const std::string& text, bool stamped) {
    if (!m_pDisplayLog->isChecked()) return;
    QTextEdit* edit = m_pAreas[area];
    const int length = edit->document()->characterCount() - 1;
    if (length >= kLogCut) {
        QTextCursor cursor(edit->document());
        cursor.setPosition(0);
        cursor.setPosition(length - kLogKeep, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    std::string line(m_random() % 10, ' ');
    if (stamped) {
        const LocalTime now = GetLocalTime();
        for (const int field : {now.hour, now.minute})
            line += IntToPaddedText(field, 10, 2, PaddedForm::Magnitude) + ":";
        line += IntToPaddedText(now.second, 10, 2, PaddedForm::Magnitude) + " ";
    }
    line += text + "\r\n";
    const int r = static_cast<int>(m_random() % 150);
    const int g = static_cast<int>(m_random() % 150);
    const int b = static_cast<int>(m_random() % 150);
    fxpixel::AppendRichText(edit, line, RGB(r, g, b), FALSE, kTextLimit);
}

void XTraceWindow::RefreshStatusPanes() {
    std::string panes[3];
    for (const auto& [key, value] : m_mapStatus) {
        unsigned sum = 0;
        for (unsigned char c : key) sum += c;
        std::string& pane = panes[sum % 3];
        if (!pane.empty()) pane += ",  ";
        pane += key + "=" + value;
    }
    for (int i = 0; i < 3; ++i) {
        const QString text = fxpixel::LimitText(AnsiToQString(panes[i]), kTextLimit);
        if (m_pAreas[2 + i]->toPlainText() != text) m_pAreas[2 + i]->setPlainText(text);
    }
}

void XTraceWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutChildren(event->size().width(), event->size().height());
}

void XTraceWindow::LayoutChildren(int width, int height) {
    CRect status, first, second;
    if (width > height) {
        const int a = static_cast<int>(0.4 * width), b = static_cast<int>(0.7 * width);
        status = CRect(0, 0, a, height);
        first = CRect(a, 0, b, height);
        second = CRect(b, 0, width, height);
    } else {
        const int a = static_cast<int>(0.4 * height), b = static_cast<int>(0.7 * height);
        status = CRect(0, 0, width, a);
        first = CRect(0, a, width, b);
        second = CRect(0, b, width, height);
    }
    status = Deflated(status, 1, 1, 1, 1);
    first = Deflated(first, 1, 0, 1, 0);
    second = Deflated(second, 1, 1, 1, 1);
    Place(m_pAreas[0], first);
    Place(m_pAreas[1], second);
    // Three panes at a third and two thirds of the block, the first one
    // starting 2 px below the check box.
    const int h = status.Height();
    const int y1 = status.top + static_cast<int>(h * 0.3333);
    const int y2 = status.top + static_cast<int>(h * 0.6666);
    const int boxBottom = m_pDisplayLog->geometry().bottom() + 1;
    Place(m_pAreas[2], CRect(status.left, boxBottom + 2, status.right, y1));
    Place(m_pAreas[3], CRect(status.left, y1, status.right, y2));
    Place(m_pAreas[4], CRect(status.left, y2, status.right, status.bottom));
}

BOOL XTraceSend(const std::string& record, const std::string& serverName) {
    if (record.size() > static_cast<size_t>(XTraceWindow::kTextLimit)) return FALSE;
    const int fd = ConnectTo(serverName.empty() ? XTraceWindow::DefaultServerName() : serverName);
    if (fd < 0) return FALSE;
    BOOL ok = TRUE;
    std::string message(4, '\0');
    const auto n = static_cast<uint32_t>(record.size());
    for (int i = 0; i < 4; ++i) message[static_cast<size_t>(i)] = static_cast<char>(n >> (8 * i));
    message += record;
    for (size_t sent = 0; ok && sent < message.size();) {
        const ssize_t w = ::send(fd, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (w <= 0)
            ok = FALSE;
        else
            sent += static_cast<size_t>(w);
    }
    ::close(fd);
    return ok;
}
