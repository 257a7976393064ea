#pragma once
// A report written as a PDF file page by page, into a temporary file that takes the final name
// only when complete.

#include <QString>

#include <functional>
#include <memory>

#include "reportengine/report_document.h"

namespace tabel::reportengine {

class PdfBackend;

// A PDF written page by page into a temporary file that becomes `path` on commit(); nothing
// is left when it is destroyed uncommitted. Each page is written and dropped as it comes.
class PdfOutput {
public:
    PdfOutput(const ReportDocument& header, const QString& path);
    ~PdfOutput();
    PdfOutput(const PdfOutput&) = delete;
    PdfOutput& operator=(const PdfOutput&) = delete;

    // Empty when the file is open for writing, otherwise the reason.
    QString begin();
    void addPage(Page&& page);
    void addPage(const Page& page) { addPage(Page(page)); }
    int pagesWritten() const { return written_; }
    // Empty when the file is complete under its name, otherwise the reason.
    QString commit();

private:
    std::unique_ptr<PdfBackend> backend_;
    int written_ = 0;
};

// Hands a page to the PDF being written.
using PdfPageFn = std::function<void(Page&& page)>;

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
