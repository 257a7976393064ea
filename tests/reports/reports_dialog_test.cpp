// The reports dialog: default period, captions, previews with the kind filter, the summary.
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "data/data_module.h"
#include "data/dataset.h"
#include "reportengine/preview_window.h"
#include "reports/reports_dialog.h"
#include "reports/spreadsheet.h"
#include "test_db.h"
#include "xlsx_reader.h"

namespace tabel::reports {
namespace {

QStringList textsOf(const reportengine::ReportDocument& doc) {
    QStringList out;
    for (const auto& page : doc.pages) {
        for (const QString& t : page.texts()) {
            out.append(t);
        }
    }
    return out;
}

class ReportsDialogTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        test::loadBaseFixture();
        test::loadFixture(QStringLiteral("tests/reports/fixture_reports.sql"));
    }
    void SetUp() override {
        test::connectAs(dm_.ADO_DB, QStringLiteral("master"));
        Spreadsheet::setOpener([this](const QString& path) {
            opened_.append(path);
            return true;
        });
    }
    void TearDown() override { Spreadsheet::setOpener({}); }

    void setApril(QRadioButton* kind) {
        form_.DTPicker1->setDate(QDate(2026, 4, 1));
        form_.DTPicker2->setDate(QDate(2026, 5, 1));
        kind->setChecked(true);
    }

    // Clicks a report button and takes the preview it opened.
    reportengine::ReportPreview* previewOf(QPushButton* button) {
        QTest::mouseClick(button, Qt::LeftButton);
        auto* preview = form_.findChild<reportengine::ReportPreview*>();
        EXPECT_NE(preview, nullptr);
        return preview;
    }

    data::TDataModule6 dm_;
    TForm18 form_{dm_};
    QStringList opened_;
};

TEST_F(ReportsDialogTest, ControlsAndDefaultPeriod) {
    EXPECT_EQ(form_.windowTitle(), "Отчеты");
    const std::pair<const char*, const char*> captions[] = {
        {"Button4", "Отчет по рабочим"},
        {"Button2", "Отчет по продукции"},
        {"Button1", "Детальный отчет по рабочим"},
        {"Button3", "Детальный отчет по продукции"},
        {"Button7", "Детальный отчет по заявкам"},
        {"Button6", "Excel (0 из 0)"},
        {"Button5", "Выход"},
    };
    for (const auto& [name, caption] : captions) {
        auto* b = form_.findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), QString::fromUtf8(caption));
    }
    EXPECT_EQ(form_.Label1->buddy(), form_.DTPicker1);
    EXPECT_EQ(form_.Label2->buddy(), form_.DTPicker2);
    EXPECT_EQ(form_.RadioGroup1ItemIndex(), 0);

    const struct {
        QDate today, from, to;
    } periods[] = {
        {QDate(2026, 3, 31), QDate(2026, 2, 1), QDate(2026, 3, 1)},
        {QDate(2026, 1, 15), QDate(2025, 12, 1), QDate(2026, 1, 1)},
        {QDate(2026, 1, 1), QDate(2025, 12, 1), QDate(2026, 1, 1)},
    };
    for (const auto& p : periods) {
        form_.setDefaultPeriod(p.today);
        EXPECT_EQ(form_.DTPicker1->date(), p.from) << p.today.toString().toStdString();
        EXPECT_EQ(form_.DTPicker2->date(), p.to);
    }
}

TEST_F(ReportsDialogTest, PreviewHasTitleAndKindFilter) {
    setApril(form_.RadioButton3);
    auto* preview = previewOf(form_.Button2);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle(),
              "Предварительный просмотр Отчет по продукции за период с 01.04.2026 по 01.05.2026");
    EXPECT_TRUE(preview->isModal());
    const QStringList texts = textsOf(preview->document());
    EXPECT_EQ(texts.front(), "   Отчет по продукции за период с 01.04.2026 по 01.05.2026");
    EXPECT_TRUE(texts.contains("Сварка"));
    EXPECT_FALSE(texts.contains("Покраска"));
    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    form_.RadioButton2->setChecked(true);
    preview = previewOf(form_.Button7);
    ASSERT_NE(preview, nullptr);
    const QStringList requisitions = textsOf(preview->document());
    EXPECT_EQ(requisitions.front(),
              "   Детальный отчет по заявкам за период с 01.04.2026 по 01.05.2026");
    EXPECT_FALSE(requisitions.contains("Сварка"));
    EXPECT_TRUE(requisitions.contains("Покраска"));
    preview->close();
}

TEST_F(ReportsDialogTest, ExcelWritesTheSummaryWithProgress) {
    setApril(form_.RadioButton1);
    QTest::mouseClick(form_.Button6, Qt::LeftButton);
    EXPECT_EQ(form_.Button6->text(), "Excel (4 из 4)");
    EXPECT_FALSE(form_.XLS_Rep->isOpen());
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

    form_.RadioButton2->setChecked(true);
    QTest::mouseClick(form_.Button6, Qt::LeftButton);
    EXPECT_EQ(form_.Button6->text(), "Excel (3 из 3)");

    form_.DTPicker2->setDate(QDate(2026, 4, 1));
    QTest::mouseClick(form_.Button6, Qt::LeftButton);
    EXPECT_EQ(form_.Button6->text(), "Excel (0 из 0)");
    ASSERT_EQ(opened_.size(), 3);
    const test::XlsxBook empty = test::readXlsx(opened_.back());
    EXPECT_EQ(empty.cell(1, 2)->value, "Операция");
    EXPECT_EQ(empty.cell(2, 1), nullptr);
}

TEST_F(ReportsDialogTest, ExitAndEscapeClose) {
    form_.show();
    QTest::mouseClick(form_.Button5, Qt::LeftButton);
    EXPECT_FALSE(form_.isVisible());
    form_.show();
    QTest::keyClick(&form_, Qt::Key_Escape);
    EXPECT_FALSE(form_.isVisible());
}

}  // namespace
}  // namespace tabel::reports
