#include "data/value_conversion.h"

#include <QDateTime>
#include <cmath>
#include <limits>

#include "core/numbers.h"
#include "data/errors.h"

namespace tabel::data {

namespace {

bool looksIntegral(const QString& text) {
    const qsizetype start = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (text.size() == start || text.size() - start > 18) {
        return false;
    }
    for (qsizetype i = start; i < text.size(); ++i) {
        if (!text[i].isDigit()) {
            return false;
        }
    }
    return true;
}

// "5.0000" from a numeric column still names a whole number.
QString withoutZeroFraction(const QString& text) {
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        return text;
    }
    for (qsizetype i = dot + 1; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('0')) {
            return text;
        }
    }
    return text.left(dot);
}

ConversionError notA(const QString& what, const QVariant& value) {
    return ConversionError(QStringLiteral("'%1' не является %2").arg(value.toString(), what));
}

}  // namespace

FieldType fieldTypeOf(QMetaType metaType) {
    switch (metaType.id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return FieldType::Integer;
        case QMetaType::Double:
        case QMetaType::Float:
            return FieldType::Auto;  // numeric or float: decided per value
        case QMetaType::QDate:
            return FieldType::Date;
        case QMetaType::QDateTime:
            return FieldType::DateTime;
        default:
            return FieldType::String;
    }
}

QVariant convertLoaded(const QVariant& raw, FieldType type) {
    if (raw.isNull()) {
        return QVariant();
    }
    switch (type) {
        case FieldType::Auto: {
            if (raw.typeId() != QMetaType::QString) {
                return raw;
            }
            const QString text = raw.toString();
            const QString whole = withoutZeroFraction(text);
            if (whole == text && looksIntegral(text)) {
                return text.toLongLong();
            }
            return text.toDouble();
        }
        case FieldType::Integer:
        case FieldType::Numeric15: {
            if (raw.typeId() == QMetaType::QString) {
                const QString whole = withoutZeroFraction(raw.toString());
                if (looksIntegral(whole)) {
                    return whole.toLongLong();
                }
            }
            return raw;
        }
        case FieldType::Float:
            return raw.typeId() == QMetaType::QString ? QVariant(raw.toString().toDouble())
                                                      : QVariant(raw.toDouble());
        case FieldType::Date:
            return raw.typeId() == QMetaType::QDateTime ? QVariant(raw.toDateTime().date()) : raw;
        case FieldType::DateTime:
        case FieldType::String:
            return raw;
    }
    return raw;
}

qint64 toInt64(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UInt:
        case QMetaType::UShort:
            return value.toLongLong();
        case QMetaType::Double: {
            const double d = value.toDouble();
            if (std::isfinite(d) && std::abs(d) < 9.2e18) {
                return std::llround(d);
            }
            throw notA(QStringLiteral("целым числом"), value);
        }
        default: {
            bool ok = false;
            const qint64 result = value.toString().trimmed().toLongLong(&ok);
            if (!ok) {
                throw notA(QStringLiteral("целым числом"), value);
            }
            return result;
        }
    }
}

int toInt32(const QVariant& value) {
    const qint64 wide = toInt64(value);
    if (wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max()) {
        throw notA(QStringLiteral("целым числом"), value);
    }
    return int(wide);
}

double toDouble(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) {
        const std::optional<double> typed = core::parseNumber(value.toString());
        if (!typed) {
            throw notA(QStringLiteral("числом"), value);
        }
        return *typed;
    }
    bool ok = false;
    const double result = value.toDouble(&ok);
    if (!ok) {
        throw notA(QStringLiteral("числом"), value);
    }
    return result;
}

}  // namespace tabel::data
