#include "core/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace tabel::core {

namespace {

constexpr int kGeneralDigits = 15;
const QChar kDecimalComma = u',';
const QChar kGroupSeparator = QChar(0x00A0);

// A finite number as decimal digits: 0.<digits> × 10^point. No leading or trailing zeros in
// `digits`; zero has no digits.
struct Decimal {
    bool negative = false;
    std::string digits;
    int point = 0;

    bool isZero() const { return digits.empty(); }
};

void trimTrailingZeros(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
}

// The shortest text that reads back as the same double, which is where "decimal value" rounding
// has to start: the binary neighbour of 0.135 lies below it, its shortest text does not.
Decimal shortestDecimal(double value) {
    Decimal d;
    d.negative = std::signbit(value);
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    const std::string_view text(buf, res.ptr - buf);
    const size_t e = text.find('e');
    for (size_t i = 0; i < e; ++i) {
        if (text[i] != '.') {
            d.digits.push_back(text[i]);
        }
    }
    int exponent = 0;
    const char* expBegin = text.data() + e + 1;
    if (*expBegin == '+') {
        ++expBegin;
    }
    std::from_chars(expBegin, text.data() + text.size(), exponent);
    d.point = exponent + 1;
    trimTrailingZeros(d);
    if (d.isZero()) {
        d.point = 0;
    }
    return d;
}

// Keeps `decimals` places after the point; an exact half goes to the even neighbour.
void roundAt(Decimal& d, int decimals) {
    const long keepLong = long(d.point) + decimals;
    const long n = long(d.digits.size());
    if (d.isZero() || keepLong >= n) {
        return;
    }
    if (keepLong < 0) {
        d.digits.clear();
        d.point = 0;
        return;
    }
    const size_t keep = size_t(keepLong);
    const char r = d.digits[keep];
    const bool moreAfter = keep + 1 < d.digits.size();  // trailing zeros are trimmed
    const bool lastOdd = keep > 0 && (d.digits[keep - 1] - '0') % 2 == 1;
    const bool up = r > '5' || (r == '5' && (moreAfter || lastOdd));
    d.digits.resize(keep);
    if (up) {
        long i = long(keep) - 1;
        while (i >= 0 && d.digits[size_t(i)] == '9') {
            d.digits[size_t(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        } else {
            ++d.digits[size_t(i)];
        }
    }
    trimTrailingZeros(d);
    if (d.isZero()) {
        d.point = 0;
    }
}

void roundSignificant(Decimal& d, int significant) {
    roundAt(d, significant - d.point);
}

double toDouble(const Decimal& d) {
    if (d.isZero()) {
        return 0.0;
    }
    std::string text = "0." + d.digits + "e" + std::to_string(d.point);
    double value = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return d.negative ? -value : value;
}

// Digit at `index` counted from the first digit after "0." (may be outside the stored digits).
char digitAt(const Decimal& d, long index) {
    return index >= 0 && index < long(d.digits.size()) ? d.digits[size_t(index)] : '0';
}

QString plainText(const Decimal& d, QChar mark) {
    if (d.isZero()) {
        return QStringLiteral("0");
    }
    QString out;
    if (d.negative) {
        out += u'-';
    }
    const long n = long(d.digits.size());
    if (d.point <= 0) {
        out += u'0';
    } else {
        for (long i = 0; i < d.point; ++i) {
            out += QLatin1Char(digitAt(d, i));
        }
    }
    if (n > d.point) {
        out += mark;
        for (long i = d.point; i < n; ++i) {
            out += QLatin1Char(digitAt(d, i));
        }
    }
    return out;
}

struct MaskShape {
    bool valid = false;
    int minInt = 0;
    int minFrac = 0;
    int maxFrac = 0;
    bool grouped = false;
};

MaskShape parseMask(const QString& mask) {
    MaskShape shape;
    const qsizetype dot = mask.indexOf(u'.');
    const QStringView intPart = QStringView(mask).left(dot < 0 ? mask.size() : dot);
    const QStringView fracPart = dot < 0 ? QStringView() : QStringView(mask).mid(dot + 1);
    int placeholders = 0;
    int firstZero = -1;
    for (QChar c : intPart) {
        if (c == u',') {
            shape.grouped = true;
        } else if (c == u'0' || c == u'#') {
            if (c == u'0' && firstZero < 0) {
                firstZero = placeholders;
            }
            ++placeholders;
        } else {
            return shape;
        }
    }
    shape.minInt = firstZero < 0 ? 0 : placeholders - firstZero;
    for (QChar c : fracPart) {
        if (c == u'0') {
            shape.minFrac = ++shape.maxFrac;
        } else if (c == u'#') {
            ++shape.maxFrac;
        } else {
            return shape;
        }
    }
    shape.valid = !mask.isEmpty();
    return shape;
}

}  // namespace

double roundHalfEven(double value, int decimals) {
    if (!std::isfinite(value)) {
        return value;
    }
    Decimal d = shortestDecimal(value);
    roundAt(d, decimals);
    return toDouble(d);
}

QString formatGeneral(double value) {
    if (!std::isfinite(value)) {
        return QString::number(value);
    }
    Decimal d = shortestDecimal(value);
    roundSignificant(d, kGeneralDigits);
    return plainText(d, kDecimalComma);
}

QString formatNumber(double value, int maxDecimals) {
    if (!std::isfinite(value)) {
        return QString::number(value);
    }
    Decimal d = shortestDecimal(value);
    roundAt(d, maxDecimals);
    roundSignificant(d, kGeneralDigits);
    return plainText(d, kDecimalComma);
}

QString formatCount(qint64 count, const QString& one, const QString& few, const QString& many) {
    const qint64 last2 = (count < 0 ? -count : count) % 100;
    const qint64 last = last2 % 10;
    const QString& noun = last2 >= 11 && last2 <= 14 ? many
                          : last == 1                ? one
                          : last >= 2 && last <= 4   ? few
                                                     : many;
    return formatMask(double(count), QStringLiteral("#,##0")) + u' ' + noun;
}

QString formatMask(double value, const QString& mask) {
    const MaskShape shape = parseMask(mask);
    if (!shape.valid || !std::isfinite(value)) {
        return formatGeneral(value);
    }
    Decimal d = shortestDecimal(value);
    roundAt(d, shape.maxFrac);

    QString intDigits;
    for (long i = 0; i < d.point; ++i) {
        intDigits += QLatin1Char(digitAt(d, i));
    }
    if (intDigits.size() < shape.minInt) {
        intDigits.prepend(QString(shape.minInt - intDigits.size(), u'0'));
    }
    if (shape.grouped) {
        for (qsizetype pos = intDigits.size() - 3; pos > 0; pos -= 3) {
            intDigits.insert(pos, kGroupSeparator);
        }
    }
    QString fracDigits;
    for (int j = 0; j < shape.maxFrac; ++j) {
        fracDigits += QLatin1Char(digitAt(d, long(d.point) + j));
    }
    while (fracDigits.size() > shape.minFrac && fracDigits.endsWith(u'0')) {
        fracDigits.chop(1);
    }

    QString out;
    if (d.negative && !d.isZero()) {
        out += u'-';
    }
    out += intDigits;
    if (!fracDigits.isEmpty()) {
        out += kDecimalComma;
        out += fracDigits;
    }
    return out;
}

std::optional<TypedDecimal> readDecimal(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::string digits;
    qsizetype integerLength = -1;  // digits before the mark
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            digits.push_back(char(c.unicode()));
        } else if ((c == u',' || c == u'.') && integerLength < 0) {
            integerLength = qsizetype(digits.size());
        } else {
            return std::nullopt;
        }
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    const auto size = qsizetype(digits.size());
    if (integerLength < 0) {
        integerLength = size;
    }
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        return TypedDecimal{};
    }
    const qsizetype end = std::max(qsizetype(digits.find_last_not_of('0')) + 1, integerLength);
    std::string ascii = integerLength == 0 ? std::string("0") : digits.substr(0, integerLength);
    if (integerLength < size) {
        ascii += '.';
        ascii += digits.substr(size_t(integerLength));
    }
    double value = 0.0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (res.ec != std::errc() || res.ptr != ascii.data() + ascii.size()) {
        return std::nullopt;
    }
    return TypedDecimal{negative ? -value : value, int(end - qsizetype(first))};
}

std::optional<double> parseNumber(QStringView text) {
    const std::optional<TypedDecimal> typed = readDecimal(text.trimmed());
    return typed ? std::optional<double>(typed->value) : std::nullopt;
}

QString sqlNumber(double value) {
    if (!std::isfinite(value)) {
        return QStringLiteral("NULL");
    }
    return plainText(shortestDecimal(value), u'.');
}

bool isNumeric(const QVariant& value) {
    switch (value.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

}  // namespace tabel::core
