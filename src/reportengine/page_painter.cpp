#include "reportengine/page_painter.h"

#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QSaveFile>

#include <cmath>
#include <memory>
#include <vector>

#include "reportengine/pdf_backend.h"
#include "reportengine/report_fonts.h"

namespace tabel::reportengine {

namespace {

// Pages are painted in the report fonts' units, so fonts are sized in whole units.
constexpr double kUnitsPerMm = kFontUnitsPerMm;
// Texts kept shaped between pages; a report repeats its captions, kinds and small numbers.
constexpr qsizetype kMaxCachedTexts = 20000;

QRectF units(const QRectF& mm) {
    return QRectF(mm.x() * kUnitsPerMm, mm.y() * kUnitsPerMm, mm.width() * kUnitsPerMm,
                  mm.height() * kUnitsPerMm);
}

struct ShapedText {
    QGlyphRun run;  // positions from the left end of the baseline
    double width = 0;
};

// One font of a report with its texts already turned into glyphs. Report texts are single
// lines of Cyrillic, Latin and digits, so the glyphs are taken straight from the font's
// character map: full text shaping for every one of some hundred thousand texts was most of
// the time of a large PDF.
class FontGlyphs {
public:
    explicit FontGlyphs(const FontStyle& style)
        : style_(style), raw_(QRawFont::fromFont(reportFont(style))) {}

    const FontStyle& style() const { return style_; }
    double ascent() const { return raw_.ascent(); }
    double descent() const { return raw_.descent(); }
    const QRawFont& rawFont() const { return raw_; }

    const ShapedText& shape(const QString& text) {
        auto it = cache_.constFind(text);
        if (it != cache_.constEnd()) {
            return *it;
        }
        if (cache_.size() >= kMaxCachedTexts) {
            cache_.clear();
        }
        ShapedText shaped;
        const QList<quint32> glyphs = raw_.glyphIndexesForString(text);
        const QList<QPointF> advances = raw_.advancesForGlyphIndexes(glyphs);
        QList<QPointF> positions;
        positions.reserve(glyphs.size());
        double x = 0;
        for (const QPointF& advance : advances) {
            positions.append(QPointF(x, 0));
            x += advance.x();
        }
        shaped.run.setRawFont(raw_);
        shaped.run.setGlyphIndexes(glyphs);
        shaped.run.setPositions(positions);
        shaped.width = x;
        return *cache_.insert(text, shaped);
    }

private:
    FontStyle style_;
    QRawFont raw_;
    QHash<QString, ShapedText> cache_;
};

class PagePainter {
public:
    // `blankPaper`: the device starts every page white (PDF, printer), so no fill is needed.
    void paint(const Page& page, const QSizeF& pageSize, QPainter& painter, const QRectF& target,
               bool blankPaper = false) {
        if (pageSize.isEmpty()) {
            return;
        }
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.translate(target.topLeft());
        painter.scale(target.width() / (pageSize.width() * kUnitsPerMm),
                      target.height() / (pageSize.height() * kUnitsPerMm));
        if (!blankPaper) {
            painter.fillRect(QRectF(QPointF(0, 0), pageSize * kUnitsPerMm), Qt::white);
        }
        QPen pen(Qt::black);
        pen.setWidthF(0.2 * kUnitsPerMm);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        for (const PageItem& item : page.items) {
            const QRectF rect = units(item.rect);
            switch (item.kind) {
                case PageItem::Kind::Fill:
                    flush(painter);
                    painter.fillRect(rect, item.color);
                    break;
                case PageItem::Kind::Line:
                    flush(painter);
                    painter.drawLine(rect.topLeft(), rect.topRight());
                    break;
                case PageItem::Kind::Frame:
                    flush(painter);
                    painter.drawRect(rect);
                    break;
                case PageItem::Kind::Text:
                    if (!item.text.isEmpty()) {
                        drawText(painter, rect, item);
                    }
                    break;
            }
        }
        flush(painter);
        painter.restore();
    }

private:
    // Texts of one font on one baseline (a band's row) go out as one glyph run: the PDF engine
    // pays per run, not per glyph.
    struct Pending {
        const FontGlyphs* font = nullptr;
        double baseline = 0;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };

    void flush(QPainter& painter) {
        if (pending_.font != nullptr && !pending_.glyphs.isEmpty()) {
            QGlyphRun run;
            run.setRawFont(pending_.font->rawFont());
            run.setGlyphIndexes(pending_.glyphs);
            run.setPositions(pending_.positions);
            painter.drawGlyphRun(QPointF(0, pending_.baseline), run);
        }
        pending_.font = nullptr;
        pending_.glyphs.clear();
        pending_.positions.clear();
    }

    void queue(QPainter& painter, const FontGlyphs& font, double x, double baseline,
               const ShapedText& shaped) {
        if (pending_.font != &font || pending_.baseline != baseline) {
            flush(painter);
            pending_.font = &font;
            pending_.baseline = baseline;
        }
        pending_.glyphs.append(shaped.run.glyphIndexes());
        for (const QPointF& p : shaped.run.positions()) {
            pending_.positions.append(QPointF(p.x() + x, p.y()));
        }
    }

    FontGlyphs& glyphsOf(const FontStyle& style) {
        for (const auto& fg : fonts_) {
            if (fg->style().pointSize == style.pointSize && fg->style().bold == style.bold) {
                return *fg;
            }
        }
        fonts_.push_back(std::make_unique<FontGlyphs>(style));
        return *fonts_.back();
    }

    void drawText(QPainter& painter, const QRectF& rect, const PageItem& item) {
        FontGlyphs& font = glyphsOf(item.font);
        const ShapedText& shaped = font.shape(item.text);
        double x = rect.left();
        if (item.alignment & Qt::AlignHCenter) {
            x = rect.left() + (rect.width() - shaped.width) / 2;
        } else if (item.alignment & Qt::AlignRight) {
            x = rect.right() - shaped.width;
        }
        double baseline = rect.top() + font.ascent();
        if (item.alignment & Qt::AlignVCenter) {
            baseline =
                rect.top() + (rect.height() - font.ascent() - font.descent()) / 2 + font.ascent();
        } else if (item.alignment & Qt::AlignBottom) {
            baseline = rect.bottom() - font.descent();
        }
        // A clip path per text would cost more than the text: only an overlong one is clipped.
        if (shaped.width > rect.width()) {
            flush(painter);
            painter.save();
            painter.setClipRect(rect, Qt::IntersectClip);
            painter.drawGlyphRun(QPointF(std::max(x, rect.left()), baseline), shaped.run);
            painter.restore();
        } else {
            queue(painter, font, x, baseline, shaped);
        }
    }

    std::vector<std::unique_ptr<FontGlyphs>> fonts_;
    Pending pending_;
};

}  // namespace

void paintPage(const ReportDocument& document, int index, QPainter& painter, const QRectF& target) {
    if (index < 0 || index >= document.pageCount()) {
        return;
    }
    PagePainter().paint(document.pages[size_t(index)], document.pageSize, painter, target);
}

void paintPage(const Page& page, const QSizeF& pageSize, QPainter& painter, const QRectF& target) {
    PagePainter().paint(page, pageSize, painter, target);
}

namespace {

// Qt's PDF engine, for report fonts the report's own writer cannot embed.
class QtPdfWriter : public PdfBackend {
public:
    QtPdfWriter(const ReportDocument& header, const QString& path)
        : file_(path),
          pageSize_(header.pageSize),
          title_(header.title.trimmed()),
          orientation_(header.orientation) {}
    ~QtPdfWriter() override {
        // The painter ends before its device goes; an uncommitted file is discarded.
        if (painter_.isActive()) {
            painter_.end();
        }
        writer_.reset();
        file_.cancelWriting();
    }

    QString begin() override {
        if (!file_.open(QIODevice::WriteOnly)) {
            return file_.errorString();
        }
        writer_ = std::make_unique<QPdfWriter>(&file_);
        writer_->setTitle(title_);
        writer_->setCreator(QStringLiteral("Табель"));
        writer_->setResolution(300);
        writer_->setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), orientation_, QMarginsF(0, 0, 0, 0)));
        if (!painter_.begin(writer_.get())) {
            return QStringLiteral("не удалось начать запись PDF");
        }
        target_ = QRectF(0, 0, writer_->width(), writer_->height());
        return {};
    }

    void addPage(Page&& page) override {
        if (!painter_.isActive()) {
            return;
        }
        if (written_ > 0) {
            writer_->newPage();
        }
        pages_.paint(page, pageSize_, painter_, target_, true);
        ++written_;
    }

    QString commit() override {
        if (!painter_.isActive()) {
            return QStringLiteral("не удалось начать запись PDF");
        }
        if (written_ == 0) {
            // A PDF has at least one page, even a blank one.
            pages_.paint(Page(), pageSize_, painter_, target_, true);
        }
        painter_.end();
        writer_.reset();
        if (!file_.commit()) {
            return file_.errorString();
        }
        return {};
    }

private:
    QSaveFile file_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
    PagePainter pages_;  // keeps the fonts and shaped texts from page to page
    QSizeF pageSize_;
    QString title_;
    QPageLayout::Orientation orientation_;
    QRectF target_;
    int written_ = 0;
};

}  // namespace

std::unique_ptr<PdfBackend> qtPdfWriter(const ReportDocument& header, const QString& path) {
    return std::make_unique<QtPdfWriter>(header, path);
}

}  // namespace tabel::reportengine
