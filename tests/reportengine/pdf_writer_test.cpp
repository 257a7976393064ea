// The report's own PDF writer against Qt's engine and the page itself: the texts come back as
// written, sit where the page puts them, and look like what the painter draws.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>
#include <functional>
#include <memory>

#include "pdf_pages.h"
#include "reportengine/page_painter.h"
#include "reportengine/pdf_backend.h"
#include "reportengine/pdf_output.h"

namespace tabel::reportengine {
namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

using BackendFactory =
    std::function<std::unique_ptr<PdfBackend>(const ReportDocument&, const QString&)>;

struct Backend {
    const char* name;
    BackendFactory make;
};

const Backend kBackends[] = {{"report writer", reportPdfWriter}, {"Qt engine", qtPdfWriter}};

ReportDocument a4(const QString& title = QStringLiteral("Проба")) {
    ReportDocument document;
    document.title = title;
    document.pageSize = QSizeF(210, 297);
    return document;
}

PageItem text(const QString& words, const QRectF& rect, Qt::Alignment alignment, bool bold = false,
              double pointSize = 9) {
    PageItem item;
    item.kind = PageItem::Kind::Text;
    item.rect = rect;
    item.text = words;
    item.alignment = alignment | Qt::AlignVCenter;
    item.font = FontStyle{pointSize, bold};
    return item;
}

QString write(const Backend& backend, const std::vector<Page>& pages, const QString& path) {
    std::unique_ptr<PdfBackend> pdf = backend.make(a4(), path);
    if (!pdf) {
        return QStringLiteral("no backend");
    }
    if (QString error = pdf->begin(); !error.isEmpty()) {
        return error;
    }
    for (const Page& page : pages) {
        pdf->addPage(Page(page));
    }
    return pdf->commit();
}

struct Run {
    QByteArray out;
    QByteArray err;
    int exitCode = -1;
};

Run run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return {process.readAllStandardOutput(), process.readAllStandardError(), process.exitCode()};
}

// Words with their boxes in mm, as a PDF reader finds them.
struct Word {
    QString text;
    QRectF box;
};

std::vector<Word> wordsOf(const QString& pdf) {
    const Run bbox = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, "-"});
    std::vector<Word> words;
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto it = word.globalMatch(QString::fromUtf8(bbox.out)); it.hasNext();) {
        const auto m = it.next();
        const QPointF from(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF to(m.captured(3).toDouble(), m.captured(4).toDouble());
        words.push_back({m.captured(5), QRectF(from / kPointsPerMm, to / kPointsPerMm)});
    }
    return words;
}

QImage rendered(const QString& pdf, int dpi) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    const Run render = run(QStringLiteral("pdftoppm"),
                           {QStringLiteral("-r"), QString::number(dpi),
                            QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, prefix});
    EXPECT_EQ(render.exitCode, 0);
    // A reader that stumbles over a font or a stream says so here.
    EXPECT_EQ(render.err, QByteArray());
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

QImage painted(const Page& page, const QSize& size) {
    QImage image(size, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintPage(page, QSizeF(210, 297), painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

// The darkness of `mm` on `image`: the sum of how far each pixel is from white.
double inkIn(const QImage& image, const QRectF& mm) {
    const double scale = image.width() / 210.0;
    const QRect area = QRectF(mm.topLeft() * scale, mm.size() * scale).toAlignedRect();
    double ink = 0;
    for (int y = std::max(area.top(), 0); y <= std::min(area.bottom(), image.height() - 1); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = std::max(area.left(), 0); x <= std::min(area.right(), image.width() - 1);
             ++x) {
            ink += 255 - line[x];
        }
    }
    return ink;
}

const QString kWords[] = {
    QStringLiteral("Алексеев Алексей Викторович"),
    QStringLiteral("ИЗД-103"),
    QStringLiteral("1087,99"),
    QStringLiteral("№7 «Сварка» — ёмкость, йод"),
    QStringLiteral("Latin (x) [y] <z> \\ 100%"),
    QStringLiteral("ЁЖЪЭЮЯ ёжъэюя"),
};

TEST(PdfWriterTest, TextsComeBackAsWritten) {
    Page page;
    double y = 10;
    for (const QString& words : kWords) {
        page.items.push_back(text(words, QRectF(10, y, 150, 6), Qt::AlignLeft));
        y += 8;
    }
    for (const Backend& backend : kBackends) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("texts.pdf"));
        ASSERT_EQ(write(backend, {page}, path), QString()) << backend.name;
        const QString extracted = QString::fromUtf8(
            run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"}).out);
        for (const QString& words : kWords) {
            EXPECT_TRUE(extracted.contains(words)) << backend.name << ": " << words.toStdString();
        }
        const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {path}).out);
        EXPECT_TRUE(info.contains(QStringLiteral("Проба"))) << backend.name;
    }
}

TEST(PdfWriterTest, TextsSitWhereTheirAlignmentPutsThem) {
    const QRectF cell(40, 50, 60, 6);
    struct Case {
        Qt::Alignment alignment;
        QString words;
    };
    const Case cases[] = {{Qt::AlignLeft, QStringLiteral("Слева")},
                          {Qt::AlignHCenter, QStringLiteral("Посередине")},
                          {Qt::AlignRight, QStringLiteral("1087,99")}};
    Page page;
    double y = 0;
    for (const Case& c : cases) {
        page.items.push_back(text(c.words, cell.translated(0, y), c.alignment, y > 0));
        y += 10;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("aligned.pdf"));
    ASSERT_EQ(write(kBackends[0], {page}, path), QString());
    const std::vector<Word> words = wordsOf(path);
    ASSERT_EQ(words.size(), std::size(cases));
    constexpr double kToleranceMm = 0.3;
    for (size_t i = 0; i < words.size(); ++i) {
        const QRectF& box = words[i].box;
        const QRectF rect = cell.translated(0, 10.0 * double(i));
        EXPECT_EQ(words[i].text, cases[i].words);
        EXPECT_TRUE(rect.contains(box.center())) << i;
        if (cases[i].alignment & Qt::AlignLeft) {
            EXPECT_NEAR(box.left(), rect.left(), kToleranceMm);
        } else if (cases[i].alignment & Qt::AlignRight) {
            EXPECT_NEAR(box.right(), rect.right(), kToleranceMm);
        } else {
            EXPECT_NEAR(box.center().x(), rect.center().x(), kToleranceMm);
        }
    }
}

// Every glyph's outline is in the embedded subset (letters made of others, like "й", included),
// the faces and sizes are the painter's, fills keep their colour and an overlong text is cut at
// its cell: the page looks like what the preview draws.
TEST(PdfWriterTest, PageLooksLikeWhatThePainterDraws) {
    Page page;
    page.items.push_back(PageItem::fill(QRectF(10, 10, 190, 8), QColor(0xE0, 0xE0, 0xE0)));
    page.items.push_back(PageItem::line(QPointF(10, 20), 190));
    page.items.push_back(PageItem::frame(QRectF(10, 25, 80, 10)));
    const std::vector<PageItem> texts = {
        text(QStringLiteral("Детальный отчет"), QRectF(12, 10, 100, 8), Qt::AlignLeft, true, 12),
        text(QStringLiteral("й ё Й Ё"), QRectF(12, 40, 60, 8), Qt::AlignLeft, false, 14),
        text(QStringLiteral("Готовая продукция"), QRectF(12, 50, 60, 6), Qt::AlignLeft),
        text(QStringLiteral("Готовая продукция"), QRectF(12, 60, 60, 6), Qt::AlignLeft, true),
        text(QStringLiteral("7177,37"), QRectF(100, 60, 40, 6), Qt::AlignRight),
    };
    page.items.insert(page.items.end(), texts.begin(), texts.end());
    const PageItem overlong = text(QStringLiteral("Очень длинное наименование операции"),
                                   QRectF(12, 75, 20, 6), Qt::AlignLeft);
    page.items.push_back(overlong);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.pdf"));
    ASSERT_EQ(write(kBackends[0], {page}, path), QString());
    const QImage fromPdf = rendered(path, 150);
    ASSERT_FALSE(fromPdf.isNull());
    const QImage fromPainter = painted(page, fromPdf.size());

    for (const PageItem& item : texts) {
        const double expected = inkIn(fromPainter, item.rect);
        ASSERT_GT(expected, 0) << item.text.toStdString();
        EXPECT_NEAR(inkIn(fromPdf, item.rect) / expected, 1.0, 0.25) << item.text.toStdString();
    }
    // The grey band, away from its text.
    const double scale = fromPdf.width() / 210.0;
    EXPECT_NEAR(qGray(fromPdf.pixel(QPoint(int(190 * scale), int(14 * scale)))), 0xE0, 3);
    // The rule and the frame are drawn.
    EXPECT_GT(inkIn(fromPdf, QRectF(150, 19.5, 10, 1)), 0);
    EXPECT_GT(inkIn(fromPdf, QRectF(89.5, 28, 1, 4)), 0);
    // Nothing of the overlong text beyond its cell.
    EXPECT_GT(inkIn(fromPdf, overlong.rect), 0);
    EXPECT_EQ(inkIn(fromPdf, QRectF(32.5, 75, 60, 6)), 0);
}

TEST(PdfWriterTest, ManyPagesEachWithItsOwnTexts) {
    std::vector<Page> pages(30);
    for (size_t i = 0; i < pages.size(); ++i) {
        pages[i].items.push_back(text(QStringLiteral("Лист %1").arg(i + 1), QRectF(10, 10, 50, 6),
                                      Qt::AlignLeft, i % 2 == 1));
    }
    pages.push_back(Page());  // a blank one too
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pages.pdf"));
    ASSERT_EQ(write(kBackends[0], pages, path), QString());
    EXPECT_EQ(test::pdfPageCount(path), int(pages.size()));
    for (int number : {1, 2, 17, 30}) {
        const QString extracted =
            QString::fromUtf8(run(QStringLiteral("pdftotext"),
                                  {QStringLiteral("-f"), QString::number(number),
                                   QStringLiteral("-l"), QString::number(number), path, "-"})
                                  .out);
        EXPECT_EQ(extracted.trimmed(), QStringLiteral("Лист %1").arg(number));
    }
}

TEST(PdfWriterTest, LetterMissingFromTheFontCostsOnlyItself) {
    Page page;
    page.items.push_back(text(QStringLiteral("Итог 漢 5"), QRectF(10, 10, 80, 6), Qt::AlignLeft));
    page.items.push_back(text(QStringLiteral("Дальше"), QRectF(10, 20, 80, 6), Qt::AlignLeft));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing.pdf"));
    ASSERT_EQ(write(kBackends[0], {page}, path), QString());
    const QString extracted = QString::fromUtf8(run(QStringLiteral("pdftotext"), {path, "-"}).out);
    EXPECT_TRUE(extracted.contains(QStringLiteral("Итог"))) << extracted.toStdString();
    EXPECT_TRUE(extracted.contains(QStringLiteral("Дальше")));
    EXPECT_FALSE(rendered(path, 50).isNull());
}

TEST(PdfWriterTest, DroppedWriterLeavesNoFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dropped.pdf"));
    {
        PdfOutput pdf(a4(), path);
        ASSERT_EQ(pdf.begin(), QString());
        for (int i = 0; i < 50; ++i) {
            Page page;
            page.items.push_back(
                text(QStringLiteral("Лист"), QRectF(10, 10, 50, 6), Qt::AlignLeft));
            pdf.addPage(std::move(page));
        }
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

}  // namespace
}  // namespace tabel::reportengine
