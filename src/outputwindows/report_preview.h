#pragma once
// The preview of a prepared report: pages at page width or whole, navigation, zoom, printing
// through the system's dialog and saving as PDF.

#include <QAbstractScrollArea>
#include <QDialog>

#include <functional>
#include <optional>

#include "reportengine/report_document.h"
#include "reports/printed_layout.h"

class QAction;
class QLabel;
class QPrinter;

namespace tabel::widgets {
class WorkProgress;
}

namespace tabel::outputwindows {

using reportengine::ReportDocument;

// The engine's progress shown in `dialog`: rows laid out, or pages written of all.
reportengine::ProgressFn showProgress(widgets::WorkProgress& dialog);

// A layout's pages under a progress dialog, shown from half a second on, also while the server
// still runs the query; nothing when "Отмена" was pressed (a running query is stopped).
// `prepare` opens the layout's query and lays it out (preparePeriodReport and the like).
std::optional<ReportDocument> prepareWithProgress(reports::PrintedLayout& layout, QWidget* parent,
                                                  const std::function<ReportDocument()>& prepare);

// Paints only the pages that intersect the viewport.
class PageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class Fit { PageWidth, WholePage, Zoom };

    explicit PageView(const ReportDocument& document, QWidget* parent = nullptr);

    void setFit(Fit fit);
    Fit fit() const { return fit_; }
    void zoomBy(double factor);
    double scale() const { return scale_; }  // pixels per mm

    int currentPage() const;  // 0-based: the page at the top of the view
    void showPage(int index);
    // Pages painted by the last paint event, for tests of the visible-only painting.
    const QList<int>& lastPainted() const { return lastPainted_; }

signals:
    void currentPageChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    double pageTop(int index) const;
    QSizeF pagePixels() const;
    void applyFit();
    void updateScrollBars();

    const ReportDocument& document_;
    Fit fit_ = Fit::PageWidth;
    double scale_ = 3.0;
    int shownPage_ = -1;
    QList<int> lastPainted_;
};

class ReportPreview : public QDialog {
    Q_OBJECT
public:
    explicit ReportPreview(ReportDocument document, QWidget* parent = nullptr);

    const ReportDocument& document() const { return document_; }

    // Where "Сохранить в PDF…" and printing to a file propose to write: the documents folder,
    // under the report's title and period, a free name.
    QString proposedPdfPath() const;

    // Paints every page onto an already set up printer. False when cancelled (the job is
    // aborted); throws widgets::ActionFailure when the printer cannot be used.
    bool printTo(QPrinter& printer) const;
    // Writes every page as PDF under a progress dialog; false when cancelled. Throws
    // widgets::ActionFailure when the file cannot be written. No file is left unless written.
    bool saveAs(const QString& path);

    // Opens a preview of `document`, maximised and modal, without waiting for it to close.
    static ReportPreview* open(ReportDocument document, QWidget* parent = nullptr);

private:
    QAction* addAction(const QString& name, const QString& text, const QKeySequence& key);
    void printWithDialog();
    void saveAsPdf();
    void updateCaption(int page);

    ReportDocument document_;
    PageView* view_;
    QLabel* pageLabel_;
};

}  // namespace tabel::outputwindows
