#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/window_set.h"
#include "test_db.h"

namespace tabel::app {
namespace {

bool isInputField(QWidget* widget) {
    return qobject_cast<QLineEdit*>(widget) != nullptr ||
           qobject_cast<QComboBox*>(widget) != nullptr ||
           qobject_cast<QAbstractSpinBox*>(widget) != nullptr ||
           qobject_cast<QTextEdit*>(widget) != nullptr ||
           qobject_cast<QPlainTextEdit*>(widget) != nullptr;
}

// The line edits inside a spin box, combo box or calendar belong to that control.
bool isPartOfAnotherControl(QWidget* widget) {
    for (QWidget* up = widget->parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (isInputField(up) || qobject_cast<QCalendarWidget*>(up) != nullptr) {
            return true;
        }
    }
    return false;
}

QLabel* buddyLabelOf(QWidget* window, QWidget* field) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->buddy() == field) {
            return label;
        }
    }
    return nullptr;
}

TEST(FieldLabels, EveryFieldOfEveryWindowIsAnnouncedByItsLabel) {
    const Deployment deployment{test::testServer(), QStringLiteral("tabel"), QStringLiteral("sys"),
                                QStringLiteral("1234")};
    WindowSet windows(deployment, QString(), QString());
    const QList<QWidget*> all{
        windows.login.get(),           windows.shiftLog.get(),    windows.products.get(),
        windows.workers.get(),         windows.kinds.get(),       windows.kindEditor.get(),
        windows.priceEditor.get(),     windows.norms.get(),       windows.operations.get(),
        windows.timesheetWindow.get(), windows.chartsWindow.get()};
    int checked = 0;
    for (QWidget* window : all) {
        for (QWidget* field : window->findChildren<QWidget*>()) {
            if (!isInputField(field) || isPartOfAnotherControl(field)) {
                continue;
            }
            const QString where = window->objectName() + QLatin1Char('.') + field->objectName();
            QLabel* label = buddyLabelOf(window, field);
            if (label == nullptr) {
                ADD_FAILURE() << where.toStdString() << " has no label";
                continue;
            }
            EXPECT_EQ(field->accessibleName(), label->text().remove(QLatin1Char('&')))
                << where.toStdString();
            ++checked;
        }
    }
    // The walk must have found the fields at all (login, editors, lists, the shift date).
    EXPECT_GE(checked, 10);
}

}  // namespace
}  // namespace tabel::app
