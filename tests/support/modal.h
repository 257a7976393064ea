#pragma once
// Acting inside a window's modal loop: the next exec() runs `actions` once it is shown.

#include <QObject>
#include <QTimer>
#include <functional>

namespace tabel::test {

inline void whenShown(QObject* context, std::function<void()> actions) {
    QTimer::singleShot(0, context, std::move(actions));
}

}  // namespace tabel::test
