#include "widgets/error_display.h"

#include <QGuiApplication>

#include "core/messages.h"
#include "data/errors.h"

namespace tabel::widgets {

namespace {

struct Shown {
    QString text;
    QString title;  // empty: the box's usual title
};

Shown shownOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const data::DbError& error) {
        return {data::userMessageOf(error), {}};
    } catch (const data::DataError& error) {
        return {error.message(), error.title()};
    } catch (const std::exception& error) {
        return {QString::fromUtf8(error.what()), {}};
    } catch (...) {
        return {};
    }
}

}  // namespace

void showError(const std::exception_ptr& failure) {
    // An hourglass left by the failed action must not outlive it.
    while (QGuiApplication::overrideCursor() != nullptr) {
        QGuiApplication::restoreOverrideCursor();
    }
    const Shown shown = shownOf(failure);
    if (shown.title.isEmpty()) {
        core::MessageBoxes::error(shown.text);
    } else {
        core::MessageBoxes::error(shown.text, shown.title);
    }
}

}  // namespace tabel::widgets
