#include "reportengine/report_layout.h"

#include <QDate>
#include <QDateTime>
#include <QFontMetricsF>
#include <QHash>
#include <QPageSize>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "core/expression.h"
#include "core/numbers.h"
#include "reportengine/group_breaks.h"
#include "reportengine/report_fonts.h"

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

// Widths of report texts in mm as the page painter sets them: its fonts are sized in tenths of
// a millimetre.
class TextMeasure {
public:
    // `text` in lines no wider than `width`: broken at spaces, a word longer than a line at
    // any letter. One line when it fits.
    QStringList wrap(const QString& text, double width, const FontStyle& style) {
        Font& font = fontOf(style);
        if (text.size() * font.widest <= width || lettersWidth(font, text) <= width ||
            widthOf(font, text) <= width + kSlack) {
            return {text};
        }
        QStringList lines;
        QString line;
        for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString joined = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (widthOf(font, joined) <= width + kSlack) {
                line = joined;
                continue;
            }
            if (!line.isEmpty()) {
                lines.append(line);
            }
            line = word;
            // A word wider than the column goes on letter by letter.
            while (line.size() > 1 && widthOf(font, line) > width + kSlack) {
                qsizetype fits = line.size() - 1;
                while (fits > 1 && widthOf(font, line.left(fits)) > width + kSlack) {
                    --fits;
                }
                lines.append(line.left(fits));
                line = line.mid(fits);
            }
        }
        if (!line.isEmpty() || lines.isEmpty()) {
            lines.append(line);
        }
        return lines;
    }

private:
    static constexpr double kSlack = 0.05;  // mm: rounding, not a letter

    struct Font {
        QFontMetricsF metrics;
        double widest;  // mm; a text of n letters is at most n times as wide
        QHash<QString, double> widths;
        std::vector<double> letterWidths = std::vector<double>(0x10000, -1.0);  // -1: not yet
    };

    // The letters' own widths added up: kerning only ever draws report texts' letters closer,
    // so a text whose letters fit fits, without shaping it.
    static double lettersWidth(Font& font, const QString& text) {
        double sum = 0;
        for (const QChar letter : text) {
            if (letter.isSurrogate()) {
                return std::numeric_limits<double>::infinity();
            }
            double& known = font.letterWidths[letter.unicode()];
            if (known < 0) {
                known = font.metrics.horizontalAdvance(letter) / kFontUnitsPerMm;
            }
            sum += known;
        }
        return sum;
    }

    Font& fontOf(const FontStyle& style) {
        const int key = int(std::lround(style.pointSize * 100)) * 2 + (style.bold ? 1 : 0);
        auto found = fonts_.find(key);
        if (found == fonts_.end()) {
            QFontMetricsF metrics(reportFont(style));
            found =
                fonts_.emplace(key, Font{metrics, metrics.maxWidth() / kFontUnitsPerMm, {}}).first;
        }
        return found->second;
    }

    static double widthOf(Font& font, const QString& text) {
        auto known = font.widths.constFind(text);
        if (known != font.widths.constEnd()) {
            return *known;
        }
        if (font.widths.size() > 20000) {
            font.widths.clear();
        }
        return *font.widths.insert(text, font.metrics.horizontalAdvance(text) / kFontUnitsPerMm);
    }

    std::map<int, Font> fonts_;
};

// A band's texts for one row, each in the lines its item holds, and the height they take.
struct RenderedBand {
    std::vector<QStringList> lines;  // per item; empty for items without text
    double height = 0;
    double growth = 0;  // beyond the band's own height
};

class PageWriter {
public:
    PageWriter(const ReportDefinition& definition, const ReportDocument& document,
               const PageSink& sink)
        : definition_(definition), sink_(sink) {
        left_ = definition.margin;
        width_ = document.pageSize.width() - 2 * definition.margin;
        top_ = definition.margin;
        bottom_ = document.pageSize.height() - definition.margin;
    }

    void setColumnHeader(CompiledBand* band) { columnHeader_ = band; }
    void setPageFooter(CompiledBand* band) { pageFooter_ = band; }
    // Runs at the top of a page that a group goes on to (the open groups' headers again).
    void setContinuation(std::function<void(const QList<QVariant>&)> continuation) {
        continuation_ = std::move(continuation);
    }

    // Places a band, starting a new page first when it does not fit below the last one. A text
    // longer than its item wraps within the item's width and the band grows by its lines.
    void place(CompiledBand& band, const QList<QVariant>& row) {
        if (!band.band->present()) {
            return;
        }
        if (pageNumber_ == 0) {
            startPage(row);
        }
        RenderedBand rendered = render(band, row);
        if (!fits(rendered.height)) {
            breakPage(row);
            rendered = render(band, row);  // the page number may have changed
        }
        draw(band, rendered, y_);
        y_ += rendered.height;
        hasBody_ = true;
    }

    // The height `band` takes for `row`; 0 when it is absent.
    double heightOf(CompiledBand& band, const QList<QVariant>& row) {
        return band.band->present() ? render(band, row).height : 0.0;
    }

    // Starts a new page unless `height` more fits on this one: what must stay together.
    void keepTogether(double height, const QList<QVariant>& row) {
        if (pageNumber_ == 0) {
            startPage(row);
        }
        if (!fits(height)) {
            breakPage(row);
        }
    }

    // Ends the page unless nothing is on it yet: what follows starts a page of its own.
    void newPage(const QList<QVariant>& row) {
        if (pageNumber_ > 0 && hasBody_) {
            breakPage(row);
        }
    }

    // A group's header again at the top of a page its group goes on to: the first text marked
    // as continued.
    void placeContinued(CompiledBand& header, const QList<QVariant>& row) {
        if (!header.band->present()) {
            return;
        }
        RenderedBand rendered = render(header, row, QStringLiteral(" (продолжение)"));
        draw(header, rendered, y_);
        y_ += rendered.height;
    }

    void finish(const QList<QVariant>& row) {
        if (pageNumber_ == 0) {
            startPage(row);
        }
        finishPage(row);
    }

private:
    double bodyBottom() const { return bottom_ - (pageFooter_ ? pageFooter_->band->height : 0.0); }

    bool fits(double height) const { return !hasBody_ || y_ + height <= bodyBottom() + 1e-9; }

    void breakPage(const QList<QVariant>& row) {
        finishPage(row);
        startPage(row);
        if (continuation_) {
            continuation_(row);
        }
    }

    // The texts of `band` for `row`, wrapped to their items; `continued` is added to the
    // first text.
    RenderedBand render(CompiledBand& band, const QList<QVariant>& row,
                        const QString& continued = {}) {
        RenderedBand rendered;
        rendered.lines.resize(band.items.size());
        const core::EvaluationContext context{pageNumber_};
        bool marked = continued.isEmpty();
        for (size_t i = 0; i < band.items.size(); ++i) {
            CompiledItem& c = band.items[i];
            const ReportItem& item = *c.item;
            QString text;
            if (item.kind == ItemKind::Label) {
                text = item.text;
            } else if (item.kind == ItemKind::Expression) {
                text = formatValue(c.expression.evaluate(row, context), item.mask);
            } else {
                continue;
            }
            if (!marked && !text.isEmpty()) {
                text += continued;
                marked = true;
            }
            rendered.lines[i] = measure_.wrap(text, item.rect.width(), item.font);
            rendered.growth =
                std::max(rendered.growth, (rendered.lines[i].size() - 1) * item.rect.height());
        }
        rendered.height = band.band->height + rendered.growth;
        return rendered;
    }

    void startPage(const QList<QVariant>& row) {
        ++pageNumber_;
        page_ = Page();
        y_ = top_;
        hasBody_ = false;
        if (columnHeader_ && columnHeader_->band->present()) {
            const RenderedBand rendered = render(*columnHeader_, row);
            draw(*columnHeader_, rendered, y_);
            y_ += rendered.height;
        }
    }

    void finishPage(const QList<QVariant>& row) {
        if (pageFooter_ && pageFooter_->band->present()) {
            draw(*pageFooter_, render(*pageFooter_, row), bottom_ - pageFooter_->band->height);
        }
        sink_(std::move(page_));
        page_ = Page();
    }

    void draw(const CompiledBand& band, const RenderedBand& rendered, double y) {
        Page& page = page_;
        const Band& b = *band.band;
        const QRectF area(left_, y, width_, rendered.height);
        if (b.background.isValid()) {
            page.items.push_back(PageItem::fill(area, b.background));
        }
        if (b.ruleAbove) {
            page.items.push_back(PageItem::line(area.topLeft(), width_));
        }
        for (size_t i = 0; i < band.items.size(); ++i) {
            const ReportItem& item = *band.items[i].item;
            QRectF rect = item.rect.translated(left_, y);
            // Cells reaching the band's foot grow with it, so a table's frames stay closed.
            QRectF grown = rect;
            if (item.rect.bottom() >= b.height - 1e-6) {
                grown.setHeight(rect.height() + rendered.growth);
            }
            switch (item.kind) {
                case ItemKind::Label:
                case ItemKind::Expression:
                    for (const QString& line : rendered.lines[i]) {
                        page.items.push_back(
                            {PageItem::Kind::Text, rect, line, item.alignment, item.font, {}});
                        rect.translate(0, item.rect.height());
                    }
                    break;
                case ItemKind::Frame:
                    page.items.push_back(PageItem::frame(grown));
                    break;
                case ItemKind::Rule:
                    page.items.push_back(PageItem::line(rect.topLeft(), rect.width()));
                    break;
            }
            if (item.framed && item.kind != ItemKind::Frame) {
                page.items.push_back(PageItem::frame(grown));
            }
        }
        if (b.ruleBelow) {
            page.items.push_back(PageItem::line(area.bottomLeft(), width_));
        }
    }

    const ReportDefinition& definition_;
    const PageSink& sink_;
    Page page_;  // the page being filled; handed to the sink when complete
    int pageNumber_ = 0;
    CompiledBand* columnHeader_ = nullptr;
    CompiledBand* pageFooter_ = nullptr;
    std::function<void(const QList<QVariant>&)> continuation_;
    TextMeasure measure_;
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

ReportDocument documentHeader(const ReportDefinition& definition) {
    ReportDocument document;
    document.title = definition.title;
    document.orientation = definition.orientation;
    document.previewWholePage = definition.previewWholePage;
    const QSizeF a4 = QPageSize::size(QPageSize::A4, QPageSize::Millimeter);
    document.pageSize = definition.orientation == QPageLayout::Landscape ? a4.transposed() : a4;
    return document;
}

ReportDocument prepareReport(const ReportDefinition& definition, const ReportData& data,
                             const ProgressFn& progress) {
    ReportDocument document = documentHeader(definition);
    layOutReport(
        definition, data, [&](Page&& page) { document.pages.push_back(std::move(page)); },
        progress);
    return document;
}

namespace {

// One layout over rows that come one at a time: bands compiled once the columns are known,
// the sums kept in the bands, the last row kept for the footers of the groups it closes.
class LayoutPass {
public:
    LayoutPass(const ReportDefinition& definition, const PageSink& sink, const ProgressFn& progress,
               int rows)
        : definition_(definition),
          document_(documentHeader(definition)),
          sink_([this, &sink](Page&& page) {
              ++pagesDone_;
              sink(std::move(page));
          }),
          progress_(progress),
          rows_(rows) {}

    void start(const QStringList& columns) {
        const core::FieldResolver resolver = core::columnResolver(columns);
        columnHeader_ = compileBand(definition_.columnHeader, resolver);
        reportHeader_ = compileBand(definition_.reportHeader, resolver);
        detail_ = compileBand(definition_.detail, resolver);
        reportFooter_ = compileBand(definition_.reportFooter, resolver);
        pageFooter_ = compileBand(definition_.pageFooter, resolver);
        for (const Group& group : definition_.groups) {
            keys_.push_back(
                core::Expression::compile(group.expression, resolver, core::FunctionSet::Report));
            headers_.push_back(compileBand(group.header, resolver));
            footers_.push_back(compileBand(group.footer, resolver));
        }
        breaks_ = std::make_unique<GroupBreaks>(int(keys_.size()));
        writer_ = std::make_unique<PageWriter>(definition_, document_, sink_);
        writer_->setColumnHeader(&columnHeader_);
        writer_->setPageFooter(&pageFooter_);
        writer_->setContinuation([this](const QList<QVariant>& row) {
            for (int level = 0; level < openLevels_; ++level) {
                writer_->placeContinued(headers_[level], row);
            }
        });
        previous_ = QList<QVariant>(columns.size());
        writer_->place(reportHeader_, previous_);
        report();
    }

    void take(const QList<QVariant>& row) {
        // Often enough for a live count, rarely enough to cost nothing.
        constexpr int kRowsPerReport = 500;
        if (done_ > 0 && done_ % kRowsPerReport == 0) {
            report();
        }
        const int levels = int(keys_.size());
        QList<QVariant> key;
        key.reserve(levels);
        for (const core::Expression& k : keys_) {
            key.append(k.evaluate(row));
        }
        const int changed = breaks_->next(key);
        if (done_ > 0) {
            for (int level = levels - 1; level >= changed; --level) {
                openLevels_ = level + 1;  // a footer on a new page continues its group
                writer_->place(footers_[level], previous_);
                footers_[level].resetSums();
                headers_[level].resetSums();
            }
        }
        openLevels_ = std::min(openLevels_, changed);
        if (done_ > 0 && changed < levels) {
            const auto closed = definition_.groups.begin() + changed;
            if (std::any_of(closed, definition_.groups.end(),
                            [](const Group& g) { return g.newPageAfter; })) {
                writer_->newPage(row);
            }
        }
        if (changed < levels) {
            // A group's header never stands alone at a page's foot: it goes on with its first
            // line.
            double together = writer_->heightOf(detail_, row);
            for (int level = changed; level < levels; ++level) {
                together += writer_->heightOf(headers_[level], row);
            }
            writer_->keepTogether(together, row);
        }
        for (int level = changed; level < levels; ++level) {
            writer_->place(headers_[level], row);
            openLevels_ = level + 1;
        }
        for (CompiledBand* band :
             {&columnHeader_, &reportHeader_, &detail_, &reportFooter_, &pageFooter_}) {
            band->accumulate(row);
        }
        for (int level = 0; level < levels; ++level) {
            headers_[level].accumulate(row);
            footers_[level].accumulate(row);
        }
        writer_->place(detail_, row);
        previous_ = row;
        ++done_;
    }

    void finish() {
        if (!writer_) {
            throw std::logic_error("report rows ended before their columns");
        }
        if (done_ > 0) {
            for (int level = int(footers_.size()) - 1; level >= 0; --level) {
                openLevels_ = level + 1;
                writer_->place(footers_[level], previous_);
            }
        }
        openLevels_ = 0;
        writer_->place(reportFooter_, previous_);
        writer_->finish(previous_);
        report();
    }

private:
    void report() {
        if (progress_ && !progress_(Progress{done_, std::max(rows_, 0), pagesDone_, 0})) {
            throw Cancelled();
        }
    }

    const ReportDefinition& definition_;
    const ReportDocument document_;
    const PageSink sink_;
    const ProgressFn& progress_;
    const int rows_;
    int done_ = 0;
    int pagesDone_ = 0;
    CompiledBand columnHeader_, reportHeader_, detail_, reportFooter_, pageFooter_;
    std::vector<core::Expression> keys_;
    std::vector<CompiledBand> headers_;
    std::vector<CompiledBand> footers_;
    std::unique_ptr<GroupBreaks> breaks_;
    std::unique_ptr<PageWriter> writer_;
    QList<QVariant> previous_;
    int openLevels_ = 0;  // groups whose header is printed and footer not yet
};

}  // namespace

void layOutReport(const ReportDefinition& definition, const ReportData& data, const PageSink& sink,
                  const ProgressFn& progress) {
    LayoutPass pass(definition, sink, progress, data.rowCount());
    data.read([&pass](const QStringList& columns) { pass.start(columns); },
              [&pass](const QList<QVariant>& row) { pass.take(row); });
    pass.finish();
}

}  // namespace tabel::reportengine
