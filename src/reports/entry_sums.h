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

inline QString paySum() {
    return QStringLiteral("sum((kol_vo::numeric-brak)*smena.cena::numeric)");
}

}  // namespace tabel::reports
