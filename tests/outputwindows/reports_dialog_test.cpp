// The reports dialog: default period, captions, previews with the kind filter, the summary.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <utility>

#include "data/command.h"
#include "data/dataset.h"
#include "data/session.h"
#include "find_widget.h"
#include "message_recorder.h"
#include "outputwindows/report_preview.h"
#include "outputwindows/reports_dialog.h"
#include "report_texts.h"
#include "reports/spreadsheet.h"
#include "shown_lists.h"
#include "test_db.h"
#include "widgets/lookup_combo.h"
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

    // The dialog's controls as the user finds them: by caption or label.
    QDateEdit* fromDate() { return test::fieldLabelled<QDateEdit>(form_, "с"); }
    QDateEdit* toDate() { return test::fieldLabelled<QDateEdit>(form_, "по"); }
    QRadioButton* kind(const char* caption) {
        auto* radio = test::buttonCaptioned<QRadioButton>(form_, QString::fromUtf8(caption));
        EXPECT_NE(radio, nullptr) << caption;
        return radio;
    }
    QPushButton* button(const char* caption) {
        auto* b = test::buttonCaptioned<QPushButton>(form_, QString::fromUtf8(caption));
        EXPECT_NE(b, nullptr) << caption;
        return b;
    }
    widgets::LookupCombo* workerList() {
        return test::fieldLabelled<widgets::LookupCombo>(form_, "Рабочий");
    }
    QCheckBox* allWorkers() {
        return test::buttonCaptioned<QCheckBox>(form_, QStringLiteral("По всем рабочим"));
    }
    // Its caption counts what it wrote.
    QPushButton* excelButton() { return form_.findChild<QPushButton*>("excelButton"); }
    data::Dataset* productSummary() { return form_.findChild<data::Dataset*>("productSummary"); }

    void setApril(const char* kindCaption) {
        fromDate()->setDate(QDate(2026, 4, 1));
        toDate()->setDate(QDate(2026, 5, 1));
        kind(kindCaption)->setChecked(true);
    }

    // Clicks a report button and takes the preview it opened.
    ReportPreview* previewOf(const char* caption) {
        QTest::mouseClick(button(caption), Qt::LeftButton);
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
                               "Расчетный листок",
                               "Excel (0 из 0)",
                               "Выход"};
    const QStringList names{"workersButton",        "productsButton",     "workersDetailButton",
                            "productsDetailButton", "requisitionsButton", "payslipButton",
                            "excelButton",          "exitButton"};
    const QList<QPushButton*> buttons = form_.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), captions.size());
    for (qsizetype i = 0; i < captions.size(); ++i) {
        EXPECT_EQ(buttons[i]->objectName(), names[i]);
        EXPECT_EQ(test::buttonCaptioned<QPushButton>(form_, captions[i]), buttons[i])
            << captions[i].toStdString();
    }
    EXPECT_EQ(fromDate(), form_.findChild<QDateEdit*>("fromDate"));
    EXPECT_EQ(toDate(), form_.findChild<QDateEdit*>("toDate"));
    EXPECT_EQ(form_.productKind(), ProductKind::All);
    EXPECT_TRUE(kind("Все")->isChecked());
    const std::pair<const char*, ProductKind> kinds[] = {
        {"Готовая продукция", ProductKind::Finished},
        {"Заготовки", ProductKind::Blanks},
        {"Все", ProductKind::All},
    };
    for (const auto& [caption, productKind] : kinds) {
        kind(caption)->setChecked(true);
        EXPECT_EQ(form_.productKind(), productKind) << caption;
        EXPECT_EQ(form_.period().kind, productKind) << caption;
    }

    const struct {
        QDate today, from, to;
    } periods[] = {
        {QDate(2026, 3, 31), QDate(2026, 2, 1), QDate(2026, 3, 1)},
        {QDate(2026, 1, 15), QDate(2025, 12, 1), QDate(2026, 1, 1)},
        {QDate(2026, 1, 1), QDate(2025, 12, 1), QDate(2026, 1, 1)},
    };
    for (const auto& p : periods) {
        form_.setDefaultPeriod(p.today);
        EXPECT_EQ(fromDate()->date(), p.from) << p.today.toString().toStdString();
        EXPECT_EQ(toDate()->date(), p.to);
    }
}

TEST_F(ReportsDialogTest, PreviewHasTitleAndKindFilter) {
    setApril("Заготовки");
    auto* preview = previewOf("Отчет по продукции");
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle(),
              "Предварительный просмотр Отчет по продукции (Заготовки) за "
              "период с 01.04.2026 по 01.05.2026");
    EXPECT_TRUE(preview->isModal());
    const QStringList texts = test::textsOf(preview->document());
    EXPECT_EQ(texts.front(),
              "   Отчет по продукции (Заготовки) за период с 01.04.2026 по 01.05.2026");
    EXPECT_TRUE(texts.contains("Сварка"));
    EXPECT_FALSE(texts.contains("Покраска"));
    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    kind("Готовая продукция")->setChecked(true);
    preview = previewOf("Детальный отчет по заявкам");
    ASSERT_NE(preview, nullptr);
    const QStringList requisitions = test::textsOf(preview->document());
    // Longer by the kind, the title takes two lines.
    EXPECT_EQ(requisitions.mid(0, 2).join(u' '),
              "Детальный отчет по заявкам (Готовая продукция) за период с 01.04.2026 по "
              "01.05.2026");
    EXPECT_FALSE(requisitions.contains("Сварка"));
    EXPECT_TRUE(requisitions.contains("Покраска"));
    preview->close();
}

// The pay sheet of the worker chosen from the list, or of every worker a page each; without a
// choice the user is told what is missing. The list is read again whenever the dialog opens, the
// worker chosen staying chosen.
TEST_F(ReportsDialogTest, PaySheetsOfTheWorkerChosenOrOfAll) {
    test::MessageRecorder messages;
    setApril("Заготовки");  // a pay sheet holds all of a worker's pay whatever the kind
    form_.show();
    widgets::LookupCombo* workers = workerList();
    ASSERT_NE(workers, nullptr);
    ASSERT_NE(allWorkers(), nullptr);
    EXPECT_EQ(workers->currentIndex(), -1);
    EXPECT_GE(workers->findText("Петров Пётр Петрович"), 0);
    EXPECT_GE(workers->findText("Кузнецова Анна Сергеевна"), 0) << "a worker without entries too";

    QTest::mouseClick(button("Расчетный листок"), Qt::LeftButton);
    EXPECT_EQ(messages.texts(), QStringList{"Выберите рабочего или отметьте «По всем рабочим»."});
    EXPECT_EQ(form_.findChild<ReportPreview*>(), nullptr);

    workers->choose(workers->findText("Петров Пётр Петрович"));
    ReportPreview* preview = previewOf("Расчетный листок");
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle(),
              "Предварительный просмотр Расчетный листок за период с 01.04.2026 по 01.05.2026");
    EXPECT_EQ(preview->document().pageCount(), 1);
    const QStringList petrov = test::textsOf(preview->document());
    EXPECT_TRUE(petrov.contains("Рабочий: Петров Пётр Петрович, код 103"));
    EXPECT_TRUE(petrov.contains("Покраска (RAL: 3020)"));
    EXPECT_TRUE(petrov.contains("Гибка 'Г' (грунт)"));
    EXPECT_FALSE(petrov.contains("Рабочий: Иванов Иван Иванович, код 101"));
    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    allWorkers()->setChecked(true);
    EXPECT_FALSE(workers->isEnabled());
    preview = previewOf("Расчетный листок");
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->document().pageCount(), 3);
    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    allWorkers()->setChecked(false);
    EXPECT_TRUE(workers->isEnabled());

    form_.hide();
    test::adminExec(
        QStringLiteral("insert into cmn_contractor.person (id, s_code, s_caption, "
                       "b_employee) values (990003, '108', 'Новиков Олег', true)"));
    const auto cleanUp = qScopeGuard([] {
        test::adminExec(QStringLiteral("delete from cmn_contractor.person where id = 990003"));
    });
    EXPECT_LT(workers->findText("Новиков Олег"), 0);
    form_.show();
    EXPECT_GE(workers->findText("Новиков Олег"), 0);
    EXPECT_EQ(workers->currentText(), "Петров Пётр Петрович");
    EXPECT_EQ(form_.payslipChoice()->workerCode, 103);
    EXPECT_TRUE(messages.texts().size() == 1) << messages.texts().join(u'\n').toStdString();
    form_.hide();
}

TEST_F(ReportsDialogTest, ExcelWritesTheSummaryWithProgress) {
    setApril("Все");
    QTest::mouseClick(excelButton(), Qt::LeftButton);
    EXPECT_EQ(test::withoutMnemonic(excelButton()->text()), "Excel (4 из 4)");
    EXPECT_FALSE(productSummary()->isOpen());
    ASSERT_EQ(opened_.size(), 1);
    const test::XlsxBook book = test::readXlsx(opened_.front());
    ASSERT_TRUE(book.ok) << book.error.toStdString();
    EXPECT_EQ(book.cell(2, 1)->value, "Наименование");  // under the title
    EXPECT_EQ(book.cell(2, 5)->value, "Кол-во");
    QStringList operations;
    for (int row = 3; row <= 6; ++row) {
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
    EXPECT_EQ(book.cell(7, 1), nullptr);

    kind("Готовая продукция")->setChecked(true);
    QTest::mouseClick(excelButton(), Qt::LeftButton);
    EXPECT_EQ(test::withoutMnemonic(excelButton()->text()), "Excel (3 из 3)");

    toDate()->setDate(QDate(2026, 4, 1));
    QTest::mouseClick(excelButton(), Qt::LeftButton);
    EXPECT_EQ(test::withoutMnemonic(excelButton()->text()), "Excel (0 из 0)");
    ASSERT_EQ(opened_.size(), 3);
    const test::XlsxBook empty = test::readXlsx(opened_.back());
    EXPECT_EQ(empty.cell(2, 2)->value, "Операция");
    EXPECT_EQ(empty.cell(3, 1), nullptr);
}

// The product kind chosen is named wherever the output is: in the report's title (so in its
// preview's caption and its PDF's proposed name) and in the workbook's first row and file name.
TEST_F(ReportsDialogTest, TheKindChosenIsNamedInTitlesSheetsAndFileNames) {
    QTemporaryDir documents;
    ASSERT_TRUE(documents.isValid());
    QFile dirs(documents.filePath(QStringLiteral("user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOCUMENTS_DIR=\"" + QFile::encodeName(documents.path()) + "\"\n");
    dirs.close();
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(documents.path()));
    const QString dates = QStringLiteral("01.04.2026") + QChar(0x2013) + "01.05.2026";
    const struct {
        const char* kind;
        QString title;  // the report's, the preview's caption after "Предварительный просмотр "
        QString sheetTitle;
        QString fileName;  // of the PDF, and of the workbook after "Продукция"
    } cases[] = {
        {"Все", "Отчет по рабочим за период с 01.04.2026 по 01.05.2026",
         "Продукция за период с 01.04.2026 по 01.05.2026", " " + dates},
        {"Готовая продукция",
         "Отчет по рабочим (Готовая продукция) за период с 01.04.2026 по 01.05.2026",
         "Продукция (Готовая продукция) за период с 01.04.2026 по 01.05.2026",
         " (Готовая продукция) " + dates},
        {"Заготовки", "Отчет по рабочим (Заготовки) за период с 01.04.2026 по 01.05.2026",
         "Продукция (Заготовки) за период с 01.04.2026 по 01.05.2026", " (Заготовки) " + dates},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        setApril(c.kind);
        ReportPreview* preview = previewOf("Отчет по рабочим");
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(preview->windowTitle(), "Предварительный просмотр " + c.title);
        EXPECT_EQ(test::textsOf(preview->document()).front(), "   " + c.title);
        EXPECT_EQ(QFileInfo(preview->proposedPdfPath()).fileName(),
                  "Отчет по рабочим" + c.fileName + ".pdf");
        preview->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QTest::mouseClick(excelButton(), Qt::LeftButton);
        ASSERT_FALSE(opened_.isEmpty());
        EXPECT_EQ(QFileInfo(opened_.back()).fileName(), "Продукция" + c.fileName + ".xlsx");
        const test::XlsxBook book = test::readXlsx(opened_.back());
        ASSERT_TRUE(book.ok) << book.error.toStdString();
        ASSERT_NE(book.cell(1, 1), nullptr);
        EXPECT_EQ(book.cell(1, 1)->value, c.sheetTitle);
    }
    qputenv("XDG_CONFIG_HOME", savedConfig);
}

// The session's connection dropped by the server: a report or the export tells it once and
// leaves nothing open; the same button again works.
TEST_F(ReportsDialogTest, ALostConnectionIsToldOnceAndTheNextTryWorks) {
    test::MessageRecorder messages;
    setApril("Все");
    const auto previews = [this] {
        const QList<ReportPreview*> open = form_.findChildren<ReportPreview*>();
        for (ReportPreview* preview : open) {
            preview->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return open.size();
    };
    const struct {
        const char* caption;
        std::function<qsizetype()> made;  // previews or workbooks made since
    } actions[] = {
        {"Отчет по рабочим", previews},
        {"Детальный отчет по заявкам", previews},
        {"Расчетный листок", previews},
        {"Excel (0 из 0)", [this] { return std::exchange(opened_, {}).size(); }},
    };
    allWorkers()->setChecked(true);
    for (const auto& a : actions) {
        SCOPED_TRACE(a.caption);
        QPushButton* clicked = button(a.caption);
        ASSERT_NE(clicked, nullptr);
        messages.clear();
        test::dropConnection(session_.connection);
        QTest::mouseClick(clicked, Qt::LeftButton);
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_TRUE(messages.texts()[0].startsWith(QStringLiteral("Подключение к БД отсутсвует")))
            << messages.texts()[0].toStdString();
        EXPECT_EQ(a.made(), 0);
        EXPECT_FALSE(productSummary()->isOpen());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        messages.clear();
        QTest::mouseClick(clicked, Qt::LeftButton);
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'\n').toStdString();
        EXPECT_EQ(a.made(), 1);
        excelButton()->setText(QStringLiteral("&Excel (0 из 0)"));
    }
}

// A workbook that cannot be written (the documents folder lies under a file) is told in one box
// with the workbook's own words; the export after it works.
TEST_F(ReportsDialogTest, AWorkbookThatCannotBeWrittenIsToldOnce) {
    test::MessageRecorder messages;
    setApril("Все");
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QString missing = config.filePath(QStringLiteral("файл/документы"));
    QFile blocker(config.filePath(QStringLiteral("файл")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QFile dirs(config.filePath(QStringLiteral("user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOCUMENTS_DIR=\"" + QFile::encodeName(missing) + "\"\n");
    dirs.close();
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QTest::mouseClick(excelButton(), Qt::LeftButton);
    qputenv("XDG_CONFIG_HOME", savedConfig);

    ASSERT_EQ(messages.messages().size(), 1);
    const test::RecordedMessage& box = messages.messages().front();
    EXPECT_EQ(box.kind, core::MessageKind::Stop);
    EXPECT_EQ(box.title, QStringLiteral("Ошибка"));
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("Не удалось создать файл книги в папке ") +
                                    QDir::toNativeSeparators(missing) + QStringLiteral(": ")))
        << box.text.toStdString();
    EXPECT_TRUE(opened_.isEmpty());
    EXPECT_FALSE(productSummary()->isOpen());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    messages.clear();
    QTest::mouseClick(excelButton(), Qt::LeftButton);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'\n').toStdString();
    EXPECT_EQ(opened_.size(), 1);
}

// A report whose query the server keeps running shows its progress from half a second on,
// "Выполняется запрос…" with "Отмена", which stops the query on the server: the click returns
// while the server is still held up elsewhere, nothing is previewed and nothing is told; the
// next try makes the report.
TEST_F(ReportsDialogTest, AReportWaitingForTheServerShowsItsProgressAndCancelsTheQuery) {
    test::MessageRecorder messages;
    setApril("Все");
    // Another session holds the entries: the report's query waits for it on the server.
    QProcess holder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGAPPNAME"), QStringLiteral("tabel-test-holder"));
    holder.setProcessEnvironment(environment);
    holder.start(qEnvironmentVariable("TABEL_SOURCE_DIR") + QStringLiteral("/scripts/dbctl"),
                 {QStringLiteral("psql"), test::testServer(), QStringLiteral("-X"),
                  QStringLiteral("-q"), QStringLiteral("-c"),
                  QStringLiteral("begin; lock table accounts_dep.smena in access exclusive mode; "
                                 "select pg_sleep(60); commit;")});
    ASSERT_TRUE(holder.waitForStarted());
    const auto release = [&] {
        test::adminQuery(
            QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity "
                           "where application_name = 'tabel-test-holder'"));
        holder.waitForFinished(10000);
    };
    auto releaseAtEnd = qScopeGuard(release);
    const auto held = [] {
        return test::adminQuery(QStringLiteral(
                   "select count(*) from pg_locks l join pg_class c on c.oid = l.relation "
                   "where c.relname = 'smena' and l.mode = 'AccessExclusiveLock' and "
                   "l.granted")) != "0";
    };
    for (int i = 0; i < 200 && !held(); ++i) {
        QTest::qWait(30);
    }
    ASSERT_TRUE(held());
    // The query waits as long as the holder holds, not the session's few seconds; a report never
    // cancelled gets its rows after 15 s anyway.
    data::Command(&session_.connection, QStringLiteral("wait"),
                  {QStringLiteral("set lock_timeout = 0")})
        .execute();
    QTimer::singleShot(15000, &form_, release);

    QString label;
    QString cancelCaption;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        auto* progress = form_.findChild<QProgressDialog*>();
        if (progress == nullptr || !progress->isVisible() || !label.isEmpty()) {
            return;
        }
        label = progress->labelText();
        auto* cancel = progress->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        cancelCaption = cancel->text();
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    press.start(20);
    QTest::mouseClick(button("Отчет по рабочим"), Qt::LeftButton);
    press.stop();
    const bool stillHeld = held();

    EXPECT_EQ(label, QStringLiteral("Выполняется запрос…"));
    EXPECT_EQ(cancelCaption, QStringLiteral("Отмена"));
    EXPECT_TRUE(stillHeld);  // stopped on the server, not waited out
    EXPECT_TRUE(form_.findChildren<ReportPreview*>().isEmpty());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'\n').toStdString();

    release();
    releaseAtEnd.dismiss();
    QTest::mouseClick(button("Отчет по рабочим"), Qt::LeftButton);
    EXPECT_EQ(form_.findChildren<ReportPreview*>().size(), 1);
    for (ReportPreview* preview : form_.findChildren<ReportPreview*>()) {
        preview->close();
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'\n').toStdString();
}

TEST_F(ReportsDialogTest, ExitAndEscapeClose) {
    form_.show();
    QTest::mouseClick(button("Выход"), Qt::LeftButton);
    EXPECT_FALSE(form_.isVisible());
    form_.show();
    QTest::keyClick(&form_, Qt::Key_Escape);
    EXPECT_FALSE(form_.isVisible());
}

}  // namespace
}  // namespace tabel::outputwindows
