#include "reportengine/pdf_output.h"

#include <mutex>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "reportengine/pdf_backend.h"

namespace tabel::reportengine {

namespace {

// A PDF builds each page's stream in a growing buffer and frees it after the page: with glibc's
// defaults every page went through mmap, mremap and a heap trim, and the page faults took half
// the time of a large PDF. Kept heap: the PDF of a plant's month in half the processor time,
// peak memory unchanged.
void keepHeapBetweenPages() {
#ifdef __GLIBC__
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    });
#endif
}

}  // namespace

PdfOutput::PdfOutput(const ReportDocument& header, const QString& path)
    : backend_(reportPdfWriter(header, path)) {
    if (!backend_) {
        backend_ = qtPdfWriter(header, path);
    }
}

PdfOutput::~PdfOutput() = default;

QString PdfOutput::begin() {
    keepHeapBetweenPages();
    return backend_->begin();
}

void PdfOutput::addPage(Page&& page) {
    backend_->addPage(std::move(page));
    ++written_;
}

QString PdfOutput::commit() {
    return backend_->commit();
}

QString writePdfPages(const ReportDocument& header, const QString& path,
                      const std::function<void(const PdfPageFn& add)>& produce) {
    PdfOutput pdf(header, path);
    if (QString error = pdf.begin(); !error.isEmpty()) {
        return error;
    }
    produce([&pdf](Page&& page) { pdf.addPage(std::move(page)); });
    return pdf.commit();
}

QString writePdf(const ReportDocument& document, const QString& path, const ProgressFn& progress) {
    return writePdfPages(document, path, [&](const PdfPageFn& add) {
        const int pages = document.pageCount();
        for (int i = 0; i < pages; ++i) {
            if (progress && !progress(Progress{0, 0, i, pages})) {
                throw Cancelled();
            }
            add(Page(document.pages[size_t(i)]));
        }
    });
}

}  // namespace tabel::reportengine
