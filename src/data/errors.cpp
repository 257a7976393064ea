#include "data/errors.h"

#include <QRegularExpression>

namespace tabel::data {

DbErrorKind dbErrorKindOf(const QString& sqlState) {
    // psqlODBC reports a broken link as 08S01; every 08xxx state means the same to us.
    if (sqlState.startsWith(QLatin1String("08")) || sqlState == QLatin1String("57P01")) {
        return DbErrorKind::ConnectionLost;
    }
    static const struct {
        const char* state;
        DbErrorKind kind;
    } kinds[] = {
        {"23505", DbErrorKind::UniqueViolation},
        {"23503", DbErrorKind::ForeignKeyViolation},
        {"23514", DbErrorKind::CheckViolation},
        {"55P03", DbErrorKind::LockTimeout},
        {"42501", DbErrorKind::PermissionDenied},
        {"P0001", DbErrorKind::RaisedByServer},
        // Raised by our own version checks (accounts_dep.refuse_changed_row).
        {"P0T01", DbErrorKind::RowChanged},
        {"40001", DbErrorKind::TransactionConflict},
        {"40P01", DbErrorKind::TransactionConflict},
        {"57014", DbErrorKind::Cancelled},
        {"25006", DbErrorKind::ReadOnlyServer},
    };
    for (const auto& entry : kinds) {
        if (sqlState == QLatin1String(entry.state)) {
            return entry.kind;
        }
    }
    return DbErrorKind::Other;
}

QString userTextOf(DbErrorKind kind) {
    switch (kind) {
        case DbErrorKind::ConnectionLost:
            return QStringLiteral("Подключение к БД отсутсвует");
        case DbErrorKind::UniqueViolation:
            return QStringLiteral("Такая запись уже есть");
        case DbErrorKind::ForeignKeyViolation:
            return QStringLiteral(
                "Запись связана с другими данными: она используется или связанная запись удалена");
        case DbErrorKind::CheckViolation:
            return QStringLiteral("Недопустимое значение");
        case DbErrorKind::LockTimeout:
            return QStringLiteral("Запись заблокирована другим пользователем, повторите позже");
        case DbErrorKind::PermissionDenied:
            return QStringLiteral("Недостаточно прав для этого действия.");
        case DbErrorKind::RowGone:
            return QStringLiteral("Запись удалена другим пользователем");
        case DbErrorKind::RowChanged:
            return QStringLiteral(
                "Запись изменена другим пользователем. Список перечитан, введённое вами "
                "показано снова: проверьте и сохраните ещё раз.");
        case DbErrorKind::TransactionConflict:
            return QStringLiteral(
                "Сервер не смог выполнить действие из-за одновременной работы других "
                "пользователей. Повторите действие.");
        case DbErrorKind::Cancelled:
            return QStringLiteral("Запрос отменен пользователем");
        case DbErrorKind::ReadOnlyServer:
            return QStringLiteral("Сервер доступен только для чтения");
        case DbErrorKind::RaisedByServer:  // our own triggers and functions speak Russian
        case DbErrorKind::Other:
            return QString();
    }
    return QString();
}

QString serverMessageOf(const QString& serverText) {
    // psqlODBC: "ERROR:  <message>;\nError while executing the query", maybe with CONTEXT lines.
    static const QRegularExpression severity(
        QStringLiteral("^\\s*(ERROR|FATAL|ОШИБКА|ВАЖНО):\\s*"));
    static const QRegularExpression lineEnd(QStringLiteral(";?\\n"));
    QString text = serverText;
    text.remove(severity);
    const qsizetype end = text.indexOf(lineEnd);
    if (end >= 0) {
        text.truncate(end);
    }
    if (text.endsWith(QLatin1Char(';'))) {
        text.chop(1);
    }
    return text.trimmed();
}

QString userMessageOf(const DbError& error) {
    const DbErrorKind kind = error.kind();
    if (kind == DbErrorKind::RaisedByServer) {
        return serverMessageOf(error.serverText().isEmpty() ? error.message() : error.serverText());
    }
    if (kind == DbErrorKind::RowChanged && !error.sqlState().isEmpty()) {
        // The server's version check, in its own Russian sentence.
        return serverMessageOf(error.serverText().isEmpty() ? error.message() : error.serverText());
    }
    if (kind == DbErrorKind::RowGone || kind == DbErrorKind::RowChanged ||
        kind == DbErrorKind::Cancelled || kind == DbErrorKind::LockTimeout ||
        kind == DbErrorKind::ReadOnlyServer) {
        // Our own finding, the user's own doing, or a wait that says all there is to say: the
        // server's English adds nothing a user can act on.
        return userTextOf(kind);
    }
    QString text = userTextOf(kind);
    if (kind == DbErrorKind::UniqueViolation) {
        // The two unique keys a user meets by typing get the editors' own words.
        if (error.serverText().contains(QLatin1String("oper_vid_naimen_i_id_key"))) {
            text = QStringLiteral("Операция с такими параметрами уже заведена!");
        } else if (error.serverText().contains(QLatin1String("vid_oper_vid_upper_key"))) {
            text = QStringLiteral("Такая операция уже заведена!");
        }
    } else if (kind == DbErrorKind::Other) {
        if (error.sqlState().startsWith(QLatin1String("22"))) {
            text = userTextOf(DbErrorKind::CheckViolation);  // a value the column cannot take
        } else if (error.sqlState().isEmpty() && error.serverText().isEmpty()) {
            return error.message();  // the data layer's own words
        } else {
            text = QStringLiteral("Ошибка базы данных");
        }
    }
    // The server's own words, for the administrator.
    const QString detail =
        (error.serverText().isEmpty() ? error.message() : error.serverText()).trimmed();
    return detail.isEmpty() || detail == text ? text : text + QStringLiteral("\n\n") + detail;
}

DbError rowGoneError() {
    return DbError(QStringLiteral("Запись уже удалена другим пользователем. Обновите список."),
                   DbErrorKind::RowGone);
}

DbError rowChangedError() {
    return DbError(QStringLiteral("Запись изменена другим пользователем. Обновите список."),
                   DbErrorKind::RowChanged);
}

}  // namespace tabel::data
