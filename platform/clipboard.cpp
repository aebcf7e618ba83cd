#include "platform/clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>

#include "platform/textcodec.h"

namespace {

QClipboard* Clipboard() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
    return QGuiApplication::clipboard();
}

// An encoded bitmap from another program: its size is read from the header
// first and nothing is decoded when it is over the limit.
std::optional<QImage> ReadEncoded(const QByteArray& bytes, long long maxPixels, CSize* sizeOnly) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) return std::nullopt;
    if (static_cast<long long>(size.width()) * size.height() > maxPixels) return std::nullopt;
    if (sizeOnly) {
        *sizeOnly = CSize(size.width(), size.height());
        return QImage();
    }
    QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    return image;
}

// The encoded formats a foreign bitmap is read from, in the order tried.
constexpr const char* kEncodedFormats[] = {"image/png", "image/bmp", "image/x-bmp", "image/jpeg"};

std::optional<QImage> ReadImage(long long maxPixels, CSize* sizeOnly) {
    QClipboard* clipboard = Clipboard();
    if (!clipboard) return std::nullopt;
    const QMimeData* mime = clipboard->mimeData();
    if (!mime) return std::nullopt;
    // A foreign bitmap comes encoded: its header tells the size before
    // anything is decoded.
    if (!clipboard->ownsClipboard()) {
        for (const char* format : kEncodedFormats) {
            if (!mime->hasFormat(format)) continue;
            const QByteArray bytes = mime->data(format);
            if (!bytes.isEmpty()) return ReadEncoded(bytes, maxPixels, sizeOnly);
        }
    }
    // A bitmap put there by this process is held decoded already.
    if (!mime->hasImage()) return std::nullopt;
    const QImage image = qvariant_cast<QImage>(mime->imageData());
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) return std::nullopt;
    if (static_cast<long long>(image.width()) * image.height() > maxPixels) return std::nullopt;
    if (sizeOnly) {
        *sizeOnly = CSize(image.width(), image.height());
        return QImage();
    }
    return image;
}

}  // namespace

bool SetClipboardImage(const QImage& image) {
    QClipboard* clipboard = Clipboard();
    if (!clipboard || image.isNull()) return false;
    clipboard->setImage(image);
    return true;
}

bool IsClipboardImageAvailable(CSize* size) {
    CSize found;
    if (!ReadImage(kClipboardMaxPixels, &found)) return false;
    if (size) *size = found;
    return true;
}

bool IsClipboardImageOffered() {
    QClipboard* clipboard = Clipboard();
    if (!clipboard) return false;
    const QMimeData* mime = clipboard->mimeData();
    if (!mime) return false;
    // Held here already: its size costs nothing.
    if (clipboard->ownsClipboard()) return IsClipboardImageAvailable();
    // Another program's: only the list of its formats is asked for, never
    // the bytes (which the other program would have to send each time).
    const QStringList formats = mime->formats();
    for (const char* format : kEncodedFormats)
        if (formats.contains(QString::fromLatin1(format))) return true;
    return mime->hasImage();
}

std::optional<QImage> GetClipboardImage(long long maxPixels) {
    std::optional<QImage> image = ReadImage(maxPixels, nullptr);
    if (!image) return std::nullopt;
    return image->convertToFormat(QImage::Format_RGB32);
}

bool SetClipboardText(const std::string& text) {
    QClipboard* clipboard = Clipboard();
    if (!clipboard) return false;
    clipboard->setText(AnsiToQString(text));
    return true;
}

std::optional<std::string> GetClipboardText() {
    QClipboard* clipboard = Clipboard();
    if (!clipboard) return std::nullopt;
    const QMimeData* mime = clipboard->mimeData();
    if (!mime || !mime->hasText()) return std::nullopt;
    return QStringToAnsi(mime->text());
}

bool EmptyClipboard() {
    QClipboard* clipboard = Clipboard();
    if (!clipboard) return false;
    clipboard->clear();
    return true;
}
