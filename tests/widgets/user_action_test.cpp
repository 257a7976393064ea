// A user's action that fails ends in one message and leaves nothing behind it: no exception
// leaves the signal that started it, no hourglass stays, and the next action runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>

#include <functional>
#include <stdexcept>

#include "data/errors.h"
#include "message_recorder.h"
#include "widgets/style.h"
#include "widgets/user_action.h"

namespace tabel::widgets {
namespace {

struct Failure {
    const char* name;
    std::function<void()> raise;               // empty: the action succeeds
    QString shown;                             // the message the user reads; empty: none
    QString title = QStringLiteral("Ошибка");  // the box's
};

const QList<Failure>& failures() {
    static const QList<Failure> all{
        {"success", {}, {}},
        {"refused statement",
         [] {
             throw data::DbError(QStringLiteral("no connection"), data::DbErrorKind::ConnectionLost,
                                 QStringLiteral("08S01"), QStringLiteral("server closed"));
         },
         data::userMessageOf(
             data::DbError(QStringLiteral("no connection"), data::DbErrorKind::ConnectionLost,
                           QStringLiteral("08S01"), QStringLiteral("server closed")))},
        {"data layer",
         [] { throw data::ConversionError(QStringLiteral("Значение не является числом")); },
         QStringLiteral("Значение не является числом")},
        {"titled",
         [] {
             throw data::DataError(QStringLiteral("Ошибка при записи: лист 2, столбец 1, строка 1"),
                                   QStringLiteral("Ошибочный номер листа Microsoft Excel"));
         },
         QStringLiteral("Ошибка при записи: лист 2, столбец 1, строка 1"),
         QStringLiteral("Ошибочный номер листа Microsoft Excel")},
        {"library", [] { throw std::runtime_error("Не хватает памяти"); },
         QStringLiteral("Не хватает памяти")},
        {"unknown", [] { throw 42; }, QString()},
    };
    return all;
}

TEST(UserActionTest, AFailureEndsItsActionInOneMessageAndTheNextActionRuns) {
    test::MessageRecorder messages;
    QPushButton button;
    QComboBox box;
    box.addItems({QStringLiteral("один"), QStringLiteral("два"), QStringLiteral("три")});
    for (const Failure& f : failures()) {
        SCOPED_TRACE(f.name);
        messages.clear();
        int clicks = 0;
        QList<int> indexes;
        const auto act = [&f] {
            BusyCursor busy;  // an hourglass the failure must not leave behind
            if (f.raise) {
                f.raise();
            }
        };
        const QMetaObject::Connection clicked =
            connectAction(&button, &QPushButton::clicked, &button, [&] {
                ++clicks;
                act();
            });
        // An action that takes the signal's argument gets it.
        const QMetaObject::Connection chosen =
            connectAction(&box, &QComboBox::currentIndexChanged, &box, [&](int index) {
                indexes.append(index);
                act();
            });
        EXPECT_NO_THROW(button.click());
        EXPECT_NO_THROW(button.click());
        EXPECT_NO_THROW(box.setCurrentIndex(2));
        EXPECT_EQ(clicks, 2);
        EXPECT_EQ(indexes, QList<int>{2});
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        const QStringList expected =
            f.raise ? QStringList{f.shown, f.shown, f.shown} : QStringList();
        EXPECT_EQ(messages.texts(), expected);
        for (const test::RecordedMessage& m : messages.messages()) {
            EXPECT_EQ(m.kind, core::MessageKind::Stop);
            EXPECT_EQ(m.title, f.title);
        }
        QObject::disconnect(clicked);
        QObject::disconnect(chosen);
        box.setCurrentIndex(0);
    }
}

TEST(UserActionTest, RunActionSaysWhetherTheActionRanToItsEnd) {
    test::MessageRecorder messages;
    for (const Failure& f : failures()) {
        SCOPED_TRACE(f.name);
        bool ended = false;
        EXPECT_EQ(runAction([&] {
                      if (f.raise) {
                          f.raise();
                      }
                      ended = true;
                  }),
                  !f.raise);
        EXPECT_EQ(ended, !f.raise);
    }
}

}  // namespace
}  // namespace tabel::widgets
