// The wait dialog: what it shows, how "Отмена" and Esc cancel, and, over a window whose
// statement hangs on a stopped server process, that nothing but the dialog takes input.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <signal.h>

#include <optional>

#include "data/connection.h"
#include "data/errors.h"
#include "test_db.h"
#include "widgets/wait_dialog.h"

namespace tabel::widgets {
namespace {

TEST(WaitDialogTest, ShowsModalWithItsTextAndCancelsOnceByButtonEscOrClose) {
    const struct {
        const char* how;
        std::function<void(WaitDialog&)> cancel;
    } cases[] = {
        {"Отмена", [](WaitDialog& d) { QTest::mouseClick(d.cancelButton, Qt::LeftButton); }},
        {"Esc", [](WaitDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"closed", [](WaitDialog& d) { d.close(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        WaitDialog dialog;
        EXPECT_EQ(data::WaitPresenter::installed(), &dialog);
        int cancels = 0;
        dialog.showWait([&] { ++cancels; });
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(dialog.messageLabel->text(), QStringLiteral("Ожидание ответа сервера…"));
        EXPECT_EQ(dialog.cancelButton->text(), QStringLiteral("Отмена"));
        EXPECT_TRUE(dialog.ownsInput(dialog.cancelButton));
        EXPECT_TRUE(dialog.ownsInput(dialog.windowHandle()));

        c.cancel(dialog);
        EXPECT_EQ(cancels, 1);
        // The wait goes on until the server answers or the connection is dropped.
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(dialog.cancelButton->isEnabled());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_EQ(cancels, 1);

        dialog.hideWait();
        EXPECT_FALSE(dialog.isVisible());
        dialog.close();
        EXPECT_EQ(cancels, 1);
    }
    EXPECT_EQ(data::WaitPresenter::installed(), nullptr);
}

TEST(WaitDialogTest, OverAWindowWaitingForAHungServerOnlyTheDialogTakesInput) {
    data::Connection connection;
    test::connectAs(connection);
    const qint64 pid = connection.scalar(QStringLiteral("select pg_backend_pid()")).toLongLong();

    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* button = new QPushButton(QStringLiteral("Обновить"), &window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(edit);
    layout->addWidget(button);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    edit->setFocus();

    WaitDialog dialog;
    std::optional<bool> modalShown;
    QTimer::singleShot(1000, [&] {
        modalShown = QApplication::activeModalWidget() == &dialog && dialog.isVisible();
        // Typed at and clicked in the waiting window: dropped, now and after the wait.
        QTest::keyClicks(edit, QStringLiteral("abc"));
        QTest::mouseClick(button, Qt::LeftButton);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    std::optional<data::DbError> failure;
    {
        // The server process hangs until the scope ends.
        struct Stopped {
            pid_t pid;
            ~Stopped() { ::kill(pid, SIGCONT); }
        } stopped{pid_t(pid)};
        ::kill(stopped.pid, SIGSTOP);
        try {
            connection.scalar(QStringLiteral("select 1"));
        } catch (const data::DbError& error) {
            failure = error;
        }
    }

    EXPECT_EQ(modalShown, true);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind(), data::DbErrorKind::ConnectionLost);
    EXPECT_TRUE(failure->message().startsWith(QStringLiteral("Сервер не отвечает.")));
    EXPECT_FALSE(dialog.isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->text(), QString());
    EXPECT_EQ(clicks, 0);

    // The window is the user's again, and the next statement runs on a fresh session.
    QTest::keyClicks(edit, QStringLiteral("abc"));
    EXPECT_EQ(edit->text(), QStringLiteral("abc"));
    EXPECT_NE(connection.scalar(QStringLiteral("select pg_backend_pid()")).toLongLong(), pid);
}

}  // namespace
}  // namespace tabel::widgets
