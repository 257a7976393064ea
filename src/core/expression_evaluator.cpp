#include "core/expression_evaluator.h"

#include <QDate>
#include <QTime>
#include <QtNumeric>

#include <cmath>
#include <limits>
#include <optional>

#include "core/numbers.h"

namespace tabel::core::detail {

namespace {

using Kind = Value::Kind;

Value fromVariant(const QVariant& v) {
    if (v.isNull()) {
        return {};
    }
    switch (v.metaType().id()) {
        case QMetaType::Bool:
            return Value::boolean(v.toBool());
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            return Value::integer(v.toLongLong());
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            const qulonglong u = v.toULongLong();
            return u <= qulonglong(std::numeric_limits<qint64>::max()) ? Value::integer(qint64(u))
                                                                       : Value::real(double(u));
        }
        case QMetaType::Double:
        case QMetaType::Float:
            return Value::real(v.toDouble());
        case QMetaType::QString:
            return Value::string(*static_cast<const QString*>(v.constData()));
        case QMetaType::QDate: {
            const QDate date = v.toDate();
            return date.isValid() ? Value{Kind::Date, date.toJulianDay(), 0.0, {}, {}} : Value{};
        }
        case QMetaType::QDateTime: {
            Value out{Kind::DateTime, 0, 0.0, {}, v.toDateTime()};
            return out.dt.isValid() ? out : Value{};
        }
        case QMetaType::QTime: {
            const QTime time = v.toTime();
            return time.isValid() ? Value{Kind::Time, time.msecsSinceStartOfDay(), 0.0, {}, {}}
                                  : Value{};
        }
        default:
            return Value::string(v.toString());
    }
}

QString displayText(const Value& v) {
    switch (v.kind) {
        case Kind::Null:
            return {};
        case Kind::Bool:
        case Kind::Int:
            return QString::number(v.i);
        case Kind::Double:
            return formatGeneral(v.d);
        case Kind::String:
            return v.s;
        case Kind::Date:
            return QDate::fromJulianDay(v.i).toString(u"dd.MM.yyyy");
        case Kind::DateTime:
            return v.dt.toString(u"dd.MM.yyyy hh:mm:ss");
        case Kind::Time:
            return QTime::fromMSecsSinceStartOfDay(int(v.i)).toString(u"hh:mm:ss");
    }
    return {};
}

struct Number {
    bool isInt = false;
    qint64 i = 0;
    double d = 0.0;

    double real() const { return isInt ? double(i) : d; }
};

// Texts count as numbers when they read as one, so "id_doc=0" works on a key kept as text.
std::optional<Number> numberOf(const Value& v) {
    switch (v.kind) {
        case Kind::Bool:
        case Kind::Int:
            return Number{true, v.i, 0.0};
        case Kind::Double:
            return Number{false, 0, v.d};
        case Kind::String:
            if (const auto parsed = parseNumber(v.s)) {
                return Number{false, 0, *parsed};
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

template <typename T>
int sign(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

std::optional<int> compareNumbers(const Number& a, const Number& b) {
    if (a.isInt && b.isInt) {
        return sign(a.i, b.i);
    }
    const double x = a.real();
    const double y = b.real();
    if (std::isnan(x) || std::isnan(y)) {
        return std::nullopt;
    }
    return sign(x, y);
}

bool isTemporal(const Value& v) {
    return v.kind == Kind::Date || v.kind == Kind::DateTime || v.kind == Kind::Time;
}

// A text beside a date is read as a date, in the format users type or in ISO form.
Value temporalFromText(const QString& text, Kind like) {
    if (like == Kind::Time) {
        const QTime t = QTime::fromString(text, Qt::ISODate);
        return t.isValid() ? Value{Kind::Time, t.msecsSinceStartOfDay(), 0.0, {}, {}} : Value{};
    }
    const QString trimmed = text.trimmed();
    for (const QString& format : {QStringLiteral("dd.MM.yyyy"), QStringLiteral("d.M.yyyy")}) {
        const QDate date = QDate::fromString(trimmed, format);
        if (date.isValid()) {
            return Value{Kind::Date, date.toJulianDay(), 0.0, {}, {}};
        }
    }
    const QDate iso = QDate::fromString(trimmed, Qt::ISODate);
    if (iso.isValid()) {
        return Value{Kind::Date, iso.toJulianDay(), 0.0, {}, {}};
    }
    for (const QString& format :
         {QStringLiteral("dd.MM.yyyy hh:mm:ss"), QStringLiteral("dd.MM.yyyy hh:mm")}) {
        const QDateTime dt = QDateTime::fromString(trimmed, format);
        if (dt.isValid()) {
            return Value{Kind::DateTime, 0, 0.0, {}, dt};
        }
    }
    const QDateTime isoDt = QDateTime::fromString(trimmed, Qt::ISODate);
    return isoDt.isValid() ? Value{Kind::DateTime, 0, 0.0, {}, isoDt} : Value{};
}

QDateTime asDateTime(const Value& v) {
    return v.kind == Kind::Date ? QDate::fromJulianDay(v.i).startOfDay() : v.dt;
}

std::optional<int> compareTemporal(const Value& a, const Value& b) {
    if (a.kind == Kind::Time || b.kind == Kind::Time) {
        if (a.kind != b.kind) {
            return std::nullopt;
        }
        return sign(a.i, b.i);
    }
    if (a.kind == Kind::Date && b.kind == Kind::Date) {
        return sign(a.i, b.i);
    }
    return sign(asDateTime(a), asDateTime(b));
}

// Order of two values; none when either is null (the comparison is then unknown).
std::optional<int> compare(const Value& a, const Value& b) {
    if (a.isNull() || b.isNull()) {
        return std::nullopt;
    }
    if (a.kind == Kind::String && b.kind == Kind::String) {
        return sign(QString::compare(a.s, b.s, Qt::CaseSensitive), 0);
    }
    if (a.isNumber() || b.isNumber()) {
        const auto x = numberOf(a);
        const auto y = numberOf(b);
        if (x && y) {
            return compareNumbers(*x, *y);
        }
    } else if (isTemporal(a) || isTemporal(b)) {
        if (isTemporal(a) && isTemporal(b)) {
            const auto order = compareTemporal(a, b);
            if (order) {
                return order;
            }
        } else if (a.kind == Kind::String) {
            const Value parsed = temporalFromText(a.s, b.kind);
            if (!parsed.isNull()) {
                return compare(parsed, b);
            }
        } else if (b.kind == Kind::String) {
            const Value parsed = temporalFromText(b.s, a.kind);
            if (!parsed.isNull()) {
                return compare(a, parsed);
            }
        }
    }
    return sign(QString::compare(displayText(a), displayText(b), Qt::CaseSensitive), 0);
}

Truth truthOf(const Value& v) {
    switch (v.kind) {
        case Kind::Bool:
        case Kind::Int:
            return v.i != 0 ? Truth::True : Truth::False;
        case Kind::Double:
            return std::isnan(v.d) ? Truth::Unknown : (v.d != 0.0 ? Truth::True : Truth::False);
        case Kind::String:
            if (const auto n = parseNumber(v.s)) {
                return *n != 0.0 ? Truth::True : Truth::False;
            }
            return Truth::Unknown;
        default:
            return Truth::Unknown;
    }
}

Value fromTruth(Truth t) {
    return t == Truth::Unknown ? Value{} : Value::boolean(t == Truth::True);
}

Truth fromBool(bool b) {
    return b ? Truth::True : Truth::False;
}

Value arithmetic(Op op, const Value& a, const Value& b) {
    if (a.isNull() && b.isNull()) {
        return {};
    }
    if (op == Op::Add && (a.kind == Kind::String || b.kind == Kind::String)) {
        return Value::string(displayText(a) + displayText(b));
    }
    // A null counts as 0 so that one blank cell does not blank a whole total.
    const auto x = a.isNull() ? std::optional<Number>(Number{true, 0, 0.0}) : numberOf(a);
    const auto y = b.isNull() ? std::optional<Number>(Number{true, 0, 0.0}) : numberOf(b);
    if (!x || !y) {
        return {};
    }
    qint64 exact = 0;
    const bool ints = x->isInt && y->isInt;
    switch (op) {
        case Op::Add:
            if (ints && !qAddOverflow(x->i, y->i, &exact)) {
                return Value::integer(exact);
            }
            return Value::real(x->real() + y->real());
        case Op::Sub:
            if (ints && !qSubOverflow(x->i, y->i, &exact)) {
                return Value::integer(exact);
            }
            return Value::real(x->real() - y->real());
        case Op::Mul:
            if (ints && !qMulOverflow(x->i, y->i, &exact)) {
                return Value::integer(exact);
            }
            return Value::real(x->real() * y->real());
        case Op::Div:
            if (y->real() == 0.0) {
                return {};
            }
            return Value::real(x->real() / y->real());
        default:
            return {};
    }
}

void addToSum(SumState& sum, const Number& n) {
    if (!sum.isDouble && n.isInt) {
        qint64 total = 0;
        if (!qAddOverflow(sum.intSum, n.i, &total)) {
            sum.intSum = total;
            return;
        }
    }
    if (!sum.isDouble) {
        sum.isDouble = true;
        sum.exact = Decimal::fromInteger(sum.intSum);
        sum.doubleSum = double(sum.intSum);
    }
    const double x = n.real();
    sum.doubleSum += x;
    if (!sum.exactLost) {
        const std::optional<Decimal> d =
            n.isInt ? Decimal::fromInteger(n.i) : Decimal::fromDouble(x);
        sum.exactLost = !d || !sum.exact.add(*d);
    }
}

}  // namespace

Value Evaluator::eval(int index) const {
    const Node& node = program.nodes[size_t(index)];
    switch (node.op) {
        case Op::Constant:
            return program.constants[size_t(node.index)];
        case Op::Field:
            return node.index < row.size() ? fromVariant(row[node.index]) : Value{};
        case Op::Add:
        case Op::Sub:
        case Op::Mul:
        case Op::Div:
            return arithmetic(node.op, eval(node.a), eval(node.b));
        case Op::Neg: {
            const Value v = eval(node.a);
            if (v.isNull()) {
                return {};
            }
            const auto n = numberOf(v);
            if (!n) {
                return {};
            }
            if (n->isInt && n->i != std::numeric_limits<qint64>::min()) {
                return Value::integer(-n->i);
            }
            return Value::real(-n->real());
        }
        case Op::If:
            return truth(node.a) == Truth::True ? eval(node.b) : eval(node.c);
        case Op::Str:
            return Value::string(displayText(eval(node.a)));
        case Op::Sum:
            return sumValue(sums[size_t(node.index)]);
        case Op::PageNumber:
            return Value::integer(context.pageNumber);
        default:
            return fromTruth(truth(index));
    }
}

Truth Evaluator::truth(int index) const {
    const Node& node = program.nodes[size_t(index)];
    switch (node.op) {
        case Op::Not: {
            const Truth t = truth(node.a);
            return t == Truth::Unknown ? t : fromBool(t == Truth::False);
        }
        case Op::And: {
            const Truth l = truth(node.a);
            if (l == Truth::False) {
                return l;
            }
            const Truth r = truth(node.b);
            if (r == Truth::False) {
                return r;
            }
            return l == Truth::Unknown || r == Truth::Unknown ? Truth::Unknown : Truth::True;
        }
        case Op::Or: {
            const Truth l = truth(node.a);
            if (l == Truth::True) {
                return l;
            }
            const Truth r = truth(node.b);
            if (r == Truth::True) {
                return r;
            }
            return l == Truth::Unknown || r == Truth::Unknown ? Truth::Unknown : Truth::False;
        }
        case Op::Eq:
        case Op::Ne:
        case Op::Lt:
        case Op::Gt:
        case Op::Le:
        case Op::Ge: {
            const auto order = compare(eval(node.a), eval(node.b));
            if (!order) {
                return Truth::Unknown;
            }
            const int c = *order;
            switch (node.op) {
                case Op::Eq:
                    return fromBool(c == 0);
                case Op::Ne:
                    return fromBool(c != 0);
                case Op::Lt:
                    return fromBool(c < 0);
                case Op::Gt:
                    return fromBool(c > 0);
                case Op::Le:
                    return fromBool(c <= 0);
                default:
                    return fromBool(c >= 0);
            }
        }
        case Op::Like:
        case Op::NotLike: {
            const Value v = eval(node.a);
            if (v.isNull()) {
                return Truth::Unknown;
            }
            const LikePattern& pattern = program.patterns[size_t(node.index)];
            const bool hit =
                v.kind == Kind::String ? pattern.matches(v.s) : pattern.matches(displayText(v));
            return fromBool(hit == (node.op == Op::Like));
        }
        default:
            return truthOf(eval(index));
    }
}

void accumulateSums(const Program& program, std::vector<SumState>& sums,
                    const QList<QVariant>& row) {
    const EvaluationContext context;
    const Evaluator evaluator{program, row, sums, context};
    for (size_t slot = 0; slot < sums.size(); ++slot) {
        const Value v = evaluator.eval(program.sumArguments[slot]);
        if (const auto n = v.isNull() ? std::nullopt : numberOf(v)) {
            addToSum(sums[slot], *n);
        }
    }
}

Value sumValue(const SumState& sum) {
    if (!sum.isDouble) {
        return Value::integer(sum.intSum);
    }
    return Value::real(sum.exactLost ? sum.doubleSum : sum.exact.toDouble());
}

QVariant toVariant(const Value& v) {
    switch (v.kind) {
        case Kind::Null:
            return {};
        case Kind::Bool:
            return QVariant(v.i != 0);
        case Kind::Int:
            return QVariant(v.i);
        case Kind::Double:
            return QVariant(v.d);
        case Kind::String:
            return QVariant(v.s);
        case Kind::Date:
            return QVariant(QDate::fromJulianDay(v.i));
        case Kind::DateTime:
            return QVariant(v.dt);
        case Kind::Time:
            return QVariant(QTime::fromMSecsSinceStartOfDay(int(v.i)));
    }
    return {};
}

}  // namespace tabel::core::detail
