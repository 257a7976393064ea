#pragma once
// Acting inside a window's modal loop: the next exec() runs `actions` once it is shown. Waiting
// for a statement turns the event loop too; the actions are held until no statement is waited
// for, so they run in the loop they were meant for.

#include <QObject>
#include <QTimer>
#include <functional>

#include "data/connection.h"

namespace tabel::test {

inline void whenShown(QObject* context, std::function<void()> actions) {
    QTimer::singleShot(0, context, [context, actions = std::move(actions)]() mutable {
        if (data::Connection::anyBusy()) {
            whenShown(context, std::move(actions));
            return;
        }
        actions();
    });
}

}  // namespace tabel::test
