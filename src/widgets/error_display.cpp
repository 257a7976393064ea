#include "widgets/error_display.h"

#include <QGuiApplication>

#include "core/messages.h"
#include "data/errors.h"

namespace tabel::widgets {

namespace {

QString messageOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const data::DbError& error) {
        return data::userMessageOf(error);
    } catch (const data::DataError& error) {
        return error.message();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QString();
    }
}

}  // namespace

void showError(const std::exception_ptr& failure) {
    // An hourglass left by the failed action must not outlive it.
    while (QGuiApplication::overrideCursor() != nullptr) {
        QGuiApplication::restoreOverrideCursor();
    }
    core::MessageBoxes::error(messageOf(failure));
}

}  // namespace tabel::widgets
