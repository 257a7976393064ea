#include "reportengine/page_painter.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <cmath>

namespace tabel::reportengine {

namespace {

// Pages are painted in tenths of a millimetre so fonts can be sized in whole units.
constexpr double kUnitsPerMm = 10.0;
constexpr double kMmPerPoint = 25.4 / 72.0;

QRectF units(const QRectF& mm) {
    return QRectF(mm.x() * kUnitsPerMm, mm.y() * kUnitsPerMm, mm.width() * kUnitsPerMm,
                  mm.height() * kUnitsPerMm);
}

QFont fontOf(const FontSpec& spec) {
    QFont font;
    font.setPixelSize(std::max(1, int(std::lround(spec.pointSize * kMmPerPoint * kUnitsPerMm))));
    font.setBold(spec.bold);
    return font;
}

}  // namespace

void paintPage(const ReportDocument& document, int index, QPainter& painter, const QRectF& target) {
    if (index < 0 || index >= document.pageCount() || document.pageSize.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(target.topLeft());
    painter.scale(target.width() / (document.pageSize.width() * kUnitsPerMm),
                  target.height() / (document.pageSize.height() * kUnitsPerMm));
    painter.fillRect(QRectF(QPointF(0, 0), document.pageSize * kUnitsPerMm), Qt::white);
    QPen pen(Qt::black);
    pen.setWidthF(0.2 * kUnitsPerMm);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const PageItem& item : document.pages[size_t(index)].items) {
        const QRectF rect = units(item.rect);
        switch (item.kind) {
            case PageItem::Kind::Fill:
                painter.fillRect(rect, item.color);
                break;
            case PageItem::Kind::Line:
                painter.drawLine(rect.topLeft(), rect.topRight());
                break;
            case PageItem::Kind::Frame:
                painter.drawRect(rect);
                break;
            case PageItem::Kind::Text:
                if (!item.text.isEmpty()) {
                    painter.setFont(fontOf(item.font));
                    painter.drawText(rect, int(item.alignment) | Qt::TextSingleLine, item.text);
                }
                break;
        }
    }
    painter.restore();
}

QString writePdf(const ReportDocument& document, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(document.title.trimmed());
        writer.setCreator(QStringLiteral("Табель"));
        writer.setResolution(300);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), document.orientation, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            return QStringLiteral("не удалось начать запись PDF");
        }
        const QRectF target(0, 0, writer.width(), writer.height());
        for (int i = 0; i < document.pageCount(); ++i) {
            if (i > 0) {
                writer.newPage();
            }
            paintPage(document, i, painter, target);
        }
        painter.end();
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return {};
}

}  // namespace tabel::reportengine
