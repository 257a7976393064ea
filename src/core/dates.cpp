#include "core/dates.h"

#include <algorithm>

namespace tabel::core {

const QStringList& monthNames() {
    static const QStringList names{
        QStringLiteral("Январь"),  QStringLiteral("Февраль"), QStringLiteral("Март"),
        QStringLiteral("Апрель"),  QStringLiteral("Май"),     QStringLiteral("Июнь"),
        QStringLiteral("Июль"),    QStringLiteral("Август"),  QStringLiteral("Сентябрь"),
        QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"),  QStringLiteral("Декабрь")};
    return names;
}

QStringList yearItems(int currentYear, int workingYear) {
    QList<int> years;
    for (int year = kFirstYear; year <= currentYear + 1; ++year) {
        years.append(year);
    }
    if (!years.contains(workingYear)) {
        years.insert(std::lower_bound(years.begin(), years.end(), workingYear), workingYear);
    }
    QStringList items;
    for (int year : years) {
        items.append(QString::number(year));
    }
    return items;
}

QString monthTitle(int month, int year) {
    return monthNames().value(month - 1) + u' ' + QString::number(year);
}

}  // namespace tabel::core
