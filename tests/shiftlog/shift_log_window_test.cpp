#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTest>
#include <functional>

#include "core/dates.h"
#include "data/session.h"
#include "eventually.h"
#include "message_recorder.h"
#include "shift_log_controls.h"
#include "shiftlog/shift_log_window.h"
#include "shown_lists.h"
#include "test_db.h"
#include "widgets/data_grid.h"
#include "widgets/style.h"

namespace tabel::shiftlog {
namespace {

const QDate kMonday(2026, 3, 2);
const QDate kTuesday(2026, 3, 3);
const QDate kSaturday(2026, 3, 7);

QStringList column(data::Dataset& list, const QString& field) {
    QStringList out;
    for (int row = 0; row < list.recordCount(); ++row) {
        out.append(list.valueAt(row, list.fieldIndex(field)).toString());
    }
    return out;
}

bool highlighted(QAbstractButton* button) {
    return button->font().bold() &&
           button->palette().color(button->backgroundRole()) == widgets::kGreen;
}

class ShiftLogWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }

    void SetUp() override {
        test::connectAs(session.connection);
        form.show();
        chooseDate(kMonday);
    }

    void chooseDate(const QDate& date) { sl.chooseDay(date); }

    data::Session session;
    ShiftLogWindow form{session};
    test::ShiftLogControls sl{form};
    test::MessageRecorder messages;
};

TEST_F(ShiftLogWindowTest, GridShowsTheColumnsInOrderWithThePrizeHidden) {
    const QStringList titles{
        "Фамилия И.О.", "Марка изделия", "Операция",   "Вид", "Цвет", "Часы",    "Кол-во",
        "Брак",         "Итого (р.)",    "Премия (%)", "ТМЦ", "OK",   "Заведен", "№ ЗВП"};
    QAbstractItemModel* model = sl.entriesGrid->model();
    ASSERT_EQ(model->columnCount(), titles.size());
    const int prize = sl.entriesGrid->columnOf(QStringLiteral("prize"));
    for (int c = 0; c < titles.size(); ++c) {
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), titles[c]);
        EXPECT_EQ(sl.entriesGrid->isColumnHidden(c), c == prize) << c;
    }
    EXPECT_EQ(
        column(test::shiftList(form, 1), QStringLiteral("fio")),
        (QStringList{"Иванов Иван Иванович", "Иванов Иван Иванович", "Петров Пётр Петрович"}));
    // Numbers with the decimal comma; (100 - 2) × 1.25.
    const int summa = sl.entriesGrid->columnOf(QStringLiteral("summa"));
    EXPECT_EQ(model->index(0, summa).data().toString(), QStringLiteral("122,5"));
    EXPECT_EQ(model->index(0, summa).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_EQ(model->index(0, sl.entriesGrid->columnOf(QStringLiteral("ok")))
                      .data(Qt::TextAlignmentRole)
                      .value<Qt::Alignment>() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
}

// "ТМЦ" counts each entry's material lines, nothing for none, and follows a line added or
// removed elsewhere.
TEST_F(ShiftLogWindowTest, TheMaterialsColumnCountsEachEntrysLines) {
    QAbstractItemModel* model = sl.entriesGrid->model();
    const int tmc = sl.entriesGrid->columnOf(QStringLiteral("tmc"));
    ASSERT_GE(tmc, 0);
    const auto shown = [&] {
        QStringList cells;
        for (int row = 0; row < model->rowCount(); ++row) {
            cells.append(model->index(row, tmc).data().toString());
        }
        return cells;
    };
    const auto removeAdded = qScopeGuard([] {
        test::adminExec(QStringLiteral("delete from accounts_dep.smena_gds_use where id > 2"));
    });
    const struct {
        const char* change;
        QStringList cells;  // entries 1, 2 and 3
    } cases[] = {
        {"", {"", "1", "1"}},
        {"insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) values "
         "(1, 1001, 1), (1, 1002, 0.5)",
         {"2", "1", "1"}},
        {"delete from accounts_dep.smena_gds_use where id_smena = 1 and id_gds_use = 1002",
         {"1", "1", "1"}},
        {"delete from accounts_dep.smena_gds_use where id_smena = 1", {"", "1", "1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        if (*c.change != '\0') {
            test::adminExec(QString::fromUtf8(c.change));
        }
        EXPECT_SOON_EQ(shown(), c.cells, 5000);
    }
}

TEST_F(ShiftLogWindowTest, AcceptanceMarkIsBoldRedOrGreen) {
    QAbstractItemModel* model = sl.entriesGrid->model();
    const QStringList marks = column(test::shiftList(form, 1), QStringLiteral("ok"));
    ASSERT_EQ(marks, (QStringList{"no", "ok", "да"}));
    const QColor expected[] = {widgets::kRed, widgets::kGreen, widgets::kGreen};
    const int ok = sl.entriesGrid->columnOf(QStringLiteral("ok"));
    const int fio = sl.entriesGrid->columnOf(QStringLiteral("fio"));
    for (int row = 0; row < 3; ++row) {
        const QModelIndex cell = model->index(row, ok);
        EXPECT_TRUE(cell.data(Qt::FontRole).value<QFont>().bold()) << row;
        EXPECT_EQ(cell.data(Qt::ForegroundRole).value<QColor>(), expected[row]) << row;
        EXPECT_FALSE(model->index(row, fio).data(Qt::FontRole).isValid());
    }
}

TEST_F(ShiftLogWindowTest, MarkKeepsItsColourWhenSelectedAndADisabledGridStaysReadable) {
    QAbstractItemModel* model = sl.entriesGrid->model();
    auto* delegate = qobject_cast<widgets::CellDelegate*>(sl.entriesGrid->itemDelegate());
    ASSERT_NE(delegate, nullptr);
    const QColor expected[] = {widgets::kRed, widgets::kGreen, widgets::kGreen};
    const int ok = sl.entriesGrid->columnOf(QStringLiteral("ok"));
    for (int row = 0; row < 3; ++row) {
        sl.entriesGrid->selectRow(row);
        QStyleOptionViewItem option;
        option.initFrom(sl.entriesGrid);
        delegate->initStyleOption(&option, model->index(row, ok));
        EXPECT_EQ(option.palette.color(QPalette::HighlightedText), expected[row]) << row;
    }
    sl.entriesGrid->setEnabled(false);
    const QPalette palette = sl.entriesGrid->palette();
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::Base, QPalette::Highlight, QPalette::HighlightedText}) {
        EXPECT_EQ(palette.color(QPalette::Disabled, role), palette.color(QPalette::Active, role))
            << int(role);
    }
    EXPECT_NE(palette.color(QPalette::Disabled, QPalette::Text),
              palette.color(QPalette::Disabled, QPalette::Base));
    sl.entriesGrid->setEnabled(true);
}

TEST_F(ShiftLogWindowTest, ColumnsShowTheirWholeTextsOnceTheWindowIsEnlarged) {
    test::adminExec(QStringLiteral(
        "update cmn_contractor.person set s_caption='Преображенский Иннокентий "
        "Всеволодович' where id=1; update accounts_dep.vid_oper set vid='Резка листового "
        "металла' where id=1"));
    QTest::mouseClick(sl.refreshButton, Qt::LeftButton);
    // The window opens small enough for 1024 x 768; the user enlarges it and the squeezed
    // name columns grow back to their texts.
    const QSize opened = form.size();
    EXPECT_GT(form.maximumWidth(), 1024);
    form.resize(1600, opened.height());
    widgets::DataGrid* grid = sl.entriesGrid;
    QAbstractItemModel* model = grid->model();
    QFont bold = grid->font();
    bold.setBold(true);
    int lastVisible = -1;
    int lastContent = 0;
    for (int c = 0; c < model->columnCount(); ++c) {
        if (grid->isColumnHidden(c)) {
            continue;
        }
        int widest = grid->horizontalHeader()->fontMetrics().horizontalAdvance(
            model->headerData(c, Qt::Horizontal).toString());
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, c);
            const QFontMetrics metrics(
                index.data(Qt::FontRole).value<QFont>().bold() ? bold : grid->font());
            widest = qMax(widest, metrics.horizontalAdvance(index.data().toString()));
        }
        EXPECT_GE(grid->columnWidth(c), widest) << "column " << c << " cuts its text";
        lastVisible = c;
        lastContent = widest;
    }
    EXPECT_FALSE(grid->horizontalHeader()->stretchLastSection());
    EXPECT_LE(grid->columnWidth(lastVisible), lastContent + 2 * grid->fontMetrics().height());
    form.resize(opened);
    test::loadBaseFixture();
}

TEST_F(ShiftLogWindowTest, ShiftButtonsSwitchTheListWithoutRereading) {
    test::adminExec(QStringLiteral(
        "insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, "
        "color, time, ok) values (50, '2026-03-02', 2, 103, 1, 1, 1, 1, 0, 0, 1, 'no')"));
    const struct {
        QRadioButton* button;
        int shift;
        int rows;
    } cases[] = {{sl.shift2Radio, 2, 1},
                 {sl.overtimeRadio, 4, 1},
                 {sl.shift3Radio, 3, 1},
                 {sl.shift1Radio, 1, 3}};
    for (const auto& c : cases) {
        QTest::mouseClick(c.button, Qt::LeftButton);
        EXPECT_EQ(form.shift(), c.shift);
        EXPECT_EQ(sl.entriesGrid->dataset(), &test::shiftList(form, c.shift));
        EXPECT_EQ(sl.entriesGrid->model()->rowCount(), c.rows) << c.shift;
        for (QRadioButton* other :
             {sl.shift1Radio, sl.shift2Radio, sl.shift3Radio, sl.overtimeRadio}) {
            EXPECT_EQ(highlighted(other), other == c.button) << c.shift;
        }
    }
    QTest::mouseClick(sl.shift2Radio, Qt::LeftButton);
    QTest::mouseClick(sl.refreshButton, Qt::LeftButton);
    EXPECT_EQ(sl.entriesGrid->model()->rowCount(), 2);
    test::adminExec(QStringLiteral("delete from accounts_dep.smena where id=50"));
}

TEST_F(ShiftLogWindowTest, DateReloadsOnEnter) {
    sl.dateEdit->setDate(kTuesday);
    QTest::keyClick(sl.dateEdit, Qt::Key_Return);
    EXPECT_EQ(test::shiftList(form, 1).recordCount(), 1);
    for (int shift = 1; shift <= 4; ++shift) {
        EXPECT_EQ(test::shiftList(form, shift).param(QStringLiteral("data")).toDate(), kTuesday);
        EXPECT_TRUE(test::shiftList(form, shift).isOpen());
    }
    chooseDate(kMonday);
    EXPECT_EQ(test::shiftList(form, 1).recordCount(), 3);
}

// A date typed over the field (Alt+А selects it) without Enter: the list follows once the date
// is whole or the field is left, never while it is half typed.
TEST_F(ShiftLogWindowTest, ATypedDateIsFollowedWhenWholeOrWhenTheFieldIsLeft) {
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const struct {
        const char* typed;
        bool thenTab;
        QDate whileTyping;
        QDate afterwards;
    } cases[] = {
        {"03032026", false, kTuesday, kTuesday},
        {"03.03.2026", false, kTuesday, kTuesday},
        {"3.3.26", true, kMonday, kTuesday},
        {"03032026", true, kTuesday, kTuesday},
        {"3.3.26\n", false, kTuesday, kTuesday},
        {"3.3.26", false, kMonday, kMonday},  // last: it stays half typed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        chooseDate(kMonday);
        sl.entriesGrid->setFocus();
        sl.dateEdit->setFocus(Qt::ShortcutFocusReason);  // as its label's Alt+А does
        ASSERT_TRUE(sl.dateEdit->hasFocus());
        for (const QChar ch : QString::fromLatin1(c.typed)) {
            if (ch == QLatin1Char('\n')) {
                QTest::keyClick(sl.dateEdit, Qt::Key_Return);
            } else {
                QTest::keyClicks(sl.dateEdit, QString(ch));
            }
        }
        EXPECT_EQ(test::shiftList(form, 1).param(QStringLiteral("data")).toDate(), c.whileTyping);
        if (c.thenTab) {
            QTest::keyClick(sl.dateEdit, Qt::Key_Tab);
        }
        EXPECT_EQ(sl.dateEdit->date(), c.afterwards);
        EXPECT_EQ(test::shiftList(form, 1).param(QStringLiteral("data")).toDate(), c.afterwards);
        EXPECT_EQ(test::shiftList(form, 4).param(QStringLiteral("data")).toDate(), c.afterwards);
    }
}

// Esc, "Выход" (button and menu) and closing the window end the program only after "Да";
// the setting switches the question off.
TEST_F(ShiftLogWindowTest, LeavingAsksFirstWithNoAsTheAnswerOnEnter) {
    auto* exitButton = test::childNamed<QPushButton>(form, QStringLiteral("exitButton"));
    auto* exitAction = test::childNamed<QAction>(form, QStringLiteral("exitAction"));
    const std::function<void()> ways[] = {
        [this] { QTest::keyClick(sl.entriesGrid, Qt::Key_Escape); },
        [exitButton] { QTest::mouseClick(exitButton, Qt::LeftButton); },
        [exitAction] { exitAction->trigger(); },
        [this] { form.close(); },
    };
    for (const auto& leave : ways) {
        form.show();
        messages.clear();
        leave();
        ASSERT_EQ(messages.messages().size(), 1);
        EXPECT_EQ(messages.messages()[0].kind, core::MessageKind::Question);
        EXPECT_EQ(messages.messages()[0].text, QStringLiteral("Завершить работу с программой?"));
        EXPECT_TRUE(form.isVisible());  // answered No

        messages.answerNext(core::Answer::Yes);
        leave();
        EXPECT_FALSE(form.isVisible());
    }
    QSettings().setValue(QStringLiteral("shiftLog/askBeforeExit"), false);
    form.show();
    messages.clear();
    QTest::keyClick(sl.entriesGrid, Qt::Key_Escape);
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_FALSE(form.isVisible());
    QSettings().remove(QStringLiteral("shiftLog/askBeforeExit"));
}

TEST_F(ShiftLogWindowTest, PickingADayInTheCalendarReloadsWhenItCloses) {
    // The drop-down arrow at the picker's right end.
    QTest::mouseClick(sl.dateEdit, Qt::LeftButton, {},
                      QPoint(sl.dateEdit->width() - 6, sl.dateEdit->height() / 2));
    QCalendarWidget* calendar = sl.dateEdit->calendarWidget();
    ASSERT_TRUE(QTest::qWaitFor([&] { return calendar->isVisible(); }, 2000));
    emit calendar->clicked(kTuesday);
    ASSERT_TRUE(QTest::qWaitFor([&] { return test::shiftList(form, 1).recordCount() == 1; }, 2000));
    EXPECT_EQ(sl.dateEdit->date(), kTuesday);
    EXPECT_EQ(test::shiftList(form, 4).param(QStringLiteral("data")).toDate(), kTuesday);
}

TEST_F(ShiftLogWindowTest, DayOffFollowsTheChosenDateBothWays) {
    const struct {
        QDate date;
        bool dayOff;
    } cases[] = {{kSaturday, true},
                 {kSaturday.addDays(1), true},
                 {kMonday, false},
                 {kSaturday, true},
                 {kTuesday, false}};
    for (const auto& c : cases) {
        chooseDate(c.date);
        EXPECT_EQ(sl.dayOffCheck->isChecked(), c.dayOff) << c.date.toString().toStdString();
        EXPECT_EQ(form.dayOff(), c.dayOff);
        EXPECT_EQ(sl.dayOffCheck->font().bold(), c.dayOff);
        EXPECT_EQ(
            sl.dayOffCheck->palette().color(sl.dayOffCheck->backgroundRole()) == widgets::kRed,
            c.dayOff);
    }
}

TEST_F(ShiftLogWindowTest, ActivationTicksDayOffOnWeekendsAndNeverUnticks) {
    const bool weekend = core::isWeekend(QDate::currentDate());
    for (const bool before : {false, true}) {
        sl.dayOffCheck->setChecked(before);
        form.hide();
        form.show();  // every showing goes to today
        EXPECT_EQ(sl.dateEdit->date(), QDate::currentDate());
        EXPECT_EQ(sl.dayOffCheck->isChecked(), before || weekend) << before;
    }
}

TEST_F(ShiftLogWindowTest, TitleClickSortTextsFollowTheWholeSortText) {
    const struct {
        const char* field;
        const char* current;
        const char* next;
    } cases[] = {
        {"marka", "", "marka ASC"},
        {"marka", "marka ASC", "marka DESC"},
        {"marka", "marka DESC", "marka ASC"},
        {"kol_vo", "marka ASC", "kol_vo DESC"},
        {"fio", "id_doc DESC, fio ASC", "fio DESC"},
        {"nmn", "", "naimen ASC"},
        {"summa", "summa DESC", "summa ASC"},
        {"ok", "", "ok ASC"},
        {"vvod", "ok ASC", "vvod DESC"},
        {"id_doc", "", "id_doc DESC, fio ASC"},
        {"id_doc", "id_doc DESC, fio ASC", "id_doc ASC, fio ASC"},
        {"id_doc", "id_doc ASC, fio ASC", "id_doc DESC, fio ASC"},
        {"id_doc", "marka ASC", "id_doc DESC, fio ASC"},
        {"color", "marka ASC", ""},
        {"time", "", ""},
        {"brak", "", ""},
        {"prize", "", ""},
        {"naimen", "", ""},  // sorted by, but shown by no column
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShiftLogWindow::nextSortText(QString::fromLatin1(c.field),
                                               QString::fromUtf8(c.current)),
                  QString::fromUtf8(c.next))
            << c.field << " after " << c.current;
    }
}

TEST_F(ShiftLogWindowTest, TitleClicksSortTheLoadedRowsUntilTheListIsReopened) {
    QHeaderView* header = sl.entriesGrid->horizontalHeader();
    auto clickTitle = [&](const char* field) {
        const int column = sl.entriesGrid->columnOf(QString::fromLatin1(field));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    };
    clickTitle("vid");
    EXPECT_EQ(test::shiftList(form, 1).sort(), QStringLiteral("vid ASC"));
    EXPECT_EQ(column(test::shiftList(form, 1), QStringLiteral("vid")),
              (QStringList{"Покраска", "Резка", "Сварка"}));
    clickTitle("vid");
    EXPECT_EQ(column(test::shiftList(form, 1), QStringLiteral("vid")),
              (QStringList{"Сварка", "Резка", "Покраска"}));
    clickTitle("color");  // no sorting
    EXPECT_EQ(test::shiftList(form, 1).sort(), QStringLiteral("vid DESC"));
    QTest::mouseClick(sl.refreshButton, Qt::LeftButton);
    EXPECT_EQ(test::shiftList(form, 1).sort(), QString());
    EXPECT_EQ(column(test::shiftList(form, 1), QStringLiteral("vid")),
              (QStringList{"Резка", "Сварка", "Покраска"}));
}

TEST_F(ShiftLogWindowTest, LostConnectionIsShownOnceAndTheNextRefreshReconnects) {
    const QString pid = test::adminQuery(QStringLiteral(
        "select string_agg(pid::text, ',') from pg_stat_activity where usename='master'"));
    test::adminExec(
        QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity "
                       "where usename='master'"));
    ASSERT_FALSE(pid.isEmpty());
    QTest::mouseClick(sl.refreshButton, Qt::LeftButton);
    EXPECT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QTest::mouseClick(sl.refreshButton, Qt::LeftButton);
    EXPECT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(test::shiftList(form, 1).recordCount(), 3);
}

}  // namespace
}  // namespace tabel::shiftlog
