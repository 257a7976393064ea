#pragma once
// Numbers as the program rounds, shows, reads and writes them into statements.
//
// Rounding and display work on the shortest decimal text that reads back as the same double
// (1.03125 is "1.03125", not 1.0312499999…), so an exact decimal half goes to the even
// neighbour the way a user counting on paper expects.

#include <QString>
#include <QStringView>
#include <QVariant>

#include <optional>

namespace tabel::core {

// Rounds to `decimals` places, an exact decimal half to the even neighbour:
// 1.03125 → 1.0312, 0.135 → 0.14, 2.5 → 2, -2.5 → -2. A negative count rounds to tens,
// hundreds, … Non-finite values come back unchanged; a zero result is +0.
double roundHalfEven(double value, int decimals);

// General format: at most 15 significant digits, decimal comma, no exponent,
// no thousands separator, no trailing zeros (0.1 + 0.2 → "0,3", 5 → "5").
QString formatGeneral(double value);

// General format after rounding half to even to at most `maxDecimals` places (5.5, 4 → "5,5").
QString formatNumber(double value, int maxDecimals);

// Display mask: '0' a required digit, '#' an optional one, one '.' for the decimal comma,
// ',' anywhere before it for digit groups (a no-break space between thousands).
// "#0.00#": 5.5 → "5,50", 5.125 → "5,125", 5.1234 → "5,123"; "#0": 2.5 → "2".
// Rounds half to even; a value that rounds to zero prints without a minus sign.
// A mask with any other character prints the general format.
QString formatMask(double value, const QString& mask);

// A count with its noun in the form Russian gives that number, the count's digits grouped as
// formatMask groups them: 1 строка, 3 строки, 1 998 строк, 21 строка, 111 строк.
QString formatCount(qint64 count, const QString& one, const QString& few, const QString& many);

// A typed decimal as read: its value and how many significant digits it was typed with, from
// the first digit that is not 0 to the last one that counts (zeros ending the integer part
// count, those ending the fraction do not: "0,0120" has 2, "100,50" has 4, "0" has none).
struct TypedDecimal {
    double value = 0;
    int significantDigits = 0;
};

// The one reader of typed numbers: an optional sign, then digits with at most one decimal mark
// ("," or "."), nothing else; "5,5", "-3", ",5" and "5," are read, while "5,5,5", "1e5",
// "1 000", " 5", "abc" and "" are not. Zero comes back as +0.
std::optional<TypedDecimal> readDecimal(QStringView text);

// readDecimal's value, blanks around allowed (" 5 " is 5): what the number boxes read.
std::optional<double> parseNumber(QStringView text);

// Number text for a composed statement: shortest digits that read back as the same double,
// full stop, no exponent, no superfluous zeros (1e-7 → "0.0000001", 0.5 → "0.5", -0 → "0").
// Non-finite values give "NULL".
QString sqlNumber(double value);

// The value holds a number of one of the integer or floating types.
bool isNumeric(const QVariant& value);

}  // namespace tabel::core
