#pragma once
// A prepared report: pages of positioned texts, lines, fills and boxes, independent of any
// device. Coordinates in mm from the page's top-left corner.

#include <QColor>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <stdexcept>
#include <vector>

#include "reportengine/report_definition.h"

namespace tabel::reportengine {

struct PageItem {
    enum class Kind { Text, Line, Fill, Frame };
    Kind kind = Kind::Text;
    QRectF rect;  // a line runs from the top-left to the top-right corner
    QString text;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    FontStyle font;
    QColor color;  // of a fill

    static PageItem line(QPointF from, double width) {
        PageItem item;
        item.kind = Kind::Line;
        item.rect = QRectF(from, QSizeF(width, 0));
        return item;
    }
    static PageItem frame(const QRectF& rect) {
        PageItem item;
        item.kind = Kind::Frame;
        item.rect = rect;
        return item;
    }
    static PageItem fill(const QRectF& rect, const QColor& color) {
        PageItem item;
        item.kind = Kind::Fill;
        item.rect = rect;
        item.color = color;
        return item;
    }
};

struct Page {
    std::vector<PageItem> items;

    // The texts in the order they were placed, for tests and text searches.
    std::vector<QString> texts() const;
};

struct ReportDocument {
    QString title;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QSizeF pageSize;  // mm, orientation applied
    bool previewWholePage = false;
    std::vector<Page> pages;

    int pageCount() const { return int(pages.size()); }
};

// How far a layout or a PDF has come. Counts of all are 0 while unknown.
struct Progress {
    int rowsDone = 0;
    int rows = 0;
    int pagesDone = 0;
    int pages = 0;
};

// Hears the progress now and then; returning false cancels the work, which then throws
// Cancelled and leaves nothing behind.
using ProgressFn = std::function<bool(const Progress&)>;

class Cancelled : public std::runtime_error {
public:
    Cancelled() : std::runtime_error("cancelled") {}
};

// Takes each page as the layout completes it; the layout keeps none.
using PageSink = std::function<void(Page&& page)>;

}  // namespace tabel::reportengine
