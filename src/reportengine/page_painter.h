#pragma once
// The one painting of a prepared page on a QPainter: the preview, the printer, and PDF files
// through Qt's engine when the report fonts cannot be embedded otherwise.

#include <QRectF>
#include <QString>

#include "reportengine/report_document.h"

class QPainter;

namespace tabel::reportengine {

// Paints page `index` of `document` scaled into `target` (painter coordinates).
void paintPage(const ReportDocument& document, int index, QPainter& painter, const QRectF& target);

// Paints `page` of a document whose pages are `pageSize` mm scaled into `target`.
void paintPage(const Page& page, const QSizeF& pageSize, QPainter& painter, const QRectF& target);

}  // namespace tabel::reportengine
