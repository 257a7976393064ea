#pragma once
// How an entry is divided between its worker and the brigade listed with it: the server's
// accounts_dep.divide_between_person computes the same, and the entry dialog shows this as the
// preview of what "Сохранить" will write.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/decimal.h"

namespace tabel::core {

enum class BrigadeSplit { Even, Ktu, Hours };

// The split as person_temp.split stores it: "even", "ktu", "hours".
QString splitCode(BrigadeSplit split);
std::optional<BrigadeSplit> splitOfCode(const QString& code);

// The figures a brigade line takes: a coefficient from 0,01 to 9,99 with two places at most,
// hours from 1 to 24; and what a user is told otherwise.
bool ktuAllowed(const Decimal& ktu);
bool hoursAllowed(int hours);
inline const QString kKtuNotAllowed =
    QStringLiteral("КТУ должен быть от 0,01 до 9,99, не более двух знаков после запятой");
inline const QString kHoursNotAllowed = QStringLiteral("Часы должны быть от 1 до 24");

// A line of the brigade as stored, in the order of the lines.
struct BrigadeLine {
    std::optional<int> workerCode;  // none: the person has no numeric worker code
    QString name;
    Decimal ktu = Decimal::fromInteger(1);
    std::optional<int> hours;
};

// What is divided: the saved entry.
struct BrigadeEntry {
    int workerCode = 0;
    QString workerName;
    Decimal quantity;
    int defects = 0;
    Decimal price;
    int hours = 0;
};

// One member's entry as the division writes it; pay is price × (quantity − defects), exact.
struct BrigadeShare {
    int workerCode = 0;
    QString name;
    Decimal quantity;
    int defects = 0;
    int hours = 0;
    Decimal pay;
};

struct BrigadeDivision {
    // The entry's worker first, then the others by worker code; the entry's worker alone (as
    // the entry is) when nobody else is listed.
    QList<BrigadeShare> shares;
    // Why the server refuses to divide, in its words; empty when it divides.
    QString refusal;
};

// Even: every member the whole good pieces and defects that divide evenly, the rest (and any
// fraction) stays with the entry's worker. By coefficient or hours: good pieces and defects,
// each in whole pieces by largest remainder, ties to the entry's worker, then by worker code;
// a fraction of a piece stays with the entry's worker. The entry's worker weighs his own line
// when listed, else 1 (or the entry's hours); by hours each member's entry carries his hours.
BrigadeDivision divideBrigade(const BrigadeEntry& entry, const QList<BrigadeLine>& lines,
                              BrigadeSplit split);

}  // namespace tabel::core
