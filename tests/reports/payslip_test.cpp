// The pay sheets against the report fixture: a worker's entries, totals and hours, one worker a
// page, and sums that agree with the detailed workers report to the kopeck.
#include <gtest/gtest.h>

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include "data/connection.h"
#include "pdf_pages.h"
#include "report_texts.h"
#include "reports/payslip.h"
#include "reports/period_reports.h"
#include "test_db.h"

namespace tabel::reports {
namespace {

const QDate kApril(2026, 4, 1);
const QDate kMay(2026, 5, 1);

QStringList allTexts(const reportengine::Page& page) {
    QStringList texts;
    for (const QString& t : page.texts()) {
        texts.append(t);
    }
    return texts;
}

// A page's texts, the page number at its foot left out.
QStringList pageTexts(const reportengine::Page& page) {
    QStringList texts = allTexts(page);
    texts.removeLast();
    return texts;
}

// What the sheets and the detailed report print as a worker's totals.
struct Totals {
    QString pieces, defects, pay, premium, withPremium;

    bool operator==(const Totals&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Totals& t) {
        return out << QStringList{t.pieces, t.defects, t.pay, t.premium, t.withPremium}
                          .join(" | ")
                          .toStdString();
    }
};

class PayslipTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        test::loadBaseFixture();
        test::loadFixture(QStringLiteral("tests/reports/fixture_reports.sql"));
    }
    void SetUp() override { test::connectAs(connection_, QStringLiteral("master")); }

    reportengine::ReportDocument sheets(QDate from, QDate to, std::optional<int> worker) {
        PayslipLayout layout(connection_);
        reportengine::ReportDocument document = preparePayslips(layout, {from, to, worker});
        EXPECT_FALSE(layout.workerEntries.isOpen());
        return document;
    }

    // The totals of the one worker on the sheet: after "Итого:" pieces, defects, pay, premium,
    // then "Итого с премией:" and both together.
    static Totals sheetTotals(const QStringList& t) {
        const qsizetype at = t.indexOf("Итого:");
        if (at < 0 || t.value(at + 5) != "Итого с премией:") {
            ADD_FAILURE() << t.join(" | ").toStdString();
            return {};
        }
        return {t[at + 1], t[at + 2], t[at + 3], t[at + 4], t[at + 6]};
    }

    // The same worker's totals in the detailed workers report filtered to him: defects, pieces,
    // pay and premium, then "Итог:" and both together.
    Totals detailedTotals(QDate from, QDate to, const QString& fio) {
        auto layout = makePeriodLayout(PeriodReport::WorkersDetail, connection_);
        const QStringList t = test::textsOf(preparePeriodReport(
            *layout, PeriodReport::WorkersDetail, {from, to, ProductKind::All, fio}));
        const qsizetype at = t.indexOf("Итог:");
        if (at < 4 || t.count("Итог:") != 1) {
            ADD_FAILURE() << t.join(" | ").toStdString();
            return {};
        }
        return {t[at - 3], t[at - 4], t[at - 2], t[at - 1], t[at + 1]};
    }

    data::Connection connection_{QStringLiteral("payslips")};
};

TEST_F(PayslipTest, OneWorkersSheetHasEveryEntryTotalsAndHours) {
    const reportengine::ReportDocument doc = sheets(kApril, kMay, 103);
    ASSERT_EQ(doc.pageCount(), 1);
    EXPECT_EQ(doc.title, "Расчетный листок за период с 01.04.2026 по 01.05.2026");
    const QStringList expected{"   Расчетный листок за период с 01.04.2026 по 01.05.2026",
                               "Предварительный",  // April is open
                               "Дата", "Смена", "Изделие", "Операция", "Кол-во", "Брак", "Цена",
                               "Сумма", "Премия", "Рабочий: Петров Пётр Петрович, код 103",
                               // by date: his painting on the 1st, his bending on the 20th
                               "01.04.2026", "1", "КР-2", "Покраска (RAL: 3020)", "200", "0",
                               "0,50", "100,00", "0,00", "20.04.2026", "1", "ПР-1",
                               "Гибка 'Г' (грунт)", "10", "1", "2,00", "18,00", "0,00",
                               "Итого:", "210", "1", "118,00", "0,00", "Итого с премией:", "118,00",
                               // both his April shifts of 8 hours
                               "Часы по табелю за 04.2026:", "16", ""};
    EXPECT_EQ(pageTexts(doc.pages[0]).join(" | ").toStdString(),
              expected.join(" | ").toStdString());
    EXPECT_EQ(doc.pages[0].texts().back(), "1");
}

// Every worker with entries in the period, one a page, by name; an entry of a code nobody has is
// on no sheet, and a worker without entries gets none.
TEST_F(PayslipTest, AllWorkersOneAPage) {
    const reportengine::ReportDocument doc = sheets(kApril, kMay, std::nullopt);
    ASSERT_EQ(doc.pageCount(), 3);
    const QStringList workers{"Рабочий: Иванов Иван Иванович, код 101",
                              "Рабочий: Ивашов Пётр, код 102",
                              "Рабочий: Петров Пётр Петрович, код 103"};
    for (int p = 0; p < 3; ++p) {
        const QStringList t = pageTexts(doc.pages[size_t(p)]);
        EXPECT_EQ(t.front(), "   Расчетный листок за период с 01.04.2026 по 01.05.2026") << p;
        for (int w = 0; w < 3; ++w) {
            EXPECT_EQ(t.contains(workers[w]), w == p) << p << " " << w;
        }
        EXPECT_EQ(t.count("Итого:"), 1) << p;
    }
    EXPECT_EQ(sheetTotals(pageTexts(doc.pages[0])),
              (Totals{"100", "0", "1000,00", "100,00", "1100,00"}));
    EXPECT_TRUE(pageTexts(doc.pages[1]).contains("Резка"));
    EXPECT_FALSE(test::textsOf(doc).contains("Сварка")) << "worker 999 has no person";
}

// Hours of a period over two months: their total and each month's; a worker chosen who has no
// entries still gets his sheet, with nothing to pay.
TEST_F(PayslipTest, HoursOfEveryMonthAndASheetWithoutEntries) {
    const QStringList ivashov =
        pageTexts(sheets(QDate(2026, 4, 15), QDate(2026, 5, 2), 102).pages.at(0));
    EXPECT_EQ(sheetTotals(ivashov), (Totals{"1007", "0", "1007,00", "0,00", "1007,00"}));
    const qsizetype hours = ivashov.indexOf("Часы по табелю за 04.2026–05.2026:");
    ASSERT_GE(hours, 0) << ivashov.join(" | ").toStdString();
    EXPECT_EQ(ivashov.mid(hours + 1, 2), QStringList({"16", "(04.2026 - 8, 05.2026 - 8)"}));

    const reportengine::ReportDocument sidorov = sheets(kApril, kMay, 104);
    ASSERT_EQ(sidorov.pageCount(), 1);
    const QStringList t = pageTexts(sidorov.pages[0]);
    EXPECT_TRUE(t.contains("Рабочий:   Сидоров С.С. , код 104"));
    EXPECT_EQ(sheetTotals(t), (Totals{"0", "0", "0,00", "0,00", "0,00"}));
    EXPECT_EQ(t.mid(t.indexOf("Часы по табелю за 04.2026:") + 1, 2), QStringList({"0", ""}));

    EXPECT_EQ(payslipHoursCaption({QDate(2025, 12, 1), QDate(2026, 2, 1)}),
              "Часы по табелю за 12.2025–01.2026:");
    EXPECT_EQ(payslipHoursCaption({QDate(2026, 4, 1), QDate(2026, 4, 1)}), "Часы по табелю:");
}

// Every worker's sheet sums what the detailed workers report sums for him, for any period; the
// June entries make sums of many places whose doubles would round the wrong way at the kopeck
// (3407,135 and 3507,895 exactly: ,14 and ,90 half to even; as doubles ,13 and ,89).
TEST_F(PayslipTest, SumsAgreeWithTheDetailedWorkersReportToTheKopeck) {
    test::adminExec(QStringLiteral(
        "insert into accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, "
        "color, time, ok, prize) values "
        "(301, '2026-06-02', 1, 105, 1, 1, 1000.1, 1, 0, 0, 8, 'no', 10), "
        "(302, '2026-06-03', 2, 105, 1, 1, 2402.035, 1, 0, 0, 8, 'no', 0), "
        "(303, '2026-06-04', 1, 105, 2, 3, 0.5, 11, 1, 0, 8, 'no', 15), "
        "(304, '2026-06-04', 1, 101, 2, 3, 0.3333, 7.5, 1, 0, 8, 'no', 12.5)"));
    const auto cleanUp = qScopeGuard([] {
        test::adminExec(
            QStringLiteral("delete from accounts_dep.smena where id between 301 and 304"));
    });
    const QDate june(2026, 6, 1);
    const QDate july(2026, 7, 1);
    EXPECT_EQ(sheetTotals(pageTexts(sheets(june, july, 105).pages.at(0))),
              (Totals{"13", "1", "3407,14", "100,76", "3507,90"}));

    const std::pair<int, QString> workers[] = {{101, "Иванов Иван Иванович"},
                                               {102, "Ивашов Пётр"},
                                               {103, "Петров Пётр Петрович"},
                                               {105, "Д'Артаньян Шарль"}};
    const std::pair<QDate, QDate> periods[] = {
        {kApril, kMay}, {june, july}, {QDate(2026, 1, 1), QDate(2027, 1, 1)}};
    for (const auto& [from, to] : periods) {
        for (const auto& [code, fio] : workers) {
            const reportengine::ReportDocument own = sheets(from, to, code);
            ASSERT_EQ(own.pageCount(), 1);
            const Totals totals = sheetTotals(pageTexts(own.pages[0]));
            if (totals.pay == "0,00") {
                continue;  // no entries: the detailed report has no group of his
            }
            EXPECT_EQ(totals, detailedTotals(from, to, fio))
                << code << " " << from.toString().toStdString();
        }
    }
}

// Streamed from the server in blocks however small, the sheets are the prepared ones, a page
// each; the PDF has as many pages and the query stays closed; a cancel leaves no file.
TEST_F(PayslipTest, StreamedSheetsAreThePreparedOnes) {
    const PayslipChoice all{kApril, QDate(2026, 6, 1)};
    PayslipLayout layout(connection_);
    const reportengine::ReportDocument whole = preparePayslips(layout, all);
    ASSERT_EQ(whole.pageCount(), 3);
    for (const int blockRows : {1, 2, 512}) {
        std::vector<QStringList> streamed;
        applyPayslip(layout, all);
        reportengine::layOutReport(
            layout.report(), StreamedRows(layout.workerEntries, blockRows),
            [&](reportengine::Page&& page) { streamed.push_back(allTexts(page)); });
        ASSERT_EQ(int(streamed.size()), whole.pageCount()) << blockRows;
        for (int p = 0; p < whole.pageCount(); ++p) {
            EXPECT_EQ(streamed[size_t(p)], allTexts(whole.pages[size_t(p)]))
                << blockRows << " page " << p;
        }
    }

    QTemporaryDir dir;
    EXPECT_EQ(writePayslipsPdf(layout, all, dir.filePath("sheets.pdf"), 2), QString());
    EXPECT_FALSE(layout.workerEntries.isOpen());
    QFile file(dir.filePath("sheets.pdf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(test::pdfPageCount(file.readAll()), 3);

    layout.setProgress([](const reportengine::Progress&) { return false; });
    EXPECT_THROW(writePayslipsPdf(layout, all, dir.filePath("cancelled.pdf")),
                 reportengine::Cancelled);
    EXPECT_FALSE(QFile::exists(dir.filePath("cancelled.pdf")));
}

TEST_F(PayslipTest, WorkersAreFoundByCode) {
    EXPECT_EQ(workerNameOf(connection_, 103), std::optional<QString>("Петров Пётр Петрович"));
    EXPECT_EQ(workerNameOf(connection_, 999), std::nullopt) << "entries, but no person";
    EXPECT_EQ(unknownWorkerMessage("999"), "Рабочий с кодом 999 не найден");
}

}  // namespace
}  // namespace tabel::reports
