#pragma once
// An exact decimal number for sums of money, quantities and hours: a sum of decimals is never
// a sum of binary approximations, so it is rounded once, when it is shown.

#include <QString>
#include <QStringView>

#include <compare>
#include <optional>

namespace tabel::core {

// 128-bit integers: a GCC and Clang extension, named once here.
__extension__ typedef __int128 WideInt;
__extension__ typedef unsigned __int128 WideUInt;

class Decimal {
public:
    // Places kept after the point; a stored value with more is rounded half to even there.
    static constexpr int kMaxScale = 18;

    Decimal() = default;
    static Decimal fromInteger(qint64 value);
    // The decimal a double column holds as written: its 15 significant digits (what the
    // server's float8 to numeric conversion gives), trailing zeros dropped. 0.1 is 0.1,
    // 3402.13499999999976 is 3402.135. None for infinities, NaN and magnitudes above 10^20.
    static std::optional<Decimal> fromDouble(double value);
    // fromDouble for a value read from a column that holds finite numbers only: 0 otherwise.
    static Decimal fromStored(double value) { return fromDouble(value).value_or(Decimal()); }
    // Decimal text with a full stop or a comma ("-12.5", "0,135"); none for anything else.
    static std::optional<Decimal> fromText(QStringView text);

    // Exact; false, leaving the value as it was, when the result would not fit.
    bool add(const Decimal& other);
    // Exact up to kMaxScale places (beyond them rounded half to even); false, leaving the
    // value as it was, when the result would not fit.
    bool multiply(const Decimal& other);
    Decimal negated() const;
    // Rounded to `places` (0 … kMaxScale) after the point, an exact half to the even neighbour.
    Decimal rounded(int places) const;

    // The nearest double; it shows (shortest form) as this decimal while that has at most
    // 15 significant digits.
    double toDouble() const;
    // Plain text with a full stop and no trailing zeros ("3402.135", "-0.5", "0").
    QString toString() const;
    // As the program shows numbers, after rounding half to even to at most `maxDecimals`
    // places: the decimal comma, every digit kept ("12345", "0,25", "-3").
    QString toDisplayText(int maxDecimals = kMaxScale) const;
    bool isZero() const { return mantissa_ == 0; }
    bool isNegative() const { return mantissa_ < 0; }

    friend bool operator==(const Decimal& a, const Decimal& b) {
        return a.mantissa_ == b.mantissa_ && a.scale_ == b.scale_;
    }
    friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b);

private:
    void normalize();

    WideInt mantissa_ = 0;  // value = mantissa_ / 10^scale_
    int scale_ = 0;         // 0 … kMaxScale, no trailing zeros in the mantissa beyond it
};

}  // namespace tabel::core
