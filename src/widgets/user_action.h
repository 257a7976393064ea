#pragma once
// The one way a user's action meets a failure: the action runs inside runAction, which shows
// what went wrong in the error display and returns, so no exception ever crosses Qt's event
// loop. Windows connect their controls through connectAction.

#include <QObject>
#include <QString>
#include <functional>
#include <stdexcept>
#include <type_traits>

namespace tabel::widgets {

// What an action throws to end in a message of its own words (a printer that cannot be used, a
// file that cannot be written); runAction shows the message.
class ActionFailure : public std::runtime_error {
public:
    explicit ActionFailure(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// Runs `action`; a failure it throws is shown (data::userMessageOf for a refused statement) and
// ends the action. True when the action ran to its end.
bool runAction(const std::function<void()>& action);

// Connects `signal` of `sender` to `action` run through runAction, in `context`'s lifetime.
// `action` takes all of the signal's arguments or none.
template <typename Sender, typename Signal, typename Action>
QMetaObject::Connection connectAction(Sender* sender, Signal signal, QObject* context,
                                      Action action) {
    return QObject::connect(
        sender, signal, context, [action = std::move(action)](const auto&... arguments) {
            runAction([&] {
                if constexpr (std::is_invocable_v<const Action&, decltype(arguments)...>) {
                    action(arguments...);
                } else {
                    action();
                }
            });
        });
}

}  // namespace tabel::widgets
