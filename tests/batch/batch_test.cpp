// The command-line mode of the real program: reports as PDF and .xlsx, bad usage, refused login.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "silent_server.h"
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

// Debian's driver settings switch the driver's communication log on; a job leaves no
// /tmp/psqlodbc_*.log behind all the same.
TEST_F(BatchTest, AJobLeavesNoDriverLogFile) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TABEL_PASSWORD"), QStringLiteral("master"));
    env.remove(QStringLiteral("ODBCSYSINI"));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(TABEL_BINARY),
                  login() + QStringList{"--report", "workers"} + april() +
                      QStringList{"--pdf", dir_.filePath("workers.pdf")});
    ASSERT_TRUE(process.waitForStarted());
    const qint64 pid = process.processId();
    process.waitForFinished(120000);
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QStringList logs =
        QDir(QStringLiteral("/tmp"))
            .entryList({QStringLiteral("psqlodbc_*%1.log").arg(pid)}, QDir::Files);
    EXPECT_TRUE(logs.isEmpty()) << logs.join(' ').toStdString();
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
    ASSERT_NE(book.cell(1, 1), nullptr);
    EXPECT_EQ(book.cell(1, 1)->value, "Продукция за период с 01.04.2026 по 01.05.2026");
    const QStringList header = {"Наименование", "Операция", "Вид продукции", "Коробки", "Кол-во"};
    for (int c = 0; c < header.size(); ++c) {
        ASSERT_NE(book.cell(2, c + 1), nullptr);
        EXPECT_EQ(book.cell(2, c + 1)->value, header[c]);
    }
    bool painted = false;
    for (int row = 3; book.cell(row, 1); ++row) {
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

// Every command that writes a file goes through the same output step: a name that cannot be
// written (here an existing folder) ends the job with 1 and the reason, and leaves no temporary
// behind; a good name gets the whole file and nothing else appears beside it.
TEST_F(BatchTest, EveryOutputIsWrittenWholeOrNotAtAll) {
    const struct {
        QStringList job;
        const char* option;
    } outputs[] = {
        {QStringList{"--report", "workers"} + april(), "pdf"},
        {QStringList{"--report", "summary"} + april(), "xlsx"},
        {{"--timesheet", "3", "2026"}, "pdf"},
        {{"--timesheet", "3", "2026"}, "xlsx"},
        {QStringList{"--history"} + april(), "csv"},
    };
    for (const auto& c : outputs) {
        const QString option = QString::fromLatin1(c.option);
        const QString what = c.job.join(' ') + " --" + option;
        QTemporaryDir folder;
        const QString taken = folder.filePath("taken." + option);
        ASSERT_TRUE(QDir().mkdir(taken));
        const Outcome refused = runTabel(login() + c.job + QStringList{"--" + option, taken});
        EXPECT_EQ(refused.exitCode, 1) << what.toStdString();
        EXPECT_TRUE(refused.err.startsWith("Не удалось записать файл " + taken + ": "))
            << what.toStdString() << ": " << refused.err.toStdString();
        EXPECT_EQ(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"taken." + option})
            << what.toStdString();

        const QString path = folder.filePath("made." + option);
        const Outcome made = runTabel(login() + c.job + QStringList{"--" + option, path});
        EXPECT_EQ(made.exitCode, 0) << what.toStdString() << ": " << made.err.toStdString();
        EXPECT_EQ(made.err, QString()) << what.toStdString();
        EXPECT_GT(QFileInfo(path).size(), 0) << what.toStdString();
        EXPECT_EQ(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            (QStringList{"made." + option, "taken." + option}))
            << what.toStdString();
    }
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

// A server that takes the connection and never answers: the nightly job ends at its time
// limit with status 1 and a message, and leaves no file behind.
TEST_F(BatchTest, AJobAgainstAServerThatNeverAnswersEndsAtItsTimeLimit) {
    SilentServer silent;
    const QString path = dir_.filePath(QStringLiteral("workers.pdf"));
    const Outcome outcome = runTabel(
        QStringList{silent.folder(), QStringLiteral("tabel"), QStringLiteral("--user"),
                    QStringLiteral("master"), QStringLiteral("--timeout"), QStringLiteral("2"),
                    QStringLiteral("--report"), QStringLiteral("workers")} +
        april() + QStringList{QStringLiteral("--pdf"), path});
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains(QStringLiteral("Задание не завершилось за 2 с")))
        << outcome.err.toStdString();
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(BatchTest, ATimeLimitThatIsNoNumberIsBadUsage) {
    const Outcome outcome =
        runTabel(login() +
                 QStringList{QStringLiteral("--timeout"), QStringLiteral("soon"),
                             QStringLiteral("--report"), QStringLiteral("workers")} +
                 april());
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.err.contains(QStringLiteral("--timeout"))) << outcome.err.toStdString();
}

// An entry of its own (numbered past every entry the history has seen) added and changed by
// master and deleted by sys in plain SQL; its history as text and as CSV, alone and in the
// period of today.
class HistoryBatchTest : public BatchTest {
protected:
    void SetUp() override {
        entry =
            adminQuery(QStringLiteral("select greatest(coalesce(max(id_smena), 0), 100000) + 1 "
                                      "from accounts_dep.smena_history"));
        adminExec(QStringLiteral(
                      "SET SESSION AUTHORIZATION master; "
                      "INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, "
                      "kol_vo, time, ok) VALUES (%1, '2026-03-02', 1, 101, 1, 1, 1, 16, 8, 'no'); "
                      "UPDATE accounts_dep.smena SET kol_vo = 30 WHERE id = %1; "
                      "RESET SESSION AUTHORIZATION; SET SESSION AUTHORIZATION sys; "
                      "DELETE FROM accounts_dep.smena WHERE id = %1;")
                      .arg(entry));
    }
    QStringList today() const {
        const QDate day = QDate::currentDate();
        return {QStringLiteral("--from"), day.addDays(-1).toString(QStringLiteral("dd.MM.yyyy")),
                QStringLiteral("--to"), day.addDays(2).toString(QStringLiteral("dd.MM.yyyy"))};
    }
    // The lines of `text` that are about the entry.
    QStringList entryLines(const QString& text, const QString& separator) const {
        QStringList lines;
        for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (line.split(separator).contains(entry)) {
                lines.append(line.trimmed());
            }
        }
        return lines;
    }

    QString entry;
};

TEST_F(HistoryBatchTest, AnEntrysHistoryAsTextAndCsv) {
    const Outcome text = runTabel(login() + QStringList{QStringLiteral("--history"), entry});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    const QStringList lines = text.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << text.out.toStdString();
    const struct {
        const char* login;
        const char* action;
        const char* change;
    } expected[] = {{"master", "Заведена", "Кол-во: 16;"},
                    {"master", "Изменена", "Кол-во: 16 → 30"},
                    {"sys", "Удалена", "Кол-во: 30;"}};
    for (int i = 0; i < 3; ++i) {
        const QStringList fields = lines[i].split(QStringLiteral("  "));
        ASSERT_GE(fields.size(), 5) << lines[i].toStdString();
        EXPECT_EQ(fields[1], entry);
        EXPECT_EQ(fields[2], QString::fromUtf8(expected[i].login));
        EXPECT_EQ(fields[3], QString::fromUtf8(expected[i].action));
        EXPECT_TRUE((fields[4] + u';').contains(QString::fromUtf8(expected[i].change)))
            << lines[i].toStdString();
    }
    // The worker, product and operation by their names, as the lists show them.
    for (const int i : {0, 2}) {
        for (const char* named : {"ФИО: Иванов Иван Иванович;", "Изделие: КР-1;",
                                  "Операция: Резка, Готовая продукция;"}) {
            EXPECT_TRUE((lines[i] + u';').contains(QString::fromUtf8(named)))
                << named << " in " << lines[i].toStdString();
        }
    }

    const QString csv = dir_.filePath(QStringLiteral("history.csv"));
    const Outcome file = runTabel(
        login() + QStringList{QStringLiteral("--history"), entry, QStringLiteral("--csv"), csv});
    ASSERT_EQ(file.exitCode, 0) << file.err.toStdString();
    EXPECT_TRUE(file.out.isEmpty());
    QFile written(csv);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "a spreadsheet program reads it as UTF-8";
    const QStringList rows =
        QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0], QStringLiteral("Позиция;Время;Логин;Действие;Изменения"));
    const QStringList second = rows[2].split(QLatin1Char(';'));
    ASSERT_EQ(second.size(), 5) << rows[2].toStdString();
    EXPECT_EQ(second[0], entry);
    EXPECT_EQ(second[2], QStringLiteral("master"));
    EXPECT_EQ(second[4], QStringLiteral("Кол-во: 16 → 30"));
    // A deletion tells every old value: fields joined by "; " are quoted.
    EXPECT_TRUE(rows[3].endsWith(QLatin1Char('"'))) << rows[3].toStdString();
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("history.csv")});
}

TEST_F(HistoryBatchTest, APeriodsHistoryHoldsEveryActionOfThePeriod) {
    const Outcome text = runTabel(login() + QStringList{QStringLiteral("--history")} + today());
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_EQ(entryLines(text.out, QStringLiteral("  ")).size(), 3) << text.out.toStdString();

    const QString csv = dir_.filePath(QStringLiteral("period.csv"));
    const Outcome file = runTabel(login() + QStringList{QStringLiteral("--history")} + today() +
                                  QStringList{QStringLiteral("--csv"), csv});
    ASSERT_EQ(file.exitCode, 0) << file.err.toStdString();
    QFile written(csv);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(entryLines(QString::fromUtf8(written.readAll()), QStringLiteral(";")).size(), 3);

    // A period without actions: nothing, and no failure.
    const Outcome empty =
        runTabel(login() + QStringList{QStringLiteral("--history"), QStringLiteral("--from"),
                                       QStringLiteral("01.01.2001"), QStringLiteral("--to"),
                                       QStringLiteral("02.01.2001")});
    EXPECT_EQ(empty.exitCode, 0) << empty.err.toStdString();
    EXPECT_TRUE(empty.out.isEmpty()) << empty.out.toStdString();
}

TEST_F(HistoryBatchTest, WrongRequestsAreRefused) {
    const struct {
        QStringList arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {{"--history"}, 2, "Укажите номер позиции"},
        {{"--history", "abc"}, 2, "Неверный номер позиции: abc"},
        {{"--history", "7", "--from", "01.03.2026", "--to", "01.04.2026"},
         2,
         "Укажите номер позиции"},
        {{"--history", "--from", "01.04.2026", "--to", "01.03.2026"},
         2,
         "Дата «по» раньше даты «с»"},
        {{"--history", "--to", "01.03.2026"}, 2, "Не задан параметр --from"},
        {{"--history", "7", "--pdf", "x.pdf"}, 2, "--csv FILE"},
        {{"--history", "999999999"}, 1, "Истории позиции 999999999 нет"},
        {{"--history", "1", "--csv", "/nonexistent-folder/h.csv"}, 1, "Не удалось записать файл"},
    };
    for (const auto& c : cases) {
        const Outcome run = runTabel(login() + c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message)))
            << c.message << " in: " << run.err.toStdString();
    }
}

}  // namespace
}  // namespace tabel::test
