#pragma once

// A small HTTP server on 127.0.0.1 for tests of code that fetches from the
// web. It runs on its own thread, so it answers whatever the test's thread
// is doing, and it can misbehave on purpose: error pages, bodies without
// length, stalls after the headers, a line that never ends, floods.

#include <QThread>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

class LocalHttpServerWorker;

class LocalHttpServer {
public:
    enum class Behaviour {
        Answer,             // the status line, headers and body, then close
        StallAfterHeaders,  // the headers announce a body that never comes
        EndlessLine,        // the body starts and then trickles a byte every 50 ms, no line end
    };
    struct Response {
        int status = 200;
        std::string body;
        Behaviour behaviour = Behaviour::Answer;
        bool contentLength = true;  // else the close ends the body
    };

    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // The answer to every request from now on.
    void SetResponse(const Response& response);
    void Answer(int status, const std::string& body) { SetResponse({status, body}); }

    // "http://127.0.0.1:port" + path.
    std::string Address(const std::string& path) const;
    // The request targets (path and query as sent), in arrival order.
    std::vector<std::string> Targets() const;
    int RequestCount() const;
    // Connections open now.
    int OpenConnections() const;
    // Waits (running the calling thread's events) for at least `count`
    // requests; false after `ms`.
    bool WaitForRequests(int count, int ms = 10000) const;

    // An address on 127.0.0.1 where nothing listens: a connection is refused.
    static std::string RefusedAddress(const std::string& path);

private:
    friend class LocalHttpServerWorker;
    mutable std::mutex m_lock;
    Response m_response;
    std::vector<std::string> m_targets;
    int m_nOpen = 0;
    int m_nPort = 0;
    QThread m_thread;
    LocalHttpServerWorker* m_pWorker = nullptr;
};

// Polls `done` (running the event loop) for up to `ms` milliseconds.
bool WaitUntil(const std::function<bool()>& done, int ms = 10000);

}  // namespace testsupport
