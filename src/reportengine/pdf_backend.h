#pragma once
// The two ways a PDF is written. The report's own writer embeds the fonts' TrueType outlines
// and writes the pages' texts and lines directly, several times faster than Qt's PDF engine on
// a report of thousands of pages; Qt's engine remains for fonts it cannot embed.

#include <QString>

#include <memory>

#include "reportengine/report_document.h"

namespace tabel::reportengine {

class PdfBackend {
public:
    virtual ~PdfBackend() = default;
    // Empty when the file is open for writing, otherwise the reason.
    virtual QString begin() = 0;
    virtual void addPage(Page&& page) = 0;
    // Writes at least one page; empty when the file is complete under its name.
    virtual QString commit() = 0;
};

// Null when the report fonts have no TrueType outlines.
std::unique_ptr<PdfBackend> reportPdfWriter(const ReportDocument& header, const QString& path);
std::unique_ptr<PdfBackend> qtPdfWriter(const ReportDocument& header, const QString& path);

}  // namespace tabel::reportengine
