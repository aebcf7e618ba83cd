#include "platform/keyboard.h"

#include <QGuiApplication>

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
