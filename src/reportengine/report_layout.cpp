#include "reportengine/report_layout.h"

#include <QDate>
#include <QDateTime>
#include <QPageSize>

#include <memory>

#include "core/expression.h"
#include "core/numbers.h"
#include "reportengine/group_breaks.h"

namespace tabel::reportengine {

namespace {

// A band with its expressions compiled; every expression keeps its own sums.
struct CompiledItem {
    const ReportItem* item;
    core::Expression expression;
};

struct CompiledBand {
    const Band* band = nullptr;
    std::vector<CompiledItem> items;

    void accumulate(const QList<QVariant>& row) {
        for (CompiledItem& c : items) {
            if (c.expression.hasAggregates()) {
                c.expression.accumulate(row);
            }
        }
    }
    void resetSums() {
        for (CompiledItem& c : items) {
            c.expression.resetAggregates();
        }
    }
};

CompiledBand compileBand(const Band& band, const core::FieldResolver& resolver) {
    CompiledBand compiled;
    compiled.band = &band;
    for (const ReportItem& item : band.items) {
        CompiledItem c{&item, {}};
        if (item.kind == ItemKind::Expression) {
            c.expression =
                core::Expression::compile(item.text, resolver, core::FunctionSet::Report);
        }
        compiled.items.push_back(std::move(c));
    }
    return compiled;
}

class PageWriter {
public:
    PageWriter(const ReportDefinition& definition, ReportDocument& document)
        : definition_(definition), document_(document) {
        left_ = definition.margin;
        width_ = document.pageSize.width() - 2 * definition.margin;
        top_ = definition.margin;
        bottom_ = document.pageSize.height() - definition.margin;
    }

    void setColumnHeader(CompiledBand* band) { columnHeader_ = band; }
    void setPageFooter(CompiledBand* band) { pageFooter_ = band; }

    // Places a band, starting a new page first when it does not fit below the last one.
    void place(CompiledBand& band, const QList<QVariant>& row) {
        if (!band.band->present()) {
            return;
        }
        if (document_.pages.empty()) {
            startPage(row);
        } else if (y_ + band.band->height > bodyBottom() + 1e-9 && hasBody_) {
            finishPage(row);
            startPage(row);
        }
        draw(band, row, y_);
        y_ += band.band->height;
        hasBody_ = true;
    }

    void finish(const QList<QVariant>& row) {
        if (document_.pages.empty()) {
            startPage(row);
        }
        finishPage(row);
    }

private:
    double bodyBottom() const { return bottom_ - (pageFooter_ ? pageFooter_->band->height : 0.0); }

    void startPage(const QList<QVariant>& row) {
        document_.pages.emplace_back();
        y_ = top_;
        hasBody_ = false;
        if (columnHeader_ && columnHeader_->band->present()) {
            draw(*columnHeader_, row, y_);
            y_ += columnHeader_->band->height;
        }
    }

    void finishPage(const QList<QVariant>& row) {
        if (pageFooter_ && pageFooter_->band->present()) {
            draw(*pageFooter_, row, bottom_ - pageFooter_->band->height);
        }
    }

    void draw(CompiledBand& band, const QList<QVariant>& row, double y) {
        Page& page = document_.pages.back();
        const Band& b = *band.band;
        const QRectF area(left_, y, width_, b.height);
        if (b.background.isValid()) {
            page.items.push_back(PageItem::fill(area, b.background));
        }
        if (b.ruleAbove) {
            page.items.push_back(PageItem::line(area.topLeft(), width_));
        }
        const core::EvaluationContext context{int(document_.pages.size())};
        for (CompiledItem& c : band.items) {
            const ReportItem& item = *c.item;
            const QRectF rect = item.rect.translated(left_, y);
            switch (item.kind) {
                case ItemKind::Label:
                    page.items.push_back(
                        {PageItem::Kind::Text, rect, item.text, item.alignment, item.font, {}});
                    break;
                case ItemKind::Expression:
                    page.items.push_back(
                        {PageItem::Kind::Text,
                         rect,
                         formatValue(c.expression.evaluate(row, context), item.mask),
                         item.alignment,
                         item.font,
                         {}});
                    break;
                case ItemKind::Frame:
                    page.items.push_back(PageItem::frame(rect));
                    break;
                case ItemKind::Rule:
                    page.items.push_back(PageItem::line(rect.topLeft(), rect.width()));
                    break;
            }
            if (item.framed && item.kind != ItemKind::Frame) {
                page.items.push_back(PageItem::frame(rect));
            }
        }
        if (b.ruleBelow) {
            page.items.push_back(PageItem::line(area.bottomLeft(), width_));
        }
    }

    const ReportDefinition& definition_;
    ReportDocument& document_;
    CompiledBand* columnHeader_ = nullptr;
    CompiledBand* pageFooter_ = nullptr;
    double left_ = 0, width_ = 0, top_ = 0, bottom_ = 0;
    double y_ = 0;
    bool hasBody_ = false;
};

}  // namespace

QString formatValue(const QVariant& value, const QString& mask) {
    if (value.isNull() || !value.isValid()) {
        return {};
    }
    if (core::isNumeric(value)) {
        const double number = value.toDouble();
        if (!mask.isEmpty()) {
            return core::formatMask(number, mask);
        }
        return core::formatGeneral(number);
    }
    switch (value.metaType().id()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::QDate:
            return value.toDate().toString(QStringLiteral("dd.MM.yyyy"));
        case QMetaType::QDateTime:
            return value.toDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
        default:
            break;
    }
    const QString text = value.toString();
    if (!mask.isEmpty()) {
        if (const auto number = core::parseNumber(text)) {
            return core::formatMask(*number, mask);
        }
    }
    return text;
}

ReportDocument prepareReport(const ReportDefinition& definition, const ReportData& data) {
    ReportDocument document;
    document.title = definition.title;
    document.orientation = definition.orientation;
    document.previewWholePage = definition.previewWholePage;
    const QSizeF a4 = QPageSize::size(QPageSize::A4, QPageSize::Millimeter);
    document.pageSize = definition.orientation == QPageLayout::Landscape ? a4.transposed() : a4;

    const QStringList columns = data.columnNames();
    const core::FieldResolver resolver = core::columnResolver(columns);

    CompiledBand columnHeader = compileBand(definition.columnHeader, resolver);
    CompiledBand reportHeader = compileBand(definition.reportHeader, resolver);
    CompiledBand detail = compileBand(definition.detail, resolver);
    CompiledBand reportFooter = compileBand(definition.reportFooter, resolver);
    CompiledBand pageFooter = compileBand(definition.pageFooter, resolver);
    const int levels = int(definition.groups.size());
    std::vector<core::Expression> keys;
    std::vector<CompiledBand> headers;
    std::vector<CompiledBand> footers;
    for (const Group& group : definition.groups) {
        keys.push_back(
            core::Expression::compile(group.expression, resolver, core::FunctionSet::Report));
        headers.push_back(compileBand(group.header, resolver));
        footers.push_back(compileBand(group.footer, resolver));
    }

    PageWriter writer(definition, document);
    writer.setColumnHeader(&columnHeader);
    writer.setPageFooter(&pageFooter);

    QList<QVariant> previous(columns.size());
    writer.place(reportHeader, previous);
    GroupBreaks breaks(levels);
    const int rows = data.rowCount();
    for (int r = 0; r < rows; ++r) {
        const QList<QVariant> row = data.row(r);
        QList<QVariant> key;
        key.reserve(levels);
        for (const core::Expression& k : keys) {
            key.append(k.evaluate(row));
        }
        const int changed = breaks.next(key);
        if (r > 0) {
            for (int level = levels - 1; level >= changed; --level) {
                writer.place(footers[level], previous);
                footers[level].resetSums();
                headers[level].resetSums();
            }
        }
        for (int level = changed; level < levels; ++level) {
            writer.place(headers[level], row);
        }
        for (CompiledBand* band :
             {&columnHeader, &reportHeader, &detail, &reportFooter, &pageFooter}) {
            band->accumulate(row);
        }
        for (int level = 0; level < levels; ++level) {
            headers[level].accumulate(row);
            footers[level].accumulate(row);
        }
        writer.place(detail, row);
        previous = row;
    }
    if (rows > 0) {
        for (int level = levels - 1; level >= 0; --level) {
            writer.place(footers[level], previous);
        }
    }
    writer.place(reportFooter, previous);
    writer.finish(previous);
    return document;
}

}  // namespace tabel::reportengine
