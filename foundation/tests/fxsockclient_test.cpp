#include "foundation/fxsockclient.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTcpServer>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Table = CFxSockClient::Table;

Table Identity() {
    Table t;
    for (int i = 0; i < 256; ++i) t[i] = static_cast<BYTE>(i);
    return t;
}
// The pair the hand-worked headers below were computed with.
Table XorTable() {
    Table t;
    for (int i = 0; i < 256; ++i) t[i] = static_cast<BYTE>(i ^ 0x5A);
    return t;
}
Table ReverseTable() {
    Table t;
    for (int i = 0; i < 256; ++i) t[i] = static_cast<BYTE>(255 - i);
    return t;
}

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s += static_cast<char>(b);
    return s;
}

// Runs the event loop until `done` or five seconds.
bool Until(const std::function<bool()>& done) {
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A service on 127.0.0.1 that keeps every byte it receives and its connections.
class Peer {
public:
    Peer() {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                sockets_.push_back(s);
                QObject::connect(s, &QTcpSocket::readyRead, s,
                                 [this, s] { bytes += s->readAll().toStdString(); });
            }
        });
        Listen(0);
    }
    bool Listen(quint16 port) { return server_.listen(QHostAddress::LocalHost, port); }
    quint16 Port() const { return port_ ? port_ : server_.serverPort(); }
    void Stop() {
        port_ = server_.serverPort();
        server_.close();
    }
    int Connections() const { return static_cast<int>(sockets_.size()); }
    QTcpSocket* Last() const { return sockets_.empty() ? nullptr : sockets_.back().data(); }
    bool WaitFor(size_t n) {
        return Until([&] { return bytes.size() >= n; });
    }

    std::string bytes;

private:
    QTcpServer server_;
    quint16 port_ = 0;
    std::vector<QPointer<QTcpSocket>> sockets_;
};

// The payloads of a stream framed under identity tables, where a length byte
// is the coded byte less the first payload byte and its position. Empty when
// the framing breaks.
std::vector<std::string> Payloads(const std::string& stream) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at + 9 <= stream.size()) {
        const auto b = [&](size_t i) {
            return static_cast<unsigned>(static_cast<BYTE>(stream[at + i]));
        };
        std::uint32_t n = 0;
        for (unsigned i = 0; i < 4; ++i) n |= ((b(i) - b(8) - i) & 0xFFu) << (8 * i);
        if (n == 0 || at + 8 + n > stream.size()) return {};
        out.push_back(stream.substr(at + 8, n));
        at += 8 + n;
    }
    return at == stream.size() ? out : std::vector<std::string>{};
}

struct Client : CFxSockClient {
    explicit Client(quint16 port, int maxSize = 0, Table t1 = Identity(), Table t2 = Identity()) {
        SetEnabled(TRUE);
        SetCoderTables(t1, t2);
        Init("127.0.0.1", port, 0, maxSize);
    }
};

TEST(FxSockClientTest, HeadersMatchBytesWorkedByHand) {
    Peer peer;
    Client client(peer.Port(), 70000);
    ASSERT_TRUE(client.Send("A"));
    ASSERT_TRUE(peer.WaitFor(9));
    EXPECT_EQ(peer.bytes, Bytes({0x42, 0x42, 0x43, 0x44, 0x42, 0x43, 0x45, 0x47, 0x41}));

    peer.bytes.clear();
    client.SetCoderTables(XorTable(), ReverseTable());
    const std::string lead300 = "\xC7" + std::string(299, 'x');      // length 0x012C
    const std::string lead66051 = "\x10" + std::string(66050, 'y');  // length 0x010203
    ASSERT_TRUE(client.Send("A"));
    ASSERT_TRUE(client.Send("A", TRUE));
    ASSERT_TRUE(client.Send(lead300));
    ASSERT_TRUE(client.Send(lead66051));
    const std::string expected = Bytes({0x18, 0x18, 0x19, 0x1E, 0x42, 0xE6, 0x41, 0xDE}) + "A" +
                                 Bytes({0x1E, 0x18, 0x19, 0x1E, 0x44, 0xE6, 0x41, 0xDE}) + "A\r\n" +
                                 Bytes({0xA9, 0x93, 0x93, 0x90, 0xF3, 0x6B, 0xCF, 0x6C}) + lead300 +
                                 Bytes({0x49, 0x49, 0x49, 0x49, 0x13, 0xB5, 0x11, 0xB3}) +
                                 lead66051;
    ASSERT_TRUE(peer.WaitFor(expected.size()));
    EXPECT_EQ(peer.bytes, expected);
}

TEST(FxSockClientTest, LengthLimitCountsTheLineEnd) {
    Peer peer;
    Client client(peer.Port(), 16);
    const struct {
        std::string text;
        BOOL lineEnd;
        BOOL sent;
    } cases[] = {
        {"a", FALSE, TRUE},
        {std::string(16, 'm'), FALSE, TRUE},
        {std::string(17, 'o'), FALSE, FALSE},
        {std::string(14, 'l'), TRUE, TRUE},
        {std::string(15, 'e'), TRUE, FALSE},  // 17 with the line end
        {"", FALSE, FALSE},
        {"", TRUE, FALSE},
    };
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        EXPECT_EQ(client.Send(c.text, c.lineEnd), c.sent) << c.text.size();
        if (c.sent) expected.push_back(c.text + (c.lineEnd ? "\r\n" : ""));
    }
    ASSERT_TRUE(peer.WaitFor(8 * 3 + 1 + 16 + 16));
    EXPECT_EQ(Payloads(peer.bytes), expected);
}

TEST(FxSockClientTest, NothingIsKeptWhileConnectingAndLaterMessagesArriveInOrder) {
    Peer peer;
    CFxSockClient client;
    client.SetEnabled(TRUE);
    client.SetCoderTables(Identity(), Identity());
    client.Init("localhost", peer.Port(), 0, 2048);  // a name: the connection comes later
    // Refused while the connection is being made, and not sent once it is.
    EXPECT_FALSE(client.Send("too early"));
    EXPECT_FALSE(client.Send("still too early"));
    ASSERT_FALSE(client.IsConnected());
    ASSERT_TRUE(Until([&] { return client.IsConnected(); }));
    std::vector<std::string> expected;
    // About 10 MB: more than the system takes at once, so most of it waits
    // in the socket's buffer and must still go out whole and in order.
    for (int i = 0; i < 10000; ++i) {
        expected.push_back("message " + std::to_string(i));
        expected.back().resize(1000, '.');
        ASSERT_TRUE(client.Send(expected.back())) << i;
    }
    size_t total = 0;
    for (const std::string& e : expected) total += 8 + e.size();
    ASSERT_TRUE(peer.WaitFor(total));
    EXPECT_EQ(Payloads(peer.bytes), expected);
    EXPECT_EQ(peer.Connections(), 1);

    // A connection that fails after the first Send has lost nothing that
    // was answered TRUE.
    Peer gone;
    gone.Stop();
    CFxSockClient late;
    late.SetEnabled(TRUE);
    late.SetCoderTables(Identity(), Identity());
    late.Init("localhost", gone.Port());
    EXPECT_FALSE(late.Send("into nothing"));
    EXPECT_TRUE(Until([&] { return late.state() == QAbstractSocket::UnconnectedState; }));
}

TEST(FxSockClientTest, ReconnectsAfterRefusalPeerCloseAndBrokenConnection) {
    // Nobody listening: the message is not sent, and not kept for later.
    Peer peer;
    peer.Stop();
    Client client(peer.Port());
    EXPECT_FALSE(client.Send("lost"));
    Until([&] { return client.state() == QAbstractSocket::UnconnectedState; });
    ASSERT_TRUE(peer.Listen(peer.Port()));
    EXPECT_TRUE(client.Send("after restart"));
    ASSERT_TRUE(Until([&] { return Payloads(peer.bytes).size() == 1; }));

    // The peer closes: the next Send connects again.
    peer.Last()->disconnectFromHost();
    ASSERT_TRUE(Until([&] { return !client.IsConnected(); }));
    EXPECT_TRUE(client.Send("after close"));
    ASSERT_TRUE(Until([&] { return Payloads(peer.bytes).size() == 2; }));
    EXPECT_EQ(peer.Connections(), 2);

    // The peer resets the connection before the client has heard of it: the
    // frame cannot go out whole, so Send fails and drops the connection.
    const linger reset{1, 0};
    setsockopt(static_cast<int>(peer.Last()->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset,
               sizeof reset);
    peer.Last()->abort();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(client.Send("into a reset"));
    EXPECT_FALSE(client.IsConnected());
    EXPECT_TRUE(client.Send("after reset"));
    ASSERT_TRUE(Until([&] { return Payloads(peer.bytes).size() == 3; }));
    EXPECT_EQ(Payloads(peer.bytes),
              (std::vector<std::string>{"after restart", "after close", "after reset"}));
}

TEST(FxSockClientTest, NothingConnectsWhileDisabledOrWithoutTables) {
    Peer peer;
    CFxSockClient client;
    client.SetCoderTables(Identity(), Identity());
    client.Init("127.0.0.1", peer.Port());
    EXPECT_FALSE(client.Send("disabled"));

    CFxSockClient untabled;
    untabled.SetEnabled(TRUE);
    untabled.Init("127.0.0.1", peer.Port());
    EXPECT_FALSE(untabled.Send("no tables"));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_EQ(peer.Connections(), 0);
    EXPECT_EQ(client.state(), QAbstractSocket::UnconnectedState);
    EXPECT_EQ(untabled.state(), QAbstractSocket::UnconnectedState);

    untabled.SetCoderTables(Identity(), Identity());
    EXPECT_TRUE(untabled.Send("tables set"));
    ASSERT_TRUE(peer.WaitFor(8 + 10));
    EXPECT_EQ(Payloads(peer.bytes), std::vector<std::string>{"tables set"});
}

TEST(FxSockClientTest, CapacityHasBoundedNonZeroBlocks) {
    const struct {
        int block, max;
        int blockInForce, maxInForce, capacity;
    } cases[] = {
        {0, 0, 1024, 4096, 1024 * 5},
        {-5, 70000, 1024, 70000, 1024 * 69},
        {16, 100, 16, 100, 16 * 7},
        {1, 1, 1, 1, 10},
        {0x7FFFFFFF, 0x7FFFFFFF, 65536, 1048576, 65536 * 17},
    };
    for (const auto& c : cases) {
        CFxSockClient client;
        ASSERT_TRUE(client.Init("127.0.0.1", 9, c.block, c.max));
        EXPECT_EQ(client.GetBlockSize(), c.blockInForce) << c.block;
        EXPECT_EQ(client.GetMaxSize(), c.maxInForce) << c.max;
        EXPECT_EQ(client.GetCapacity(), c.capacity) << c.block << " " << c.max;
        client.Init("127.0.0.1", 9, 8, 8);  // once only
        EXPECT_EQ(client.GetMaxSize(), c.maxInForce);
    }
}

TEST(FxSockClientTest, OwnerWindowForwardsTextMessages) {
    Peer peer;
    auto* window = new CFxSockClientWnd;
    const char text[] = "ping";
    EXPECT_EQ(
        SendMessage(window, CFxSockClientWnd::kSendMessage, reinterpret_cast<WPARAM>(text), 1),
        FALSE);
    window->SetClient(std::make_unique<Client>(peer.Port()));
    QPointer<CFxSockClient> client = window->GetClient();
    EXPECT_EQ(SendMessage(window, WM_USER + 920, reinterpret_cast<WPARAM>(text), 1), TRUE);
    EXPECT_EQ(SendMessage(window, WM_USER + 920, reinterpret_cast<WPARAM>(text), 0), TRUE);
    EXPECT_EQ(SendMessage(window, WM_USER + 920, 0, 0), FALSE);
    ASSERT_TRUE(peer.WaitFor(2 * 8 + 6 + 4));
    EXPECT_EQ(Payloads(peer.bytes), (std::vector<std::string>{"ping\r\n", "ping"}));
    delete window;
    EXPECT_TRUE(client.isNull());
}

}  // namespace
