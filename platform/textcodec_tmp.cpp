// Stand-in conversion until the code-page converter lands.
#include "platform/textcodec.h"

QString AnsiToQString(std::string_view ansi) {
    return QString::fromLatin1(ansi.data(), static_cast<qsizetype>(ansi.size()));
}

std::string QStringToAnsi(const QString& text) { return text.toLatin1().toStdString(); }
