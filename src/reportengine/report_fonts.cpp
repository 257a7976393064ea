#include "reportengine/report_fonts.h"

#include <algorithm>
#include <cmath>

namespace tabel::reportengine {

namespace {

int pixelSize(const FontStyle& style) {
    constexpr double kMmPerPoint = 25.4 / 72.0;
    return std::max(1, int(std::lround(style.pointSize * kMmPerPoint * kFontUnitsPerMm)));
}

}  // namespace

double fontSizeMm(const FontStyle& style) {
    return pixelSize(style) / kFontUnitsPerMm;
}

QFont reportFont(const FontStyle& style) {
    QFont font;
    font.setPixelSize(pixelSize(style));
    font.setBold(style.bold);
    return font;
}

}  // namespace tabel::reportengine
