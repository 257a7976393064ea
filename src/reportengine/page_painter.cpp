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

namespace tabel::reportengine {

namespace {

// Pages are painted in tenths of a millimetre so fonts can be sized in whole units.
constexpr double kUnitsPerMm = 10.0;
constexpr double kMmPerPoint = 25.4 / 72.0;
// Texts kept shaped between pages; a report repeats its captions, kinds and small numbers.
constexpr qsizetype kMaxCachedTexts = 20000;

QRectF units(const QRectF& mm) {
    return QRectF(mm.x() * kUnitsPerMm, mm.y() * kUnitsPerMm, mm.width() * kUnitsPerMm,
                  mm.height() * kUnitsPerMm);
}

QFont makeFont(const FontStyle& style) {
    QFont font;
    font.setPixelSize(std::max(1, int(std::lround(style.pointSize * kMmPerPoint * kUnitsPerMm))));
    font.setBold(style.bold);
    return font;
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
        : style_(style), raw_(QRawFont::fromFont(makeFont(style))) {}

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
    void paint(const ReportDocument& document, int index, QPainter& painter, const QRectF& target) {
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
    PagePainter().paint(document, index, painter, target);
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
        PagePainter pages;
        for (int i = 0; i < document.pageCount(); ++i) {
            if (i > 0) {
                writer.newPage();
            }
            pages.paint(document, i, painter, target);
        }
        painter.end();
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return {};
}

}  // namespace tabel::reportengine
