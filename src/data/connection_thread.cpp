#include "data/connection_thread.h"

#include <QEventLoop>
#include <deque>

#include "data/connection_session.h"
#include "data/odbc_statement.h"

namespace tabel::data {

void ConnectionCall::run(ConnectionSession& session) {
    {
        const std::lock_guard lock(mutex_);
        if (done_) {
            return;
        }
    }
    std::exception_ptr failure;
    try {
        job_(session);
    } catch (...) {
        failure = std::current_exception();
    }
    // What the job captured (the caller's values) goes with it, here.
    job_ = nullptr;
    finish(failure);
}

bool ConnectionCall::finish(std::exception_ptr failure) {
    const std::lock_guard lock(mutex_);
    if (done_) {
        return false;
    }
    done_ = true;
    failure_ = std::move(failure);
    if (loop_ != nullptr) {
        // Queued to the loop's own thread; the loop is not destroyed before forgetLoop().
        QMetaObject::invokeMethod(loop_, &QEventLoop::quit, Qt::QueuedConnection);
    }
    ended_.notify_all();
    return true;
}

bool ConnectionCall::wakeWhenDone(QEventLoop* loop) {
    const std::lock_guard lock(mutex_);
    loop_ = done_ ? nullptr : loop;
    return !done_;
}

void ConnectionCall::forgetLoop() {
    const std::lock_guard lock(mutex_);
    loop_ = nullptr;
}

void ConnectionCall::waitBlocking() {
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [this] { return done_; });
}

bool ConnectionCall::waitBlocking(std::chrono::microseconds timeout) {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, timeout, [this] { return done_; });
}

bool ConnectionCall::ended() {
    const std::lock_guard lock(mutex_);
    return done_;
}

void ConnectionCall::rethrow() const {
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

struct ConnectionThread::State {
    explicit State(const QString& name) : databaseName(name) {}

    const QString databaseName;
    odbc::CancelPoint cancelPoint;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::shared_ptr<ConnectionCall>> calls;
    bool stopping = false;
    bool abandoned = false;
    // The call being run; it may have ended while the thread still holds it.
    std::shared_ptr<ConnectionCall> running;
};

ConnectionThread::ConnectionThread(const QString& databaseName)
    : state_(std::make_shared<State>(databaseName)), thread_(&ConnectionThread::main, state_) {}

ConnectionThread::~ConnectionThread() {
    if (!thread_.joinable()) {
        return;  // abandoned
    }
    bool stuck = false;
    {
        const std::lock_guard lock(state_->mutex);
        // A call that has ended leaves the thread at once; one that has not may never return.
        stuck = state_->running && !state_->running->ended();
        state_->stopping = true;
        state_->abandoned = stuck;
        state_->calls.clear();
    }
    state_->wake.notify_one();
    if (stuck) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

void ConnectionThread::post(std::shared_ptr<ConnectionCall> call) {
    {
        const std::lock_guard lock(state_->mutex);
        state_->calls.push_back(std::move(call));
    }
    state_->wake.notify_one();
}

void ConnectionThread::cancel() {
    // The driver connects to the server to deliver the request: never on the waiting thread.
    std::thread([state = state_] { state->cancelPoint.cancel(); }).detach();
}

void ConnectionThread::abandon() {
    {
        const std::lock_guard lock(state_->mutex);
        state_->abandoned = true;
        state_->calls.clear();
    }
    state_->wake.notify_one();
    thread_.detach();
}

void ConnectionThread::main(std::shared_ptr<State> state) {
    ConnectionSession session(state->databaseName, state->cancelPoint);
    for (;;) {
        std::shared_ptr<ConnectionCall> call;
        {
            std::unique_lock lock(state->mutex);
            state->wake.wait(
                lock, [&] { return state->abandoned || state->stopping || !state->calls.empty(); });
            if (state->abandoned || state->stopping) {
                break;
            }
            call = std::move(state->calls.front());
            state->calls.pop_front();
            state->running = call;
        }
        state->cancelPoint.reset();
        call->run(session);
        call.reset();
        const std::lock_guard lock(state->mutex);
        state->running.reset();
    }
    // The session closes here, on its own thread, abandoned or not.
}

}  // namespace tabel::data
