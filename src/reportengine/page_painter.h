#pragma once
// The one painting of a prepared page, used by the preview, the printer and PDF output.

#include <QRectF>
#include <QString>

#include <functional>
#include <memory>

#include "reportengine/report_document.h"

class QPainter;

namespace tabel::reportengine {

// Paints page `index` of `document` scaled into `target` (painter coordinates).
void paintPage(const ReportDocument& document, int index, QPainter& painter, const QRectF& target);

// Paints `page` of a document whose pages are `pageSize` mm scaled into `target`.
void paintPage(const Page& page, const QSizeF& pageSize, QPainter& painter, const QRectF& target);

// A PDF written page by page into a temporary file that becomes `path` on commit(); nothing
// is left when it is destroyed uncommitted. Each page is painted and dropped as it comes.
class PdfOutput {
public:
    PdfOutput(const ReportDocument& header, const QString& path);
    ~PdfOutput();
    PdfOutput(const PdfOutput&) = delete;
    PdfOutput& operator=(const PdfOutput&) = delete;

    // Empty when the file is open for writing, otherwise the reason.
    QString begin();
    void addPage(const Page& page);
    int pagesWritten() const;
    // Empty when the file is complete under its name, otherwise the reason.
    QString commit();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Hands a page to the PDF being written; the page is painted at once and may go afterwards.
using PdfPageFn = std::function<void(const Page& page)>;

// Writes as PDF the pages that `produce` hands on, to a temporary file renamed to `path` once
// complete. Empty on success, otherwise the reason; whatever `produce` throws (Cancelled, a
// database error) leaves no file and passes on.
QString writePdfPages(const ReportDocument& header, const QString& path,
                      const std::function<void(const PdfPageFn& add)>& produce);

// Writes the whole document as PDF to a temporary file renamed to `path` once complete.
// Empty on success, otherwise the reason. `progress` hears the pages written; Cancelled leaves
// no file.
QString writePdf(const ReportDocument& document, const QString& path,
                 const ProgressFn& progress = {});

}  // namespace tabel::reportengine
