// A month closed and opened again from the windows: the close dialog as an economist and as the
// service account, and what the shift log, the timesheet and the printed reports say of a
// closed month, on this workstation and on another one that follows it live.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/decimal.h"
#include "data/group_roles.h"
#include "data/session.h"
#include "eventually.h"
#include "find_widget.h"
#include "message_recorder.h"
#include "modal.h"
#include "outputwindows/month_close_dialog.h"
#include "outputwindows/timesheet_window.h"
#include "reports/payslip.h"
#include "reports/period_reports.h"
#include "shiftlog/shift_log_rights.h"
#include "shiftlog/shift_log_window.h"
#include "test_db.h"

namespace tabel::outputwindows {
namespace {

using test::whenShown;

const QDate kMonday(2026, 3, 2);
constexpr int kWaitMs = 8000;

QString closeDay() {
    return test::adminQuery(
        QStringLiteral("select coalesce(string_agg(to_char(closed_at, 'DD.MM.YYYY'), ','), '') "
                       "from accounts_dep.month_close where (year, month) = (2026, 3)"));
}

QString closes() {
    return test::adminQuery(QStringLiteral(
        "select coalesce(string_agg(format('%s:%s:%s:%s', action, login, "
        "coalesce(reason, '-'), coalesce(unaccepted::text, '-')), ' ' order by id), '') "
        "from accounts_dep.month_close_history"));
}

// Closes March 2026 as plain SQL would, as the administrator.
void closeMarch() {
    test::adminExec(QStringLiteral("select accounts_dep.close_month(2026, 3)"));
}

class MonthCloseTest : public ::testing::Test {
protected:
    void SetUp() override { test::loadBaseFixture(); }

    // The dialog opened on March 2026 as `login`, `inside` run while it is shown.
    void openDialog(const QString& login, const std::function<void(MonthCloseDialog&)>& inside) {
        data::Session session;
        test::connectAs(session.connection, login);
        MonthCloseDialog dialog(session);
        whenShown(&dialog, [&] {
            inside(dialog);
            dialog.reject();
        });
        dialog.openForMonth(kMonday);
    }

    static QString fieldText(const QWidget& dialog, const char* caption) {
        auto* field = test::fieldLabelled<QLineEdit>(dialog, caption);
        return field != nullptr ? field->text() : QStringLiteral("<none>");
    }
    static QString labelText(const QWidget& dialog, const char* name) {
        auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
        return label != nullptr ? label->text() : QStringLiteral("<none>");
    }
    static QPushButton* button(const QWidget& dialog, const char* caption) {
        return test::buttonCaptioned<QPushButton>(dialog, caption);
    }

    test::MessageRecorder messages;
};

// The month's totals as the server sums them, then the close asked about with what is not
// accepted; "No" leaves the month open, "Yes" closes it with the count recorded.
TEST_F(MonthCloseTest, EconomistClosesAMonthAfterSeeingWhatIsNotAccepted) {
    // Exact sums from the server; the pay shown rounded once, half to even, as everywhere.
    const QStringList sums =
        test::adminQuery(QStringLiteral("select format('%s|%s|%s', count(*), sum(kol_vo::numeric), "
                                        "sum((kol_vo::numeric - brak) * cena::numeric)) from "
                                        "accounts_dep.smena where data >= '2026-03-01' and "
                                        "data < '2026-04-01'"))
            .split(u'|');
    ASSERT_EQ(sums.size(), 3);
    const QString expectedTotals =
        sums[0] + u'|' + sums[1] + u'|' +
        core::Decimal::fromText(sums[2]).value().toDisplayText(2).replace(u',', u'.');
    const QString unaccepted = test::adminQuery(
        QStringLiteral("select count(*) from accounts_dep.smena where data >= '2026-03-01' and "
                       "data < '2026-04-01' and not accounts_dep.is_accepted(ok)"));
    ASSERT_GT(unaccepted.toInt(), 0);
    openDialog(QStringLiteral("econom"), [&](MonthCloseDialog& dialog) {
        EXPECT_EQ(fieldText(dialog, "Позиций") + u'|' +
                      fieldText(dialog, "Штук").replace(u',', u'.') + u'|' +
                      fieldText(dialog, "Сумма").replace(u',', u'.'),
                  expectedTotals);
        EXPECT_EQ(labelText(dialog, "stateLabel"), QStringLiteral("Месяц 03.2026 открыт"));
        EXPECT_TRUE(labelText(dialog, "unacceptedLabel")
                        .startsWith(QStringLiteral("В месяце 03.2026 не ")));
        // Opening again is the service account's: no reason asked for here.
        ASSERT_NE(button(dialog, "Открыть снова"), nullptr);
        EXPECT_FALSE(button(dialog, "Открыть снова")->isVisible());

        button(dialog, "Закрыть")->click();
        ASSERT_EQ(messages.messages().size(), 1);
        EXPECT_TRUE(messages.messages()[0].text.startsWith(labelText(dialog, "unacceptedLabel")))
            << messages.messages()[0].text.toStdString();
        EXPECT_EQ(closeDay(), QString());

        messages.answerNext(core::Answer::Yes);
        button(dialog, "Закрыть")->click();
        EXPECT_FALSE(closeDay().isEmpty());
        EXPECT_EQ(labelText(dialog, "stateLabel"),
                  QStringLiteral("Месяц закрыт %1 (econom)").arg(closeDay()));
        EXPECT_FALSE(button(dialog, "Закрыть")->isEnabled());
    });
    EXPECT_EQ(closes(), QStringLiteral("close:econom:-:") + unaccepted);
}

// An entry added on another workstation while the question is up: the close of what the user
// did not see is refused, and the month stays open.
TEST_F(MonthCloseTest, CloseOverWhatChangedMeanwhileIsRefused) {
    struct AddingWhileAsked : core::MessageHandler {
        QStringList texts;
        core::Answer show(core::MessageKind kind, const QString&, const QString& text) override {
            texts.append(text);
            if (kind == core::MessageKind::Question || kind == core::MessageKind::Exclamation) {
                test::adminExec(QStringLiteral(
                    "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, "
                    "kol_vo, time, ok) values ('2026-03-20', 1, 101, 1, 1, 1, 1, 1, 'no')"));
                return core::Answer::Yes;
            }
            return core::Answer::Ok;
        }
    } handler;
    core::MessageBoxes::setHandler(&handler);
    openDialog(QStringLiteral("econom"), [&](MonthCloseDialog& dialog) {
        button(dialog, "Закрыть")->click();
        EXPECT_TRUE(button(dialog, "Закрыть")->isEnabled());
    });
    core::MessageBoxes::setHandler(&messages);
    ASSERT_EQ(handler.texts.size(), 2) << handler.texts.join(u'\n').toStdString();
    EXPECT_TRUE(handler.texts[1].contains(QStringLiteral("месяц не закрыт")))
        << handler.texts[1].toStdString();
    EXPECT_EQ(closeDay(), QString());
}

// The service account opens the month again, only with a reason.
TEST_F(MonthCloseTest, ServiceAccountReopensWithAReason) {
    closeMarch();
    openDialog(QStringLiteral("sys"), [&](MonthCloseDialog& dialog) {
        QPushButton* reopen = button(dialog, "Открыть снова");
        ASSERT_NE(reopen, nullptr);
        EXPECT_TRUE(reopen->isEnabled());
        EXPECT_FALSE(button(dialog, "Закрыть")->isEnabled());
        reopen->click();
        ASSERT_EQ(
            messages.texts(),
            QStringList{QStringLiteral("Укажите причину, по которой месяц открывается снова")});
        EXPECT_FALSE(closeDay().isEmpty());

        test::fieldLabelled<QLineEdit>(dialog, "Причина")->setText(QStringLiteral("ошибка в цене"));
        messages.answerNext(core::Answer::Yes);
        reopen->click();
        EXPECT_EQ(closeDay(), QString());
        EXPECT_EQ(labelText(dialog, "stateLabel"), QStringLiteral("Месяц 03.2026 открыт"));
        EXPECT_FALSE(reopen->isEnabled());
        EXPECT_TRUE(button(dialog, "Закрыть")->isEnabled());
    });
    EXPECT_TRUE(closes().endsWith(QStringLiteral(" reopen:sys:ошибка в цене:-")))
        << closes().toStdString();
}

// The menu item is there for the logins that close months, and for no other.
TEST_F(MonthCloseTest, MenuItemOnlyForThoseWhoClose) {
    for (const auto& [login, shown] : std::vector<std::pair<QString, bool>>{
             {"econom", true}, {"sys", true}, {"master", false}, {"clerk_a", false}}) {
        data::Session session;
        test::connectAs(session.connection, login);
        session.roles = data::readGroupRoles(session.connection);
        shiftlog::ShiftLogWindow log(session);
        log.applyRights(shiftlog::rightsFor(session.roles));
        QAction* item = test::actionCaptioned(log, "Закрытие месяца…");
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->isVisible(), shown) << login.toStdString();
    }
}

// A foreman's shift log in a closed month: no entry button, the status line says who closed it
// and when; a reopen and a close on another workstation reach it without "Обновить".
TEST_F(MonthCloseTest, ShiftLogFollowsTheMonthsStateLive) {
    data::Session session;
    test::connectAs(session.connection, QStringLiteral("master"));
    session.roles = data::readGroupRoles(session.connection);
    shiftlog::ShiftLogWindow log(session);
    log.applyRights(shiftlog::rightsFor(session.roles));
    log.show();
    auto* date = test::fieldLabelled<QDateEdit>(log, "Дата");
    auto* add = test::buttonCaptioned<QPushButton>(log, "Добавить");
    auto* state = log.findChild<QLabel*>(QStringLiteral("monthStateLabel"));
    ASSERT_NE(date, nullptr);
    ASSERT_NE(add, nullptr);
    ASSERT_NE(state, nullptr);
    closeMarch();
    date->setDate(kMonday);
    QTest::keyClick(date, Qt::Key_Return);
    const QString admin =
        test::adminQuery(QStringLiteral("select closed_by from "
                                        "accounts_dep.month_close"));
    EXPECT_FALSE(add->isEnabled());
    EXPECT_TRUE(state->isVisible());
    EXPECT_EQ(state->text(), QStringLiteral("Месяц закрыт %1 (%2)").arg(closeDay(), admin));

    EXPECT_SOON(session.changes.isLive(), kWaitMs);
    test::adminExec(QStringLiteral("select accounts_dep.reopen_month(2026, 3, 'перерасчёт')"));
    EXPECT_SOON(add->isEnabled(), kWaitMs);
    EXPECT_FALSE(state->isVisible());
    closeMarch();
    EXPECT_SOON(!add->isEnabled(), kWaitMs);

    // Another month goes on as usual.
    date->setDate(QDate(2026, 4, 1));
    QTest::keyClick(date, Qt::Key_Return);
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(state->isVisible());
}

// The timesheet of a closed month says so and is not rebuilt.
TEST_F(MonthCloseTest, TimesheetOfAClosedMonthKeepsItsHours) {
    data::Session session;
    test::connectAs(session.connection, QStringLiteral("master"));
    TimesheetWindow timesheet(session);
    closeMarch();
    bool rebuildEnabled = true;
    QString said;
    whenShown(&timesheet, [&] {
        rebuildEnabled =
            timesheet.findChild<QPushButton*>(QStringLiteral("rebuildButton"))->isEnabled();
        said = timesheet.findChild<QLabel*>(QStringLiteral("monthStateLabel"))->text();
        timesheet.reject();
    });
    timesheet.openForMonth(kMonday);
    EXPECT_FALSE(rebuildEnabled);
    EXPECT_TRUE(said.startsWith(QStringLiteral("Месяц закрыт ") + closeDay()))
        << said.toStdString();
}

// A report over closed months says so under its title, with the entries the close left not
// accepted; over an open month it says "Предварительный".
TEST_F(MonthCloseTest, PrintedReportsSayWhetherTheirMonthsAreClosed) {
    data::Session session;
    test::connectAs(session.connection, QStringLiteral("econom"));
    const reports::Period march{QDate(2026, 3, 1), QDate(2026, 4, 1)};
    const reports::Period spring{QDate(2026, 3, 1), QDate(2026, 5, 1)};
    const auto markOf = [&](const reports::Period& period) {
        auto layout =
            reports::makePeriodLayout(reports::PeriodReport::WorkersDetail, session.connection);
        reports::preparePeriodReport(*layout, reports::PeriodReport::WorkersDetail, period);
        return layout->mark();
    };
    EXPECT_EQ(markOf(march), QStringLiteral("Предварительный"));
    closeMarch();
    const QString unaccepted =
        test::adminQuery(QStringLiteral("select unaccepted from accounts_dep.month_close"));
    EXPECT_EQ(
        markOf(march),
        QStringLiteral("Месяц закрыт %1, непринятых позиций: %2").arg(closeDay(), unaccepted));
    EXPECT_EQ(markOf(spring), QStringLiteral("Предварительный"));
    // The pay sheets say it too.
    reports::PayslipLayout payslips(session.connection);
    reports::preparePayslips(payslips, {march.from, march.to});
    EXPECT_TRUE(payslips.mark().startsWith(QStringLiteral("Месяц закрыт ") + closeDay()))
        << payslips.mark().toStdString();
}

}  // namespace
}  // namespace tabel::outputwindows
