#include "outputwindows/report_preview.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "data/errors.h"
#include "reportengine/page_painter.h"
#include "reportengine/pdf_output.h"
#include "reports/output_files.h"
#include "widgets/user_action.h"
#include "widgets/work_progress.h"

namespace tabel::outputwindows {

namespace {
constexpr int kGap = 12;  // pixels around and between pages
constexpr double kMinScale = 0.3;
constexpr double kMaxScale = 20.0;

// Unhooks a dialog's progress from a layout that outlives it.
struct ProgressHook {
    reports::PrintedLayout& layout;
    ~ProgressHook() { layout.setProgress({}); }
};
}  // namespace

reportengine::ProgressFn showProgress(widgets::WorkProgress& dialog) {
    return [&dialog](const reportengine::Progress& p) {
        if (p.pages > 0) {
            return dialog.update(
                p.pagesDone, p.pages,
                QStringLiteral("Записано страниц: %1 из %2").arg(p.pagesDone).arg(p.pages));
        }
        return dialog.update(p.rowsDone, p.rows,
                             QStringLiteral("Подготовлено строк: %1 из %2, страниц: %3")
                                 .arg(p.rowsDone)
                                 .arg(p.rows)
                                 .arg(p.pagesDone));
    };
}

std::optional<ReportDocument> prepareWithProgress(reports::PrintedLayout& layout, QWidget* parent,
                                                  const std::function<ReportDocument()>& prepare) {
    widgets::WorkProgress dialog(parent, QStringLiteral("Подготовка отчета"));
    layout.setProgress(showProgress(dialog));
    const ProgressHook unhook{layout};
    try {
        return prepare();
    } catch (const reportengine::Cancelled&) {
        return std::nullopt;
    } catch (const data::DbError& error) {
        // "Отмена" pressed while the server ran the statement: stopped there, nothing to tell.
        if (error.kind() == data::DbErrorKind::Cancelled && dialog.cancelled()) {
            return std::nullopt;
        }
        throw;
    }
}

PageView::PageView(const ReportDocument& document, QWidget* parent)
    : QAbstractScrollArea(parent), document_(document) {
    setObjectName(QStringLiteral("PageView"));
    viewport()->setAutoFillBackground(true);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, QColor(128, 128, 128));
    viewport()->setPalette(palette);
    fit_ = document.previewWholePage ? Fit::WholePage : Fit::PageWidth;
}

QSizeF PageView::pagePixels() const {
    return document_.pageSize * scale_;
}

double PageView::pageTop(int index) const {
    return kGap + index * (pagePixels().height() + kGap);
}

void PageView::setFit(Fit fit) {
    const int page = currentPage();
    fit_ = fit;
    applyFit();
    showPage(page);
}

void PageView::zoomBy(double factor) {
    const int page = currentPage();
    fit_ = Fit::Zoom;
    scale_ = std::clamp(scale_ * factor, kMinScale, kMaxScale);
    updateScrollBars();
    showPage(page);
}

void PageView::applyFit() {
    if (document_.pageSize.isEmpty()) {
        return;
    }
    const QSize area = viewport()->size();
    const double byWidth = (area.width() - 2.0 * kGap) / document_.pageSize.width();
    const double byHeight = (area.height() - 2.0 * kGap) / document_.pageSize.height();
    if (fit_ == Fit::PageWidth) {
        scale_ = std::clamp(byWidth, kMinScale, kMaxScale);
    } else if (fit_ == Fit::WholePage) {
        scale_ = std::clamp(std::min(byWidth, byHeight), kMinScale, kMaxScale);
    }
    updateScrollBars();
}

void PageView::updateScrollBars() {
    const QSizeF page = pagePixels();
    const int contentHeight = int(std::ceil(pageTop(document_.pageCount())));
    const int contentWidth = int(std::ceil(page.width() + 2 * kGap));
    verticalScrollBar()->setRange(0, std::max(0, contentHeight - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(std::max(1, int(page.height() / 20)));
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    viewport()->update();
}

int PageView::currentPage() const {
    if (document_.pageCount() == 0) {
        return 0;
    }
    const double pitch = pagePixels().height() + kGap;
    const double y = verticalScrollBar()->value() + pitch / 3;
    return std::clamp(int(y / pitch), 0, document_.pageCount() - 1);
}

void PageView::showPage(int index) {
    index = std::clamp(index, 0, std::max(0, document_.pageCount() - 1));
    verticalScrollBar()->setValue(int(pageTop(index)) - kGap);
    if (shownPage_ != currentPage()) {
        shownPage_ = currentPage();
        emit currentPageChanged(shownPage_);
    }
}

void PageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const int page = currentPage();
    applyFit();
    if (fit_ != Fit::Zoom) {
        showPage(page);
    }
}

void PageView::scrollContentsBy(int, int) {
    viewport()->update();
    if (shownPage_ != currentPage()) {
        shownPage_ = currentPage();
        emit currentPageChanged(shownPage_);
    }
}

void PageView::paintEvent(QPaintEvent* event) {
    lastPainted_.clear();
    QPainter painter(viewport());
    const QSizeF page = pagePixels();
    const double pitch = page.height() + kGap;
    const double top = verticalScrollBar()->value();
    const QRectF visible(0, top + event->rect().top(), viewport()->width(), event->rect().height());
    const double x = std::max(double(kGap), (viewport()->width() - page.width()) / 2) -
                     horizontalScrollBar()->value();
    const int first = std::max(0, int((visible.top() - kGap) / pitch));
    for (int i = first; i < document_.pageCount(); ++i) {
        const double y = pageTop(i);
        if (y > visible.bottom()) {
            break;
        }
        const QRectF target(x, y - top, page.width(), page.height());
        painter.fillRect(target.translated(3, 3), QColor(60, 60, 60));
        paintPage(document_, i, painter, target);
        lastPainted_.append(i);
    }
}

ReportPreview::ReportPreview(ReportDocument document, QWidget* parent)
    : QDialog(parent), document_(std::move(document)) {
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("Предварительный просмотр ") + document_.title.trimmed());
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("PreviewToolBar"));
    view_ = new PageView(document_, this);
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName(QStringLiteral("PageLabel"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    // Printing, saving and closing on a row of their own: one row would not fit a 1024 px
    // screen, and a toolbar hides what does not fit behind its overflow arrow.
    auto* output = new QToolBar(this);
    output->setObjectName(QStringLiteral("PreviewOutputBar"));
    layout->addWidget(output);
    layout->addWidget(view_, 1);

    // No letter is one of the reports dialog's or the timesheet's under the preview: a key
    // pressed once too often after the preview closed must not act there (Alt+З for "Закрыть"
    // chose "Заготовки").
    toolbar->addAction(addAction(QStringLiteral("FirstPage"), QStringLiteral("Перв&ая"),
                                 QKeySequence(Qt::Key_Home)));
    toolbar->addAction(addAction(QStringLiteral("PriorPage"), QStringLiteral("Пр&едыдущая"),
                                 QKeySequence(Qt::Key_PageUp)));
    toolbar->addWidget(pageLabel_);
    toolbar->addAction(addAction(QStringLiteral("NextPage"), QStringLiteral("Следу&ющая"),
                                 QKeySequence(Qt::Key_PageDown)));
    toolbar->addAction(addAction(QStringLiteral("LastPage"), QStringLiteral("Пос&ледняя"),
                                 QKeySequence(Qt::Key_End)));
    toolbar->addSeparator();
    toolbar->addAction(
        addAction(QStringLiteral("ZoomIn"), QStringLiteral("Увел&ичить"), QKeySequence::ZoomIn));
    toolbar->addAction(
        addAction(QStringLiteral("ZoomOut"), QStringLiteral("Уменьши&ть"), QKeySequence::ZoomOut));
    toolbar->addAction(addAction(QStringLiteral("PageWidth"), QStringLiteral("По &ширине"), {}));
    toolbar->addAction(
        addAction(QStringLiteral("WholePage"), QStringLiteral("Страница &целиком"), {}));
    output->addAction(addAction(QStringLiteral("Print"), QStringLiteral("Пе&чать…"),
                                QKeySequence(Qt::CTRL | Qt::Key_P)));
    output->addAction(
        addAction(QStringLiteral("SavePdf"), QStringLiteral("Сохранить в P&DF…"), {}));
    output->addAction(addAction(QStringLiteral("ClosePreview"), QStringLiteral("За&крыть"), {}));

    const auto on = [this](const char* name, auto slot) {
        widgets::connectAction(findChild<QAction*>(QString::fromLatin1(name)), &QAction::triggered,
                               this, slot);
    };
    on("FirstPage", [this] { view_->showPage(0); });
    on("PriorPage", [this] { view_->showPage(view_->currentPage() - 1); });
    on("NextPage", [this] { view_->showPage(view_->currentPage() + 1); });
    on("LastPage", [this] { view_->showPage(document_.pageCount() - 1); });
    on("ZoomIn", [this] { view_->zoomBy(1.25); });
    on("ZoomOut", [this] { view_->zoomBy(0.8); });
    on("PageWidth", [this] { view_->setFit(PageView::Fit::PageWidth); });
    on("WholePage", [this] { view_->setFit(PageView::Fit::WholePage); });
    on("Print", [this] { printWithDialog(); });
    on("SavePdf", [this] { saveAsPdf(); });
    on("ClosePreview", [this] { reject(); });
    connect(view_, &PageView::currentPageChanged, this, &ReportPreview::updateCaption);
    updateCaption(0);
    resize(900, 700);
}

QAction* ReportPreview::addAction(const QString& name, const QString& text,
                                  const QKeySequence& key) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    // Set explicitly, the toolbar button keeps the mnemonic that the derived text drops.
    action->setIconText(text);
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    QWidget::addAction(action);
    return action;
}

void ReportPreview::updateCaption(int page) {
    pageLabel_->setText(QStringLiteral("стр. %1 из %2").arg(page + 1).arg(document_.pageCount()));
}

bool ReportPreview::printTo(QPrinter& printer) const {
    printer.setFullPage(true);
    printer.setPageOrientation(document_.orientation);
    QPainter painter;
    if (!painter.begin(&printer)) {
        throw widgets::ActionFailure(QStringLiteral("Принтер недоступен."));
    }
    widgets::WorkProgress dialog(const_cast<ReportPreview*>(this), QStringLiteral("Печать"));
    const reportengine::ProgressFn progress = showProgress(dialog);
    int first = 0;
    int last = document_.pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage() - 1;
        last = std::min(last, printer.toPage() - 1);
    }
    for (int i = first; i <= last; ++i) {
        if (!progress({0, 0, i - first, last - first + 1})) {
            printer.abort();
            return false;
        }
        if (i > first) {
            printer.newPage();
        }
        paintPage(document_, i, painter, printer.paperRect(QPrinter::DevicePixel));
    }
    painter.end();
    return true;
}

void ReportPreview::printWithDialog() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(document_.orientation);
    // A job's name: the dialog drops its last suffix, the ".pdf" keeps the dates whole.
    printer.setDocName(reports::fileBaseName(document_.title) + QStringLiteral(".pdf"));
    // "Print to file" proposes the program's output folder and the report's name. The name
    // alone does not send the pages to a file: a printer, when there is one, stays the choice.
    printer.setOutputFileName(proposedPdfPath());
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setFromTo(1, document_.pageCount());
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, document_.pageCount());
    if (dialog.exec() == QDialog::Accepted) {
        printTo(printer);
    }
}

void ReportPreview::saveAsPdf() {
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить в PDF"),
                                                proposedPdfPath(), QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) {
        return;
    }
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".pdf");
    }
    saveAs(path);
}

bool ReportPreview::saveAs(const QString& path) {
    widgets::WorkProgress dialog(this, QStringLiteral("Сохранение в PDF"));
    QString error;
    try {
        error = writePdf(document_, path, showProgress(dialog));
    } catch (const reportengine::Cancelled&) {
        return false;
    }
    if (!error.isEmpty()) {
        throw widgets::ActionFailure(QStringLiteral("Не удалось сохранить файл ") + path + ": " +
                                     error);
    }
    return true;
}

QString ReportPreview::proposedPdfPath() const {
    QString folder = reports::outputFolder();
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    return reports::freePath(folder, reports::fileBaseName(document_.title), QStringLiteral("pdf"));
}

ReportPreview* ReportPreview::open(ReportDocument document, QWidget* parent) {
    auto* preview = new ReportPreview(std::move(document), parent);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->setWindowModality(Qt::ApplicationModal);
    preview->showMaximized();
    return preview;
}

}  // namespace tabel::outputwindows
