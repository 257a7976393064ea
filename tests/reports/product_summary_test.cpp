// The product summary workbook against entries of June 2026: its quantities and masses are the
// exact sums the printed products report shows, fractions included.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <vector>

#include "data/connection.h"
#include "report_texts.h"
#include "reports/period_reports.h"
#include "test_db.h"
#include "xlsx_reader.h"

namespace tabel::reports {
namespace {

// Every case is one summary row: Резка of Кронштейн (1,25 kg a piece) in a colour of its own.
struct Entry {
    const char* kolVo;  // as SQL text
    int brak;
};

struct Case {
    const char* name;
    int colour;
    std::vector<Entry> entries;
    const char* quantity;  // the "Кол-во" cell as stored in the file
    const char* mass;      // the "Коробки" cell
    const char* printed;   // the quantity as the printed report shows it
};

const Case kCases[] = {
    {"whole", 11, {{"642", 0}}, "642", "802.5", "642"},
    {"half", 12, {{"642.5", 0}}, "642.5", "803.125", "642,5"},
    {"long fraction", 13, {{"0.125", 0}}, "0.125", "0.15625", "0,125"},
    {"large, summed", 14, {{"27000.25", 0}, {"561.25", 0}}, "27561.5", "34451.875", "27561,5"},
    {"defects taken off", 15, {{"10.5", 3}}, "7.5", "9.375", "7,5"},
    {"tenths summed", 16, {{"0.1", 0}, {"0.2", 0}}, "0.3", "0.375", "0,3"},
};

class ProductSummaryTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        test::loadBaseFixture();
        test::loadFixture(QStringLiteral("tests/reports/fixture_reports.sql"));
        int id = 600;
        for (const Case& c : kCases) {
            for (const Entry& e : c.entries) {
                test::adminExec(
                    QStringLiteral("INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, "
                                   "o_id, cena, kol_vo, brak, color, time, ok, prize, id_doc, "
                                   "id_doc_item) VALUES (%1, '2026-06-10', 1, 101, 1, 1, 1, %2, "
                                   "%3, %4, 0, 'no', 0, 0, 0)")
                        .arg(id++)
                        .arg(QString::fromLatin1(e.kolVo))
                        .arg(e.brak)
                        .arg(c.colour));
            }
        }
    }
    void SetUp() override { test::connectAs(connection_, QStringLiteral("master")); }

    const Period june_{QDate(2026, 6, 1), QDate(2026, 7, 1), ProductKind::All};
    data::Connection connection_{QStringLiteral("summary")};
};

TEST_F(ProductSummaryTest, QuantitiesAreTheExactSumsThePrintedReportShows) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("сводка.xlsx"));
    saveProductSummary(connection_, june_, path);
    const test::XlsxBook book = test::readXlsx(path);
    ASSERT_TRUE(book.ok) << book.error.toStdString();

    auto layout = makePeriodLayout(PeriodReport::Products, connection_);
    const QStringList printed =
        test::textsOf(preparePeriodReport(*layout, PeriodReport::Products, june_));

    // The title, the header, then a row a product.
    constexpr int kFirstRow = 3;
    int rows = 0;
    while (book.cell(rows + kFirstRow, 1) != nullptr) {
        ++rows;
    }
    EXPECT_EQ(rows, int(std::size(kCases)));
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const QString operation = QStringLiteral("Резка (цвет: %1)").arg(c.colour);
        int row = kFirstRow;
        while (row < rows + kFirstRow && book.cell(row, 2)->value != operation) {
            ++row;
        }
        ASSERT_LT(row, rows + kFirstRow) << operation.toStdString();
        const test::XlsxCell* quantity = book.cell(row, 5);
        ASSERT_NE(quantity, nullptr);
        EXPECT_EQ(quantity->value.toStdString(), c.quantity);
        EXPECT_TRUE(quantity->isNumber);
        const test::XlsxCell* mass = book.cell(row, 4);
        ASSERT_NE(mass, nullptr);
        EXPECT_EQ(mass->value.toStdString(), c.mass);
        EXPECT_TRUE(printed.contains(QString::fromUtf8(c.printed)))
            << printed.join(QStringLiteral(" | ")).toStdString();
    }
}

}  // namespace
}  // namespace tabel::reports
