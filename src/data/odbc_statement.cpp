#include "data/odbc_statement.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <algorithm>

namespace tabel::data::odbc {

namespace {

// As the Qt driver decides it: a null string, byte array or date is a NULL too.
bool isNullValue(const QVariant& value) {
    if (value.isNull()) {
        return true;
    }
    switch (value.typeId()) {
        case QMetaType::QString:
            return static_cast<const QString*>(value.constData())->isNull();
        case QMetaType::QByteArray:
            return static_cast<const QByteArray*>(value.constData())->isNull();
        case QMetaType::QDate:
            return static_cast<const QDate*>(value.constData())->isNull();
        case QMetaType::QTime:
            return static_cast<const QTime*>(value.constData())->isNull();
        case QMetaType::QDateTime:
            return static_cast<const QDateTime*>(value.constData())->isNull();
        default:
            return false;
    }
}

}  // namespace

QString fromWide(const SQLWCHAR* text, qsizetype length) {
    return QString(reinterpret_cast<const QChar*>(text), length);
}

OdbcFailure failureOf(SQLSMALLINT handleType, SQLHANDLE handle) {
    OdbcFailure failure;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR text[1024] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN r =
            SQLGetDiagRecW(handleType, handle, record, state, &native, text, 1024, &length);
        if (!SQL_SUCCEEDED(r)) {
            break;
        }
        if (record == 1) {
            failure.sqlState = fromWide(state, 5);
        }
        if (!failure.message.isEmpty()) {
            failure.message += QLatin1Char(' ');
        }
        failure.message += fromWide(text, std::clamp<qsizetype>(length, 0, 1023));
    }
    if (failure.message.isEmpty()) {
        failure.message = QStringLiteral("Ошибка драйвера ODBC");
    }
    return failure;
}

SQLHDBC connectionHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver() != nullptr ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || handle.metaType().sizeOf() != int(sizeof(SQLHDBC))) {
        throw OdbcFailure{QStringLiteral("Драйвер ODBC недоступен"), QString()};
    }
    SQLHDBC dbc = *static_cast<const SQLHDBC*>(handle.constData());
    if (dbc == SQL_NULL_HDBC) {
        throw OdbcFailure{QStringLiteral("Нет соединения с базой данных"), QStringLiteral("08003")};
    }
    return dbc;
}

bool CancelPoint::enter(SQLHSTMT statement) {
    const std::lock_guard lock(mutex_);
    if (requested_) {
        return false;
    }
    executing_ = statement;
    return true;
}

void CancelPoint::leave() {
    const std::lock_guard lock(mutex_);
    executing_ = SQL_NULL_HSTMT;
}

void CancelPoint::cancel() {
    // Held while the driver sends the request: the statement cannot leave and be freed meanwhile.
    const std::lock_guard lock(mutex_);
    requested_ = true;
    if (executing_ != SQL_NULL_HSTMT) {
        SQLCancel(executing_);
    }
}

bool CancelPoint::requested() const {
    const std::lock_guard lock(mutex_);
    return requested_;
}

void CancelPoint::reset() {
    const std::lock_guard lock(mutex_);
    requested_ = false;
}

Executing::Executing(CancelPoint* point, SQLHSTMT statement) : point_(point) {
    if (point_ != nullptr && !point_->enter(statement)) {
        point_ = nullptr;
        throw cancelledFailure();
    }
}

Executing::~Executing() {
    if (point_ != nullptr) {
        point_->leave();
    }
}

OdbcFailure cancelledFailure() {
    return {QStringLiteral("Запрос отменен пользователем"), QStringLiteral("57014")};
}

SQLRETURN ParameterBinder::bind(SQLHSTMT h, SQLUSMALLINT position, qsizetype i) {
    const QVariant& value = values_[i];
    SQLLEN* indicator = &indicators_[i];
    const bool null = isNullValue(value);
    if (null) {
        *indicator = SQL_NULL_DATA;
    }
    SQLLEN* nullIndicator = null ? indicator : nullptr;
    QByteArray& buffer = storage_[i];
    const auto bindPlain = [&](SQLSMALLINT cType, SQLSMALLINT sqlType, const void* data) {
        return SQLBindParameter(h, position, SQL_PARAM_INPUT, cType, sqlType, 0, 0,
                                const_cast<void*>(data), 0, nullIndicator);
    };
    switch (value.typeId()) {
        case QMetaType::QDate: {
            buffer.resize(sizeof(DATE_STRUCT));
            auto* date = reinterpret_cast<DATE_STRUCT*>(buffer.data());
            const QDate d = value.toDate();
            *date = {SQLSMALLINT(d.year()), SQLUSMALLINT(d.month()), SQLUSMALLINT(d.day())};
            return bindPlain(SQL_C_DATE, SQL_DATE, date);
        }
        case QMetaType::QTime: {
            buffer.resize(sizeof(TIME_STRUCT));
            auto* time = reinterpret_cast<TIME_STRUCT*>(buffer.data());
            const QTime t = value.toTime();
            *time = {SQLUSMALLINT(t.hour()), SQLUSMALLINT(t.minute()), SQLUSMALLINT(t.second())};
            return bindPlain(SQL_C_TIME, SQL_TIME, time);
        }
        case QMetaType::QDateTime: {
            buffer.resize(sizeof(TIMESTAMP_STRUCT));
            auto* stamp = reinterpret_cast<TIMESTAMP_STRUCT*>(buffer.data());
            const QDateTime moment = value.toDateTime();
            const QDate d = moment.date();
            const QTime t = moment.time();
            *stamp = {SQLSMALLINT(d.year()),           SQLUSMALLINT(d.month()),
                      SQLUSMALLINT(d.day()),           SQLUSMALLINT(t.hour()),
                      SQLUSMALLINT(t.minute()),        SQLUSMALLINT(t.second()),
                      SQLUINTEGER(t.msec()) * 1000000u};
            return SQLBindParameter(h, position, SQL_PARAM_INPUT, SQL_C_TIMESTAMP, SQL_TIMESTAMP,
                                    26, 6, stamp, 0, nullIndicator);
        }
        case QMetaType::Int:
            return bindPlain(SQL_C_SLONG, SQL_INTEGER, value.constData());
        case QMetaType::UInt:
            return SQLBindParameter(h, position, SQL_PARAM_INPUT, SQL_C_ULONG, SQL_NUMERIC, 15, 0,
                                    const_cast<void*>(value.constData()), 0, nullIndicator);
        case QMetaType::Short:
            return bindPlain(SQL_C_SSHORT, SQL_SMALLINT, value.constData());
        case QMetaType::Double:
            return bindPlain(SQL_C_DOUBLE, SQL_DOUBLE, value.constData());
        case QMetaType::Float:
            return bindPlain(SQL_C_FLOAT, SQL_REAL, value.constData());
        case QMetaType::LongLong:
            return bindPlain(SQL_C_SBIGINT, SQL_BIGINT, value.constData());
        case QMetaType::ULongLong:
            return bindPlain(SQL_C_UBIGINT, SQL_BIGINT, value.constData());
        case QMetaType::Bool:
            return bindPlain(SQL_C_BIT, SQL_BIT, value.constData());
        case QMetaType::QByteArray: {
            buffer = value.toByteArray();
            if (!null) {
                *indicator = buffer.size();
            }
            return SQLBindParameter(h, position, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                                    buffer.size(), 0, buffer.data(), buffer.size(), indicator);
        }
        case QMetaType::QString: {
            // UTF-16 with its terminator, as the Qt driver hands it over.
            const QString text = value.toString();
            buffer = QByteArray(reinterpret_cast<const char*>(text.utf16()),
                                (text.size() + 1) * qsizetype(sizeof(SQLWCHAR)));
            if (!null) {
                *indicator = buffer.size();
            }
            return SQLBindParameter(h, position, SQL_PARAM_INPUT, SQL_C_WCHAR,
                                    buffer.size() > 254 ? SQL_WLONGVARCHAR : SQL_WVARCHAR,
                                    buffer.size(), 0, buffer.data(), buffer.size(), indicator);
        }
        default: {
            buffer = QByteArray(1, '\0');
            if (!null) {
                *indicator = 0;
            }
            return SQLBindParameter(h, position, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_VARBINARY, 1, 0,
                                    buffer.data(), 1, indicator);
        }
    }
}

}  // namespace tabel::data::odbc
