// The reports dialog: default period, captions, previews with the kind filter, the summary.
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "data/dataset.h"
#include "data/session.h"
#include "find_widget.h"
#include "outputwindows/report_preview.h"
#include "outputwindows/reports_dialog.h"
#include "report_texts.h"
#include "reports/spreadsheet.h"
#include "shown_lists.h"
#include "test_db.h"
#include "xlsx_reader.h"

namespace tabel::outputwindows {

using reports::ProductKind;
using reports::Spreadsheet;
namespace {

class ReportsDialogTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        test::loadBaseFixture();
        test::loadFixture(QStringLiteral("tests/reports/fixture_reports.sql"));
    }
    void SetUp() override {
        test::connectAs(session_.connection, QStringLiteral("master"));
        Spreadsheet::setOpener([this](const QString& path) {
            opened_.append(path);
            return true;
        });
    }
    void TearDown() override { Spreadsheet::setOpener({}); }

    void setApril(QRadioButton* kind) {
        form_.fromDate->setDate(QDate(2026, 4, 1));
        form_.toDate->setDate(QDate(2026, 5, 1));
        kind->setChecked(true);
    }

    // Clicks a report button and takes the preview it opened.
    ReportPreview* previewOf(QPushButton* button) {
        QTest::mouseClick(button, Qt::LeftButton);
        auto* preview = form_.findChild<ReportPreview*>();
        EXPECT_NE(preview, nullptr);
        return preview;
    }

    data::Session session_;
    ReportsDialog form_{session_};
    QStringList opened_;
};

TEST_F(ReportsDialogTest, ControlsAndDefaultPeriod) {
    EXPECT_EQ(form_.windowTitle(), "Отчеты");
    // The buttons in their order, top to bottom, as the user reads them.
    const QStringList captions{"Отчет по рабочим",
                               "Отчет по продукции",
                               "Детальный отчет по рабочим",
                               "Детальный отчет по продукции",
                               "Детальный отчет по заявкам",
                               "Excel (0 из 0)",
                               "Выход"};
    const QList<QPushButton*> buttons{form_.workersButton,       form_.productsButton,
                                      form_.workersDetailButton, form_.productsDetailButton,
                                      form_.requisitionsButton,  form_.excelButton,
                                      form_.exitButton};
    for (qsizetype i = 0; i < captions.size(); ++i) {
        EXPECT_EQ(test::buttonCaptioned<QPushButton>(form_, captions[i]), buttons[i])
            << captions[i].toStdString();
    }
    EXPECT_EQ(test::fieldLabelled<QDateEdit>(form_, "с"), form_.fromDate);
    EXPECT_EQ(test::fieldLabelled<QDateEdit>(form_, "по"), form_.toDate);
    EXPECT_EQ(form_.productKind(), ProductKind::All);
    EXPECT_EQ(test::buttonCaptioned(form_, "Все"), form_.allKindsRadio);
    EXPECT_EQ(test::buttonCaptioned(form_, "Готовая продукция"), form_.finishedRadio);
    EXPECT_EQ(test::buttonCaptioned(form_, "Заготовки"), form_.blanksRadio);

    const struct {
        QDate today, from, to;
    } periods[] = {
        {QDate(2026, 3, 31), QDate(2026, 2, 1), QDate(2026, 3, 1)},
        {QDate(2026, 1, 15), QDate(2025, 12, 1), QDate(2026, 1, 1)},
        {QDate(2026, 1, 1), QDate(2025, 12, 1), QDate(2026, 1, 1)},
    };
    for (const auto& p : periods) {
        form_.setDefaultPeriod(p.today);
        EXPECT_EQ(form_.fromDate->date(), p.from) << p.today.toString().toStdString();
        EXPECT_EQ(form_.toDate->date(), p.to);
    }
}

TEST_F(ReportsDialogTest, PreviewHasTitleAndKindFilter) {
    setApril(form_.blanksRadio);
    auto* preview = previewOf(form_.productsButton);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle(),
              "Предварительный просмотр Отчет по продукции за период с 01.04.2026 по 01.05.2026");
    EXPECT_TRUE(preview->isModal());
    const QStringList texts = test::textsOf(preview->document());
    EXPECT_EQ(texts.front(), "   Отчет по продукции за период с 01.04.2026 по 01.05.2026");
    EXPECT_TRUE(texts.contains("Сварка"));
    EXPECT_FALSE(texts.contains("Покраска"));
    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    form_.finishedRadio->setChecked(true);
    preview = previewOf(form_.requisitionsButton);
    ASSERT_NE(preview, nullptr);
    const QStringList requisitions = test::textsOf(preview->document());
    EXPECT_EQ(requisitions.front(),
              "   Детальный отчет по заявкам за период с 01.04.2026 по 01.05.2026");
    EXPECT_FALSE(requisitions.contains("Сварка"));
    EXPECT_TRUE(requisitions.contains("Покраска"));
    preview->close();
}

TEST_F(ReportsDialogTest, ExcelWritesTheSummaryWithProgress) {
    setApril(form_.allKindsRadio);
    QTest::mouseClick(form_.excelButton, Qt::LeftButton);
    EXPECT_EQ(test::withoutMnemonic(form_.excelButton->text()), "Excel (4 из 4)");
    EXPECT_FALSE(form_.productSummary->isOpen());
    ASSERT_EQ(opened_.size(), 1);
    const test::XlsxBook book = test::readXlsx(opened_.front());
    ASSERT_TRUE(book.ok) << book.error.toStdString();
    EXPECT_EQ(book.cell(1, 1)->value, "Наименование");
    EXPECT_EQ(book.cell(1, 5)->value, "Кол-во");
    QStringList operations;
    for (int row = 2; row <= 5; ++row) {
        ASSERT_NE(book.cell(row, 2), nullptr) << row;
        operations.append(book.cell(row, 2)->value);
        if (book.cell(row, 2)->value == "Резка") {
            EXPECT_EQ(book.cell(row, 1)->value, "Кронштейн");
            EXPECT_EQ(book.cell(row, 3)->value, "Готовая продукция");
            EXPECT_EQ(book.cell(row, 4)->value, "133.75");
            EXPECT_TRUE(book.cell(row, 4)->isNumber);
            EXPECT_EQ(book.cell(row, 5)->value, "107");
        }
        if (book.cell(row, 2)->value == "Сварка") {
            EXPECT_EQ(book.cell(row, 3)->value, "Заготовки");
        }
    }
    operations.sort();
    EXPECT_EQ(operations,
              (QStringList{"Гибка 'Г' (грунт)", "Покраска (цвет: 3020)", "Резка", "Сварка"}));
    EXPECT_EQ(book.cell(6, 1), nullptr);

    form_.finishedRadio->setChecked(true);
    QTest::mouseClick(form_.excelButton, Qt::LeftButton);
    EXPECT_EQ(test::withoutMnemonic(form_.excelButton->text()), "Excel (3 из 3)");

    form_.toDate->setDate(QDate(2026, 4, 1));
    QTest::mouseClick(form_.excelButton, Qt::LeftButton);
    EXPECT_EQ(test::withoutMnemonic(form_.excelButton->text()), "Excel (0 из 0)");
    ASSERT_EQ(opened_.size(), 3);
    const test::XlsxBook empty = test::readXlsx(opened_.back());
    EXPECT_EQ(empty.cell(1, 2)->value, "Операция");
    EXPECT_EQ(empty.cell(2, 1), nullptr);
}

TEST_F(ReportsDialogTest, ExitAndEscapeClose) {
    form_.show();
    QTest::mouseClick(form_.exitButton, Qt::LeftButton);
    EXPECT_FALSE(form_.isVisible());
    form_.show();
    QTest::keyClick(&form_, Qt::Key_Escape);
    EXPECT_FALSE(form_.isVisible());
}

}  // namespace
}  // namespace tabel::outputwindows
