// The layout pass on the page document: bands in order, sums, masks, page breaks, empty data.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <map>
#include <vector>

#include "core/expression.h"
#include "pdf_pages.h"
#include "report_texts.h"
#include "reportengine/pdf_output.h"
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
    d.reportHeader = band({label("заголовок", "titleLabel")});
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

TEST(ReportLayoutTest, GroupHeadersFootersAndSums) {
    const TableData data(kColumns, {{"Иванов", "КР-1", 1},
                                    {"Иванов", "КР-1", 2},
                                    {"Иванов", "ПР-1", 4},
                                    {"Петров", "ПР-1", 8},
                                    {"Петров", "ПР-1", 16}});
    const ReportDocument doc = prepareReport(workersShape(), data);
    ASSERT_EQ(doc.pageCount(), 1);
    const QStringList expected = {
        "заголовок", "WH Иванов", "PH КР-1", "D 1", "D 2",  "PF 3",  "PH ПР-1", "D 4",  "PF 4",
        "WF 7",      "WH Петров", "PH ПР-1", "D 8", "D 16", "PF 24", "WF 24",   "T 31", "P 1"};
    EXPECT_EQ(test::textsOf(doc), expected);
}

TEST(ReportLayoutTest, EmptyDatasetPrintsHeaderAndFooters) {
    ReportDefinition d = workersShape();
    d.reportFooter = band({expr("sum(kolvo)", "#0.00")});
    const ReportDocument doc = prepareReport(d, TableData(kColumns, {}));
    ASSERT_EQ(doc.pageCount(), 1);
    EXPECT_EQ(test::textsOf(doc), (QStringList{"заголовок", "0,00", "P 1"}));
}

TEST(ReportLayoutTest, TitleSetBeforePrepare) {
    ReportDefinition d = workersShape();
    EXPECT_TRUE(d.setLabelText("titleLabel", "   Отчет по рабочим за период с 01.02.2026"));
    EXPECT_FALSE(d.setLabelText("noSuchLabel", "x"));
    const ReportDocument doc = prepareReport(d, TableData(kColumns, {}));
    EXPECT_EQ(doc.pages.front().texts().front(), "   Отчет по рабочим за период с 01.02.2026");
    EXPECT_EQ(d.labelText("titleLabel"), "   Отчет по рабочим за период с 01.02.2026");
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

// Pagination: every band of a case is filled in its own colour, so the fills on a page show where
// each band landed.
enum class Role {
    ColumnHeader,
    ReportHeader,
    GroupHeader,
    GroupFooter,
    Detail,
    ReportFooter,
    PageFooter
};

QColor fillOf(Role role) {
    return QColor(10 + 20 * int(role), 0, 0);
}

Role roleOf(const QColor& fill) {
    return Role((fill.red() - 10) / 20);
}

const char* nameOf(Role role) {
    static const char* const names[] = {"column header", "report header", "group header",
                                        "group footer",  "detail",        "report footer",
                                        "page footer"};
    return names[int(role)];
}

Band filled(Role role, double height) {
    Band b;
    b.height = height;
    if (height > 0) {
        b.background = fillOf(role);
    }
    return b;
}

struct PaginationCase {
    const char* name;
    QPageLayout::Orientation orientation;
    double margin;
    double columnHeader;
    double reportHeader;
    double groupHeader;
    double groupFooter;
    int groupRows;  // rows of one group; 0: no grouping
    double detail;
    double reportFooter;
    double pageFooter;
    int rows;
    std::vector<int> detailsPerPage;
};

void PrintTo(const PaginationCase& c, std::ostream* os) {
    *os << c.name;
}

class PaginationTest : public testing::TestWithParam<PaginationCase> {};

TEST_P(PaginationTest, BandsStayAbovePageFooterOnEveryPage) {
    const PaginationCase& c = GetParam();
    ReportDefinition d;
    d.orientation = c.orientation;
    d.margin = c.margin;
    d.columnHeader = filled(Role::ColumnHeader, c.columnHeader);
    d.reportHeader = filled(Role::ReportHeader, c.reportHeader);
    if (c.groupRows > 0) {
        d.groups.push_back({"grp", filled(Role::GroupHeader, c.groupHeader),
                            filled(Role::GroupFooter, c.groupFooter)});
    }
    d.detail = filled(Role::Detail, c.detail);
    d.reportFooter = filled(Role::ReportFooter, c.reportFooter);
    d.pageFooter = filled(Role::PageFooter, c.pageFooter);
    QList<QList<QVariant>> rows;
    for (int i = 0; i < c.rows; ++i) {
        rows.append(QList<QVariant>{c.groupRows > 0 ? i / c.groupRows : 0});
    }
    const ReportDocument doc = prepareReport(d, TableData({"grp"}, rows));

    constexpr double eps = 1e-6;
    const double pageBottom = doc.pageSize.height() - c.margin;
    const double footerTop = pageBottom - c.pageFooter;
    std::vector<int> detailsPerPage;
    std::map<Role, int> placed;
    for (int p = 0; p < doc.pageCount(); ++p) {
        std::vector<QRectF> body;
        int details = 0;
        int footers = 0;
        for (const PageItem& item : doc.pages[p].items) {
            ASSERT_EQ(item.kind, PageItem::Kind::Fill);
            const Role role = roleOf(item.color);
            ++placed[role];
            const QRectF& r = item.rect;
            EXPECT_GE(r.top(), c.margin - eps) << nameOf(role) << " on page " << p + 1;
            EXPECT_LE(r.bottom(), pageBottom + eps) << nameOf(role) << " on page " << p + 1;
            if (role == Role::PageFooter) {
                ++footers;
                EXPECT_NEAR(r.top(), footerTop, eps) << "page " << p + 1;
                continue;
            }
            EXPECT_LE(r.bottom(), footerTop + eps)
                << nameOf(role) << " at " << r.top() << ".." << r.bottom()
                << " runs into the page footer at " << footerTop << " on page " << p + 1;
            if (role == Role::Detail) {
                ++details;
            }
            body.push_back(r);
        }
        EXPECT_EQ(footers, c.pageFooter > 0 ? 1 : 0) << "page " << p + 1;
        std::sort(body.begin(), body.end(),
                  [](const QRectF& a, const QRectF& b) { return a.top() < b.top(); });
        for (size_t i = 1; i < body.size(); ++i) {
            EXPECT_GE(body[i].top(), body[i - 1].bottom() - eps)
                << "bands overlap on page " << p + 1;
        }
        if (c.columnHeader > 0) {
            ASSERT_FALSE(body.empty());
            EXPECT_NEAR(body.front().top(), c.margin, eps) << "page " << p + 1;
        }
        detailsPerPage.push_back(details);
    }
    EXPECT_EQ(detailsPerPage, c.detailsPerPage);
    const int groups = c.groupRows > 0 ? (c.rows + c.groupRows - 1) / c.groupRows : 0;
    EXPECT_EQ(placed[Role::GroupHeader], c.groupHeader > 0 ? groups : 0);
    EXPECT_EQ(placed[Role::GroupFooter], c.groupFooter > 0 ? groups : 0);
    EXPECT_EQ(placed[Role::ReportHeader], c.reportHeader > 0 ? 1 : 0);
    EXPECT_EQ(placed[Role::ReportFooter], c.reportFooter > 0 ? 1 : 0);
}

constexpr auto kPortrait = QPageLayout::Portrait;
constexpr auto kLandscape = QPageLayout::Landscape;

// A4 is 297 mm high upright and 210 mm on its side; the body is what the margins, the column
// header and the page footer leave.
INSTANTIATE_TEST_SUITE_P(
    ReportLayout, PaginationTest,
    testing::Values(
        // body 270: 27 rows end exactly on the footer
        PaginationCase{"RowsFillTheBodyExactly",
                       kPortrait,
                       10,
                       0,
                       0,
                       0,
                       0,
                       0,
                       10,
                       0,
                       7,
                       100,
                       {27, 27, 27, 19}},
        // 100 rows of 2.7 mm add up to the 270 mm body only up to rounding
        PaginationCase{"InexactHeightsSummingToTheBody",
                       kPortrait,
                       10,
                       0,
                       0,
                       0,
                       0,
                       0,
                       2.7,
                       0,
                       7,
                       250,
                       {100, 100, 50}},
        // body 267: a 21st row would end 6 mm into the footer
        PaginationCase{"RowEndingInsideTheFooterMovesOn",
                       kPortrait,
                       10,
                       0,
                       0,
                       0,
                       0,
                       0,
                       13,
                       0,
                       10,
                       45,
                       {20, 20, 5}},
        // body 210 - 20 - 8 - 5 = 177: 29 rows of 6
        PaginationCase{
            "LandscapeWithColumnHeader", kLandscape, 10, 8, 0, 0, 0, 0, 6, 0, 5, 60, {29, 29, 2}},
        // no page footer: the printable bottom, 297 - 25, is the limit
        PaginationCase{"WideMarginsWithoutPageFooter",
                       kPortrait,
                       25,
                       0,
                       0,
                       0,
                       0,
                       0,
                       12,
                       0,
                       0,
                       41,
                       {20, 20, 1}},
        PaginationCase{"RowAsTallAsTheBody", kPortrait, 10, 0, 0, 0, 0, 0, 270, 0, 7, 3, {1, 1, 1}},
        // the header and 24 rows fill page 1, 26 rows page 2; the total needs a page of its own
        PaginationCase{"ReportFooterTakesAPageOfItsOwn",
                       kPortrait,
                       10,
                       0,
                       30,
                       0,
                       0,
                       0,
                       10,
                       20,
                       7,
                       50,
                       {24, 26, 0}},
        // 54 rows of 5 fill the body; the group's footer goes over with no rows of its own
        PaginationCase{
            "GroupFooterMovesToTheNextPage", kPortrait, 10, 0, 0, 0, 10, 54, 5, 0, 7, 60, {54, 6}},
        // groups of 8 + 10 * 5 + 6 = 64 mm in a 267 mm body: the fifth header ends page 1
        PaginationCase{"GroupHeadersAndFootersBetweenRows",
                       kPortrait,
                       10,
                       0,
                       0,
                       8,
                       6,
                       10,
                       5,
                       0,
                       10,
                       70,
                       {40, 30}},
        // body 170, groups of 7 + 3 * 9 + 7 = 41 mm: the fifth header does not fit on page 1
        PaginationCase{"LandscapeGroupsUnderColumnHeader",
                       kLandscape,
                       10,
                       12,
                       0,
                       7,
                       7,
                       3,
                       9,
                       15,
                       8,
                       20,
                       {12, 8}}),
    [](const testing::TestParamInfo<PaginationCase>& info) { return info.param.name; });

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

namespace tabel::reportengine {
namespace {

// Enough rows for several pages and several progress reports.
TableData manyRows(int count) {
    QList<QList<QVariant>> rows;
    for (int i = 0; i < count; ++i) {
        rows.append({QString("Рабочий %1").arg(i / 200), QString("КР-%1").arg(i / 50), i});
    }
    return TableData(kColumns, rows);
}

TEST(StreamedLayoutTest, HandsOutTheSamePagesInOrderWithProgress) {
    const TableData data = manyRows(1200);
    const ReportDocument whole = prepareReport(workersShape(), data);
    ASSERT_GT(whole.pageCount(), 3);

    std::vector<std::vector<QString>> streamed;
    std::vector<Progress> heard;
    layOutReport(
        workersShape(), data, [&](Page&& page) { streamed.push_back(page.texts()); },
        [&](const Progress& p) {
            heard.push_back(p);
            return true;
        });
    ASSERT_EQ(int(streamed.size()), whole.pageCount());
    for (int i = 0; i < whole.pageCount(); ++i) {
        EXPECT_EQ(streamed[size_t(i)], whole.pages[size_t(i)].texts()) << "page " << i + 1;
    }
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(heard.front().rowsDone, 0);
    EXPECT_EQ(heard.back().rowsDone, 1200);
    EXPECT_EQ(heard.back().pagesDone, whole.pageCount());
    for (size_t i = 1; i < heard.size(); ++i) {
        EXPECT_EQ(heard[i].rows, 1200);
        EXPECT_GE(heard[i].rowsDone, heard[i - 1].rowsDone);
        EXPECT_GE(heard[i].pagesDone, heard[i - 1].pagesDone);
    }
}

// Rows that come one at a time without a count, as from the server: the same pages, the progress
// counts rows without a total, and a cancel stops the reading itself.
class OneByOne : public ReportData {
public:
    explicit OneByOne(const TableData& rows) : rows_(rows) {}
    void read(const StartFn& start, const RowFn& take) const override {
        rows_.read(start, [&](const QList<QVariant>& row) {
            ++handedOut;
            take(QList<QVariant>(row));  // a copy that is gone once taken
        });
    }
    mutable int handedOut = 0;

private:
    const TableData& rows_;
};

TEST(StreamedLayoutTest, RowsWithoutACountLayOutTheSamePages) {
    const TableData data = manyRows(1200);
    const ReportDocument whole = prepareReport(workersShape(), data);
    OneByOne source(data);
    std::vector<Progress> heard;
    const ReportDocument streamed = prepareReport(workersShape(), source, [&](const Progress& p) {
        heard.push_back(p);
        return true;
    });
    ASSERT_EQ(streamed.pageCount(), whole.pageCount());
    for (int i = 0; i < whole.pageCount(); ++i) {
        EXPECT_EQ(streamed.pages[size_t(i)].texts(), whole.pages[size_t(i)].texts()) << i + 1;
    }
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back().rowsDone, 1200);
    for (const Progress& p : heard) {
        EXPECT_EQ(p.rows, 0);
    }

    OneByOne cancelled(data);
    EXPECT_THROW(prepareReport(workersShape(), cancelled,
                               [](const Progress& p) { return p.rowsDone < 500; }),
                 Cancelled);
    // 500 laid out and the one in hand when the count was heard; none read after it.
    EXPECT_EQ(cancelled.handedOut, 501);
}

// A cancel at any point leaves neither the file nor its temporary behind.
TEST(PdfOutputTest, CancelledWriteLeavesNoFile) {
    const ReportDocument doc = prepareReport(workersShape(), manyRows(600));
    ASSERT_GT(doc.pageCount(), 2);
    for (const int cancelAt : {0, 1, doc.pageCount() - 1}) {
        QTemporaryDir dir;
        const QString path = dir.filePath("report.pdf");
        int calls = 0;
        const ProgressFn progress = [&](const Progress& p) {
            EXPECT_EQ(p.pages, doc.pageCount());
            return calls++ < cancelAt;
        };
        EXPECT_THROW(writePdf(doc, path, progress), Cancelled) << cancelAt;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList())
            << cancelAt;
    }
}

TEST(PdfOutputTest, PagesStreamedIntoPdfMatchTheDocument) {
    const ReportDocument doc = prepareReport(workersShape(), manyRows(600));
    QTemporaryDir dir;
    const QString path = dir.filePath("streamed.pdf");
    {
        PdfOutput pdf(documentHeader(workersShape()), path);
        ASSERT_EQ(pdf.begin(), QString());
        layOutReport(workersShape(), manyRows(600), [&](Page&& page) { pdf.addPage(page); });
        EXPECT_EQ(pdf.pagesWritten(), doc.pageCount());
        EXPECT_FALSE(QFile::exists(path));  // not before commit
        EXPECT_EQ(pdf.commit(), QString());
    }
    EXPECT_EQ(test::pdfPageCount(path), doc.pageCount());

    // Dropped uncommitted (an error or a cancel on the way): nothing remains.
    const QString dropped = dir.filePath("dropped.pdf");
    {
        PdfOutput pdf(doc, dropped);
        ASSERT_EQ(pdf.begin(), QString());
        pdf.addPage(doc.pages.front());
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"streamed.pdf"});
}

TEST(StreamedLayoutTest, CancelStopsTheLayout) {
    int pages = 0;
    int calls = 0;
    EXPECT_THROW(layOutReport(
                     workersShape(), manyRows(5000), [&](Page&&) { ++pages; },
                     [&](const Progress&) { return ++calls < 2; }),
                 Cancelled);
    EXPECT_EQ(calls, 2);
    // Stopped after the first reported rows, long before the 5000th.
    EXPECT_LT(pages, 10);
}

}  // namespace
}  // namespace tabel::reportengine
