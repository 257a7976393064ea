// The command-line mode of the real program: reports as PDF and .xlsx, bad usage, refused login.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <iostream>
#include <vector>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/decimal.h"
#include "data/dataset.h"
#include "data/entry_writes.h"
#include "data/session.h"
#include "loopback_relay.h"
#include "shiftlog/shift_statements.h"
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

// Changes the job's environment after TABEL_PASSWORD is set.
using EnvironmentChange = std::function<void(QProcessEnvironment&)>;

Outcome runTabel(const QStringList& arguments, const QString& password = QStringLiteral("master"),
                 const EnvironmentChange& change = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TABEL_PASSWORD"), password);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (change) {
        change(env);
    }
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

    // Every command with an output file, with the option that names it.
    struct OutputJob {
        QStringList job;
        QString option;
    };
    QList<OutputJob> outputJobs() const {
        return {
            {QStringList{"--report", "workers"} + april(), "pdf"},
            {QStringList{"--report", "summary"} + april(), "xlsx"},
            {{"--timesheet", "3", "2026"}, "pdf"},
            {{"--timesheet", "3", "2026"}, "xlsx"},
            {QStringList{"--history"} + april(), "csv"},
        };
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

// One worker's pay sheet, or every worker's, a page each, in one PDF; a code no worker has is
// told in Russian, exit status 1, and no file is written.
TEST_F(BatchTest, PaySheetsOfAWorkerOrOfAll) {
    const QString one = dir_.filePath("petrov.pdf");
    const Outcome petrov =
        runTabel(login() + QStringList{"--report", "payslip", "--worker", "103"} + april() +
                 QStringList{"--pdf", one});
    ASSERT_EQ(petrov.exitCode, 0) << petrov.err.toStdString();
    const QString text = pdfText(one);
    for (const char* expected : {"Расчетный листок за период с 01.04.2026 по 01.05.2026",
                                 "Рабочий: Петров Пётр Петрович, код 103", "Покраска (RAL: 3020)",
                                 "118,00", "Часы по табелю за 04.2026:"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << text.toStdString();
    }
    EXPECT_FALSE(text.contains("Иванов"));

    const QString all = dir_.filePath("all.pdf");
    const Outcome everybody = runTabel(login() + QStringList{"--report", "payslip", "--all"} +
                                       april() + QStringList{"--pdf", all});
    ASSERT_EQ(everybody.exitCode, 0) << everybody.err.toStdString();
    QStringList pages = pdfText(all).split(u'\f');
    pages.removeAll(QStringLiteral("\n"));
    pages.removeAll(QString());
    const QStringList workers{"Иванов Иван Иванович", "Ивашов Пётр", "Петров Пётр Петрович"};
    ASSERT_EQ(pages.size(), workers.size()) << pages.join("\n---\n").toStdString();
    for (qsizetype p = 0; p < pages.size(); ++p) {
        EXPECT_TRUE(pages[p].contains("Расчетный листок")) << p;
        for (qsizetype w = 0; w < workers.size(); ++w) {
            EXPECT_EQ(pages[p].contains(workers[w]), w == p) << p << " " << w;
        }
    }

    for (const char* code : {"999", "сто"}) {
        const QString none = dir_.filePath("none.pdf");
        const Outcome unknown =
            runTabel(login() + QStringList{"--report", "payslip", "--worker", code} + april() +
                     QStringList{"--pdf", none});
        EXPECT_EQ(unknown.exitCode, 1) << code;
        EXPECT_TRUE(unknown.err.contains(
            QStringLiteral("Рабочий с кодом %1 не найден").arg(QString::fromUtf8(code))))
            << unknown.err.toStdString();
        EXPECT_FALSE(QFile::exists(none));
    }
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

// Where every login may create objects in public, a foreman's operators and functions there
// never run inside the program's own statements: not in a clerk's shift lists and accept, not
// in a save, not in the batch jobs of the service account and an economist.
TEST_F(BatchTest, CodePlantedInPublicNeverRunsInTheProgramsStatements) {
    adminExec(
        QStringLiteral("insert into accounts_dep.smena_gds_use (id_smena, id_gds_use, "
                       "f_qty_use) values (1, 1001, 1)"));
    loadFixture(QStringLiteral("tests/support/planted_public.sql"));
    struct Removed {
        ~Removed() {
            loadFixture(QStringLiteral("tests/support/planted_public_removed.sql"));
            loadBaseFixture();
            loadFixture(QStringLiteral("tests/reports/fixture_reports.sql"));
        }
    } removed;
    // The planted operator is live: a statement run with the default path finds it.
    EXPECT_EQ(adminQuery(QStringLiteral(
                  "select count(*) from accounts_dep.smena s join accounts_dep.v_worker p "
                  "on s.w_id = p.s_code::public.t_integer where s.id = 1")),
              QStringLiteral("1"));
    ASSERT_NE(adminQuery(QStringLiteral("select count(*) from public.planted_ran")),
              QStringLiteral("0"));
    adminExec(QStringLiteral("delete from public.planted_ran"));

    {
        data::Session clerk;
        connectAs(clerk.connection, QStringLiteral("clerk_a"));
        QString version;
        for (int shift = 1; shift <= 4; ++shift) {
            data::Dataset list(&clerk.connection, QStringLiteral("Smena%1").arg(shift));
            shiftlog::prepareShiftList(list, shift);
            list.setParam(QStringLiteral("data"), QDate(2026, 3, 2));
            list.setParam(QStringLiteral("OK"), QStringLiteral("ta"));
            list.open();
            EXPECT_FALSE(list.isEmpty()) << "shift " << shift;
            if (shift == 1 && list.locate(QStringLiteral("id"), 1)) {
                version = list.field(QStringLiteral("row_version")).asString();
            }
        }
        ASSERT_FALSE(version.isEmpty());
        data::acceptEntry(clerk.connection, 1, version);
    }
    {
        data::Session foreman;
        connectAs(foreman.connection, QStringLiteral("master"));
        data::Entry entry;
        entry.date = QDate(2026, 3, 4);
        entry.shift = 1;
        entry.workerId = 102;
        entry.productId = 1;
        entry.operationId = 1;
        entry.price = *core::Decimal::fromText(u"1.25");
        entry.quantity = core::Decimal::fromInteger(7);
        entry.hours = 4;
        entry.docId = 1;
        entry.itemId = 11;
        const data::Entry saved = data::saveEntry(foreman.connection, entry);
        data::deleteEntry(foreman.connection, saved.id);
    }
    const QStringList sys{testServer(), QStringLiteral("tabel"), QStringLiteral("--user"),
                          QStringLiteral("sys")};
    const Outcome timesheet =
        runTabel(sys + QStringList{"--timesheet", "3", "2026", "--pdf", dir_.filePath("t.pdf")},
                 QStringLiteral("sys"));
    EXPECT_EQ(timesheet.exitCode, 0) << timesheet.err.toStdString();
    const QStringList econom{testServer(), QStringLiteral("tabel"), QStringLiteral("--user"),
                             QStringLiteral("econom")};
    for (const char* report : {"workers", "products-detail", "requisitions"}) {
        const Outcome printed = runTabel(econom + QStringList{"--report", report} + april() +
                                             QStringList{"--pdf", dir_.filePath("r.pdf")},
                                         QStringLiteral("econom"));
        EXPECT_EQ(printed.exitCode, 0) << report << ": " << printed.err.toStdString();
    }

    EXPECT_EQ(adminQuery(QStringLiteral(
                  "select count(*) || ' ' || coalesce(string_agg(distinct login || ': ' || what, "
                  "', '), '') from public.planted_ran")),
              QStringLiteral("0"));
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
        // whose pay sheets: one worker or all, and only for them
        {QStringList{"--report", "payslip"} + april() + QStringList{"--pdf", pdf},
         "укажите --worker CODE или --all"},
        {QStringList{"--report", "payslip", "--all", "--worker", "101"} + april() +
             QStringList{"--pdf", pdf},
         "укажите --worker CODE или --all"},
        {QStringList{"--report", "payslip", "--worker", " "} + april() + QStringList{"--pdf", pdf},
         "Не задан код рабочего после --worker"},
        {QStringList{"--report", "payslip", "--all", "--kind", "blanks"} + april() +
             QStringList{"--pdf", pdf},
         "--kind для него не задается"},
        {QStringList{"--report", "payslip", "--all"} + april() + QStringList{"--xlsx", pdf},
         "--pdf FILE"},
        {QStringList{"--report", "workers-detail", "--worker", "101"} + april() +
             QStringList{"--pdf", pdf},
         "--worker и --all задаются только для --report payslip"},
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
    for (const char* word : {"--report", "summary", "--xlsx", "--kind", "payslip", "--worker CODE",
                             "--all", "TABEL_PASSWORD", "--sslmode", "verify-full",
                             "обычный файл, который заменяется", "символическая ссылка"}) {
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
    EXPECT_EQ(refused.err, QStringLiteral("Неверный логин или пароль\n"));
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "old");

    const Outcome noServer =
        runTabel({dir_.filePath("nosocket"), "tabel", "--user", "master", "--report", "workers",
                  "--from", "01.04.2026", "--to", "01.05.2026", "--pdf", path});
    EXPECT_EQ(noServer.exitCode, 1);
    EXPECT_EQ(noServer.err, QStringLiteral("Подключение к БД отсутсвует (сервер: ") +
                                dir_.filePath("nosocket") + QStringLiteral(", БД: tabel)\n"));

    const Outcome unwritable =
        runTabel(login() + QStringList{"--report", "workers"} + april() +
                 QStringList{"--pdf", dir_.filePath("no/such/folder/x.pdf")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.err.contains("Не удалось записать файл"))
        << unwritable.err.toStdString();
}

// Every command that writes a file goes through the same output step: a name that cannot be
// written (here in a folder that is not there) ends the job with 1 and the reason, and leaves no
// temporary behind; a good name gets the whole file and nothing else appears beside it.
TEST_F(BatchTest, EveryOutputIsWrittenWholeOrNotAtAll) {
    for (const OutputJob& c : outputJobs()) {
        const QString option = c.option;
        const QString what = c.job.join(' ') + " --" + option;
        QTemporaryDir folder;
        const QString unwritable = folder.filePath("gone/made." + option);
        const Outcome refused = runTabel(login() + c.job + QStringList{"--" + option, unwritable});
        EXPECT_EQ(refused.exitCode, 1) << what.toStdString();
        EXPECT_TRUE(refused.err.startsWith("Не удалось записать файл " + unwritable + ": "))
            << what.toStdString() << ": " << refused.err.toStdString();
        EXPECT_EQ(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList())
            << what.toStdString();

        const QString path = folder.filePath("made." + option);
        const Outcome made = runTabel(login() + c.job + QStringList{"--" + option, path});
        EXPECT_EQ(made.exitCode, 0) << what.toStdString() << ": " << made.err.toStdString();
        EXPECT_EQ(made.err, QString()) << what.toStdString();
        EXPECT_GT(QFileInfo(path).size(), 0) << what.toStdString();
        EXPECT_EQ(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"made." + option})
            << what.toStdString();
    }
}

// Every entry of `folder` by lstat: its name, its kind, a link's target, a file's bytes.
QStringList described(const QString& folder) {
    QStringList entries;
    const QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QString path = folder + u'/' + name;
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
            entries.append(name + QStringLiteral(" (gone)"));
            continue;
        }
        QString entry = name + QStringLiteral(" mode %1").arg(st.st_mode, 0, 8);
        if (S_ISLNK(st.st_mode)) {
            entry += QStringLiteral(" -> ") + QFile::symLinkTarget(path);
        } else if (S_ISREG(st.st_mode)) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) {
                entry += QStringLiteral(" ") + QString::fromLatin1(file.readAll().toHex());
            }
        }
        entries.append(entry);
    }
    return entries;
}

// The batch mode writes only to a regular file or a new name. A folder, a device, a FIFO and a
// symbolic link (to a file, to a folder, or dangling) are refused with status 2 before the job
// connects, and nothing changes: not the name, not what a link points to.
TEST_F(BatchTest, AnOutputNameThatIsNoRegularFileIsRefusedAndNothingIsWritten) {
    const auto makeLink = [](const QString& target) {
        return [target](const QString& name) {
            return ::symlink(QFile::encodeName(target).constData(),
                             QFile::encodeName(name).constData()) == 0;
        };
    };
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath("victim");
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("victim's own bytes");
    }
    ASSERT_TRUE(QDir().mkdir(elsewhere.filePath("folder")));
    const struct {
        const char* kind;
        const char* word;  // as the refusal names it
        std::function<bool(const QString& name)> make;
    } kinds[] = {
        {"folder", "папка", [](const QString& name) { return QDir().mkdir(name); }},
        {"fifo", "именованный канал",
         [](const QString& name) {
             return ::mkfifo(QFile::encodeName(name).constData(), 0644) == 0;
         }},
        {"link to a file", "символическая ссылка", makeLink(victim)},
        {"dangling link", "символическая ссылка", makeLink(elsewhere.filePath("not-there"))},
        {"link to a folder", "символическая ссылка", makeLink(elsewhere.filePath("folder"))},
        // A character device of its own (as /dev/null is), made only where the test may
        // (CAP_MKNOD); a broken check then replaces this node, never the system's.
        {"device", "устройство",
         [](const QString& name) {
             return ::mknod(QFile::encodeName(name).constData(), S_IFCHR | 0666, makedev(1, 3)) ==
                    0;
         }},
    };
    const QStringList victimBefore = described(elsewhere.path());
    for (const auto& k : kinds) {
        for (const OutputJob& c : outputJobs()) {
            const QString what = QString::fromLatin1(k.kind) + QStringLiteral(" as --") + c.option;
            QTemporaryDir folder;
            const QString name = folder.filePath("out." + c.option);
            if (!k.make(name)) {
                std::cout << "[ NOTE ] cannot make a " << k.kind << " here: case left out\n";
                break;
            }
            const QStringList before = described(folder.path());
            const Outcome run = runTabel(login() + c.job + QStringList{"--" + c.option, name});
            EXPECT_EQ(run.exitCode, 2) << what.toStdString() << ": " << run.err.toStdString();
            EXPECT_TRUE(run.err.startsWith(QStringLiteral("Файл результата ") + name +
                                           QStringLiteral(" не записан: это ") +
                                           QString::fromUtf8(k.word)))
                << what.toStdString() << ": " << run.err.toStdString();
            EXPECT_EQ(described(folder.path()), before) << what.toStdString();
            EXPECT_EQ(described(elsewhere.path()), victimBefore) << what.toStdString();
        }
    }

    // The name is looked at before the job connects: neither a wrong password nor a server
    // that is not there comes first.
    QTemporaryDir folder;
    const QString fifo = folder.filePath("out.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QStringList job =
        QStringList{"--report", "workers"} + april() + QStringList{"--pdf", fifo};
    const Outcome wrongPassword = runTabel(login() + job, QStringLiteral("wrong"));
    const Outcome noServer =
        runTabel(QStringList{folder.filePath("nosocket"), "tabel", "--user", "master"} + job);
    for (const Outcome& run : {wrongPassword, noServer}) {
        EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("Файл результата ") + fifo))
            << run.err.toStdString();
    }
}

// A regular file stays replaceable: the finished file is renamed over it, so it keeps its
// permissions, and another name of the old file (a hard link) keeps the old bytes. A new name
// gets a file with the permissions of the job's umask.
TEST_F(BatchTest, AnExistingRegularFileIsReplacedByRenameKeepingItsPermissions) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (const OutputJob& c : outputJobs()) {
        const QString what = c.job.join(' ') + " --" + c.option;
        QTemporaryDir folder;
        const QString old = folder.filePath("old." + c.option);
        {
            QFile file(old);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("old");
        }
        ASSERT_EQ(::chmod(QFile::encodeName(old).constData(), 0640), 0);
        const QString otherName = folder.filePath("other-name");
        ASSERT_EQ(
            ::link(QFile::encodeName(old).constData(), QFile::encodeName(otherName).constData()),
            0);
        const Outcome replaced = runTabel(login() + c.job + QStringList{"--" + c.option, old});
        ASSERT_EQ(replaced.exitCode, 0) << what.toStdString() << ": " << replaced.err.toStdString();
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(old).constData(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << what.toStdString();
        EXPECT_EQ(st.st_mode & 07777, 0640u) << what.toStdString();
        EXPECT_GT(st.st_size, 3) << what.toStdString();
        QFile other(otherName);
        ASSERT_TRUE(other.open(QIODevice::ReadOnly));
        EXPECT_EQ(other.readAll(), "old") << what.toStdString();

        const QString made = folder.filePath("new." + c.option);
        const Outcome created = runTabel(login() + c.job + QStringList{"--" + c.option, made});
        ASSERT_EQ(created.exitCode, 0) << what.toStdString() << ": " << created.err.toStdString();
        ASSERT_EQ(::lstat(QFile::encodeName(made).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0666u & ~mask) << what.toStdString();
        EXPECT_EQ(
            QDir(folder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
            (QStringList{"new." + c.option, "old." + c.option, "other-name"}))
            << what.toStdString();
    }
}

// What the job showed on its terminal and how it ended.
struct TerminalOutcome {
    int exitCode = -1;
    QString shown;
};

// Runs the program on a terminal of its own (a pseudo-terminal as its standard input, output and
// error), as a user starts a job by hand: once it asks for the password, `typed` is typed.
TerminalOutcome runOnTerminal(const QStringList& arguments, const EnvironmentChange& change,
                              const QByteArray& typed) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    change(env);
    // Everything the child needs is made before fork: it only calls execve.
    std::vector<QByteArray> strings;
    strings.push_back(QByteArray(TABEL_BINARY));
    for (const QString& a : arguments) {
        strings.push_back(a.toUtf8());
    }
    const size_t argc = strings.size();
    for (const QString& e : env.toStringList()) {
        strings.push_back(e.toUtf8());
    }
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (size_t i = 0; i < strings.size(); ++i) {
        (i < argc ? argv : envp).push_back(strings[i].data());
    }
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    TerminalOutcome outcome;
    if (pid < 0) {
        return outcome;
    }
    QByteArray shown;
    bool answered = false;
    for (;;) {
        pollfd fd{terminal, POLLIN, 0};
        if (::poll(&fd, 1, 120000) <= 0) {
            ::kill(pid, SIGKILL);  // never waits for ever on a job that hangs
            break;
        }
        char buffer[4096];
        const ssize_t got = ::read(terminal, buffer, sizeof buffer);
        if (got <= 0) {
            break;  // EIO: the job has ended and the terminal is closed
        }
        shown.append(buffer, got);
        if (!answered && shown.contains(QStringLiteral("Пароль: ").toUtf8())) {
            answered = true;
            (void)!::write(terminal, typed.constData(), size_t(typed.size()));
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(terminal);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.shown = QString::fromUtf8(shown);
    return outcome;
}

// A refused login is told in the program's words, never the server's: a wrong password or an
// unknown login as "Неверный логин или пароль" (status 1); no password at all as "Не задан
// пароль" (status 2) without connecting, when there is no terminal to ask on.
TEST_F(BatchTest, ALoginWithoutTheRightPasswordIsToldInRussian) {
    const QString refused = QStringLiteral("Неверный логин или пароль\n");
    const QString none = QStringLiteral(
        "Не задан пароль: задайте его в переменной TABEL_PASSWORD или запустите задание из "
        "терминала (см. tabel --help)\n");
    const auto unset = [](QProcessEnvironment& env) {
        env.remove(QStringLiteral("TABEL_PASSWORD"));
    };
    const struct {
        const char* what;
        const char* user;
        const char* password;
        EnvironmentChange change;
        int exitCode;
        QString message;
    } cases[] = {
        {"wrong password", "master", "wrong", {}, 1, refused},
        {"another login's password", "master", "econom", {}, 1, refused},
        {"unknown login", "nobody", "nobody", {}, 1, refused},
        {"empty password", "master", "", {}, 2, none},
        {"blank password", "master", "   ", {}, 2, none},
        {"no password", "master", "", unset, 2, none},
    };
    for (const auto& c : cases) {
        const QString path = dir_.filePath(QStringLiteral("login.xlsx"));
        const Outcome run = runTabel({testServer(), "tabel", "--user", QString::fromUtf8(c.user),
                                      "--timesheet", "3", "2026", "--xlsx", path},
                                     QString::fromUtf8(c.password), c.change);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what;
        EXPECT_EQ(run.err, c.message) << c.what;
        EXPECT_FALSE(QFile::exists(path)) << c.what;
    }
}

// On a terminal an empty or missing password is asked for, without echo; what is typed there
// counts as TABEL_PASSWORD would.
TEST_F(BatchTest, OnATerminalAMissingPasswordIsAskedForWithoutEcho) {
    const auto unset = [](QProcessEnvironment& env) {
        env.remove(QStringLiteral("TABEL_PASSWORD"));
    };
    const auto empty = [](QProcessEnvironment& env) {
        env.insert(QStringLiteral("TABEL_PASSWORD"), QString());
    };
    const struct {
        const char* what;
        EnvironmentChange change;
        const char* typed;
        int exitCode;
        const char* message;  // on the terminal after the prompt; empty for nothing
    } cases[] = {
        {"not set, typed", unset, "master\n", 0, ""},
        {"empty, typed", empty, "master\r", 0, ""},
        {"typed wrong", unset, "wrong\n", 1, "Неверный логин или пароль"},
        {"typed nothing", empty, "\n", 2, "Не задан пароль"},
    };
    for (const auto& c : cases) {
        const QString path = dir_.filePath(QStringLiteral("typed.xlsx"));
        QFile::remove(path);
        const TerminalOutcome run =
            runOnTerminal(login() + QStringList{"--timesheet", "3", "2026", "--xlsx", path},
                          c.change, QByteArray(c.typed));
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << ": " << run.shown.toStdString();
        EXPECT_TRUE(run.shown.startsWith(QStringLiteral("Пароль: ")))
            << c.what << ": " << run.shown.toStdString();
        const QString after = run.shown.mid(8).trimmed();
        EXPECT_TRUE(QString::fromUtf8(c.message).isEmpty()
                        ? after.isEmpty()
                        : after.startsWith(QString::fromUtf8(c.message)))
            << c.what << ": " << run.shown.toStdString();
        EXPECT_FALSE(run.shown.contains(QStringLiteral("master")) ||
                     run.shown.contains(QStringLiteral("wrong")))
            << c.what << ": the password is not echoed";
        EXPECT_EQ(QFile::exists(path), c.exitCode == 0) << c.what;
    }
}

// --sslmode takes one of libpq's TLS modes, and a server's name holds no ';', for the windows as
// for a job; anything else is bad usage, told before any window or connection.
TEST_F(BatchTest, ConnectionOptionsNoServerCouldTakeAreRefused) {
    const QString modes =
        QStringLiteral("допустимы: disable, allow, prefer, require, verify-ca, verify-full");
    const QString path = dir_.filePath(QStringLiteral("tls.xlsx"));
    const QStringList job = QStringList{"--timesheet", "3", "2026", "--xlsx", path};
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        // The windows: no option but --sslmode, so no job either.
        {{"--sslmode", "bogus"}, "Неверный режим TLS (--sslmode): bogus; "},
        {{"--sslmode=Require", testServer(), "tabel"}, "Неверный режим TLS (--sslmode): Require; "},
        {{testServer(), "tabel", "--sslmode", ""}, "Неверный режим TLS (--sslmode): ; "},
        {{testServer(), "tabel", "--sslmode"}, "Не задано значение после --sslmode"},
        // A job.
        {login() + QStringList{"--sslmode", "off"} + job, "Неверный режим TLS (--sslmode): off; "},
        {login() + QStringList{"--sslmode=require;UID=sys"} + job,
         "Неверный режим TLS (--sslmode): require;UID=sys; "},
        {{"--report-server", "db2;UID=sys"},
         "Имя сервера (--report-server) не может содержать ';': db2;UID=sys"},
        {login() + QStringList{"--report-server=db2;UID=sys"} + job,
         "Имя сервера (--report-server) не может содержать ';': db2;UID=sys"},
    };
    for (const auto& c : cases) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TABEL_PASSWORD"), QStringLiteral("master"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStringLiteral(TABEL_BINARY), c.arguments);
        // A login window shown instead would wait for ever.
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << c.arguments.join(' ').toStdString() << ": did not end";
            continue;
        }
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.message)))
            << c.arguments.join(' ').toStdString() << ": " << err.toStdString();
        if (QString::fromUtf8(c.message).contains(QStringLiteral("Неверный режим"))) {
            EXPECT_TRUE(err.contains(modes)) << err.toStdString();
        }
        EXPECT_FALSE(QFile::exists(path));
    }
}

// The test cluster over TCP (its socket is joined to a loopback address), a server without
// TLS as many plants have: TLS is asked for first by default (prefer) and the job goes on
// without it; require and the verifying modes refuse to go on, with a Russian message, and
// never send the login in plain text.
TEST_F(BatchTest, TheTlsModeDecidesWhetherAServerWithoutTlsIsUsed) {
    LoopbackRelay relay(testServer());
    if (!relay.listening()) {
        GTEST_SKIP() << "no loopback address free at port 5432";
    }
    const QByteArray tls = LoopbackRelay::tlsRequest();
    struct Case {
        const char* mode;  // nullptr: no --sslmode, the mode the program was built with
        int exitCode;
        bool tlsFirst;  // the first connection starts by asking for TLS
    };
    QList<Case> cases = {
        {"prefer", 0, true},  {"disable", 0, false},  {"allow", 0, false},
        {"require", 1, true}, {"verify-ca", 1, true}, {"verify-full", 1, true},
    };
    for (const Case& c : QList<Case>(cases)) {
        if (QLatin1String(c.mode) == QLatin1String(TABEL_BUILT_SSLMODE)) {
            cases.prepend({nullptr, c.exitCode, c.tlsFirst});
        }
    }
    ASSERT_EQ(cases.front().mode, nullptr) << "the built-in mode is one of the table's";
    for (const Case& c : cases) {
        const QString mode = QString::fromLatin1(c.mode == nullptr ? TABEL_BUILT_SSLMODE : c.mode);
        const qsizetype seen = relay.clientBytes().size();
        const QString path = dir_.filePath(QStringLiteral("relayed.xlsx"));
        QFile::remove(path);
        QStringList arguments{relay.host(), "tabel", "--user", "master"};
        if (c.mode != nullptr) {
            arguments << "--sslmode" << QString::fromLatin1(c.mode);
        }
        const Outcome run =
            runTabel(arguments + QStringList{"--timesheet", "3", "2026", "--xlsx", path});
        EXPECT_EQ(run.exitCode, c.exitCode) << mode.toStdString() << ": " << run.err.toStdString();
        const QList<QByteArray> connections = relay.clientBytes().mid(seen);
        ASSERT_FALSE(connections.isEmpty()) << mode.toStdString();
        EXPECT_EQ(connections.front().startsWith(tls), c.tlsFirst) << mode.toStdString();
        if (c.exitCode == 0) {
            EXPECT_TRUE(QFile::exists(path)) << mode.toStdString();
            continue;
        }
        EXPECT_EQ(run.err, QStringLiteral("Подключение к БД отсутсвует (сервер: ") + relay.host() +
                               QStringLiteral(", БД: tabel): не удалось установить защищённое "
                                              "соединение (TLS, режим --sslmode ") +
                               mode + QStringLiteral(")\n"));
        for (const QByteArray& sent : connections) {
            EXPECT_EQ(sent, tls) << mode.toStdString() << ": only the request for TLS is sent";
        }
        EXPECT_FALSE(QFile::exists(path)) << mode.toStdString();
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

// A month closed and opened again from the command line, its state listed, and a report over
// it marked; each refusal ends with status 1 and says why.
class MonthCloseBatchTest : public testing::Test {
protected:
    void SetUp() override { loadBaseFixture(); }
    void TearDown() override { loadBaseFixture(); }

    static QStringList as(const QString& login) {
        return {testServer(), QStringLiteral("tabel"), QStringLiteral("--user"), login};
    }
    static QString closeDay() {
        return adminQuery(
            QStringLiteral("select coalesce(string_agg(to_char(closed_at, 'DD.MM.YYYY'), ','), '') "
                           "from accounts_dep.month_close where (year, month) = (2026, 3)"));
    }

    QTemporaryDir dir_;
};

TEST_F(MonthCloseBatchTest, CloseReopenAndListMonths) {
    const QString unaccepted = adminQuery(
        QStringLiteral("select count(*) from accounts_dep.smena where data >= '2026-03-01' and "
                       "data < '2026-04-01' and not accounts_dep.is_accepted(ok)"));
    ASSERT_GT(unaccepted.toInt(), 0);
    const struct {
        QString login;
        QStringList job;
        int exitCode;
        QString said;  // in stdout, or in stderr when the job fails
    } steps[] = {
        {"econom", {"--months"}, 0, "03.2026\tоткрыт\n"},
        {"econom", {"--close-month", "03.2026"}, 1, "В месяце 03.2026 не "},
        {"master",
         {"--close-month", "03.2026", "--with-unaccepted"},
         1,
         "Логину master не разрешено закрывать месяцы"},
        {"econom", {"--close-month", "3/2026"}, 2, "Неверный месяц: 3/2026"},
        {"econom",
         {"--close-month", "03.2026", "--with-unaccepted"},
         0,
         "Месяц 03.2026 закрыт, непринятых позиций: " + unaccepted},
        {"econom",
         {"--close-month", "03.2026", "--with-unaccepted"},
         1,
         "Ошибка БД: Месяц 03.2026 уже закрыт"},
        {"econom", {"--months"}, 0, "03.2026\tзакрыт "},
        {"econom",
         {"--reopen-month", "03.2026", "--reason", "ошибка"},
         1,
         "Логину econom не разрешено открывать месяцы снова"},
        {"sys", {"--reopen-month", "03.2026"}, 2, "Не задана причина (--reason TEXT)"},
        {"sys",
         {"--reopen-month", "03.2026", "--reason", "ошибка в цене"},
         0,
         "Месяц 03.2026 открыт снова"},
        {"sys",
         {"--reopen-month", "03.2026", "--reason", "ошибка в цене"},
         1,
         "Ошибка БД: Месяц 03.2026 не закрыт"},
    };
    for (const auto& step : steps) {
        const Outcome run = runTabel(as(step.login) + step.job, step.login);
        const QString& said = step.said;
        EXPECT_EQ(run.exitCode, step.exitCode) << step.job.join(' ').toStdString() << "\n"
                                               << run.err.toStdString();
        EXPECT_TRUE((step.exitCode == 0 ? run.out : run.err).contains(said))
            << step.job.join(' ').toStdString() << "\n"
            << run.out.toStdString() << run.err.toStdString();
    }
    EXPECT_EQ(closeDay(), QString());
}

TEST_F(MonthCloseBatchTest, ReportOverAClosedMonthIsMarked) {
    const QStringList march{"--report", "workers", "--from", "01.03.2026", "--to", "01.04.2026"};
    const QString open = dir_.filePath(QStringLiteral("open.pdf"));
    ASSERT_EQ(runTabel(as("econom") + march + QStringList{"--pdf", open}, "econom").exitCode, 0);
    EXPECT_TRUE(pdfText(open).contains(QStringLiteral("Предварительный")));
    adminExec(QStringLiteral("select accounts_dep.close_month(2026, 3)"));
    const QString closed = dir_.filePath(QStringLiteral("closed.pdf"));
    ASSERT_EQ(runTabel(as("econom") + march + QStringList{"--pdf", closed}, "econom").exitCode, 0);
    const QString text = pdfText(closed);
    EXPECT_TRUE(text.contains(QStringLiteral("Месяц закрыт ") + closeDay())) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Предварительный")));
}

}  // namespace
}  // namespace tabel::test
