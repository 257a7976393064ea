#include "core/decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace tabel::core {

namespace {

constexpr int kStoredDigits = 15;

WideInt powerOfTen(int n) {
    WideInt p = 1;
    for (int i = 0; i < n; ++i) {
        p *= 10;
    }
    return p;
}

// Divides by 10^n, an exact half to the even neighbour.
WideInt divideHalfEven(WideInt value, int n) {
    const WideInt divisor = powerOfTen(n);
    WideInt quotient = value / divisor;
    const WideInt remainder = value % divisor;
    const WideInt twice = (remainder < 0 ? -remainder : remainder) * 2;
    if (twice > divisor || (twice == divisor && quotient % 2 != 0)) {
        quotient += value < 0 ? -1 : 1;
    }
    return quotient;
}

}  // namespace

Decimal Decimal::fromInteger(qint64 value) {
    Decimal d;
    d.mantissa_ = value;
    return d;
}

std::optional<Decimal> Decimal::fromDouble(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 1e20) {
        return std::nullopt;
    }
    if (value == std::trunc(value) && std::fabs(value) < 1e15) {
        return fromInteger(qint64(value));  // the common whole number, without text
    }
    // d.dddddddddddddde±x: 15 significant digits, correctly rounded.
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                   kStoredDigits - 1);
    const std::string_view text(buf, size_t(res.ptr - buf));
    const size_t e = text.find('e');
    WideInt mantissa = 0;
    for (size_t i = 0; i < e; ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            mantissa = mantissa * 10 + (text[i] - '0');
        }
    }
    if (text.front() == '-') {
        mantissa = -mantissa;
    }
    int exponent = 0;
    const char* expBegin = text.data() + e + 1;
    if (*expBegin == '+') {
        ++expBegin;
    }
    std::from_chars(expBegin, text.data() + text.size(), exponent);
    Decimal d;
    int scale = kStoredDigits - 1 - exponent;
    if (scale < 0) {
        mantissa *= powerOfTen(-scale);
        scale = 0;
    } else if (scale > kMaxScale) {
        mantissa = divideHalfEven(mantissa, scale - kMaxScale);
        scale = kMaxScale;
    }
    d.mantissa_ = mantissa;
    d.scale_ = scale;
    d.normalize();
    return d;
}

std::optional<Decimal> Decimal::fromText(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    WideInt mantissa = 0;
    int scale = -1;
    int digits = 0;
    bool seen = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            seen = true;
            if (scale >= kMaxScale || digits >= 36) {
                continue;  // beyond what is kept: dropped
            }
            mantissa = mantissa * 10 + (c.unicode() - u'0');
            if (mantissa != 0) {
                ++digits;
            }
            if (scale >= 0) {
                ++scale;
            }
        } else if ((c == u'.' || c == u',') && scale < 0) {
            scale = 0;
        } else {
            return std::nullopt;
        }
    }
    if (!seen) {
        return std::nullopt;
    }
    Decimal d;
    d.mantissa_ = negative ? -mantissa : mantissa;
    d.scale_ = scale < 0 ? 0 : scale;
    d.normalize();
    return d;
}

bool Decimal::add(const Decimal& other) {
    WideInt a = mantissa_;
    WideInt b = other.mantissa_;
    const int scale = std::max(scale_, other.scale_);
    if (__builtin_mul_overflow(a, powerOfTen(scale - scale_), &a) ||
        __builtin_mul_overflow(b, powerOfTen(scale - other.scale_), &b)) {
        return false;
    }
    WideInt sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return false;
    }
    mantissa_ = sum;
    scale_ = scale;
    normalize();
    return true;
}

bool Decimal::multiply(const Decimal& other) {
    WideInt product = 0;
    if (__builtin_mul_overflow(mantissa_, other.mantissa_, &product)) {
        return false;
    }
    int scale = scale_ + other.scale_;
    if (scale > kMaxScale) {
        product = divideHalfEven(product, scale - kMaxScale);
        scale = kMaxScale;
    }
    mantissa_ = product;
    scale_ = scale;
    normalize();
    return true;
}

Decimal Decimal::negated() const {
    Decimal d = *this;
    d.mantissa_ = -d.mantissa_;
    return d;
}

Decimal Decimal::rounded(int places) const {
    Decimal d = *this;
    places = std::clamp(places, 0, kMaxScale);
    if (d.scale_ > places) {
        d.mantissa_ = divideHalfEven(d.mantissa_, d.scale_ - places);
        d.scale_ = places;
        d.normalize();
    }
    return d;
}

std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) {
    // Whole parts first, then the fractions on a common scale: nothing can overflow.
    const WideInt aWhole = a.mantissa_ / powerOfTen(a.scale_);
    const WideInt bWhole = b.mantissa_ / powerOfTen(b.scale_);
    if (aWhole != bWhole) {
        return aWhole < bWhole ? std::strong_ordering::less : std::strong_ordering::greater;
    }
    const WideInt aPart =
        a.mantissa_ % powerOfTen(a.scale_) * powerOfTen(Decimal::kMaxScale - a.scale_);
    const WideInt bPart =
        b.mantissa_ % powerOfTen(b.scale_) * powerOfTen(Decimal::kMaxScale - b.scale_);
    if (aPart == bPart) {
        return std::strong_ordering::equal;
    }
    return aPart < bPart ? std::strong_ordering::less : std::strong_ordering::greater;
}

void Decimal::normalize() {
    while (scale_ > 0 && mantissa_ % 10 == 0) {
        mantissa_ /= 10;
        --scale_;
    }
    if (mantissa_ == 0) {
        scale_ = 0;
    }
}

QString Decimal::toString() const {
    const bool negative = mantissa_ < 0;
    WideUInt magnitude = negative ? static_cast<WideUInt>(-(mantissa_ + 1)) + 1 : mantissa_;
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (int(digits.size()) <= scale_) {
        digits.insert(digits.begin(), size_t(scale_ + 1 - int(digits.size())), '0');
    }
    if (scale_ > 0) {
        digits.insert(digits.end() - scale_, '.');
    }
    if (negative) {
        digits.insert(digits.begin(), '-');
    }
    return QString::fromLatin1(digits.data(), qsizetype(digits.size()));
}

QString Decimal::toDisplayText(int maxDecimals) const {
    return rounded(maxDecimals).toString().replace(u'.', u',');
}

double Decimal::toDouble() const {
    if (scale_ == 0 && mantissa_ > -(WideInt(1) << 53) && mantissa_ < (WideInt(1) << 53)) {
        return double(mantissa_);
    }
    const std::string text = toString().toStdString();
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace tabel::core
