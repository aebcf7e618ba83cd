#include "foundation/pixel/fxweblink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "platform/uiservices.h"

namespace {

QUrl ParseWebAddress(const std::string& address) {
    // The address is checked whole: no white space or control bytes inside.
    for (unsigned char c : address)
        if (c <= 0x20 || c == 0x7F) return {};
    QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(address), QUrl::TolerantMode);
    if (!url.isValid() || url.isRelative()) return {};
    const QString scheme = url.scheme().toLower();
    if (scheme != "http" && scheme != "https") return {};
    if (url.host().isEmpty()) return {};
    return url;
}

// Line ends are dropped and the lines joined.
std::string JoinLines(const QByteArray& body) {
    std::string text;
    text.reserve(static_cast<size_t>(body.size()));
    for (char c : body)
        if (c != '\r' && c != '\n') text.push_back(c);
    return text;
}

}  // namespace

bool FxIsWebAddress(const std::string& address) { return ParseWebAddress(address).isValid(); }

std::string FxNormalizeWebAddress(const std::string& address) {
    const QUrl url = ParseWebAddress(address);
    return url.isValid() ? url.toEncoded().toStdString() : std::string();
}

bool FxOpenWebLink(const std::string& address) {
    const std::string url = FxNormalizeWebAddress(address);
    if (url.empty()) return false;
    return Ui().OpenDocument(url);
}

std::string FxPercentEncode(const std::string& bytes) {
    return QByteArray::fromStdString(bytes).toPercentEncoding().toStdString();
}

FxFetchReply FxFetchText(const std::string& address, int limitMs,
                         const std::function<bool()>& keepGoing, int maxBytes) {
    FxFetchReply out;
    const QUrl url = ParseWebAddress(address);
    if (!url.isValid() || !QCoreApplication::instance()) return out;
    if (keepGoing && !keepGoing()) {
        out.result = FxFetchResult::Stopped;
        return out;
    }
    if (limitMs < 1) limitMs = 1;
    if (maxBytes < 0) maxBytes = 0;
    QElapsedTimer clock;
    clock.start();

    // The loop first: it gives a worker thread its event dispatcher.
    QEventLoop loop;
    FxFetchResult abortedAs = FxFetchResult::Ok;
    QByteArray body;
    {
        QNetworkAccessManager network;
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setRawHeader("Cache-Control", "no-cache");
        request.setTransferTimeout(limitMs);
        std::unique_ptr<QNetworkReply> reply(network.get(request));
        reply->setReadBufferSize(maxBytes + 1);

        auto abortAs = [&](FxFetchResult why) {
            if (abortedAs != FxFetchResult::Ok) return;
            abortedAs = why;
            reply->abort();
        };
        auto take = [&] {
            if (abortedAs != FxFetchResult::Ok) return;
            body += reply->read(maxBytes + 1 - body.size());
            if (body.size() > maxBytes) abortAs(FxFetchResult::TooLarge);
        };
        QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toLongLong() > maxBytes)
                abortAs(FxFetchResult::TooLarge);
        });
        QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, take);
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (clock.elapsed() > limitMs)
                abortAs(FxFetchResult::TimedOut);
            else if (keepGoing && !keepGoing())
                abortAs(FxFetchResult::Stopped);
        });
        poll.start();
        if (!reply->isFinished()) loop.exec();
        poll.stop();
        take();

        out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (abortedAs != FxFetchResult::Ok) {
            out.result = abortedAs;
        } else if (reply->error() == QNetworkReply::OperationCanceledError) {
            out.result = FxFetchResult::TimedOut;  // the transfer time-out
        } else if (out.status != 0 && out.status != 200) {
            out.result = FxFetchResult::HttpError;
        } else if (reply->error() != QNetworkReply::NoError || out.status != 200) {
            out.result = FxFetchResult::Failed;
        } else {
            out.result = FxFetchResult::Ok;
        }
    }
    // What the network classes left for later deletion goes now, while this
    // thread still runs events; a worker may not run any again.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (out.result == FxFetchResult::Ok) out.text = JoinLines(body);
    return out;
}
