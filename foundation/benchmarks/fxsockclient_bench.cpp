// Sending speed of the localhost client: framed 1 KiB messages through Send,
// next to raw socket writes of the same frames, both to a reader on
// 127.0.0.1 that counts what arrives. A round ends only when every byte has
// arrived, so none may be lost.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <string>
#include <thread>

#include "foundation/fxsockclient.h"

namespace {

constexpr int kPayload = 1024;

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "fxsockclient_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

CFxSockClient::Table Identity() {
    CFxSockClient::Table t;
    for (int i = 0; i < 256; ++i) t[i] = static_cast<BYTE>(i);
    return t;
}

// Accepts one connection on 127.0.0.1 and reads it to the end, counting bytes.
class Reader {
public:
    Reader() {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), len);
        ::listen(listen_, 1);
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] {
            const int peer = ::accept(listen_, nullptr, nullptr);
            if (peer < 0) return;
            std::string buffer(256 * 1024, '\0');
            for (;;) {
                const ssize_t n = ::recv(peer, buffer.data(), buffer.size(), 0);
                if (n <= 0) break;
                received_.fetch_add(n, std::memory_order_relaxed);
            }
            ::close(peer);
        });
    }
    ~Reader() {
        ::shutdown(listen_, SHUT_RDWR);
        thread_.join();
        ::close(listen_);
    }
    UINT Port() const { return port_; }
    long long Received() const { return received_.load(std::memory_order_relaxed); }

private:
    int listen_ = -1;
    UINT port_ = 0;
    std::thread thread_;
    std::atomic<long long> received_{0};
};

std::string Payload() {
    std::string p(kPayload, 'x');
    for (int i = 0; i < kPayload; ++i) p[i] = static_cast<char>('a' + i % 26);
    return p;
}

void BM_Send(benchmark::State& state) {
    App();
    const int messages = static_cast<int>(state.range(0));
    Reader reader;
    CFxSockClient client;
    client.SetEnabled(TRUE);
    client.SetCoderTables(Identity(), Identity());
    client.Init("127.0.0.1", reader.Port(), 0, 2 * kPayload);
    const std::string payload = Payload();
    const long long frame = CFxSockClient::kHeaderSize + kPayload;
    long long expected = 0;
    int failed = 0;
    for (auto _ : state) {
        for (int i = 0; i < messages; ++i) failed += client.Send(payload) ? 0 : 1;
        expected += frame * messages;
        // What the system did not take at once goes out on the event loop.
        while (reader.Received() < expected && client.state() == QAbstractSocket::ConnectedState) {
            if (client.bytesToWrite() > 0)
                client.waitForBytesWritten(5);
            else
                std::this_thread::yield();
        }
    }
    client.Close();
    if (failed || reader.Received() != expected) state.SkipWithError("messages lost");
    state.SetItemsProcessed(state.iterations() * messages);
    state.SetBytesProcessed(state.iterations() * messages * frame);
}
BENCHMARK(BM_Send)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_RawSocketWrites(benchmark::State& state) {
    const int messages = static_cast<int>(state.range(0));
    Reader reader;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(reader.Port()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        state.SkipWithError("no connection");
        return;
    }
    const std::string payload = Payload();
    const auto header = CFxSockClient::EncodeHeader(Identity(), Identity(), payload);
    const std::string frame = std::string(header.begin(), header.end()) + payload;
    long long expected = 0;
    bool failed = false;
    for (auto _ : state) {
        for (int i = 0; i < messages; ++i)
            failed |= ::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL) !=
                      static_cast<ssize_t>(frame.size());
        expected += static_cast<long long>(frame.size()) * messages;
        while (reader.Received() < expected) std::this_thread::yield();
    }
    ::close(fd);
    if (failed || reader.Received() != expected) state.SkipWithError("messages lost");
    state.SetItemsProcessed(state.iterations() * messages);
    state.SetBytesProcessed(state.iterations() * messages * static_cast<long long>(frame.size()));
}
BENCHMARK(BM_RawSocketWrites)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
