#include "foundation/fxsockclient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHostAddress>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

CFxSockClient::CFxSockClient(QObject* parent) : QTcpSocket(parent) {
    // The peer has nothing to say to us: what it sends is read and dropped,
    // through a bounded buffer.
    setReadBufferSize(64 * 1024);
    connect(this, &QTcpSocket::readyRead, this, [this] { skip(bytesAvailable()); });
    connect(this, &QTcpSocket::connected, this, &CFxSockClient::OnConnected);
    connect(this, &QTcpSocket::stateChanged, this, &CFxSockClient::OnStateChanged);
}

CFxSockClient::~CFxSockClient() {
    // The socket's own teardown reports its state; nobody is left to hear it.
    blockSignals(true);
    CancelPendingConnect();
    abort();
}

void CFxSockClient::SetCoderTables(const Table& t1, const Table& t2) {
    m_t1 = t1;
    m_t2 = t2;
    m_bTablesSet = TRUE;
}

BOOL CFxSockClient::Init(const std::string& address, UINT port, int blockSize, int maxSize) {
    if (m_bInitialized) return TRUE;
    if (address.empty() || port == 0 || port > 0xFFFF) return FALSE;
    if (blockSize > 0) m_nBlockSize = std::min(blockSize, kMaxBlockSize);
    if (maxSize > 0) m_nMaxSize = std::min(maxSize, kMaxMessageLimit);
    m_nCapacity = m_nBlockSize * ((m_nMaxSize + kHeaderSize) / m_nBlockSize + 1);
    m_frame.reserve(static_cast<size_t>(m_nCapacity));
    m_strAddress = address;
    m_nPort = port;
    m_bClosed = FALSE;
    m_bInitialized = TRUE;
    return TRUE;
}

BOOL CFxSockClient::Connect() {
    if (!m_bInitialized || m_bClosed) return FALSE;
    if (m_nPendingFd >= 0 || state() != QAbstractSocket::UnconnectedState) return FALSE;
    QHostAddress host;
    if (!host.setAddress(QString::fromStdString(m_strAddress))) {
        // A name: looked up and connected on the event loop.
        connectToHost(QString::fromStdString(m_strAddress), static_cast<quint16>(m_nPort));
        return state() != QAbstractSocket::UnconnectedState;
    }
    // An address is connected here, so that a refusal, which on this machine
    // is known as soon as the attempt starts, fails this call.
    sockaddr_storage address{};
    socklen_t length = 0;
    if (host.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* in = reinterpret_cast<sockaddr_in*>(&address);
        in->sin_family = AF_INET;
        in->sin_port = htons(static_cast<uint16_t>(m_nPort));
        in->sin_addr.s_addr = htonl(host.toIPv4Address());
        length = sizeof(sockaddr_in);
    } else {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&address);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(static_cast<uint16_t>(m_nPort));
        const Q_IPV6ADDR bytes = host.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &bytes, sizeof bytes);
        length = sizeof(sockaddr_in6);
    }
    const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return FALSE;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 &&
        errno != EINPROGRESS) {
        ::close(fd);
        return FALSE;
    }
    m_nPendingFd = fd;
    return CheckPendingConnect();
}

BOOL CFxSockClient::CheckPendingConnect() {
    if (m_nPendingFd < 0) return FALSE;
    pollfd attempt{m_nPendingFd, POLLOUT, 0};
    if (::poll(&attempt, 1, 0) <= 0) {
        // Still under way: the answer comes on the event loop.
        if (!m_pendingNotifier) {
            m_pendingNotifier =
                std::make_unique<QSocketNotifier>(m_nPendingFd, QSocketNotifier::Write);
            connect(m_pendingNotifier.get(), &QSocketNotifier::activated, this,
                    [this] { CheckPendingConnect(); });
        }
        return TRUE;
    }
    int error = 0;
    socklen_t size = sizeof error;
    const int fd = m_nPendingFd;
    m_nPendingFd = -1;
    if (m_pendingNotifier) m_pendingNotifier.release()->deleteLater();
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0 ||
        !(attempt.revents & POLLOUT) || !setSocketDescriptor(fd)) {
        ::close(fd);
        Drop();
        return FALSE;
    }
    OnConnected();
    return TRUE;
}

void CFxSockClient::CancelPendingConnect() {
    if (m_pendingNotifier) m_pendingNotifier.release()->deleteLater();
    if (m_nPendingFd >= 0) ::close(m_nPendingFd);
    m_nPendingFd = -1;
}

std::array<BYTE, CFxSockClient::kHeaderSize> CFxSockClient::EncodeHeader(const Table& t1,
                                                                         const Table& t2,
                                                                         std::uint32_t length,
                                                                         BYTE first) {
    std::array<BYTE, kHeaderSize> h{};
    for (unsigned i = 0; i < 4; ++i) h[i] = t1[(((length >> (8 * i)) & 0xFF) + first + i) & 0xFF];
    h[4] = t1[h[0]];
    h[5] = t2[(h[1] + 1u) & 0xFF];
    h[6] = t1[(h[2] + 2u) & 0xFF];
    h[7] = t2[(h[3] + 3u) & 0xFF];
    return h;
}

std::array<BYTE, CFxSockClient::kHeaderSize> CFxSockClient::EncodeHeader(
    const Table& t1, const Table& t2, const std::string& payload) {
    return EncodeHeader(t1, t2, static_cast<std::uint32_t>(payload.size()),
                        payload.empty() ? BYTE{0} : static_cast<BYTE>(payload[0]));
}

BOOL CFxSockClient::Send(const std::string& text, BOOL addLineEnd) {
    if (!m_bEnabled || !m_bTablesSet || text.empty()) return FALSE;
    if (!m_bInitialized && !Init(kDefaultAddress, kDefaultPort)) return FALSE;
    if (m_bClosed) return FALSE;
    const size_t length = text.size() + (addLineEnd ? 2 : 0);
    if (length > static_cast<size_t>(m_nMaxSize)) return FALSE;

    if (state() == QAbstractSocket::UnconnectedState && m_nPendingFd < 0 && !Connect())
        return FALSE;

    const std::array<BYTE, kHeaderSize> header =
        EncodeHeader(m_t1, m_t2, static_cast<std::uint32_t>(length), static_cast<BYTE>(text[0]));
    m_frame.assign(reinterpret_cast<const char*>(header.data()), header.size());
    m_frame += text;
    if (addLineEnd) m_frame += "\r\n";

    // Still connecting: the frame has nowhere to go, and nothing is kept.
    if (state() != QAbstractSocket::ConnectedState) return FALSE;
    return WriteFrame(m_frame);
}

BOOL CFxSockClient::WriteFrame(const std::string& frame) {
    const auto size = static_cast<qint64>(frame.size());
    if (bytesToWrite() + size > kMaxQueuedBytes) return FALSE;
    qint64 sent = 0;
    const auto fd = static_cast<int>(socketDescriptor());
    if (bytesToWrite() == 0 && fd >= 0) {
        // Nothing waits before it: straight to the system, which takes it
        // at once while the peer keeps up.
        const ssize_t n = ::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            Drop();  // broken: the frame cannot reach the peer whole
            return FALSE;
        }
        if (n > 0) sent = n;
    }
    if (sent == size) return TRUE;
    // The rest waits in the socket's buffer and leaves from the event loop.
    // Part of a frame would leave the peer unable to find the next one.
    if (write(frame.data() + sent, size - sent) != size - sent) {
        Drop();
        return FALSE;
    }
    flush();
    if (state() != QAbstractSocket::ConnectedState) {
        Drop();
        return FALSE;
    }
    return TRUE;
}

void CFxSockClient::OnConnected() { m_bConnected = TRUE; }

void CFxSockClient::OnStateChanged(QAbstractSocket::SocketState socketState) {
    if (socketState != QAbstractSocket::UnconnectedState) return;
    // Refused, failed or closed by the peer: the next Send connects again.
    m_bConnected = FALSE;
}

void CFxSockClient::Drop() {
    CancelPendingConnect();
    m_bConnected = FALSE;
    abort();
}

void CFxSockClient::Close() {
    m_bClosed = TRUE;
    Drop();
}

CFxSockClientWnd::CFxSockClientWnd(QWidget* parent) : QWidget(parent) {
    SetMessageHandler(this, kSendMessage, [this](WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (!m_client || !wParam) return FALSE;
        return m_client->Send(reinterpret_cast<const char*>(wParam), lParam ? TRUE : FALSE);
    });
}

CFxSockClientWnd::~CFxSockClientWnd() = default;

void CFxSockClientWnd::SetClient(std::unique_ptr<CFxSockClient> client) {
    m_client = std::move(client);
}
