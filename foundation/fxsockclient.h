#pragma once

// A small client that sends text messages over TCP to a companion service on
// this machine. Each message goes out as one frame: an eight-byte header
// coded through two substitution tables, then the text's bytes.
//
// Everything runs on the GUI thread and nothing waits: the connection is made
// on first use and completes on the event loop. Nothing is held while it is
// being made: a message that cannot go out at once is refused, and the
// caller may send it again later. After a failed connection the next Send
// connects again.

#include <QSocketNotifier>
#include <QTcpSocket>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/window.h"
#include "platform/wintypes.h"

class CFxSockClient : public QTcpSocket {
    Q_OBJECT

public:
    static constexpr const char* kDefaultAddress = "127.0.0.1";
    static constexpr UINT kDefaultPort = 8693;
    static constexpr int kHeaderSize = 8;
    // Sizes in force until Init sets others, and the most Init accepts.
    static constexpr int kDefaultBlockSize = 1024;
    static constexpr int kDefaultMaxSize = 4096;
    static constexpr int kMaxBlockSize = 64 * 1024;
    static constexpr int kMaxMessageLimit = 1024 * 1024;
    // The most bytes waiting in the socket's buffer to go out; a Send past
    // it fails and leaves the connection as it is.
    static constexpr qint64 kMaxQueuedBytes = 16 * 1024 * 1024;

    using Table = std::array<BYTE, 256>;

    explicit CFxSockClient(QObject* parent = nullptr);
    ~CFxSockClient() override;

    // Nothing is sent while the client is not enabled.
    void SetEnabled(BOOL enabled) { m_bEnabled = enabled; }
    BOOL IsEnabled() const { return m_bEnabled; }

    // The header's substitution tables; no message goes out before they are set.
    void SetCoderTables(const Table& t1, const Table& t2);
    BOOL HasCoderTables() const { return m_bTablesSet; }

    // Stores the address and port and sizes the buffers: a block size or
    // maximum of 0 or less keeps the one in force, larger ones than the
    // limits above are cut to them. Nothing when already initialised.
    BOOL Init(const std::string& address, UINT port, int blockSize = 0, int maxSize = 0);
    // Starts connecting (only once initialised and not closed); FALSE when
    // connected or connecting already, or when the attempt failed at once.
    BOOL Connect();
    // Frames the text, with "\r\n" added when asked, and sends it, connecting
    // on first use. FALSE when not enabled, without tables, for an empty text
    // or one longer than the maximum (line end included), when the
    // connection cannot be made or is still being made (the message is not
    // kept), or when the frame could not be written whole (the connection is
    // then dropped).
    BOOL Send(const std::string& text, BOOL addLineEnd = FALSE);
    // Drops the connection; nothing more is sent.
    void Close();

    BOOL IsInitialized() const { return m_bInitialized; }
    BOOL IsClosed() const { return m_bClosed; }
    BOOL IsConnected() const { return m_bConnected; }
    int GetMaxSize() const { return m_nMaxSize; }
    int GetBlockSize() const { return m_nBlockSize; }
    // Room for a header and a maximal message, in whole blocks.
    int GetCapacity() const { return m_nCapacity; }

    // The header of a payload (at least one byte) under the tables.
    static std::array<BYTE, kHeaderSize> EncodeHeader(const Table& t1, const Table& t2,
                                                      const std::string& payload);
    // The same from the payload's length and first byte.
    static std::array<BYTE, kHeaderSize> EncodeHeader(const Table& t1, const Table& t2,
                                                      std::uint32_t length, BYTE first);

private:
    BOOL CheckPendingConnect();
    void CancelPendingConnect();
    void OnConnected();
    void OnStateChanged(QAbstractSocket::SocketState state);
    BOOL WriteFrame(const std::string& frame);
    void Drop();

    BOOL m_bEnabled = FALSE;
    BOOL m_bInitialized = FALSE;
    BOOL m_bClosed = FALSE;
    BOOL m_bConnected = FALSE;
    BOOL m_bTablesSet = FALSE;
    std::string m_strAddress;
    UINT m_nPort = 0;
    int m_nMaxSize = kDefaultMaxSize;
    int m_nBlockSize = kDefaultBlockSize;
    int m_nCapacity = 0;
    Table m_t1{};
    Table m_t2{};
    std::string m_frame;    // the frame being built, sized to the capacity
    int m_nPendingFd = -1;  // a connection under way, not yet the socket's
    std::unique_ptr<QSocketNotifier> m_pendingNotifier;
};

// The window that owns a client and forwards the text messages it receives.
class CFxSockClientWnd : public QWidget {
    Q_OBJECT

public:
    // wParam: the text (NUL-terminated system text); lParam non-zero: add
    // "\r\n". Answers Send's result, FALSE without a client.
    static constexpr UINT kSendMessage = WM_USER + 920;

    explicit CFxSockClientWnd(QWidget* parent = nullptr);
    ~CFxSockClientWnd() override;

    // Takes the client over; it goes with the window.
    void SetClient(std::unique_ptr<CFxSockClient> client);
    CFxSockClient* GetClient() const { return m_client.get(); }

private:
    std::unique_ptr<CFxSockClient> m_client;
};
