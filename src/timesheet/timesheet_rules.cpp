#include "timesheet/timesheet_rules.h"

#include <QDate>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>

#include "widgets/style.h"

namespace tabel::timesheet {

namespace {

// The window background: values in its colour do not show.
QColor windowColor() {
    return QGuiApplication::palette().color(QPalette::Base);
}

QColor columnColor(DayKind kind) {
    switch (kind) {
        case DayKind::Weekend:
            return widgets::kRed;
        case DayKind::BeyondMonth:
            return windowColor();
        case DayKind::Workday:
            break;
    }
    return {};
}

}  // namespace

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

DayKind dayKind(int year, int month, int day) {
    const QDate date(year, month, day);
    if (!date.isValid()) {
        return DayKind::BeyondMonth;
    }
    return date.dayOfWeek() >= Qt::Saturday ? DayKind::Weekend : DayKind::Workday;
}

QColor dayTitleColor(DayKind kind) {
    switch (kind) {
        case DayKind::Weekend:
            return widgets::kRed;
        case DayKind::BeyondMonth:
            return kSilver;
        case DayKind::Workday:
            break;
    }
    return {};
}

widgets::CellStyle dayCellStyle(DayKind kind, int hours) {
    widgets::CellStyle style{false, columnColor(kind), {}};
    if (hours == 0) {
        if (kind == DayKind::Workday) {
            style.color = kSilver;
        }
    } else if (hours == 8) {
        style.bold = true;
        if (kind != DayKind::Weekend) {
            style.color = QColor();
        }
    } else if (hours > 8) {
        style.bold = true;
        style.background = kMoneyGreen;
    }
    return style;
}

}  // namespace tabel::timesheet
