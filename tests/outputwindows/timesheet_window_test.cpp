// The hours timesheet window driven offscreen on the base fixture's March 2026 and a few more
// entries.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "data/command.h"
#include "data/session.h"
#include "find_widget.h"
#include "message_recorder.h"
#include "modal.h"
#include "outputwindows/report_preview.h"
#include "outputwindows/timesheet_window.h"
#include "report_texts.h"
#include "reports/spreadsheet.h"
#include "shiftlog/shift_log_window.h"
#include "shown_lists.h"
#include "test_db.h"
#include "widgets/data_grid.h"
#include "widgets/style.h"
#include "widgets/work_progress.h"
#include "xlsx_reader.h"

namespace tabel::outputwindows {
namespace {

using test::whenShown;

// Besides the base fixture (see tests/support/fixture_base.sql), in March 2026:
//   109 'Иванов Иван Иванович' (the caption of 101) works 8 h in shift 2 on Wed 4th;
//   106, in shift 3 on the 2nd, also works 10 h in shift 1 on Sat 7th;
//   102 adds 2 h in shift 1 on Tue 3rd (10 h that day); 104 works 8 h on Sun 8th;
//   103 has an entry without hours on Sun 8th.
const char* const kMoreEntries = R"(
insert into cmn_contractor.person (id, s_code, s_caption, b_employee)
values (9, '109', 'Иванов Иван Иванович', true);
insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, time) values
    ('2026-03-04', 2, 109, 1, 1, 8),
    ('2026-03-07', 1, 106, 1, 1, 10),
    ('2026-03-03', 1, 102, 1, 1, 2),
    ('2026-03-08', 1, 104, 1, 1, 8),
    ('2026-03-08', 1, 103, 1, 1, 0);
)";

const QString kRebuildAsks = QStringLiteral("Перестроить табель за ");

QString monthRows(int month, int year) {
    return test::adminQuery(QStringLiteral("select coalesce(string_agg(format('%s/%s %s', w_id, "
                                           "smena, (d1,d2,d3,d4,d5,d6,d7,d8)), ' ' order by "
                                           "w_id, smena), '') from accounts_dep.h_tabel where "
                                           "month = %1 and year = %2")
                                .arg(month)
                                .arg(year));
}

// "w_id:summ" of every row of a page, in the page's order.
QStringList pageRows(data::Dataset& page) {
    QStringList rows;
    for (int row = 0; row < page.recordCount(); ++row) {
        rows.append(page.valueAt(row, page.fieldIndex(QStringLiteral("w_id"))).toString() + u':' +
                    page.valueAt(row, page.fieldIndex(QStringLiteral("summ"))).toString());
    }
    rows.sort();
    return rows;
}

class TimesheetWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::loadBaseFixture();
        test::adminExec(QString::fromUtf8(kMoreEntries));
        test::connectAs(session.connection);
        ASSERT_TRUE(tmp.isValid());
        savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        reports::Spreadsheet::setOpener([this](const QString& path) {
            opened.append(path);
            return true;
        });
    }
    void TearDown() override {
        reports::Spreadsheet::setOpener({});
        savedTmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", savedTmp);
    }

    // Opens the window on `date` as the menu does and runs `inside` while it is shown.
    void openOn(const QDate& date, const std::function<void()>& inside) {
        whenShown(&form, [&] {
            inside();
            form.reject();
        });
        form.openForMonth(date);
    }

    void select(int month, int year) {
        yearBox()->setCurrentText(QString::number(year));
        monthBox()->setCurrentIndex(month - 1);
    }

    // The window's controls as the user finds them: fields by their labels, the rest by name.
    template <typename Control>
    Control* named(const QString& name) {
        auto* control = form.findChild<Control*>(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control;
    }
    QComboBox* monthBox() { return test::fieldLabelled<QComboBox>(form, "Месяц"); }
    QComboBox* yearBox() { return test::fieldLabelled<QComboBox>(form, "Год"); }
    QTabWidget* shiftPages() { return named<QTabWidget>("shiftPages"); }
    widgets::DataGrid* grid(int shift) {
        return named<widgets::DataGrid>(QStringLiteral("shift%1Grid").arg(shift));
    }
    data::Dataset& page(int shift) {
        return test::listShownBy(form, QStringLiteral("shift%1Grid").arg(shift));
    }
    QPushButton* rebuildButton() { return named<QPushButton>("rebuildButton"); }
    // "Перестроить" confirmed as the user does; its question and its report of what was done
    // are checked here and set aside, so that a test sees what else it was told.
    void rebuild() {
        const qsizetype before = messages.messages().size();
        messages.answerNext(core::Answer::Yes);
        rebuildButton()->click();
        ASSERT_EQ(messages.messages().size(), before + 2)
            << messages.texts().join(u'\n').toStdString();
        EXPECT_TRUE(messages.messages()[before].text.startsWith(kRebuildAsks));
        EXPECT_EQ(messages.messages()[before + 1].kind, core::MessageKind::Information);
        EXPECT_TRUE(messages.messages()[before + 1].text.startsWith(QStringLiteral("Табель за ")));
        messages.keepFirst(before);
    }
    QProgressBar* rebuildProgress() { return named<QProgressBar>("rebuildProgress"); }
    QPushButton* excelButton() { return named<QPushButton>("excelButton"); }
    QPushButton* refreshButton() { return named<QPushButton>("refreshButton"); }
    QPushButton* printButton() { return named<QPushButton>("printButton"); }
    // The month's hours the export and the print read, found by name like the pages.
    data::Dataset& monthHours() { return *named<data::Dataset>("monthHours"); }

    data::Session session;
    TimesheetWindow form{session};
    test::MessageRecorder messages;
    QTemporaryDir tmp;
    QByteArray savedTmp;
    QStringList opened;
};

TEST_F(TimesheetWindowTest, MenuOpensTheWorkingMonthAndClosesThePagesAfterwards) {
    shiftlog::ShiftLogWindow log(session);
    log.setTimesheetWindow(&form);
    const struct {
        QDate date;
        QString month;
        QString year;
    } cases[] = {
        {QDate(2026, 3, 2), "Март", "2026"},
        {QDate(2031, 12, 31), "Декабрь", "2031"},
        {QDate(2005, 1, 10), "Январь", "2005"},
    };
    auto* workingDate = test::fieldLabelled<QDateEdit>(log, "Дата");
    QAction* timesheetItem = test::actionCaptioned(log, "Табель по времени");
    ASSERT_NE(workingDate, nullptr);
    ASSERT_NE(timesheetItem, nullptr);
    for (const auto& c : cases) {
        workingDate->setDate(c.date);
        QString month;
        QString year;
        QStringList page1;
        bool titled = false;
        whenShown(&form, [&] {
            month = monthBox()->currentText();
            year = yearBox()->currentText();
            page1 = pageRows(page(1));
            titled =
                form.windowTitle() == QStringLiteral("Табель по времени") &&
                test::withoutMnemonic(shiftPages()->tabText(0)) == QStringLiteral("Смена №1") &&
                test::withoutMnemonic(shiftPages()->tabText(2)) == QStringLiteral("Смена №3");
            QTest::keyClick(&form, Qt::Key_Escape);
        });
        timesheetItem->trigger();
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(month, c.month);
        EXPECT_EQ(year, c.year);
        EXPECT_TRUE(titled);
        if (c.year == QStringLiteral("2026")) {
            // The fixture's hours as they were posted, before any rebuild.
            EXPECT_EQ(page1, (QStringList{"101:8", "102:8", "103:8", "104:8", "105:8"}));
        }
        for (data::Dataset* page : {&page(1), &page(2), &page(3)}) {
            EXPECT_FALSE(page->isOpen());
        }
    }
}

TEST_F(TimesheetWindowTest, ControlsAreNamedAndAnnounced) {
    // Each control once under its name.
    for (const char* name :
         {"shiftPages", "shift1Page", "shift2Page", "shift3Page", "shift1Grid", "shift2Grid",
          "shift3Grid", "monthBox", "yearBox", "rebuildButton", "rebuildProgress", "excelButton",
          "refreshButton", "printButton", "exitButton"}) {
        EXPECT_EQ(form.findChildren<QWidget*>(QString::fromLatin1(name)).size(), 1) << name;
    }
    EXPECT_EQ(monthBox(), form.findChild<QComboBox*>("monthBox"));
    EXPECT_EQ(yearBox(), form.findChild<QComboBox*>("yearBox"));
    const std::pair<const char*, const char*> buttons[] = {
        {"Перестроить", "rebuildButton"}, {"Excel", "excelButton"}, {"Обновить", "refreshButton"},
        {"Печать", "printButton"},        {"Выход", "exitButton"},
    };
    for (const auto& [caption, name] : buttons) {
        QPushButton* button = test::buttonCaptioned<QPushButton>(form, QString::fromUtf8(caption));
        ASSERT_NE(button, nullptr) << caption;
        EXPECT_EQ(button, form.findChild<QPushButton*>(QString::fromLatin1(name))) << caption;
    }
    const QAbstractItemModel* model = grid(1)->model();
    ASSERT_EQ(model->columnCount(), 33);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Фамилия И. О."));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("1"));
    EXPECT_EQ(model->headerData(31, Qt::Horizontal).toString(), QStringLiteral("31"));
    EXPECT_EQ(model->headerData(32, Qt::Horizontal).toString(), QStringLiteral("Итого"));
    EXPECT_TRUE(yearBox()->findText(QString::number(QDate::currentDate().year() + 1)) >= 0);
}

TEST_F(TimesheetWindowTest, DayTitlesShowWeekendsAndDaysBeyondTheMonth) {
    const struct {
        int year;
        int month;
        QList<int> red;
        int firstSilver;
    } cases[] = {
        {2024, 2, {3, 4, 10, 11, 17, 18, 24, 25}, 30},
        {2026, 2, {1, 7, 8, 14, 15, 21, 22, 28}, 29},
        {2026, 8, {1, 2, 8, 9, 15, 16, 22, 23, 29, 30}, 32},
    };
    openOn(QDate(2026, 3, 2), [&] {
        for (const auto& c : cases) {
            select(c.month, c.year);
            for (widgets::DataGrid* grid : {grid(1), grid(2), grid(3)}) {
                for (int day = 1; day <= 31; ++day) {
                    const QVariant color =
                        grid->model()->headerData(grid->columnOf(QStringLiteral("d%1").arg(day)),
                                                  Qt::Horizontal, Qt::ForegroundRole);
                    const QColor expected = day >= c.firstSilver  ? kSilver
                                            : c.red.contains(day) ? widgets::kRed
                                                                  : QColor();
                    EXPECT_EQ(color.value<QColor>(), expected)
                        << c.year << '-' << c.month << " day " << day;
                }
            }
        }
    });
}

TEST_F(TimesheetWindowTest, RebuildMakesOneRowPerShiftAndWorkerAndPaintsTheirDays) {
    QStringList pages[3];
    bool barShown = false;
    bool barHiddenAfter = false;
    struct ShowSpy : QObject {
        bool* shown;
        explicit ShowSpy(bool* s) : shown(s) {}
        bool eventFilter(QObject*, QEvent* event) override {
            *shown = *shown || event->type() == QEvent::Show;
            return false;
        }
    } spy(&barShown);
    // Cell (fio row of worker, day) → style; filled inside the window.
    struct Cell {
        QString worker;
        int day;
        bool bold;
        QColor color;
        QColor background;
    };
    const QList<Cell> expected{
        {"101", 2, true, QColor(), QColor()},          // 8 on a Monday
        {"101", 1, false, widgets::kRed, QColor()},    // 0 on a Sunday
        {"101", 3, false, kSilver, QColor()},          // 0 on a Tuesday
        {"102", 3, true, QColor(), kMoneyGreen},       // 10 on a Tuesday
        {"106", 7, true, widgets::kRed, kMoneyGreen},  // 10 on a Saturday
        {"104", 8, true, widgets::kRed, QColor()},     // 8 on a Sunday
        {"103", 8, false, widgets::kRed, QColor()},    // an entry without hours
    };
    QStringList wrong;
    openOn(QDate(2026, 3, 2), [&] {
        rebuildProgress()->installEventFilter(&spy);
        messages.answerNext(core::Answer::Yes);
        QTest::mouseClick(rebuildButton(), Qt::LeftButton);
        barHiddenAfter = rebuildProgress()->isHidden();
        int p = 0;
        for (data::Dataset* page : {&page(1), &page(2), &page(3)}) {
            pages[p++] = pageRows(*page);
        }
        const QAbstractItemModel* model = grid(1)->model();
        for (const Cell& c : expected) {
            const int row = [&] {
                for (int r = 0; r < page(1).recordCount(); ++r) {
                    if (page(1).valueAt(r, page(1).fieldIndex("w_id")).toString() == c.worker) {
                        return r;
                    }
                }
                return -1;
            }();
            const QModelIndex cell =
                model->index(row, grid(1)->columnOf(QStringLiteral("d%1").arg(c.day)));
            const bool bold = cell.data(Qt::FontRole).value<QFont>().bold();
            const QColor color = cell.data(Qt::ForegroundRole).value<QColor>();
            const QColor background = cell.data(Qt::BackgroundRole).value<QColor>();
            if (row < 0 || bold != c.bold || color != c.color || background != c.background) {
                wrong.append(c.worker + u'/' + QString::number(c.day));
            }
        }
        const QModelIndex total = model->index(0, grid(1)->columnOf(QStringLiteral("summ")));
        EXPECT_EQ(total.data(Qt::BackgroundRole).value<QColor>(), kTotalBackground);
        EXPECT_EQ(
            total.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
            Qt::AlignHCenter);
    });
    EXPECT_TRUE(barShown);
    EXPECT_TRUE(barHiddenAfter);
    EXPECT_EQ(messages.texts(),
              (QStringList{kRebuildAsks + QStringLiteral("март 2026? Часы этого месяца будут "
                                                         "заменены часами по позициям смен."),
                           QStringLiteral("Табель за март 2026 перестроен: 10 строк")}));
    // Shift 1 and 3 of 106 on both pages; 109 shares 101's caption but has its own row;
    // shift 4 (overtime, 101) has no page.
    EXPECT_EQ(pages[0], (QStringList{"101:8", "102:10", "103:8", "104:16", "105:8", "106:10"}));
    EXPECT_EQ(pages[1], (QStringList{"102:8", "109:8"}));
    EXPECT_EQ(pages[2], (QStringList{"106:8"}));
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(u' ').toStdString();
    EXPECT_EQ(monthRows(3, 2026).count(u'/'), 10);  // overtime 101/4 kept in the table
}

TEST_F(TimesheetWindowTest, RebuildingTwiceGivesTheSameTable) {
    QString once;
    QString twice;
    openOn(QDate(2026, 3, 2), [&] {
        rebuild();
        once = monthRows(3, 2026);
        rebuild();
        twice = monthRows(3, 2026);
    });
    EXPECT_FALSE(once.isEmpty());
    EXPECT_EQ(once, twice);
}

// The rebuild replaces the month's hours: it asks first ("Нет" leaves them), and says what it
// made, the count grouped as every count the program shows.
TEST_F(TimesheetWindowTest, RebuildAsksFirstAndSaysWhatItMade) {
    // 999 workers in shifts 1 and 2 of November: 1998 rows; one row of hours is there before.
    test::adminExec(
        QStringLiteral("insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, time) "
                       "select '2026-11-02', s, w, 1, 1, 8 from generate_series(2000, 2998) w, "
                       "generate_series(1, 2) s; "
                       "insert into accounts_dep.h_tabel (w_id, smena, month, year, d1) "
                       "values (101, 1, 11, 2026, 5)"));
    const QString question = QStringLiteral(
        "Перестроить табель за ноябрь 2026? Часы этого месяца будут заменены часами по позициям "
        "смен.");
    const auto rowsOfNovember = [] {
        return test::adminQuery(QStringLiteral(
            "select count(*) from accounts_dep.h_tabel where month = 11 and year = 2026"));
    };
    const struct {
        core::Answer answer;
        QStringList told;
        QString rows;
    } cases[] = {
        {core::Answer::No, {question}, QStringLiteral("1")},
        {core::Answer::Yes,
         {question, QStringLiteral("Табель за ноябрь 2026 перестроен: 1") + QChar(0x00A0) +
                        QStringLiteral("998 строк")},
         QStringLiteral("1998")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows.toStdString());
        messages.clear();
        messages.answerNext(c.answer);
        openOn(QDate(2026, 11, 2), [&] { QTest::mouseClick(rebuildButton(), Qt::LeftButton); });
        EXPECT_EQ(messages.texts(), c.told);
        EXPECT_EQ(messages.messages().value(0).kind, core::MessageKind::Exclamation);
        EXPECT_EQ(messages.messages().value(0).title, QStringLiteral("Запрос"));
        EXPECT_EQ(rowsOfNovember(), c.rows);
    }
}

TEST_F(TimesheetWindowTest, RebuildingAMonthWithoutEntriesLeavesItEmpty) {
    test::adminExec(
        QStringLiteral("insert into accounts_dep.h_tabel (w_id, smena, month, year, d1) values "
                       "(101, 1, 4, 2026, 8), (102, 2, 4, 2026, 8), (106, 3, 4, 2026, 8)"));
    int rows = -1;
    openOn(QDate(2026, 4, 15), [&] {
        rebuild();
        rows = page(1).recordCount() + page(2).recordCount() + page(3).recordCount();
    });
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(monthRows(4, 2026), QString());
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(TimesheetWindowTest, FailedRebuildKeepsTheMonthAndSaysSo) {
    // Hours beyond what a day's cell holds, in an older row from before the entries' rules,
    // make the rebuild fail on the server.
    test::adminExec(
        QStringLiteral("alter table accounts_dep.smena disable trigger smena_check_row, "
                       "disable trigger smena_day_hours_insert; "
                       "insert into accounts_dep.smena (data, smena, w_id, i_id, "
                       "o_id, time) values ('2026-03-20', 1, 101, 1, 1, 40000); "
                       "alter table accounts_dep.smena enable trigger smena_check_row, "
                       "enable trigger smena_day_hours_insert"));
    const QString before = monthRows(3, 2026);
    int page1 = -1;
    openOn(QDate(2026, 3, 2), [&] {
        messages.answerNext(core::Answer::Yes);
        rebuildButton()->click();
        page1 = page(1).recordCount();
        EXPECT_TRUE(rebuildProgress()->isHidden());
    });
    EXPECT_EQ(monthRows(3, 2026), before);
    EXPECT_EQ(page1, 5);
    // Asked, then told it failed; nothing says it was done.
    ASSERT_EQ(messages.messages().size(), 2);
    EXPECT_TRUE(messages.messages()[0].text.startsWith(kRebuildAsks));
    EXPECT_EQ(messages.messages()[1].title, QStringLiteral("Ошибка"));
    EXPECT_TRUE(messages.messages()[1].text.startsWith(
        QStringLiteral("Табель за Март 2026 не перестроен, прежние данные сохранены.")))
        << messages.messages()[1].text.toStdString();
}

TEST_F(TimesheetWindowTest, RebuildWaitingTooLongForAPostingEndsInAMessage) {
    // Another workstation holds the month while it posts hours.
    QProcess posting;
    posting.start(qEnvironmentVariable("TABEL_SOURCE_DIR") + QStringLiteral("/scripts/dbctl"),
                  {QStringLiteral("psql"), test::testServer(), QStringLiteral("-X"),
                   QStringLiteral("-q"), QStringLiteral("-c"),
                   QStringLiteral("begin; select accounts_dep.lock_hours_month(2026, 3, false); "
                                  "select pg_sleep(4); commit;")});
    ASSERT_TRUE(posting.waitForStarted());
    const auto held = [] {
        return test::adminQuery(QStringLiteral("select count(*) from pg_stat_activity where "
                                               "wait_event = 'PgSleep'")) != "0";
    };
    for (int i = 0; i < 100 && !held(); ++i) {
        QTest::qWait(30);
    }
    data::Command(&session.connection, QStringLiteral("timeout"),
                  {QStringLiteral("set lock_timeout = '300ms'")})
        .execute();
    const QString before = monthRows(3, 2026);
    messages.answerNext(core::Answer::Yes);
    openOn(QDate(2026, 3, 2), [&] { rebuildButton()->click(); });
    posting.waitForFinished(10000);
    EXPECT_EQ(monthRows(3, 2026), before);
    ASSERT_EQ(messages.texts().size(), 2);
    EXPECT_TRUE(messages.texts()[1].startsWith(
        QStringLiteral("Табель за Март 2026 не перестроен: на другом рабочем месте")))
        << messages.texts()[1].toStdString();
}

TEST_F(TimesheetWindowTest, ReaderCannotRebuild) {
    test::connectAs(session.connection, QStringLiteral("econom"));
    const QString before = monthRows(3, 2026);
    openOn(QDate(2026, 3, 2), [&] { rebuildButton()->click(); });
    EXPECT_EQ(monthRows(3, 2026), before);
    EXPECT_EQ(messages.texts(),
              QStringList{QStringLiteral("Недостаточно прав для перестроения табеля.")});
}

TEST_F(TimesheetWindowTest, RefreshShowsHoursPostedElsewhere) {
    QStringList before;
    QStringList after;
    openOn(QDate(2026, 3, 2), [&] {
        before = pageRows(page(3));
        test::adminExec(
            QStringLiteral("update accounts_dep.h_tabel set d9 = 4 where w_id = 106 "
                           "and smena = 3"));
        QTest::mouseClick(refreshButton(), Qt::LeftButton);
        after = pageRows(page(3));
    });
    EXPECT_EQ(before, QStringList{"106:8"});
    EXPECT_EQ(after, QStringList{"106:12"});
}

TEST_F(TimesheetWindowTest, ExportAddsShiftsAndWorkersOfOneCaptionAndCountsItsRows) {
    QString caption;
    QString captionAgain;
    openOn(QDate(2026, 3, 2), [&] {
        rebuild();
        QTest::mouseClick(excelButton(), Qt::LeftButton);
        caption = test::withoutMnemonic(excelButton()->text());
    });
    openOn(QDate(2026, 3, 2), [&] { captionAgain = test::withoutMnemonic(excelButton()->text()); });
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.texts().join(u'\n').toStdString();
    EXPECT_EQ(caption, QStringLiteral("Excel (6 из 6)"));
    EXPECT_EQ(captionAgain, QStringLiteral("Excel"));
    ASSERT_EQ(opened.size(), 1);
    const test::XlsxBook book = test::readXlsx(opened[0]);
    ASSERT_TRUE(book.ok) << book.error.toStdString();

    const auto text = [&](int row, int column) {
        const test::XlsxCell* cell = book.cell(row, column);
        return cell == nullptr ? QStringLiteral("<none>") : cell->value;
    };
    EXPECT_EQ(text(1, 1), QStringLiteral("Март 2026"));
    EXPECT_TRUE(book.cell(1, 1)->bold);
    EXPECT_EQ(book.cell(1, 1)->numberFormat, QStringLiteral("@"));
    EXPECT_EQ(text(2, 1), QStringLiteral("Фамилия И.О."));
    EXPECT_EQ(text(2, 2), QStringLiteral("1"));
    EXPECT_TRUE(book.cell(2, 2)->isNumber);
    EXPECT_EQ(text(2, 32), QStringLiteral("31"));
    EXPECT_EQ(text(2, 33), QStringLiteral("Итого"));

    // fio → (day 2, day 3, day 4, day 7, day 8, total), all 31 days written.
    QMap<QString, QString> rows;
    for (int row = 3; row <= 8; ++row) {
        QStringList values;
        for (int column : {3, 4, 5, 8, 9, 33}) {
            values.append(text(row, column));
        }
        EXPECT_EQ(text(row, 32), QStringLiteral("0")) << row;
        EXPECT_TRUE(book.cell(row, 33)->isNumber);
        EXPECT_FALSE(book.cell(row, 1)->bold);
        rows.insert(text(row, 1), values.join(u' '));
    }
    EXPECT_EQ(text(9, 1), QStringLiteral("<none>"));
    // 101 (shift 1 and overtime on the 2nd) and 109 (the 4th) share their caption; 106 adds
    // shifts 3 and 1.
    EXPECT_EQ(rows.value(QStringLiteral("Иванов Иван Иванович")), QStringLiteral("10 0 8 0 0 18"));
    EXPECT_EQ(rows.value(QStringLiteral("Ивашов Пётр")), QStringLiteral("8 10 0 0 0 18"));
    EXPECT_EQ(rows.value(QStringLiteral("Кузнецова Анна Сергеевна")),
              QStringLiteral("8 0 0 10 0 18"));
    EXPECT_EQ(rows.value(QStringLiteral("  Сидоров С.С. ")), QStringLiteral("8 0 0 0 8 16"));
    EXPECT_EQ(rows.size(), 6);
    EXPECT_FALSE(monthHours().isOpen());
}

TEST_F(TimesheetWindowTest, PrintPreviewsTheMonthWithShiftsAndCaptionsAdded) {
    QStringList texts;
    bool wholePage = false;
    int previews = 0;
    openOn(QDate(2026, 3, 2), [&] {
        rebuild();
        QTest::mouseClick(printButton(), Qt::LeftButton);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* preview = qobject_cast<ReportPreview*>(window);
            if (preview == nullptr || !preview->isVisible()) {
                continue;
            }
            ++previews;
            wholePage = preview->findChild<PageView*>()->fit() == PageView::Fit::WholePage;
            texts += test::textsOf(preview->document());
            preview->close();
        }
    });
    EXPECT_EQ(previews, 1);
    EXPECT_TRUE(wholePage);
    EXPECT_FALSE(monthHours().isOpen());
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_EQ(texts.front(), QStringLiteral("Март 2026 г."));
    // 101's 8 hours in shift 1 and 2 in overtime, and 109's 8 on the 4th, on one line.
    const int ivanov = int(texts.indexOf(QStringLiteral("Иванов Иван Иванович")));
    ASSERT_GE(ivanov, 0);
    EXPECT_EQ(texts.mid(ivanov + 1, 4), (QStringList{"0", "10", "0", "8"}));
    EXPECT_EQ(texts.at(ivanov + 32), QStringLiteral("18"));
    EXPECT_EQ(texts.count(QStringLiteral("Иванов Иван Иванович")), 1);
}

// "Отмена" in the progress of "Печать": no preview, no file, the month's hours closed; printing
// again previews the month.
TEST_F(TimesheetWindowTest, CancelledPrintLeavesNoPreviewAndNoFile) {
    const auto visiblePreviews = [] {
        int previews = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* preview = qobject_cast<ReportPreview*>(window);
            if (preview != nullptr && preview->isVisible()) {
                ++previews;
                preview->close();
            }
        }
        return previews;
    };
    widgets::WorkProgress::setShowDelay(0);
    bool pressed = false;
    int previewsAfterCancel = -1;
    int previewsAfterPrint = -1;
    openOn(QDate(2026, 3, 2), [&] {
        rebuild();
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&] {
            if (auto* dialog = form.findChild<QProgressDialog*>();
                dialog != nullptr && dialog->isVisible()) {
                dialog->cancel();
                pressed = true;
            }
        });
        press.start(0);
        QTest::mouseClick(printButton(), Qt::LeftButton);
        press.stop();
        previewsAfterCancel = visiblePreviews();
        EXPECT_FALSE(monthHours().isOpen());
        QTest::mouseClick(printButton(), Qt::LeftButton);
        previewsAfterPrint = visiblePreviews();
    });
    widgets::WorkProgress::setShowDelay(500);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(previewsAfterCancel, 0);
    EXPECT_EQ(previewsAfterPrint, 1);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_TRUE(messages.texts().isEmpty());
}

// The session's connection dropped by the server: every action of the window tells it once,
// the window stays open with no hourglass left, and the same action tried again works.
TEST_F(TimesheetWindowTest, ALostConnectionIsToldOnceByEachActionAndTheNextTryWorks) {
    const auto closePreviews = [] {
        int previews = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* preview = qobject_cast<ReportPreview*>(window);
                preview != nullptr && preview->isVisible()) {
                ++previews;
                preview->close();
            }
        }
        return previews;
    };
    const struct {
        const char* name;
        std::function<void()> act;
        std::function<bool()> done;  // what the action left when it worked
        int told = 0;                // messages a working try gives
    } actions[] = {
        {"Обновить", [&] { QTest::mouseClick(refreshButton(), Qt::LeftButton); },
         [&] { return page(1).recordCount() == 5; }},
        {"Месяц", [&] { monthBox()->setCurrentIndex(monthBox()->currentIndex() == 2 ? 3 : 2); },
         [&] { return page(1).isOpen() && page(2).isOpen() && page(3).isOpen(); }},
        {"Перестроить",
         [&] {
             messages.answerNext(core::Answer::Yes);
             QTest::mouseClick(rebuildButton(), Qt::LeftButton);
         },
         [&] { return page(1).isOpen() && rebuildProgress()->isHidden(); }, 2},
        {"Excel", [&] { QTest::mouseClick(excelButton(), Qt::LeftButton); },
         [&] { return opened.size() == 1 && !monthHours().isOpen(); }},
        {"Печать", [&] { QTest::mouseClick(printButton(), Qt::LeftButton); },
         [&] { return closePreviews() == 1 && !monthHours().isOpen(); }},
    };
    openOn(QDate(2026, 3, 2), [&] {
        for (const auto& a : actions) {
            SCOPED_TRACE(a.name);
            messages.clear();
            test::dropConnection(session.connection);
            a.act();
            ASSERT_EQ(messages.texts().size(), 1);
            EXPECT_TRUE(
                messages.texts()[0].startsWith(QStringLiteral("Подключение к БД отсутсвует")))
                << messages.texts()[0].toStdString();
            EXPECT_TRUE(form.isVisible());
            EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
            EXPECT_EQ(closePreviews(), 0);
            messages.clear();
            a.act();
            EXPECT_EQ(messages.texts().size(), a.told)
                << messages.texts().join(u'\n').toStdString();
            EXPECT_TRUE(a.done());
        }
    });
}

// The names stay at the left while the days scroll under them, and at 1280 px the total shows
// beside the 31 days without any scrolling.
TEST_F(TimesheetWindowTest, TheNamesStayWhileTheDaysScrollAndTheTotalShowsAt1280) {
    openOn(QDate(2026, 3, 2), [&] {
        widgets::DataGrid* grid = this->grid(1);
        const int total = grid->columnOf(QStringLiteral("summ"));
        ASSERT_GT(grid->model()->rowCount(), 0);
        form.resize(1280, form.height());
        QCoreApplication::processEvents();
        EXPECT_EQ(grid->horizontalScrollBar()->value(), 0);
        EXPECT_LE(grid->columnViewportPosition(total) + grid->columnWidth(total),
                  grid->viewport()->width());

        form.resize(700, form.height());
        QCoreApplication::processEvents();
        QScrollBar* across = grid->horizontalScrollBar();
        ASSERT_GT(across->maximum(), 0);
        across->setValue(across->maximum());
        QCoreApplication::processEvents();
        EXPECT_LT(grid->columnViewportPosition(0), 0);  // the grid itself has scrolled
        QTableView* names = grid->frozenView();
        ASSERT_NE(names, nullptr);
        EXPECT_TRUE(names->isVisible());
        EXPECT_EQ(names->geometry().left(), grid->viewport()->geometry().left());
        EXPECT_EQ(names->width(), grid->columnWidth(0));
        const QModelIndex shown = names->indexAt(QPoint(2, 2));
        EXPECT_EQ(shown.column(), 0);
        EXPECT_EQ(shown.row(), 0);
        EXPECT_EQ(names->horizontalHeader()->height(), grid->horizontalHeader()->height());
        // Choosing a day of another row moves the names' selection with it.
        grid->setCurrentIndex(grid->model()->index(grid->model()->rowCount() - 1, total));
        EXPECT_TRUE(names->selectionModel()->isRowSelected(grid->model()->rowCount() - 1));
        EXPECT_GE(grid->columnViewportPosition(total), names->width());
    });
}

}  // namespace
}  // namespace tabel::outputwindows
