#pragma once
// The one way a user's action meets a failure: the action runs inside runAction, which shows
// what went wrong in the error display and returns, so no exception ever crosses Qt's event
// loop. Windows connect their controls through connectAction.

#include <QObject>
#include <functional>

namespace tabel::widgets {

// Runs `action`; a failure it throws is shown (data::userMessageOf for a refused statement) and
// ends the action. True when the action ran to its end.
bool runAction(const std::function<void()>& action);

// Connects `signal` of `sender` to `action` run through runAction, in `context`'s lifetime.
template <typename Sender, typename Signal>
QMetaObject::Connection connectAction(Sender* sender, Signal signal, QObject* context,
                                      std::function<void()> action) {
    return QObject::connect(sender, signal, context,
                            [action = std::move(action)] { runAction(action); });
}

}  // namespace tabel::widgets
