#pragma once
// The overall time limit of a command-line job: when it passes, the job ends with exit status
// 1 and a message, and no partial output file stays behind.

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace tabel::batch {

inline constexpr int kDefaultDeadlineSeconds = 600;

// The --timeout value: whole seconds, at least 1; throws UsageError for anything else.
int deadlineSeconds(const QString& text);

// Watches the job from a thread of its own: the job's own thread may be waiting inside the
// driver, where nothing else could end it.
class JobDeadline {
public:
    // `outputs`: the files the job may write (empty names are ignored).
    JobDeadline(int seconds, const QStringList& outputs);
    ~JobDeadline();  // the job has ended in time
    JobDeadline(const JobDeadline&) = delete;
    JobDeadline& operator=(const JobDeadline&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread watcher_;
};

}  // namespace tabel::batch
