#include "core/sort_order.h"

#include <QCollator>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <cmath>
#include <limits>

namespace tabel::core {

namespace {

[[noreturn]] void refuse(const QString& text, const QString& problem) {
    throw SortTextError(
        QStringLiteral("Неверный порядок сортировки \"%1\": %2").arg(text, problem).toStdString());
}

bool isFieldName(QStringView word) {
    if (word.isEmpty() || !(word.front().isLetter() || word.front() == u'_')) {
        return false;
    }
    for (QChar c : word) {
        if (!c.isLetterOrNumber() && c != u'_') {
            return false;
        }
    }
    return true;
}

QList<QStringView> words(QStringView text) {
    QList<QStringView> out;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || text[i].isSpace();
        if (!space && start < 0) {
            start = i;
        } else if (space && start >= 0) {
            out.append(text.mid(start, i - start));
            start = -1;
        }
    }
    return out;
}

enum class Rank { Null, Number, Moment, Time, Text, Other };

Rank rankOf(const QVariant& v) {
    if (v.isNull()) {
        return Rank::Null;
    }
    switch (v.metaType().id()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Double:
        case QMetaType::Float:
            return Rank::Number;
        case QMetaType::QDate:
        case QMetaType::QDateTime:
            return Rank::Moment;
        case QMetaType::QTime:
            return Rank::Time;
        case QMetaType::QString:
        case QMetaType::QChar:
        case QMetaType::QByteArray:
            return Rank::Text;
        default:
            return Rank::Other;
    }
}

bool isWhole(const QVariant& v) {
    const int id = v.metaType().id();
    return id != QMetaType::Double && id != QMetaType::Float;
}

template <typename T>
int sign(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compareNumbers(const QVariant& a, const QVariant& b) {
    if (isWhole(a) && isWhole(b)) {
        const bool bigA = a.metaType().id() == QMetaType::ULongLong &&
                          a.toULongLong() > qulonglong(std::numeric_limits<qint64>::max());
        const bool bigB = b.metaType().id() == QMetaType::ULongLong &&
                          b.toULongLong() > qulonglong(std::numeric_limits<qint64>::max());
        if (bigA || bigB) {
            return bigA && bigB ? sign(a.toULongLong(), b.toULongLong()) : (bigA ? 1 : -1);
        }
        return sign(a.toLongLong(), b.toLongLong());
    }
    const double x = a.toDouble();
    const double y = b.toDouble();
    if (std::isnan(x) || std::isnan(y)) {
        return sign(!std::isnan(x), !std::isnan(y));  // NaN before every number
    }
    return sign(x, y);
}

QDateTime momentOf(const QVariant& v) {
    return v.metaType().id() == QMetaType::QDate ? v.toDate().startOfDay() : v.toDateTime();
}

int compareTexts(const QString& a, const QString& b) {
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::Russian, QLocale::Russia));
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    const int order = collator.compare(a, b);
    return order != 0 ? sign(order, 0) : sign(QString::compare(a, b), 0);
}

}  // namespace

QList<SortKey> parseSortOrder(const QString& text) {
    QList<SortKey> keys;
    if (text.trimmed().isEmpty()) {
        return keys;
    }
    for (QStringView part : QStringView(text).split(u',')) {
        const QList<QStringView> tokens = words(part);
        if (tokens.isEmpty()) {
            refuse(text, QStringLiteral("пустой ключ"));
        }
        if (!isFieldName(tokens[0])) {
            refuse(text, QStringLiteral("\"%1\" не имя поля").arg(tokens[0]));
        }
        SortKey key{tokens[0].toString(), false};
        if (tokens.size() >= 2) {
            if (tokens[1].compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0) {
                key.descending = true;
            } else if (tokens[1].compare(QLatin1String("ASC"), Qt::CaseInsensitive) != 0) {
                refuse(text, QStringLiteral("ожидается ASC или DESC, а не \"%1\"").arg(tokens[1]));
            }
        }
        if (tokens.size() > 2) {
            refuse(text, QStringLiteral("лишнее \"%1\"").arg(tokens[2]));
        }
        keys.append(key);
    }
    return keys;
}

int compareValues(const QVariant& a, const QVariant& b) {
    const Rank ra = rankOf(a);
    const Rank rb = rankOf(b);
    if (ra != rb) {
        return sign(int(ra), int(rb));
    }
    switch (ra) {
        case Rank::Null:
            return 0;
        case Rank::Number:
            return compareNumbers(a, b);
        case Rank::Moment:
            if (a.metaType().id() == QMetaType::QDate && b.metaType().id() == QMetaType::QDate) {
                return sign(a.toDate(), b.toDate());
            }
            return sign(momentOf(a), momentOf(b));
        case Rank::Time:
            return sign(a.toTime(), b.toTime());
        default:
            return compareTexts(a.toString(), b.toString());
    }
}

}  // namespace tabel::core
