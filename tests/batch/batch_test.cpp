// The command-line mode of the real program: reports as PDF and .xlsx, bad usage, refused login.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "test_db.h"
#include "xlsx_reader.h"

namespace tabel::test {
namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome runTabel(const QStringList& arguments, const QString& password = QStringLiteral("master")) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TABEL_PASSWORD"), password);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(TABEL_BINARY), arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString pdfText(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
    process.waitForFinished(60000);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

class BatchTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        loadBaseFixture();
        loadFixture(QStringLiteral("tests/reports/fixture_reports.sql"));
    }

    QStringList login() const {
        return {testServer(), QStringLiteral("tabel"), QStringLiteral("--user"),
                QStringLiteral("master")};
    }
    QStringList april() const {
        return {QStringLiteral("--from"), QStringLiteral("01.04.2026"), QStringLiteral("--to"),
                QStringLiteral("01.05.2026")};
    }

    QTemporaryDir dir_;
};

TEST_F(BatchTest, EveryReportAsPdf) {
    const struct {
        const char* kind;
        const char* title;
        const char* figure;
    } cases[] = {
        {"workers", "Отчет по рабочим за период с 01.04.2026 по 01.05.2026", "1125,00"},
        {"products", "Отчет по продукции за период с 01.04.2026 по 01.05.2026", "647"},
        {"workers-detail", "Детальный отчет по рабочим за период с 01.04.2026 по 01.05.2026",
         "1100,00"},
        {"products-detail", "Детальный отчет по продукции за период с 01.04.2026 по 01.05.2026",
         "1140,00"},
        {"requisitions", "Детальный отчет по заявкам за период с 01.04.2026 по 01.05.2026",
         "1133,00"},
    };
    for (const auto& c : cases) {
        const QString path = dir_.filePath(QString::fromLatin1(c.kind) + ".pdf");
        const Outcome run =
            runTabel(login() + QStringList{"--report", QString::fromLatin1(c.kind)} + april() +
                     QStringList{"--pdf", path});
        ASSERT_EQ(run.exitCode, 0) << c.kind << ": " << run.err.toStdString();
        const QString text = pdfText(path);
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.title))) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.figure))) << text.toStdString();
        EXPECT_TRUE(text.contains("Итого:")) << c.kind;
    }
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 5)
        << "no temporary file left behind";
}

TEST_F(BatchTest, KindFilterReachesTheReport) {
    const QString path = dir_.filePath("blanks.pdf");
    const Outcome run = runTabel(login() + QStringList{"--report", "products"} + april() +
                                 QStringList{"--kind", "blanks", "--pdf", path});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString text = pdfText(path);
    EXPECT_TRUE(text.contains("Сварка"));
    EXPECT_FALSE(text.contains("Покраска"));
}

TEST_F(BatchTest, SummaryAsWorkbook) {
    const QString path = dir_.filePath("summary.xlsx");
    const Outcome run = runTabel(login() + QStringList{"--report", "summary"} + april() +
                                 QStringList{"--xlsx", path});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const XlsxBook book = readXlsx(path);
    ASSERT_TRUE(book.ok) << book.error.toStdString();
    const QStringList header = {"Наименование", "Операция", "Вид продукции", "Коробки", "Кол-во"};
    for (int c = 0; c < header.size(); ++c) {
        ASSERT_NE(book.cell(1, c + 1), nullptr);
        EXPECT_EQ(book.cell(1, c + 1)->value, header[c]);
    }
    bool painted = false;
    for (int row = 2; book.cell(row, 1); ++row) {
        if (book.cell(row, 1)->value == "Кронштейн усиленный") {
            painted = true;
            EXPECT_EQ(book.cell(row, 2)->value, "Покраска (цвет: 3020)");
            EXPECT_EQ(book.cell(row, 3)->value, "Готовая продукция");
            EXPECT_EQ(book.cell(row, 4)->value, "500");
            EXPECT_EQ(book.cell(row, 5)->value, "200");
        }
    }
    EXPECT_TRUE(painted);
}

TEST_F(BatchTest, BadUsageExitsWithTwo) {
    const QString pdf = dir_.filePath("bad.pdf");
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {QStringList{"--report", "salary"} + april() + QStringList{"--pdf", pdf},
         "Неизвестный отчет: salary"},
        {QStringList{"--report", "workers", "--from", "31.02.2026", "--to", "01.03.2026", "--pdf",
                     pdf},
         "Неверная дата «с»: 31.02.2026"},
        {QStringList{"--report", "workers", "--from", "01.04.2026", "--to", "1.5.26", "--pdf", pdf},
         "Неверная дата «по»: 1.5.26"},
        {QStringList{"--report", "workers", "--from", "01.05.2026", "--to", "01.04.2026", "--pdf",
                     pdf},
         "Дата «по» раньше даты «с»"},
        {QStringList{"--report", "workers"} + april() +
             QStringList{"--kind", "paint", "--pdf", pdf},
         "Неизвестный вид продукции: paint"},
        {QStringList{"--report", "summary"} + april() + QStringList{"--pdf", pdf}, "--xlsx FILE"},
        {QStringList{"--report", "workers"} + april(), "--pdf FILE"},
        {QStringList{"--report", "workers", "--to", "01.05.2026", "--pdf", pdf},
         "Не задан параметр --from"},
        {QStringList{"--pdf", pdf}, "Не задано задание"},
        {QStringList{"--report", "workers", "--frm", "01.04.2026"}, "frm"},
    };
    for (const auto& c : cases) {
        const Outcome run = runTabel(login() + c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message)))
            << c.message << " in: " << run.err.toStdString();
    }
    const Outcome noUser = runTabel(
        {"--report", "workers", "--from", "01.04.2026", "--to", "01.05.2026", "--pdf", pdf});
    EXPECT_EQ(noUser.exitCode, 2);
    EXPECT_TRUE(noUser.err.contains("--user")) << noUser.err.toStdString();
    EXPECT_FALSE(QFile::exists(pdf));

    const Outcome help = runTabel({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"--report", "summary", "--xlsx", "--kind", "TABEL_PASSWORD"}) {
        EXPECT_TRUE(help.out.contains(QString::fromUtf8(word))) << word;
    }
}

TEST_F(BatchTest, RefusedLoginKeepsTheOldFile) {
    const QString path = dir_.filePath("kept.pdf");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    const Outcome refused = runTabel(
        login() + QStringList{"--report", "workers"} + april() + QStringList{"--pdf", path},
        QStringLiteral("wrong"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("Подключение к БД отсутсвует")) << refused.err.toStdString();
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "old");

    const Outcome noServer =
        runTabel({dir_.filePath("nosocket"), "tabel", "--user", "master", "--report", "workers",
                  "--from", "01.04.2026", "--to", "01.05.2026", "--pdf", path});
    EXPECT_EQ(noServer.exitCode, 1);

    const Outcome unwritable =
        runTabel(login() + QStringList{"--report", "workers"} + april() +
                 QStringList{"--pdf", dir_.filePath("no/such/folder/x.pdf")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.err.contains("Не удалось записать файл"))
        << unwritable.err.toStdString();
}

QString marchHours() {
    return adminQuery(QStringLiteral(
        "select coalesce(string_agg(format('%s/%s %s %s', w_id, smena, d2, d3), ' ' order by "
        "w_id, smena), '') from accounts_dep.h_tabel where month = 3 and year = 2026"));
}

TEST_F(BatchTest, RebuildHoursOfAMonthAndWhoMayDoIt) {
    const QString fixture = marchHours();
    adminExec(
        QStringLiteral("update accounts_dep.h_tabel set d2 = 5 where month = 3 and year = "
                       "2026; insert into accounts_dep.h_tabel (w_id, smena, month, year, "
                       "d9) values (107, 1, 3, 2026, 4)"));
    const QString spoiled = marchHours();
    for (const QString& who : {QStringLiteral("econom"), QStringLiteral("clerk_a")}) {
        const Outcome refused =
            runTabel({testServer(), "tabel", "--user", who, "--rebuild-hours", "3", "2026"}, who);
        EXPECT_EQ(refused.exitCode, 1) << who.toStdString();
        EXPECT_TRUE(refused.err.contains(QStringLiteral("не разрешено перестраивать табель")))
            << refused.err.toStdString();
    }
    EXPECT_EQ(marchHours(), spoiled);

    const Outcome rebuilt = runTabel(login() + QStringList{"--rebuild-hours", "3", "2026"});
    ASSERT_EQ(rebuilt.exitCode, 0) << rebuilt.err.toStdString();
    EXPECT_TRUE(rebuilt.out.contains(QStringLiteral("Табель за Март 2026 перестроен, строк: 8")))
        << rebuilt.out.toStdString();
    EXPECT_EQ(marchHours(), fixture);

    const struct {
        QStringList arguments;
        const char* message;
    } badUsage[] = {
        {{"--rebuild-hours", "13", "2026"}, "Неверный месяц: 13"},
        {{"--rebuild-hours", "март", "2026"}, "Неверный месяц: март"},
        {{"--rebuild-hours", "3", "двадцать"}, "Неверный год: двадцать"},
        // The database name is taken for the year; the server is then left over.
        {{"--rebuild-hours", "3"}, "Лишние аргументы"},
        {{"--timesheet", "3", "2026"}, "Укажите один файл результата"},
    };
    for (const auto& c : badUsage) {
        const Outcome bad = runTabel(login() + c.arguments);
        EXPECT_EQ(bad.exitCode, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(bad.err.contains(QString::fromUtf8(c.message))) << bad.err.toStdString();
    }
}

TEST_F(BatchTest, TimesheetAsPdfAndWorkbook) {
    const QString pdf = dir_.filePath("march.pdf");
    const Outcome printed =
        runTabel(login() + QStringList{"--timesheet", "3", "2026", "--pdf", pdf});
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Март 2026 г."))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Иванов Иван Иванович"))) << text.toStdString();

    const QString xlsx = dir_.filePath("march.xlsx");
    const Outcome written =
        runTabel(login() + QStringList{"--timesheet", "3", "2026", "--xlsx", xlsx});
    ASSERT_EQ(written.exitCode, 0) << written.err.toStdString();
    const XlsxBook book = readXlsx(xlsx);
    ASSERT_TRUE(book.ok) << book.error.toStdString();
    ASSERT_NE(book.cell(1, 1), nullptr);
    EXPECT_EQ(book.cell(1, 1)->value, QStringLiteral("Март 2026"));
    EXPECT_EQ(book.cell(2, 33)->value, QStringLiteral("Итого"));
    // 101: 8 hours in shift 1 and 2 in overtime on the 2nd.
    bool found = false;
    for (int row = 3; book.cell(row, 1) != nullptr; ++row) {
        if (book.cell(row, 1)->value == QStringLiteral("Иванов Иван Иванович")) {
            found = true;
            EXPECT_EQ(book.cell(row, 3)->value, QStringLiteral("10"));
            EXPECT_EQ(book.cell(row, 33)->value, QStringLiteral("10"));
        }
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace tabel::test
