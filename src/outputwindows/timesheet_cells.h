#pragma once
// How the hours timesheet window paints a day's title and a day's hours.

#include <QColor>

#include "timesheet/timesheet_rules.h"
#include "widgets/dataset_model.h"

namespace tabel::outputwindows {

using timesheet::DayKind;

inline const QColor kSilver{192, 192, 192};
inline const QColor kMoneyGreen{192, 220, 192};
inline const QColor kTotalBackground{225, 228, 255};

// Title colour of a day column; invalid for the standard window text.
QColor dayTitleColor(DayKind kind);

// A day cell with `hours`: 0 grey (red on weekends, invisible beyond the month), 8 bold,
// above 8 bold on light green; any other value in the column's colour.
widgets::CellStyle dayCellStyle(DayKind kind, int hours);

}  // namespace tabel::outputwindows
