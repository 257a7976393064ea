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
        form.yearBox->setCurrentText(QString::number(year));
        form.monthBox->setCurrentIndex(month - 1);
    }

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
            month = form.monthBox->currentText();
            year = form.yearBox->currentText();
            page1 = pageRows(test::listShownBy(form, QStringLiteral("shift1Grid")));
            titled =
                form.windowTitle() == QStringLiteral("Табель по времени") &&
                test::withoutMnemonic(form.shiftPages->tabText(0)) == QStringLiteral("Смена №1") &&
                test::withoutMnemonic(form.shiftPages->tabText(2)) == QStringLiteral("Смена №3");
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
        for (data::Dataset* page : {&test::listShownBy(form, QStringLiteral("shift1Grid")),
                                    &test::listShownBy(form, QStringLiteral("shift2Grid")),
                                    &test::listShownBy(form, QStringLiteral("shift3Grid"))}) {
            EXPECT_FALSE(page->isOpen());
        }
    }
}

TEST_F(TimesheetWindowTest, ControlsAreNamedAndAnnounced) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             form.shiftPages, form.shift1Page, form.shift2Page, form.shift3Page, form.shift1Grid,
             form.shift2Grid, form.shift3Grid, form.monthBox, form.yearBox, form.rebuildButton,
             form.rebuildProgress, form.excelButton, form.refreshButton, form.printButton,
             form.exitButton}) {
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(form.findChild<QWidget*>(control->objectName()), control)
            << control->objectName().toStdString();
    }
    EXPECT_EQ(test::fieldLabelled<QComboBox>(form, "Месяц"), form.monthBox);
    EXPECT_EQ(test::fieldLabelled<QComboBox>(form, "Год"), form.yearBox);
    const std::pair<const char*, QPushButton*> buttons[] = {
        {"Перестроить", form.rebuildButton}, {"Excel", form.excelButton},
        {"Обновить", form.refreshButton},    {"Печать", form.printButton},
        {"Выход", form.exitButton},
    };
    for (const auto& [caption, button] : buttons) {
        EXPECT_EQ(test::buttonCaptioned<QPushButton>(form, QString::fromUtf8(caption)), button)
            << caption;
    }
    const QAbstractItemModel* model = form.shift1Grid->model();
    ASSERT_EQ(model->columnCount(), 33);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Фамилия И. О."));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("1"));
    EXPECT_EQ(model->headerData(31, Qt::Horizontal).toString(), QStringLiteral("31"));
    EXPECT_EQ(model->headerData(32, Qt::Horizontal).toString(), QStringLiteral("Итого"));
    EXPECT_TRUE(form.yearBox->findText(QString::number(QDate::currentDate().year() + 1)) >= 0);
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
            for (widgets::DataGrid* grid : {form.shift1Grid, form.shift2Grid, form.shift3Grid}) {
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
        form.rebuildProgress->installEventFilter(&spy);
        QTest::mouseClick(form.rebuildButton, Qt::LeftButton);
        barHiddenAfter = form.rebuildProgress->isHidden();
        int p = 0;
        for (data::Dataset* page : {&test::listShownBy(form, QStringLiteral("shift1Grid")),
                                    &test::listShownBy(form, QStringLiteral("shift2Grid")),
                                    &test::listShownBy(form, QStringLiteral("shift3Grid"))}) {
            pages[p++] = pageRows(*page);
        }
        const QAbstractItemModel* model = form.shift1Grid->model();
        for (const Cell& c : expected) {
            const int row = [&] {
                for (int r = 0;
                     r < test::listShownBy(form, QStringLiteral("shift1Grid")).recordCount(); ++r) {
                    if (test::listShownBy(form, QStringLiteral("shift1Grid"))
                            .valueAt(r, test::listShownBy(form, QStringLiteral("shift1Grid"))
                                            .fieldIndex("w_id"))
                            .toString() == c.worker) {
                        return r;
                    }
                }
                return -1;
            }();
            const QModelIndex cell =
                model->index(row, form.shift1Grid->columnOf(QStringLiteral("d%1").arg(c.day)));
            const bool bold = cell.data(Qt::FontRole).value<QFont>().bold();
            const QColor color = cell.data(Qt::ForegroundRole).value<QColor>();
            const QColor background = cell.data(Qt::BackgroundRole).value<QColor>();
            if (row < 0 || bold != c.bold || color != c.color || background != c.background) {
                wrong.append(c.worker + u'/' + QString::number(c.day));
            }
        }
        const QModelIndex total =
            model->index(0, form.shift1Grid->columnOf(QStringLiteral("summ")));
        EXPECT_EQ(total.data(Qt::BackgroundRole).value<QColor>(), kTotalBackground);
        EXPECT_EQ(
            total.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
            Qt::AlignHCenter);
    });
    EXPECT_TRUE(barShown);
    EXPECT_TRUE(barHiddenAfter);
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.texts().join(u'\n').toStdString();
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
        form.rebuildButton->click();
        once = monthRows(3, 2026);
        form.rebuildButton->click();
        twice = monthRows(3, 2026);
    });
    EXPECT_FALSE(once.isEmpty());
    EXPECT_EQ(once, twice);
}

TEST_F(TimesheetWindowTest, RebuildingAMonthWithoutEntriesLeavesItEmpty) {
    test::adminExec(
        QStringLiteral("insert into accounts_dep.h_tabel (w_id, smena, month, year, d1) values "
                       "(101, 1, 4, 2026, 8), (102, 2, 4, 2026, 8), (106, 3, 4, 2026, 8)"));
    int rows = -1;
    openOn(QDate(2026, 4, 15), [&] {
        form.rebuildButton->click();
        rows = test::listShownBy(form, QStringLiteral("shift1Grid")).recordCount() +
               test::listShownBy(form, QStringLiteral("shift2Grid")).recordCount() +
               test::listShownBy(form, QStringLiteral("shift3Grid")).recordCount();
    });
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(monthRows(4, 2026), QString());
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(TimesheetWindowTest, FailedRebuildKeepsTheMonthAndSaysSo) {
    // Hours beyond what a day's cell holds make the rebuild fail on the server.
    test::adminExec(
        QStringLiteral("insert into accounts_dep.smena (data, smena, w_id, i_id, "
                       "o_id, time) values ('2026-03-20', 1, 101, 1, 1, 40000)"));
    const QString before = monthRows(3, 2026);
    int page1 = -1;
    openOn(QDate(2026, 3, 2), [&] {
        form.rebuildButton->click();
        page1 = test::listShownBy(form, QStringLiteral("shift1Grid")).recordCount();
        EXPECT_TRUE(form.rebuildProgress->isHidden());
    });
    EXPECT_EQ(monthRows(3, 2026), before);
    EXPECT_EQ(page1, 5);
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Ошибка"));
    EXPECT_TRUE(messages.messages()[0].text.startsWith(
        QStringLiteral("Табель за Март 2026 не перестроен, прежние данные сохранены.")))
        << messages.messages()[0].text.toStdString();
}

TEST_F(TimesheetWindowTest, RebuildWaitingTooLongForAPostingEndsInAMessage) {
    // Another workstation holds the month while it posts hours.
    QProcess posting;
    posting.start(qEnvironmentVariable("TABEL_SOURCE_DIR") + QStringLiteral("/scripts/dbctl"),
                  {QStringLiteral("psql"), test::testServer(), QStringLiteral("-X"),
                   QStringLiteral("-q"), QStringLiteral("-c"),
                   QStringLiteral("begin; select pg_advisory_xact_lock_shared(20101, 202603); "
                                  "select pg_sleep(4); commit;")});
    ASSERT_TRUE(posting.waitForStarted());
    const auto held = [] {
        return test::adminQuery(QStringLiteral("select count(*) from pg_locks where locktype = "
                                               "'advisory' and objid = 202603")) != "0";
    };
    for (int i = 0; i < 100 && !held(); ++i) {
        QTest::qWait(30);
    }
    data::Command(&session.connection, QStringLiteral("timeout"),
                  {QStringLiteral("set lock_timeout = '300ms'")})
        .execute();
    const QString before = monthRows(3, 2026);
    openOn(QDate(2026, 3, 2), [&] { form.rebuildButton->click(); });
    posting.waitForFinished(10000);
    EXPECT_EQ(monthRows(3, 2026), before);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith(
        QStringLiteral("Табель за Март 2026 не перестроен: на другом рабочем месте")))
        << messages.texts()[0].toStdString();
}

TEST_F(TimesheetWindowTest, ReaderCannotRebuild) {
    test::connectAs(session.connection, QStringLiteral("econom"));
    const QString before = monthRows(3, 2026);
    openOn(QDate(2026, 3, 2), [&] { form.rebuildButton->click(); });
    EXPECT_EQ(monthRows(3, 2026), before);
    EXPECT_EQ(messages.texts(),
              QStringList{QStringLiteral("Недостаточно прав для перестроения табеля.")});
}

TEST_F(TimesheetWindowTest, RefreshShowsHoursPostedElsewhere) {
    QStringList before;
    QStringList after;
    openOn(QDate(2026, 3, 2), [&] {
        before = pageRows(test::listShownBy(form, QStringLiteral("shift3Grid")));
        test::adminExec(
            QStringLiteral("update accounts_dep.h_tabel set d9 = 4 where w_id = 106 "
                           "and smena = 3"));
        QTest::mouseClick(form.refreshButton, Qt::LeftButton);
        after = pageRows(test::listShownBy(form, QStringLiteral("shift3Grid")));
    });
    EXPECT_EQ(before, QStringList{"106:8"});
    EXPECT_EQ(after, QStringList{"106:12"});
}

TEST_F(TimesheetWindowTest, ExportAddsShiftsAndWorkersOfOneCaptionAndCountsItsRows) {
    QString caption;
    QString captionAgain;
    openOn(QDate(2026, 3, 2), [&] {
        form.rebuildButton->click();
        QTest::mouseClick(form.excelButton, Qt::LeftButton);
        caption = test::withoutMnemonic(form.excelButton->text());
    });
    openOn(QDate(2026, 3, 2),
           [&] { captionAgain = test::withoutMnemonic(form.excelButton->text()); });
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
    EXPECT_FALSE(form.printedTimesheet.monthHours.isOpen());
}

TEST_F(TimesheetWindowTest, PrintPreviewsTheMonthWithShiftsAndCaptionsAdded) {
    QStringList texts;
    bool wholePage = false;
    int previews = 0;
    openOn(QDate(2026, 3, 2), [&] {
        form.rebuildButton->click();
        QTest::mouseClick(form.printButton, Qt::LeftButton);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* preview = qobject_cast<ReportPreview*>(window);
            if (preview == nullptr || !preview->isVisible()) {
                continue;
            }
            ++previews;
            wholePage = preview->view()->fit() == PageView::Fit::WholePage;
            texts += test::textsOf(preview->document());
            preview->close();
        }
    });
    EXPECT_EQ(previews, 1);
    EXPECT_TRUE(wholePage);
    EXPECT_FALSE(form.printedTimesheet.monthHours.isOpen());
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
        form.rebuildButton->click();
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&] {
            if (auto* dialog = form.findChild<QProgressDialog*>();
                dialog != nullptr && dialog->isVisible()) {
                dialog->cancel();
                pressed = true;
            }
        });
        press.start(0);
        QTest::mouseClick(form.printButton, Qt::LeftButton);
        press.stop();
        previewsAfterCancel = visiblePreviews();
        EXPECT_FALSE(form.printedTimesheet.monthHours.isOpen());
        QTest::mouseClick(form.printButton, Qt::LeftButton);
        previewsAfterPrint = visiblePreviews();
    });
    widgets::WorkProgress::setShowDelay(500);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(previewsAfterCancel, 0);
    EXPECT_EQ(previewsAfterPrint, 1);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_TRUE(messages.texts().isEmpty());
}

// The names stay at the left while the days scroll under them, and at 1280 px the total shows
// beside the 31 days without any scrolling.
TEST_F(TimesheetWindowTest, TheNamesStayWhileTheDaysScrollAndTheTotalShowsAt1280) {
    openOn(QDate(2026, 3, 2), [&] {
        widgets::DataGrid* grid = form.shift1Grid;
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
