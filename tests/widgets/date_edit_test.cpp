// The date field: Tab leaves it instead of walking its day, month and year, and a whole date
// typed over a selected one replaces it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "widgets/date_edit.h"

namespace tabel::widgets {
namespace {

// A window with a field before and after the date, shown and active.
struct Form {
    QDialog window;
    QLineEdit* before = new QLineEdit(&window);
    DateEdit* date = new DateEdit(QDate(2026, 12, 10), &window);
    QLineEdit* after = new QLineEdit(&window);

    Form() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(before);
        layout->addWidget(date);
        layout->addWidget(after);
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void tabIntoDate() {
        before->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), date);
    }
};

TEST(DateEditTest, TabLeavesTheFieldAndADigitTypedAfterwardsNeverReachesTheMonth) {
    Form form;
    form.tabIntoDate();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.after);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1"));
    EXPECT_EQ(form.date->date(), QDate(2026, 12, 10));
    EXPECT_EQ(form.after->text(), QStringLiteral("1"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), form.date);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), form.before);
}

TEST(DateEditTest, TheArrowKeysStillChangeTheDate) {
    Form form;
    form.tabIntoDate();
    QTest::keyClick(form.date, Qt::Key_Home);
    QTest::keyClick(form.date, Qt::Key_Up);
    EXPECT_EQ(form.date->date(), QDate(2026, 12, 11));
}

TEST(DateEditTest, AWholeDateTypedOverTheSelectedDateReplacesIt) {
    const struct {
        const char* typed;
        QDate expected;
    } cases[] = {
        {"03.01.2027", QDate(2027, 1, 3)},
        {"3.1.2027", QDate(2027, 1, 3)},
        {"03012027", QDate(2027, 1, 3)},
        {"31.02.2027", QDate(2026, 12, 10)},  // no such day: the date stays
    };
    for (const auto& c : cases) {
        Form form;
        form.tabIntoDate();
        QTest::keyClicks(form.date, QString::fromLatin1(c.typed));
        QTest::keyClick(form.date, Qt::Key_Tab);
        EXPECT_EQ(form.date->date(), c.expected) << c.typed;
        EXPECT_EQ(form.date->text(), c.expected.toString(QStringLiteral("dd.MM.yyyy"))) << c.typed;
    }
}

}  // namespace
}  // namespace tabel::widgets
