// The layout pass on the page document: bands in order, sums, masks, page breaks, empty data.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/expression.h"
#include "reportengine/page_painter.h"
#include "reportengine/report_layout.h"

namespace tabel::reportengine {
namespace {

ReportItem label(const QString& text, const QString& name = {}) {
    ReportItem item;
    item.kind = ItemKind::Label;
    item.text = text;
    item.rect = QRectF(0, 0, 100, 5);
    item.name = name;
    return item;
}

ReportItem expr(const QString& text, const QString& mask = {}, double x = 0) {
    ReportItem item;
    item.kind = ItemKind::Expression;
    item.text = text;
    item.mask = mask;
    item.rect = QRectF(x, 0, 100, 5);
    return item;
}

Band band(std::vector<ReportItem> items, double height = 5) {
    Band b;
    b.height = height;
    b.items = std::move(items);
    return b;
}

// Every band announces itself, so the document's texts show the printing order.
ReportDefinition workersShape() {
    ReportDefinition d;
    d.title = "Тест";
    d.reportHeader = band({label("заголовок", "QRLabel1")});
    d.groups.push_back(
        {"t_Report.fio", band({expr("'WH '+fio")}), band({expr("'WF '+STR(sum(kolvo))")})});
    d.groups.push_back(
        {"t_Report.nom", band({expr("'PH '+nom")}), band({expr("'PF '+STR(sum(kolvo))")})});
    d.detail = band({expr("'D '+STR(kolvo)")});
    d.reportFooter = band({expr("'T '+STR(sum(kolvo))")});
    d.pageFooter = band({expr("'P '+STR(PAGENUMBER)")});
    return d;
}

const QStringList kColumns = {"fio", "nom", "kolvo"};

std::vector<QString> allTexts(const ReportDocument& doc) {
    std::vector<QString> out;
    for (const Page& page : doc.pages) {
        for (const QString& t : page.texts()) {
            out.push_back(t);
        }
    }
    return out;
}

TEST(ReportLayoutTest, GroupHeadersFootersAndSums) {
    const TableData data(kColumns, {{"Иванов", "КР-1", 1},
                                    {"Иванов", "КР-1", 2},
                                    {"Иванов", "ПР-1", 4},
                                    {"Петров", "ПР-1", 8},
                                    {"Петров", "ПР-1", 16}});
    const ReportDocument doc = prepareReport(workersShape(), data);
    ASSERT_EQ(doc.pageCount(), 1);
    const std::vector<QString> expected = {
        "заголовок", "WH Иванов", "PH КР-1", "D 1", "D 2",  "PF 3",  "PH ПР-1", "D 4",  "PF 4",
        "WF 7",      "WH Петров", "PH ПР-1", "D 8", "D 16", "PF 24", "WF 24",   "T 31", "P 1"};
    EXPECT_EQ(allTexts(doc), expected);
}

TEST(ReportLayoutTest, EmptyDatasetPrintsHeaderAndFooters) {
    ReportDefinition d = workersShape();
    d.reportFooter = band({expr("sum(kolvo)", "#0.00")});
    const ReportDocument doc = prepareReport(d, TableData(kColumns, {}));
    ASSERT_EQ(doc.pageCount(), 1);
    EXPECT_EQ(allTexts(doc), (std::vector<QString>{"заголовок", "0,00", "P 1"}));
}

TEST(ReportLayoutTest, TitleSetBeforePrepare) {
    ReportDefinition d = workersShape();
    EXPECT_TRUE(d.setLabelText("QRLabel1", "   Отчет по рабочим за период с 01.02.2026"));
    EXPECT_FALSE(d.setLabelText("QRLabel9", "x"));
    const ReportDocument doc = prepareReport(d, TableData(kColumns, {}));
    EXPECT_EQ(doc.pages.front().texts().front(), "   Отчет по рабочим за период с 01.02.2026");
    EXPECT_EQ(d.labelText("QRLabel1"), "   Отчет по рабочим за период с 01.02.2026");
}

TEST(ReportLayoutTest, PageBreaksRepeatColumnHeaderAndNumberPages) {
    ReportDefinition d;
    d.columnHeader = band({label("шапка")}, 10);
    d.detail = band({expr("kolvo")}, 10);
    d.pageFooter = band({expr("PAGENUMBER")}, 7);
    QList<QList<QVariant>> rows;
    for (int i = 1; i <= 100; ++i) {
        rows.append({"x", "y", i});
    }
    const ReportDocument doc = prepareReport(d, TableData(kColumns, rows));
    // 297 - 2*10 margins - 7 footer - 10 header leaves room for 26 rows of 10 mm.
    ASSERT_EQ(doc.pageCount(), 4);
    int next = 1;
    for (int p = 0; p < doc.pageCount(); ++p) {
        const std::vector<QString> texts = doc.pages[p].texts();
        EXPECT_EQ(texts.front(), "шапка");
        EXPECT_EQ(texts.back(), QString::number(p + 1));
        for (size_t i = 1; i + 1 < texts.size(); ++i) {
            EXPECT_EQ(texts[i], QString::number(next++));
        }
        for (const PageItem& item : doc.pages[p].items) {
            EXPECT_LE(item.rect.bottom(), 297.0 - 10.0 + 1e-9);
            EXPECT_GE(item.rect.top(), 10.0);
        }
    }
    EXPECT_EQ(next, 101);
    const PageItem& footer = doc.pages[0].items.back();
    EXPECT_DOUBLE_EQ(footer.rect.top(), 297.0 - 10.0 - 7.0);
}

TEST(ReportLayoutTest, LandscapeBandsFillsAndRules) {
    ReportDefinition d;
    d.orientation = QPageLayout::Landscape;
    d.detail = band({expr("nom")}, 6);
    d.detail.background = QColor(224, 224, 224);
    d.detail.ruleAbove = true;
    d.detail.ruleBelow = true;
    const ReportDocument doc = prepareReport(d, TableData(kColumns, {{"a", "b", 1}}));
    EXPECT_DOUBLE_EQ(doc.pageSize.width(), 297.0);
    EXPECT_DOUBLE_EQ(doc.pageSize.height(), 210.0);
    const auto& items = doc.pages[0].items;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].kind, PageItem::Kind::Fill);
    EXPECT_EQ(items[0].color, QColor(224, 224, 224));
    EXPECT_EQ(items[0].rect, QRectF(10, 10, 277, 6));
    EXPECT_EQ(items[1].kind, PageItem::Kind::Line);
    EXPECT_EQ(items[2].text, "b");
    EXPECT_EQ(items[3].kind, PageItem::Kind::Line);
    EXPECT_DOUBLE_EQ(items[3].rect.top(), 16.0);
}

TEST(ReportLayoutTest, UnknownFieldIsAnError) {
    ReportDefinition d;
    d.detail = band({expr("nosuch")});
    EXPECT_THROW(prepareReport(d, TableData(kColumns, {})), core::ExpressionError);
}

TEST(FormatValueTest, MasksAndGeneralFormat) {
    const struct {
        QVariant value;
        const char* mask;
        const char* expected;
    } cases[] = {
        {1100.0, "#0.00", "1100,00"},
        {2.5, "#0", "2"},
        {3.5, "#0", "4"},
        {0.125, "#0.00", "0,12"},
        {1.0005, "#0.000", "1,000"},
        {5.125, "#0.00#", "5,125"},
        {QString("12.345"), "#0.00", "12,34"},
        {qint64(3020), "", "3020"},
        {0.1 + 0.2, "", "0,3"},
        {QVariant(), "#0.00", ""},
        {QString("ПР-1"), "", "ПР-1"},
        {QDate(2026, 3, 2), "", "02.03.2026"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatValue(c.value, QString::fromLatin1(c.mask)), QString::fromUtf8(c.expected))
            << c.value.toString().toStdString() << " " << c.mask;
    }
}

TEST(PdfOutputTest, WritesWholeFileOrNothing) {
    ReportDefinition d = workersShape();
    const ReportDocument doc = prepareReport(d, TableData(kColumns, {{"Иванов", "КР-1", 1}}));
    QTemporaryDir dir;
    const QString path = dir.filePath("report.pdf");
    EXPECT_EQ(writePdf(doc, path), QString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"report.pdf"});

    const QString missing = dir.filePath("no/such/folder/report.pdf");
    EXPECT_NE(writePdf(doc, missing), QString());
    EXPECT_FALSE(QFile::exists(missing));
}

}  // namespace
}  // namespace tabel::reportengine
