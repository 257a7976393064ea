#pragma once
// The sums the period reports print, as the server computes them over the entries: good pieces
// (made less defects) and their pay, in numeric (float8 to numeric keeps the 15 digits a value
// was written with), so they are exact decimals. Every statement that must agree with the
// reports to the kopeck (the charts) sums with these.

#include <QString>

namespace tabel::reports {

inline QString goodPiecesSum() {
    return QStringLiteral("sum(smena.kol_vo::numeric-smena.brak)");
}

// One entry's pay and premium (the entry's own price; a null premium adds nothing to a sum).
inline QString entryPay() {
    return QStringLiteral("(kol_vo::numeric-brak)*smena.cena::numeric");
}
inline QString entryPremium() {
    return QStringLiteral("prize::numeric*(kol_vo::numeric-brak)*smena.cena::numeric/100");
}

inline QString paySum() {
    return QStringLiteral("sum(") + entryPay() + u')';
}
inline QString premiumSum() {
    return QStringLiteral("sum(") + entryPremium() + u')';
}

}  // namespace tabel::reports
