#include "data/connection.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <optional>
#include <vector>

#include "data/connection_session.h"
#include "data/connection_thread.h"
#include "data/errors.h"
#include "data/parameters.h"
#include "data/statement_count.h"
#include "data/wait_presenter.h"

namespace tabel::data {

namespace {

std::atomic<qint64> g_statementsRun{0};

// Debian's /etc/odbcinst.ini switches the driver's communication log on, and the driver applies
// that setting again at disconnect whatever the connection string says, leaving a
// /tmp/psqlodbc_*.log at every start. The program points unixODBC at driver settings of its own
// (installed beside it, or the build tree's), unless the user chose a folder himself. unixODBC
// reads the variable once, at its first use in the process: this runs before any connection.
void useOwnDriverSettings() {
    if (qEnvironmentVariableIsSet("ODBCSYSINI")) {
        return;
    }
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QStringList folders{
        QFileInfo(program).absolutePath() + QStringLiteral("/../share/tabel/odbc"),
        QStringLiteral(TABEL_ODBC_BUILD_DIR)};
    for (const QString& folder : folders) {
        if (QFileInfo::exists(folder + QStringLiteral("/odbcinst.ini"))) {
            qputenv("ODBCSYSINI", QFile::encodeName(QDir::cleanPath(folder)));
            return;
        }
    }
}

DbError noAnswerError() {
    return DbError(QStringLiteral("Сервер не отвечает. Соединение разорвано, при следующем "
                                  "действии оно будет установлено заново."),
                   DbErrorKind::ConnectionLost);
}

DbError busyError() {
    return DbError(QStringLiteral("Соединение занято предыдущим действием, повторите позже"),
                   DbErrorKind::ConnectionLost);
}

bool isUserInput(const QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::InputMethod:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        case QEvent::Close:  // the window manager's close button
            return event->spontaneous();
        default:
            return false;
    }
}

// While the wait presenter is shown: user input reaches it alone. What was typed before it
// showed is dropped too, not acted on after the wait.
class InputGuard : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!isUserInput(event)) {
            return false;
        }
        const WaitPresenter* presenter = WaitPresenter::installed();
        return presenter == nullptr || !presenter->ownsInput(watched);
    }
};

}  // namespace

// One wait for a call, on the calling thread.
struct WaitFrame {
    std::shared_ptr<ConnectionCall> call;
    QEventLoop* loop = nullptr;
};

namespace {
// The waits on this thread, of every connection, innermost last.
thread_local std::vector<WaitFrame*> framesOnThread;
}  // namespace

struct Connection::Waits {
    std::vector<WaitFrame*> frames;  // innermost last
};

// The outermost wait of a connection: shows the presenter when it lasts, cancels and drops.
class Connection::WaitScope {
public:
    explicit WaitScope(Connection& connection) : connection_(connection) {
        showTimer_.setSingleShot(true);
        QObject::connect(&showTimer_, &QTimer::timeout, [this] { show(); });
        showTimer_.start(WaitPresenter::kShowAfterMs);
        dropTimer_.setSingleShot(true);
        QObject::connect(&dropTimer_, &QTimer::timeout, [this] { connection_.drop(); });
    }

    ~WaitScope() {
        showTimer_.stop();
        dropTimer_.stop();
        if (presenter_ == nullptr) {
            return;
        }
        QCoreApplication::instance()->removeEventFilter(&guard_);
        std::vector<WaitScope*>& shown = shownScopes();
        std::erase(shown, this);
        // The presenter may have been taken away meanwhile (a test's own).
        if (WaitPresenter::installed() == presenter_) {
            if (shown.empty()) {
                presenter_->hideWait();
            } else {
                presenter_->showWait(shown.back()->cancelAction());
            }
        }
    }

    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

    // A wait loop lets user input through (to the presenter alone) once one is shown.
    static bool presenterShown() { return !shownScopes().empty(); }

private:
    static std::vector<WaitScope*>& shownScopes() {
        thread_local std::vector<WaitScope*> scopes;
        return scopes;
    }

    void show() {
        WaitPresenter* presenter = WaitPresenter::installed();
        QCoreApplication* app = QCoreApplication::instance();
        if (presenter == nullptr || app == nullptr || QThread::currentThread() != app->thread()) {
            return;
        }
        presenter_ = presenter;
        shownScopes().push_back(this);
        app->installEventFilter(&guard_);
        presenter_->showWait(cancelAction());
        // The loops run again, now with user input let through.
        for (const WaitFrame* frame : framesOnThread) {
            frame->loop->quit();
        }
    }

    std::function<void()> cancelAction() {
        return [this, alive = std::weak_ptr<int>(alive_)] {
            if (!alive.expired()) {
                cancel();
            }
        };
    }

    void cancel() {
        if (cancelled_) {
            return;
        }
        cancelled_ = true;
        if (connection_.thread_) {
            connection_.thread_->cancel();
        }
        dropTimer_.start(kCancelGraceMs);
    }

    Connection& connection_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    QTimer showTimer_;
    QTimer dropTimer_;
    InputGuard guard_;
    WaitPresenter* presenter_ = nullptr;  // set once shown
    bool cancelled_ = false;
};

Connection::Connection(const QString& name) : name_(name), waits_(std::make_unique<Waits>()) {
    [[maybe_unused]] static const bool ownDriverSettings = (useOwnDriverSettings(), true);
    static QAtomicInt unnamed;
    if (name_.isEmpty()) {
        name_ = QStringLiteral("tabel_%1").arg(unnamed.fetchAndAddRelaxed(1));
    }
}

Connection::~Connection() {
    // The thread closes its session as it ends.
    thread_.reset();
}

void Connection::setConnectionString(const QString& connectionString) {
    connectionString_ = connectionString;
}

int Connection::depth() const {
    return int(waits_->frames.size());
}

bool Connection::busy() const {
    return !waits_->frames.empty();
}

bool Connection::anyBusy() {
    return !framesOnThread.empty();
}

template <typename Job>
std::invoke_result_t<Job&, ConnectionSession&> Connection::call(Job job) {
    using Result = std::invoke_result_t<Job&, ConnectionSession&>;
    checkCallable();
    const QString connectionString = connectionString_;
    if constexpr (std::is_void_v<Result>) {
        auto c = std::make_shared<ConnectionCall>(
            [job = std::move(job), connectionString](ConnectionSession& session) mutable {
                session.setConnectionString(connectionString);
                job(session);
            });
        post(c);
        await(c);
    } else {
        auto result = std::make_shared<std::optional<Result>>();
        auto c = std::make_shared<ConnectionCall>(
            [job = std::move(job), connectionString, result](ConnectionSession& session) mutable {
                session.setConnectionString(connectionString);
                result->emplace(job(session));
            });
        post(c);
        await(c);
        return std::move(**result);
    }
}

void Connection::checkCallable() const {
    if (transactionThread_ >= 0) {
        if (depth() > transactionDepth_) {
            throw busyError();
        }
        if (!thread_ || transactionThread_ != threadsMade_) {
            // Dropped meanwhile: a fresh connection would run it outside the transaction.
            throw noAnswerError();
        }
    }
}

Connection::PendingRun Connection::postRun(const QString& text, const QList<QVariant>& bindings,
                                           const ColumnTyper& typer) {
    checkCallable();
    PendingRun pending{nullptr, std::make_shared<std::optional<StatementResult>>()};
    pending.call = std::make_shared<ConnectionCall>(
        [text, bindings, typer, cellByCell = cellByCell_, connectionString = connectionString_,
         result = pending.result](ConnectionSession& session) {
            session.setConnectionString(connectionString);
            result->emplace(session.run(text, bindings, typer, cellByCell));
        });
    post(pending.call);
    return pending;
}

StatementResult Connection::awaitRun(const PendingRun& pending) {
    await(pending.call);
    return std::move(**pending.result);
}

void Connection::post(std::shared_ptr<ConnectionCall> call) {
    if (!thread_) {
        // Unique in the process: an abandoned thread may hold its session's name for long, and
        // Qt drops a connection whose name is registered again, even one still in use.
        static QAtomicInt sessions;
        thread_ = std::make_unique<ConnectionThread>(
            name_ + QStringLiteral("#%1").arg(sessions.fetchAndAddRelaxed(1)));
        ++threadsMade_;
    }
    thread_->post(std::move(call));
}

void Connection::await(const std::shared_ptr<ConnectionCall>& call) {
    if (QCoreApplication::instance() == nullptr) {
        call->waitBlocking();
        call->rethrow();
        return;
    }
    // Most statements are answered within a millisecond: waiting that long without turning the
    // event loop holds up nothing a user could notice, and spares them the loop's cost.
    if (call->waitBlocking(kQuietWait)) {
        call->rethrow();
        return;
    }
    QEventLoop loop;
    WaitFrame frame{call, &loop};
    struct Enter {
        Connection& connection;
        WaitFrame& frame;
        std::optional<WaitScope> scope;
        Enter(Connection& c, WaitFrame& f) : connection(c), frame(f) {
            if (connection.waits_->frames.empty()) {
                scope.emplace(connection);
            }
            connection.waits_->frames.push_back(&frame);
            framesOnThread.push_back(&frame);
        }
        ~Enter() {
            frame.call->forgetLoop();
            framesOnThread.pop_back();
            connection.waits_->frames.pop_back();
        }
    } enter(*this, frame);
    while (call->wakeWhenDone(&loop)) {
        // User input waits for the end of a short wait, as it does for any busy program; once the
        // presenter is shown it goes to the presenter alone (see InputGuard).
        loop.exec(WaitScope::presenterShown() ? QEventLoop::AllEvents
                                              : QEventLoop::ExcludeUserInputEvents);
        call->forgetLoop();
    }
    call->rethrow();
}

void Connection::drop() {
    if (!thread_) {
        return;
    }
    thread_->abandon();
    thread_.reset();
    const std::exception_ptr failure = std::make_exception_ptr(noAnswerError());
    for (WaitFrame* frame : waits_->frames) {
        frame->call->finish(failure);
    }
}

void Connection::open() {
    call([](ConnectionSession& session) { session.open(); });
}

void Connection::close() {
    if (thread_) {
        call([](ConnectionSession& session) { session.close(); });
    }
}

bool Connection::readOnlyServer() {
    return call([](ConnectionSession& session) {
        session.database();  // connects when not connected
        return session.readOnlyServer();
    });
}

void Connection::withDatabase(const std::function<void(QSqlDatabase&)>& work) {
    call([&work](ConnectionSession& session) { work(session.database()); });
}

qint64 statementsRun() {
    return g_statementsRun.load(std::memory_order_relaxed);
}

StatementResult Connection::run(const QString& text, const QList<QVariant>& bindings,
                                const ColumnTyper& typer) {
    g_statementsRun.fetch_add(1, std::memory_order_relaxed);
    return call([text, bindings, typer, cellByCell = cellByCell_](ConnectionSession& session) {
        return session.run(text, bindings, typer, cellByCell);
    });
}

StatementResult Connection::runNamed(const QString& text, const Bindings& bindings) {
    Parameters parameters;
    parameters.parse(text);
    for (const auto& [name, value] : bindings) {
        parameters.setValue(name, value);
    }
    return run(parameters.positionalText(), parameters.positionalValues());
}

QVariant Connection::scalar(const QString& text, const Bindings& bindings) {
    const StatementResult result = runNamed(text, bindings);
    return result.rows.isEmpty() || result.rows.first().isEmpty() ? QVariant()
                                                                  : result.rows.first().first();
}

int Connection::execute(const QString& text, const Bindings& bindings) {
    return runNamed(text, bindings).rowsAffected;
}

void Connection::inTransaction(const std::function<void()>& work) {
    if (transactionThread_ >= 0 && depth() == transactionDepth_) {
        work();  // the owner's own: part of the open transaction
        return;
    }
    call([](ConnectionSession& session) { session.begin(); });
    transactionThread_ = threadsMade_;
    transactionDepth_ = depth();
    struct End {
        Connection& connection;
        ~End() {
            connection.transactionThread_ = -1;
            connection.transactionDepth_ = -1;
        }
    } end{*this};
    try {
        work();
    } catch (...) {
        // A dropped connection is rolled back by the server when its thread closes it.
        if (thread_ && transactionThread_ == threadsMade_) {
            try {
                call([](ConnectionSession& session) { session.rollback(); });
            } catch (...) {
                // The failure of the work is what the caller hears of.
            }
        }
        throw;
    }
    call([](ConnectionSession& session) { session.commit(); });
}

}  // namespace tabel::data
