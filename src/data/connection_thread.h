#pragma once
// The connection's own thread: runs the calls handed to it one by one, in order, on its
// ConnectionSession, and hands each outcome back to the thread that waits for it.

#include <QString>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QEventLoop;

namespace tabel::data {

class ConnectionSession;

// One call handed to the connection's thread, and its outcome. Shared by the waiting thread and
// the connection's thread, so that either may be gone first.
class ConnectionCall {
public:
    using Job = std::function<void(ConnectionSession&)>;
    explicit ConnectionCall(Job job) : job_(std::move(job)) {}

    // On the connection's thread: runs the job unless the call was ended meanwhile.
    void run(ConnectionSession& session);

    // Ends the call with `failure` (none: success) unless it has ended already; wakes the loop
    // waiting for it. False when it had ended.
    bool finish(std::exception_ptr failure);

    // On the waiting thread: false when the call has ended; else `loop` is woken when it does.
    bool wakeWhenDone(QEventLoop* loop);
    void forgetLoop();
    // Waits without an event loop; the timed one gives up after `timeout` (false then).
    void waitBlocking();
    bool waitBlocking(std::chrono::microseconds timeout);
    // After the call has ended: its failure rethrown.
    void rethrow() const;
    bool ended();

private:
    Job job_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::exception_ptr failure_;
    QEventLoop* loop_ = nullptr;
};

class ConnectionThread {
public:
    // Starts the thread; its session connects under `databaseName` when first asked to.
    explicit ConnectionThread(const QString& databaseName);
    // Closes the session and ends the thread, waiting for it; a thread whose call has not ended
    // (the driver still waits for the server) is abandoned instead.
    ~ConnectionThread();
    ConnectionThread(const ConnectionThread&) = delete;
    ConnectionThread& operator=(const ConnectionThread&) = delete;

    void post(std::shared_ptr<ConnectionCall> call);

    // Asks the server to stop the statement of the call running now; returns at once (the
    // request may take as long as the server takes to accept a connection).
    void cancel();

    // Gives the thread up: it ends by itself once the driver returns (when the server answers or
    // the socket breaks), closing its session then; calls still queued never run. Nothing the
    // thread touches afterwards is shared with anyone.
    void abandon();

private:
    struct State;
    static void main(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace tabel::data
