#include "data/errors.h"

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
        {"23505", DbErrorKind::UniqueViolation},  {"23503", DbErrorKind::ForeignKeyViolation},
        {"23514", DbErrorKind::CheckViolation},   {"55P03", DbErrorKind::LockTimeout},
        {"42501", DbErrorKind::PermissionDenied}, {"P0001", DbErrorKind::RaisedByServer},
    };
    for (const auto& entry : kinds) {
        if (sqlState == QLatin1String(entry.state)) {
            return entry.kind;
        }
    }
    return DbErrorKind::Other;
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
