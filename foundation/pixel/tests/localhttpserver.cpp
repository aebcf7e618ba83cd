#include "localhttpserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <chrono>
#include <thread>

namespace testsupport {

class LocalHttpServerWorker : public QObject {
public:
    explicit LocalHttpServerWorker(LocalHttpServer& owner) : m_owner(owner) {}

    int Listen() {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection()) Accept(socket);
        });
        if (!m_server->listen(QHostAddress::LocalHost, 0)) return 0;
        return m_server->serverPort();
    }

    void Close() {
        delete m_server;
        m_server = nullptr;
        for (QObject* child : children()) delete child;
    }

private:
    void Accept(QTcpSocket* socket) {
        socket->setParent(this);
        {
            std::lock_guard<std::mutex> guard(m_owner.m_lock);
            ++m_owner.m_nOpen;
        }
        auto request = std::make_shared<QByteArray>();
        auto answered = std::make_shared<bool>(false);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request, answered] {
            *request += socket->readAll();
            const qsizetype end = request->indexOf("\r\n\r\n");
            if (*answered || end < 0) return;
            *answered = true;
            const QList<QByteArray> line = request->left(request->indexOf("\r\n")).split(' ');
            LocalHttpServer::Response response;
            {
                std::lock_guard<std::mutex> guard(m_owner.m_lock);
                m_owner.m_targets.push_back(line.size() > 1 ? line[1].toStdString() : "");
                response = m_owner.m_response;
            }
            Respond(socket, response);
        });
        connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            {
                std::lock_guard<std::mutex> guard(m_owner.m_lock);
                --m_owner.m_nOpen;
            }
            socket->deleteLater();
        });
    }

    void Respond(QTcpSocket* socket, const LocalHttpServer::Response& response) {
        using B = LocalHttpServer::Behaviour;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) +
                          (response.status == 200 ? " OK" : " Error") +
                          "\r\nContent-Type: text/plain\r\nConnection: close\r\n";
        if (response.behaviour == B::StallAfterHeaders)
            head += "Content-Length: 100\r\n";
        else if (response.contentLength && response.behaviour == B::Answer)
            head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        head += "\r\n";
        socket->write(head);
        if (response.behaviour == B::StallAfterHeaders) return;
        socket->write(QByteArray::fromStdString(response.body));
        if (response.behaviour == B::Answer) {
            socket->disconnectFromHost();
            return;
        }
        auto* trickle = new QTimer(socket);
        connect(trickle, &QTimer::timeout, socket, [socket] { socket->write("x"); });
        trickle->start(50);
    }

    LocalHttpServer& m_owner;
    QTcpServer* m_server = nullptr;
};

LocalHttpServer::LocalHttpServer() {
    m_pWorker = new LocalHttpServerWorker(*this);
    m_pWorker->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_pWorker, [this] { m_nPort = m_pWorker->Listen(); }, Qt::BlockingQueuedConnection);
}

LocalHttpServer::~LocalHttpServer() {
    QMetaObject::invokeMethod(
        m_pWorker,
        [this] {
            m_pWorker->Close();
            delete m_pWorker;
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void LocalHttpServer::SetResponse(const Response& response) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_response = response;
}

std::string LocalHttpServer::Address(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_nPort) + path;
}

std::vector<std::string> LocalHttpServer::Targets() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_targets;
}

int LocalHttpServer::RequestCount() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_targets.size());
}

int LocalHttpServer::OpenConnections() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nOpen;
}

bool LocalHttpServer::WaitForRequests(int count, int ms) const {
    return WaitUntil([&] { return RequestCount() >= count; }, ms);
}

std::string LocalHttpServer::RefusedAddress(const std::string& path) {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace testsupport
