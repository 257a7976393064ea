#include "widgets/error_display.h"

#include <QGuiApplication>
#include <QRegularExpression>

#include "core/messages.h"
#include "data/errors.h"

namespace tabel::widgets {

namespace {

QString messageOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const data::DbError& error) {
        return userMessageOf(error);
    } catch (const data::DataError& error) {
        return error.message();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QString();
    }
}

}  // namespace

QString serverMessageOf(const QString& serverText) {
    // psqlODBC: "ERROR:  <message>;\nError while executing the query", maybe with CONTEXT lines.
    QString text = serverText;
    static const QRegularExpression severity(
        QStringLiteral("^\\s*(ERROR|FATAL|ОШИБКА|ВАЖНО):\\s*"));
    text.remove(severity);
    const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral(";?\\n")));
    if (end >= 0) {
        text.truncate(end);
    }
    if (text.endsWith(QLatin1Char(';'))) {
        text.chop(1);
    }
    return text.trimmed();
}

QString userMessageOf(const data::DbError& error) {
    using data::DbErrorKind;
    QString text;
    switch (error.kind()) {
        case DbErrorKind::RaisedByServer:
            // Our own triggers and functions speak Russian already.
            return serverMessageOf(error.serverText().isEmpty() ? error.message()
                                                                : error.serverText());
        case DbErrorKind::RowGone:
            return QStringLiteral("Запись удалена другим пользователем");
        case DbErrorKind::RowChanged:
            return QStringLiteral(
                "Запись изменена другим пользователем. Список перечитан, введённое вами "
                "показано снова: проверьте и сохраните ещё раз.");
        case DbErrorKind::ConnectionLost:
            text = QStringLiteral("Подключение к БД отсутсвует");
            break;
        case DbErrorKind::LockTimeout:
            text = QStringLiteral("Запись заблокирована другим пользователем, повторите позже");
            break;
        case DbErrorKind::UniqueViolation:
            text = error.serverText().contains(QLatin1String("oper_vid_naimen_i_id_key"))
                       ? QStringLiteral("Операция с такими параметрами уже заведена!")
                   : error.serverText().contains(QLatin1String("vid_oper_vid_upper_key"))
                       ? QStringLiteral("Такая операция уже заведена!")
                       : QStringLiteral("Такая запись уже есть");
            break;
        case DbErrorKind::ForeignKeyViolation:
            text = QStringLiteral(
                "Запись связана с другими данными: она используется или связанная запись удалена");
            break;
        case DbErrorKind::CheckViolation:
            text = QStringLiteral("Недопустимое значение");
            break;
        case DbErrorKind::PermissionDenied:
            text = QStringLiteral("Недостаточно прав для этого действия");
            break;
        case DbErrorKind::Other:
            if (error.sqlState().startsWith(QLatin1String("22"))) {
                text = QStringLiteral("Недопустимое значение");
            } else if (error.sqlState().isEmpty() && error.serverText().isEmpty()) {
                return error.message();  // the data layer's own words
            } else {
                text = QStringLiteral("Ошибка базы данных");
            }
            break;
    }
    // The server's own words, for the administrator.
    const QString detail = error.serverText().isEmpty() ? error.message() : error.serverText();
    return detail.isEmpty() || detail == text ? text
                                              : text + QStringLiteral("\n\n") + detail.trimmed();
}

void showError(const std::exception_ptr& failure) {
    // An hourglass left by the failed action must not outlive it.
    while (QGuiApplication::overrideCursor() != nullptr) {
        QGuiApplication::restoreOverrideCursor();
    }
    core::MessageBoxes::error(messageOf(failure));
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showError(std::current_exception());
    }
    return false;
}

}  // namespace tabel::widgets
