#pragma once
// The one painting of a prepared page, used by the preview, the printer and PDF output.

#include <QRectF>
#include <QString>

#include "reportengine/report_document.h"

class QPainter;

namespace tabel::reportengine {

// Paints page `index` of `document` scaled into `target` (painter coordinates).
void paintPage(const ReportDocument& document, int index, QPainter& painter, const QRectF& target);

// Writes the whole document as PDF to a temporary file renamed to `path` once complete.
// Empty on success, otherwise the reason.
QString writePdf(const ReportDocument& document, const QString& path);

}  // namespace tabel::reportengine
