#pragma once
// The fonts of a report, sized alike for the layout, the painter and the PDF file: in whole
// tenths of a millimetre, so a text measures the same wherever it goes.

#include <QFont>

#include "reportengine/report_definition.h"

namespace tabel::reportengine {

// Font units per millimetre: a report font's pixel size is in tenths of a millimetre.
constexpr double kFontUnitsPerMm = 10.0;

// The font's size in millimetres: its pixel size, rounded to whole units.
double fontSizeMm(const FontStyle& style);
QFont reportFont(const FontStyle& style);

}  // namespace tabel::reportengine
