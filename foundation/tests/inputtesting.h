#pragma once

// Mouse input sent straight to a widget, as the window system would deliver
// it, and the commands a window receives in answer.

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>
#include <vector>

#include "platform/window.h"

// A move reports no button of its own; a press, release or double click the
// left one. `buttons` are those held after the event.
inline void Mouse(QWidget& w, QEvent::Type type, QPoint pos,
                  Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent e(type, QPointF(pos), QPointF(w.mapToGlobal(pos)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

inline void Click(QWidget& w, QPoint pos) {
    Mouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, pos);
}

// The mouse moves onto `from`, then drags with the left button to `to`.
inline void Drag(QWidget& w, QPoint from, QPoint to) {
    Mouse(w, QEvent::MouseMove, from);
    Mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, to, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, to);
}

inline void Enter(QWidget& w, QPoint pos = QPoint(5, 5)) {
    const QPointF local(pos);
    QEnterEvent enter(local, local, QPointF(w.mapToGlobal(pos)));
    QApplication::sendEvent(&w, &enter);
}

inline void Leave(QWidget& w) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&w, &leave);
}

// Records the WM_COMMAND ids `window` receives, for as long as it lives.
inline std::vector<WPARAM>* Commands(QObject* window) {
    auto* ids = new std::vector<WPARAM>;
    SetMessageHandler(window, WM_COMMAND, [ids](WPARAM w, LPARAM) {
        ids->push_back(w);
        return 0;
    });
    QObject::connect(window, &QObject::destroyed, [ids] { delete ids; });
    return ids;
}
