// The printed layouts against the report fixture: their queries, bands, sums and masks.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "data/connection.h"
#include "pdf_pages.h"
#include "report_texts.h"
#include "reportengine/pdf_output.h"
#include "reports/payslip.h"
#include "reports/period_reports.h"
#include "test_db.h"

namespace tabel::reports {
namespace {

// `expected` appears in `texts` in this order, not necessarily next to each other.
testing::AssertionResult inOrder(const QStringList& texts, const QStringList& expected) {
    int at = 0;
    for (const QString& e : expected) {
        const int found = texts.indexOf(e, at);
        if (found < 0) {
            return testing::AssertionFailure()
                   << "\"" << e.toStdString() << "\" not found after position " << at << " in\n"
                   << texts.join(" | ").toStdString();
        }
        at = found + 1;
    }
    return testing::AssertionSuccess();
}

class PrintedLayoutsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        test::loadBaseFixture();
        test::loadFixture(QStringLiteral("tests/reports/fixture_reports.sql"));
    }
    void SetUp() override { test::connectAs(connection_, QStringLiteral("master")); }

    QStringList run(PeriodReport report, ProductKind kind = ProductKind::All,
                    QDate from = QDate(2026, 4, 1), QDate to = QDate(2026, 5, 1)) {
        auto layout = makePeriodLayout(report, connection_);
        const auto doc = preparePeriodReport(*layout, report, {from, to, kind});
        EXPECT_FALSE(layout->query().isOpen());
        return test::textsOf(doc);
    }

    data::Connection connection_{QStringLiteral("layouts")};
};

TEST_F(PrintedLayoutsTest, WorkersReportGroupsWorkerThenProduct) {
    const QStringList t = run(PeriodReport::Workers);
    EXPECT_EQ(t.front(), "   Отчет по рабочим за период с 01.04.2026 по 01.05.2026");
    EXPECT_TRUE(inOrder(t, {"Иванов Иван Иванович", "Кронштейн", "Готовая продукция", "Резка", " ",
                            "100", "1000,000", "100", "1000,000", "1000,00"}));
    EXPECT_TRUE(inOrder(t, {"Ивашов Пётр", "Кронштейн", "7", "7,000", "7,000", "7,00"}));
    // two products: one worker header, two product headers each with its line and footer
    EXPECT_TRUE(
        inOrder(t, {"Петров Пётр Петрович", "Кронштейн усиленный", "Покраска", " (RAL: 3020)",
                    "200", "100,000", "200", "100,000", "Профиль", "Гибка 'Г'", " (грунт)", "9",
                    "18,000", "9", "18,000", "118,00", "Итого:", "1125,00", "1"}));
    EXPECT_EQ(t.count("Петров Пётр Петрович"), 1);
    EXPECT_FALSE(t.contains("Сварка")) << "worker 999 has no person";
    EXPECT_FALSE(t.contains("1000")) << "the entry on the \"по\" day is out";
}

TEST_F(PrintedLayoutsTest, ProductsReportWithKindFilter) {
    const QStringList all = run(PeriodReport::Products);
    EXPECT_TRUE(inOrder(all, {"Коробки", "Количество", "Кронштейн"}));
    EXPECT_TRUE(all.contains("Сварка")) << "the entry without a person counts for products";
    EXPECT_TRUE(inOrder(all, {"Кронштейн усиленный", "Готовая продукция", "Покраска",
                              " (RAL: 3020)", "500", "200", "500", "200"}));
    EXPECT_TRUE(inOrder(all, {"Итого:", "647", "321"}));

    const QStringList finished = run(PeriodReport::Products, ProductKind::Finished);
    EXPECT_FALSE(finished.contains("Сварка"));
    EXPECT_TRUE(inOrder(finished, {"Итого:", "640", "316"})) << "640,5 goes to the even 640";

    const QStringList blanks = run(PeriodReport::Products, ProductKind::Blanks);
    EXPECT_TRUE(
        inOrder(blanks, {"Кронштейн", "Заготовки", "Сварка", "6,25", "5", "Итого:", "6", "5"}));
    EXPECT_FALSE(blanks.contains("Покраска"));
}

TEST_F(PrintedLayoutsTest, DetailedWorkersReportAddsThePremium) {
    const QStringList t = run(PeriodReport::WorkersDetail);
    EXPECT_TRUE(inOrder(t, {"Брак", "Количество", "Сумма", "Премия"}));
    EXPECT_TRUE(
        inOrder(t, {"Иванов Иван Иванович", "КР-1", "Резка", "0", "Готовая продукция", "0", "100",
                    "1000,00", "100,00", "0", "100", "1000,00", "100,00", "Итог:", "1100,00"}));
    EXPECT_TRUE(inOrder(t, {"Петров Пётр Петрович", "КР-2", "Покраска", "3020"}));
    EXPECT_TRUE(inOrder(t, {"Итого:", "1", "317", "1125,00"}));
    EXPECT_FALSE(t.contains(" (RAL: 3020)"));
}

TEST_F(PrintedLayoutsTest, DetailedProductsReport) {
    const QStringList t = run(PeriodReport::ProductsDetail);
    EXPECT_TRUE(inOrder(t, {"Брак", "Коробки", "Кол-во", "Сумма"}));
    // The kind is wider than its column: it wraps within it instead of being cut.
    EXPECT_TRUE(
        inOrder(t, {"Кронштейн усиленный", "КР-2", "Покраска", "3020", "Готовая", "продукция", "0",
                    "500", "200", "100,000", "0", "500,00", "200", "100,00"}));
    EXPECT_TRUE(inOrder(t, {"Профиль", "ПР-1", "Гибка 'Г'", "1", "Готовая", "продукция", "1", "7,5",
                            "10", "18,000"}));
    EXPECT_TRUE(inOrder(t, {"Итого:", "1", "647,50", "322", "1140,00"}));
}

TEST_F(PrintedLayoutsTest, RequisitionsReportSeparatesConsecutiveRequisitions) {
    const QStringList t = run(PeriodReport::Requisitions);
    EXPECT_TRUE(inOrder(t, {"Брак", "Номенкл.", "Кол-во", "Сумма"}));
    EXPECT_TRUE(inOrder(t, {"15", "КР-1", "Резка", "Кронштейн", "100", "1000,000", "0", "125,00",
                            "100", "1000,00", "16", "КР-1", "Сварка", "Кронштейн", "5", "15,000"}));
    EXPECT_FALSE(t.contains("7,000")) << "an entry without a requisition is left out";
    EXPECT_TRUE(inOrder(t, {"Итого:", "1", "638,75", "315", "1133,00"}));
}

TEST_F(PrintedLayoutsTest, EmptyPeriodPrintsHeaderAndFooter) {
    for (const PeriodReport report :
         {PeriodReport::Workers, PeriodReport::Products, PeriodReport::WorkersDetail,
          PeriodReport::ProductsDetail, PeriodReport::Requisitions}) {
        const QStringList t = run(report, ProductKind::All, QDate(2026, 4, 1), QDate(2026, 4, 1));
        EXPECT_EQ(t.front(), reportTitle(report, {QDate(2026, 4, 1), QDate(2026, 4, 1)}));
        EXPECT_TRUE(inOrder(t, {"Итого:", "1"}));
    }
}

TEST_F(PrintedLayoutsTest, TimesheetOfAMonth) {
    TimesheetLayout layout(connection_);
    layout.monthHours.setParam(QStringLiteral("mnth"), 3);
    layout.monthHours.setParam(QStringLiteral("yea"), 2026);
    layout.monthHours.open();
    layout.setTitle(QStringLiteral("Март 2026 г."));
    const auto doc = layout.prepare();
    layout.monthHours.close();
    EXPECT_EQ(doc.orientation, QPageLayout::Landscape);
    EXPECT_TRUE(doc.previewWholePage);
    EXPECT_EQ(doc.title, "Табель Март 2026 г.");
    const QStringList t = test::textsOf(doc);
    QStringList header{"Март 2026 г."};
    for (int day = 1; day <= 31; ++day) {
        header.append(QString::number(day));
    }
    header.append("Итого");
    EXPECT_EQ(t.mid(0, header.size()), header);
    // shifts add up: 8 in shift 1 and 2 in overtime on the 2nd
    EXPECT_TRUE(inOrder(t, {"Иванов Иван Иванович", "0", "10", "0"}));
    const int ivanov = int(t.indexOf("Иванов Иван Иванович"));
    EXPECT_EQ(t.at(ivanov + 32), "10");
    const int ivashov = int(t.indexOf("Ивашов Пётр"));
    EXPECT_EQ(t.at(ivashov + 2), "8");
    EXPECT_EQ(t.at(ivashov + 3), "8");
    EXPECT_EQ(t.at(ivashov + 32), "16");
    EXPECT_EQ(t.back(), "1");
}

// One person whose code is no number, and one who is no employee, leave everybody else listed.
TEST_F(PrintedLayoutsTest, APersonWithAnOddCodeLeavesTheOthersListed) {
    test::adminExec(QStringLiteral(
        "insert into cmn_contractor.person (id, s_code, s_caption, b_employee) values "
        "(990001, 'Б-17', 'Странный Код', true), (990002, 'x', 'Не сотрудник', false)"));
    const QStringList workers = run(PeriodReport::Workers);
    const QStringList detail = run(PeriodReport::WorkersDetail);
    TimesheetLayout layout(connection_);
    layout.monthHours.setParam(QStringLiteral("mnth"), 3);
    layout.monthHours.setParam(QStringLiteral("yea"), 2026);
    layout.monthHours.open();
    const QStringList timesheet = test::textsOf(layout.prepare());
    layout.monthHours.close();
    test::adminExec(
        QStringLiteral("delete from cmn_contractor.person where id in (990001, 990002)"));
    for (const QStringList& t : {workers, detail, timesheet}) {
        EXPECT_TRUE(t.contains("Иванов Иван Иванович"));
        EXPECT_FALSE(t.contains("Странный Код"));
        EXPECT_FALSE(t.contains("Не сотрудник"));
    }
}

// Written page by page: as many pages as the preview shows, the query closed; a cancel leaves
// neither the file nor its temporary and still closes the query.
TEST_F(PrintedLayoutsTest, PeriodReportStreamedToPdfOrCancelled) {
    const Period period{QDate(2026, 4, 1), QDate(2026, 5, 1), ProductKind::All};
    for (const PeriodReport report :
         {PeriodReport::Workers, PeriodReport::WorkersDetail, PeriodReport::Requisitions}) {
        auto layout = makePeriodLayout(report, connection_);
        const int pages = preparePeriodReport(*layout, report, period).pageCount();
        QTemporaryDir dir;
        const QString path = dir.filePath("report.pdf");
        int heard = 0;
        layout->setProgress([&heard](const reportengine::Progress&) {
            ++heard;
            return true;
        });
        EXPECT_EQ(writePeriodReportPdf(*layout, report, period, path), QString());
        EXPECT_FALSE(layout->query().isOpen());
        EXPECT_GT(heard, 0);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(test::pdfPageCount(file.readAll()), pages) << int(report);

        layout->setProgress([](const reportengine::Progress&) { return false; });
        const QString cancelled = dir.filePath("cancelled.pdf");
        EXPECT_THROW(writePeriodReportPdf(*layout, report, period, cancelled),
                     reportengine::Cancelled);
        EXPECT_FALSE(layout->query().isOpen());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"report.pdf"});
    }
}

// Every item of a page as one line: kind, place, text, alignment, font.
std::vector<std::string> itemsOf(const reportengine::Page& page) {
    std::vector<std::string> items;
    for (const reportengine::PageItem& item : page.items) {
        items.push_back(QString("%1 %2,%3 %4x%5 %6 %7 %8%9 %10")
                            .arg(int(item.kind))
                            .arg(item.rect.x())
                            .arg(item.rect.y())
                            .arg(item.rect.width())
                            .arg(item.rect.height())
                            .arg(item.text)
                            .arg(int(item.alignment))
                            .arg(item.font.pointSize)
                            .arg(item.font.bold ? "b" : "")
                            .arg(item.color.name())
                            .toStdString());
    }
    return items;
}

// A layout's bands as text: each band's height, fill and rules, then its items with their
// expression, mask and place; what a page does not show (a mask that prints the fixture's
// values alike) still differs here.
std::string definitionOf(const reportengine::ReportDefinition& report) {
    std::string text;
    const auto addBand = [&text](const std::string& name, const reportengine::Band& band) {
        text += QString("%1 %2 %3 %4%5\n")
                    .arg(QString::fromStdString(name))
                    .arg(band.height)
                    .arg(band.background.isValid() ? band.background.name() : "-")
                    .arg(band.ruleAbove ? "above" : "")
                    .arg(band.ruleBelow ? " below" : "")
                    .toStdString();
        for (const reportengine::ReportItem& item : band.items) {
            text += QString("  %1 [%2] mask=%3 %4,%5 %6x%7 %8 %9%10%11 %12\n")
                        .arg(int(item.kind))
                        .arg(item.text)
                        .arg(item.mask)
                        .arg(item.rect.x())
                        .arg(item.rect.y())
                        .arg(item.rect.width())
                        .arg(item.rect.height())
                        .arg(int(item.alignment))
                        .arg(item.font.pointSize)
                        .arg(item.font.bold ? "b" : "")
                        .arg(item.framed ? " framed" : "")
                        .arg(item.name)
                        .toStdString();
        }
    };
    text += QString("%1 margin %2\n")
                .arg(report.orientation == QPageLayout::Landscape ? "landscape" : "portrait")
                .arg(report.margin)
                .toStdString();
    addBand("columnHeader", report.columnHeader);
    addBand("reportHeader", report.reportHeader);
    for (const reportengine::Group& group : report.groups) {
        text += "group " + group.expression.toStdString() + "\n";
        addBand("groupHeader", group.header);
        addBand("groupFooter", group.footer);
    }
    addBand("detail", report.detail);
    addBand("reportFooter", report.reportFooter);
    addBand("pageFooter", report.pageFooter);
    return text;
}

// The first line that differs, shown as it reads (UTF-8), not as escaped bytes.
testing::AssertionResult sameLines(const std::string& made, const std::string& kept) {
    const QStringList madeLines = QString::fromStdString(made).split('\n');
    const QStringList keptLines = QString::fromStdString(kept).split('\n');
    for (qsizetype i = 0; i < std::max(madeLines.size(), keptLines.size()); ++i) {
        if (madeLines.value(i) != keptLines.value(i)) {
            return testing::AssertionFailure()
                   << "line " << i + 1 << "\n  made: " << madeLines.value(i).toStdString()
                   << "\n  kept: " << keptLines.value(i).toStdString();
        }
    }
    return testing::AssertionSuccess();
}

// The layouts over the fixture, their bands and every item of every page (place, text,
// alignment, font, fill), against what tests/reports/golden keeps: a change to a layout shows up
// here item by item. TABEL_UPDATE_GOLDEN=1 writes the files anew instead, for a deliberate
// change of a layout.
TEST_F(PrintedLayoutsTest, EveryLayoutPrintsItsKeptPages) {
    const auto keptText = [](const PrintedLayout& layout,
                             const reportengine::ReportDocument& document) {
        std::string text = definitionOf(const_cast<PrintedLayout&>(layout).report());
        for (int p = 0; p < document.pageCount(); ++p) {
            text += "page " + std::to_string(p + 1) + "\n";
            for (const std::string& item : itemsOf(document.pages[size_t(p)])) {
                text += item + "\n";
            }
        }
        return text;
    };
    std::vector<std::pair<QString, std::string>> reports;
    const Period april{QDate(2026, 4, 1), QDate(2026, 5, 1), ProductKind::All};
    for (const auto& [report, name] : std::vector<std::pair<PeriodReport, QString>>{
             {PeriodReport::Workers, "workers"},
             {PeriodReport::Products, "products"},
             {PeriodReport::WorkersDetail, "workers-detail"},
             {PeriodReport::ProductsDetail, "products-detail"},
             {PeriodReport::Requisitions, "requisitions"}}) {
        auto layout = makePeriodLayout(report, connection_);
        const reportengine::ReportDocument document = preparePeriodReport(*layout, report, april);
        reports.emplace_back(name, keptText(*layout, document));
    }
    TimesheetLayout timesheet(connection_);
    timesheet.monthHours.setParam(QStringLiteral("mnth"), 3);
    timesheet.monthHours.setParam(QStringLiteral("yea"), 2026);
    timesheet.monthHours.open();
    timesheet.setTitle(QStringLiteral("Март 2026 г."));
    reports.emplace_back("timesheet", keptText(timesheet, timesheet.prepare()));
    timesheet.monthHours.close();
    PayslipLayout payslips(connection_);
    reports.emplace_back("payslip",
                         keptText(payslips, preparePayslips(payslips, {april.from, april.to})));

    const QString folder =
        qEnvironmentVariable("TABEL_SOURCE_DIR") + QStringLiteral("/tests/reports/golden/");
    const bool update = qEnvironmentVariableIntValue("TABEL_UPDATE_GOLDEN") == 1;
    for (const auto& [name, kept] : reports) {
        QFile file(folder + name + QStringLiteral(".txt"));
        if (update) {
            ASSERT_TRUE(QDir().mkpath(folder));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::fromStdString(kept));
            continue;
        }
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        EXPECT_TRUE(sameLines(kept, file.readAll().toStdString())) << name.toStdString();
    }
}

// Rows streamed from the server in blocks, however small, lay out the same pages as the rows of
// the opened query: group breaks, sums and footers across block boundaries, the kind filter.
TEST_F(PrintedLayoutsTest, StreamedRowsLayOutTheSamePagesAsTheOpenedQuery) {
    for (const PeriodReport report :
         {PeriodReport::Workers, PeriodReport::Products, PeriodReport::WorkersDetail,
          PeriodReport::ProductsDetail, PeriodReport::Requisitions}) {
        for (const ProductKind kind : {ProductKind::All, ProductKind::Finished}) {
            const Period period{QDate(2026, 1, 1), QDate(2027, 1, 1), kind};
            auto layout = makePeriodLayout(report, connection_);
            const reportengine::ReportDocument whole = preparePeriodReport(*layout, report, period);
            ASSERT_GT(whole.pageCount(), 0);
            for (const int blockRows : {1, 2, 3, 512}) {
                std::vector<reportengine::Page> streamed;
                reportengine::layOutReport(
                    layout->report(), StreamedRows(layout->query(), blockRows),
                    [&](reportengine::Page&& page) { streamed.push_back(std::move(page)); });
                EXPECT_FALSE(layout->query().isOpen());
                ASSERT_EQ(int(streamed.size()), whole.pageCount())
                    << int(report) << " " << int(kind) << " " << blockRows;
                for (int p = 0; p < whole.pageCount(); ++p) {
                    EXPECT_EQ(itemsOf(streamed[size_t(p)]), itemsOf(whole.pages[size_t(p)]))
                        << int(report) << " " << int(kind) << " " << blockRows << " page " << p;
                }
            }
        }
    }
}

// The PDF written from streamed rows is the PDF of the prepared document, page by page: the
// same page count and the same drawing on each page (the files differ only in their date).
TEST_F(PrintedLayoutsTest, StreamedPdfEqualsThePreparedDocumentsPdf) {
    const Period period{QDate(2026, 4, 1), QDate(2026, 5, 1), ProductKind::All};
    auto layout = makePeriodLayout(PeriodReport::WorkersDetail, connection_);
    const auto document = preparePeriodReport(*layout, PeriodReport::WorkersDetail, period);
    QTemporaryDir dir;
    ASSERT_EQ(reportengine::writePdf(document, dir.filePath("prepared.pdf")), QString());
    ASSERT_EQ(writePeriodReportPdf(*layout, PeriodReport::WorkersDetail, period,
                                   dir.filePath("streamed.pdf"), 2),
              QString());
    const auto pagesOf = [&](const QString& name) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        // The creation date is the only thing allowed to differ.
        const qsizetype at = bytes.indexOf("/CreationDate");
        if (at >= 0) {
            bytes.remove(at, bytes.indexOf('\n', at) - at);
        }
        return bytes;
    };
    const QByteArray prepared = pagesOf("prepared.pdf");
    EXPECT_EQ(test::pdfPageCount(prepared), document.pageCount());
    EXPECT_EQ(pagesOf("streamed.pdf"), prepared);
}

}  // namespace
}  // namespace tabel::reports
