#include "platform/keyboard.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

std::function<Qt::KeyboardModifiers()>& Source() {
    static std::function<Qt::KeyboardModifiers()> source;
    return source;
}

}  // namespace

Qt::KeyboardModifiers GetAsyncModifiers() {
    if (Source()) return Source()();
    return QGuiApplication::queryKeyboardModifiers();
}

void SetModifierSource(std::function<Qt::KeyboardModifiers()> source) {
    Source() = std::move(source);
}

bool IsOwnEditingKey(QWidget* widget, const QKeyEvent& key) {
    if (!widget) return false;
    // The question Qt puts to the focus widget before a shortcut fires.
    QKeyEvent probe(QEvent::ShortcutOverride, key.key(), key.modifiers(), key.text(),
                    key.isAutoRepeat(), static_cast<ushort>(key.count()));
    probe.ignore();
    QCoreApplication::sendEvent(widget, &probe);
    return probe.isAccepted();
}
