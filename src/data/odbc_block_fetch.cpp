#include "data/odbc_block_fetch.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

#include "data/odbc_statement.h"
#include "data/value_conversion.h"

namespace tabel::data {

using odbc::fromWide;
using odbc::Statement;

namespace {

QMetaType qtTypeOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
        case SQL_DECIMAL:
        case SQL_NUMERIC:
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return QMetaType::fromType<double>();
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIT:
            return QMetaType::fromType<int>();
        case SQL_TINYINT:
            return QMetaType::fromType<uint>();
        case SQL_BIGINT:
            return QMetaType::fromType<qlonglong>();
        case SQL_DATE:
        case SQL_TYPE_DATE:
            return QMetaType::fromType<QDate>();
        case SQL_TIME:
        case SQL_TYPE_TIME:
            return QMetaType::fromType<QTime>();
        case SQL_TIMESTAMP:
        case SQL_TYPE_TIMESTAMP:
            return QMetaType::fromType<QDateTime>();
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_LONGVARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
        case SQL_WLONGVARCHAR:
        case SQL_GUID:
            return QMetaType::fromType<QString>();
        default:
            return QMetaType::fromType<QByteArray>();
    }
}

// How a column is carried from the driver's buffers into values.
enum class Carrier { Int32, UInt32, Int64, NumericText, Date, Time, Timestamp, Text, Unbound };

Carrier carrierOf(QMetaType type) {
    switch (type.id()) {
        case QMetaType::Int:
            return Carrier::Int32;
        case QMetaType::UInt:
            return Carrier::UInt32;
        case QMetaType::LongLong:
            return Carrier::Int64;
        case QMetaType::Double:
            return Carrier::NumericText;  // high precision: the exact decimal text
        case QMetaType::QDate:
            return Carrier::Date;
        case QMetaType::QTime:
            return Carrier::Time;
        case QMetaType::QDateTime:
            return Carrier::Timestamp;
        case QMetaType::QString:
            return Carrier::Text;
        default:
            return Carrier::Unbound;
    }
}

constexpr SQLLEN kNumericBytes = 64;

bool isDigits(const char* begin, const char* end) {
    return begin != end && std::all_of(begin, end, [](char c) { return c >= '0' && c <= '9'; });
}

// The integral test of value conversion on raw bytes: an optional minus and 1..18 digits.
bool looksIntegral(const char* text, qsizetype length) {
    const qsizetype start = length > 0 && text[0] == '-' ? 1 : 0;
    return length - start <= 18 && isDigits(text + start, text + length);
}

std::optional<qlonglong> parseInteger(const char* text, qsizetype length) {
    qlonglong value = 0;
    const auto [end, error] = std::from_chars(text, text + length, value);
    if (error != std::errc() || end != text + length) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseDouble(const char* text, qsizetype length) {
    double value = 0;
    const auto [end, error] = std::from_chars(text, text + length, value);
    if (error != std::errc() || end != text + length) {
        return std::nullopt;
    }
    return value;
}

// Decimal text to the dataset's value, as convertLoaded does for the text, without the detour
// through QString for the common cases.
QVariant numericValue(const char* text, qsizetype length, FieldType type) {
    switch (type) {
        case FieldType::Auto:
            if (looksIntegral(text, length)) {
                if (const auto whole = parseInteger(text, length)) {
                    return *whole;
                }
            } else if (const auto number = parseDouble(text, length)) {
                return *number;
            }
            break;
        case FieldType::Float:
            if (const auto number = parseDouble(text, length)) {
                return *number;
            }
            break;
        case FieldType::Integer:
        case FieldType::Numeric15: {
            qsizetype wholeLength = length;
            if (const char* dot = static_cast<const char*>(std::memchr(text, '.', length))) {
                if (std::all_of(dot + 1, text + length, [](char c) { return c == '0'; })) {
                    wholeLength = dot - text;
                }
            }
            if (looksIntegral(text, wholeLength)) {
                if (const auto whole = parseInteger(text, wholeLength)) {
                    return *whole;
                }
            }
            break;
        }
        default:
            break;
    }
    return convertLoaded(QString::fromLatin1(text, length), type);
}

// One result column: its bound buffer for a block of rows and how to read a cell of it.
class ColumnBuffer {
public:
    ColumnBuffer(Carrier carrier, SQLULEN size, int rows) : carrier_(carrier), indicators_(rows) {
        switch (carrier_) {
            case Carrier::Int32:
            case Carrier::UInt32:
                width_ = sizeof(SQLINTEGER);
                break;
            case Carrier::Int64:
                width_ = sizeof(SQLBIGINT);
                break;
            case Carrier::NumericText:
                width_ = kNumericBytes;
                break;
            case Carrier::Date:
                width_ = sizeof(DATE_STRUCT);
                break;
            case Carrier::Time:
                width_ = sizeof(TIME_STRUCT);
                break;
            case Carrier::Timestamp:
                width_ = sizeof(TIMESTAMP_STRUCT);
                break;
            case Carrier::Text: {
                const SQLULEN chars =
                    size == 0 ? kBoundTextChars : std::min<SQLULEN>(size, kBoundTextChars);
                width_ = SQLLEN(chars + 1) * SQLLEN(sizeof(SQLWCHAR));
                break;
            }
            case Carrier::Unbound:
                width_ = 0;
                break;
        }
        data_.resize(std::size_t(width_) * std::size_t(rows));
    }

    void bind(const Statement& stmt, SQLUSMALLINT column) {
        if (carrier_ == Carrier::Unbound) {
            return;
        }
        stmt.check(
            SQLBindCol(stmt.get(), column, cType(), data_.data(), width_, indicators_.data()));
    }

    // The value of `row` in the last block; `readLong` reads a cell the buffer could not hold.
    template <typename ReadLong>
    QVariant value(int row, FieldType type, const ReadLong& readLong) const {
        if (carrier_ == Carrier::Unbound) {
            return convertLoaded(readLong(row, carrier_), type);
        }
        const SQLLEN indicator = indicators_[std::size_t(row)];
        if (indicator == SQL_NULL_DATA) {
            return QVariant();
        }
        const char* cell = data_.data() + std::size_t(width_) * std::size_t(row);
        switch (carrier_) {
            case Carrier::Int32: {
                SQLINTEGER v;
                std::memcpy(&v, cell, sizeof v);
                return convertLoaded(QVariant(int(v)), type);
            }
            case Carrier::UInt32: {
                SQLUINTEGER v;
                std::memcpy(&v, cell, sizeof v);
                return convertLoaded(QVariant(uint(v)), type);
            }
            case Carrier::Int64: {
                SQLBIGINT v;
                std::memcpy(&v, cell, sizeof v);
                return convertLoaded(QVariant(qlonglong(v)), type);
            }
            case Carrier::NumericText:
                if (indicator == SQL_NO_TOTAL || indicator >= width_) {
                    return convertLoaded(readLong(row, carrier_), type);
                }
                return numericValue(cell, indicator, type);
            case Carrier::Date: {
                DATE_STRUCT d;
                std::memcpy(&d, cell, sizeof d);
                return convertLoaded(QVariant(QDate(d.year, d.month, d.day)), type);
            }
            case Carrier::Time: {
                TIME_STRUCT t;
                std::memcpy(&t, cell, sizeof t);
                return convertLoaded(QVariant(QTime(t.hour, t.minute, t.second)), type);
            }
            case Carrier::Timestamp: {
                TIMESTAMP_STRUCT s;
                std::memcpy(&s, cell, sizeof s);
                return convertLoaded(QVariant(QDateTime(QDate(s.year, s.month, s.day),
                                                        QTime(s.hour, s.minute, s.second,
                                                              int(s.fraction / 1000000)))),
                                     type);
            }
            case Carrier::Text:
                if (indicator == SQL_NO_TOTAL || indicator >= width_) {
                    return convertLoaded(readLong(row, carrier_), type);
                }
                return convertLoaded(QVariant(fromWide(reinterpret_cast<const SQLWCHAR*>(cell),
                                                       indicator / qsizetype(sizeof(SQLWCHAR)))),
                                     type);
            case Carrier::Unbound:
                break;
        }
        return QVariant();
    }

private:
    SQLSMALLINT cType() const {
        switch (carrier_) {
            case Carrier::Int32:
                return SQL_C_SLONG;
            case Carrier::UInt32:
                return SQL_C_ULONG;
            case Carrier::Int64:
                return SQL_C_SBIGINT;
            case Carrier::NumericText:
                return SQL_C_CHAR;
            case Carrier::Date:
                return SQL_C_DATE;
            case Carrier::Time:
                return SQL_C_TIME;
            case Carrier::Timestamp:
                return SQL_C_TIMESTAMP;
            case Carrier::Text:
            case Carrier::Unbound:
                break;
        }
        return SQL_C_WCHAR;
    }

    Carrier carrier_;
    SQLLEN width_ = 0;
    std::vector<char> data_;
    std::vector<SQLLEN> indicators_;
};

// Reads one whole cell with SQLGetData, piece by piece; the statement is positioned on its row.
QVariant readWhole(const Statement& stmt, SQLUSMALLINT column, Carrier carrier) {
    const bool wide = carrier == Carrier::Text;
    const bool binary = carrier == Carrier::Unbound;
    const SQLSMALLINT cType = wide ? SQL_C_WCHAR : binary ? SQL_C_BINARY : SQL_C_CHAR;
    const SQLLEN unit = wide ? SQLLEN(sizeof(SQLWCHAR)) : binary ? 0 : 1;  // terminator size
    QByteArray whole;
    std::vector<char> piece(16384);
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN r =
            SQLGetData(stmt.get(), column, cType, piece.data(), SQLLEN(piece.size()), &indicator);
        if (r == SQL_NO_DATA) {
            break;
        }
        stmt.check(r);
        if (indicator == SQL_NULL_DATA) {
            return binary ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant();
        }
        const SQLLEN room = SQLLEN(piece.size()) - unit;
        const bool more =
            r == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator > room);
        whole.append(piece.data(), more ? room : std::min(indicator, room));
        if (!more) {
            break;
        }
    }
    if (wide) {
        return fromWide(reinterpret_cast<const SQLWCHAR*>(whole.constData()),
                        whole.size() / qsizetype(sizeof(SQLWCHAR)));
    }
    if (binary) {
        return whole;
    }
    return QString::fromLatin1(whole);
}

QList<ResultColumn> describe(const Statement& stmt, QList<SQLULEN>& sizes) {
    SQLSMALLINT count = 0;
    stmt.check(SQLNumResultCols(stmt.get(), &count));
    QList<ResultColumn> columns;
    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(count); ++c) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT sqlType = 0;
        SQLULEN size = 0;
        SQLSMALLINT scale = 0;
        SQLSMALLINT nullable = 0;
        stmt.check(SQLDescribeColW(stmt.get(), c, name, 256, &nameLength, &sqlType, &size, &scale,
                                   &nullable));
        columns.append(
            {fromWide(name, std::clamp<qsizetype>(nameLength, 0, 255)), qtTypeOf(sqlType)});
        sizes.append(size);
    }
    return columns;
}

}  // namespace

FieldType columnTypeOf(const ColumnTyper& typer, const ResultColumn& column) {
    return typer ? typer(column) : fieldTypeOf(column.type);
}

StatementResult fetchInBlocks(const QSqlDatabase& db, const QString& statement,
                              const QList<QVariant>& values, const ColumnTyper& typer,
                              int blockRows, odbc::CancelPoint* cancelPoint) {
    Statement stmt(odbc::connectionHandle(db));
    SQLULEN fetched = 0;
    stmt.check(
        SQLSetStmtAttr(stmt.get(), SQL_ATTR_ROW_BIND_TYPE, SQLPOINTER(SQL_BIND_BY_COLUMN), 0));
    stmt.check(SQLSetStmtAttr(stmt.get(), SQL_ATTR_ROW_ARRAY_SIZE,
                              reinterpret_cast<SQLPOINTER>(SQLULEN(blockRows)), 0));
    stmt.check(SQLSetStmtAttr(stmt.get(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0));

    odbc::ParameterBinder parameters(values);
    parameters.bindAll(stmt);
    {
        const odbc::Executing executing(cancelPoint, stmt.get());
        stmt.check(SQLExecDirectW(
            stmt.get(), const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(statement.utf16())),
            SQLINTEGER(statement.size())));
    }

    StatementResult result;
    SQLLEN affected = -1;
    if (SQL_SUCCEEDED(SQLRowCount(stmt.get(), &affected))) {
        result.rowsAffected = int(affected);
    }
    QList<SQLULEN> sizes;
    result.columns = describe(stmt, sizes);
    const int columnCount = int(result.columns.size());
    std::vector<ColumnBuffer> buffers;
    buffers.reserve(std::size_t(columnCount));
    for (int c = 0; c < columnCount; ++c) {
        const ResultColumn& column = result.columns[c];
        result.types.append(columnTypeOf(typer, column));
        buffers.emplace_back(carrierOf(column.type), sizes[c], blockRows);
        buffers.back().bind(stmt, SQLUSMALLINT(c + 1));
    }

    while (columnCount > 0) {
        fetched = 0;
        const SQLRETURN r = SQLFetchScroll(stmt.get(), SQL_FETCH_NEXT, 0);
        if (r == SQL_NO_DATA) {
            break;
        }
        stmt.check(r);
        const qsizetype base = result.rows.size();
        result.rows.resize(base + qsizetype(fetched));
        for (SQLULEN row = 0; row < fetched; ++row) {
            result.rows[base + qsizetype(row)].resize(columnCount);
        }
        for (int c = 0; c < columnCount; ++c) {
            const auto readLong = [&](int row, Carrier carrier) {
                stmt.check(SQLSetPos(stmt.get(), SQLSETPOSIROW(row + 1), SQL_POSITION,
                                     SQL_LOCK_NO_CHANGE));
                return readWhole(stmt, SQLUSMALLINT(c + 1), carrier);
            };
            const ColumnBuffer& buffer = buffers[std::size_t(c)];
            const FieldType type = result.types[c];
            for (SQLULEN row = 0; row < fetched; ++row) {
                result.rows[base + qsizetype(row)][c] = buffer.value(int(row), type, readLong);
            }
        }
        if (fetched < SQLULEN(blockRows)) {
            break;
        }
    }
    return result;
}

}  // namespace tabel::data
