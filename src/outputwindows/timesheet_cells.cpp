#include "outputwindows/timesheet_cells.h"

#include <QGuiApplication>
#include <QPalette>

#include "widgets/style.h"

namespace tabel::outputwindows {

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

}  // namespace tabel::outputwindows
