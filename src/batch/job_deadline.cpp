#include "batch/job_deadline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "batch/batch.h"
#include "batch/batch_command.h"

namespace tabel::batch {

namespace {

// The output and the temporary files it is written through (".report.pdf.XXXXXX", and the
// writers' own beside it: ".report.pdf.XXXXXX.YYYYYY", "..report.xlsx.XXXXXX.YYYYYY"), as they
// are now in the output's folder.
QStringList outputFiles(const QStringList& outputs) {
    QStringList files;
    for (const QString& output : outputs) {
        if (output.isEmpty()) {
            continue;
        }
        const QFileInfo target(output);
        const QDir folder = target.absoluteDir();
        const QString name = target.fileName();
        const QStringList patterns = {name, name + QStringLiteral(".*"),
                                      QStringLiteral(".") + name + QStringLiteral(".*"),
                                      QStringLiteral("..") + name + QStringLiteral(".*")};
        for (const QString& file : folder.entryList(patterns, QDir::Files | QDir::Hidden)) {
            files.append(folder.absoluteFilePath(file));
        }
    }
    return files;
}

}  // namespace

int deadlineSeconds(const QString& text) {
    bool ok = false;
    const int seconds = text.trimmed().toInt(&ok);
    if (!ok || seconds < 1) {
        throw UsageError(QStringLiteral("Неверное предельное время (--timeout): ") + text);
    }
    return seconds;
}

JobDeadline::JobDeadline(int seconds, const QStringList& outputs) {
    // Files there before the job are not the job's to remove.
    const QStringList before = outputFiles(outputs);
    watcher_ = std::thread([this, seconds, outputs, before] {
        std::unique_lock lock(mutex_);
        if (finished_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
            return;
        }
        const QSet<QString> existing(before.begin(), before.end());
        for (const QString& file : outputFiles(outputs)) {
            if (!existing.contains(file)) {
                QFile::remove(file);
            }
        }
        const QByteArray message =
            QStringLiteral(
                "Задание не завершилось за %1 с и прервано: сервер БД не отвечает "
                "или задание слишком велико (--timeout)\n")
                .arg(seconds)
                .toUtf8();
        std::fwrite(message.constData(), 1, size_t(message.size()), stderr);
        std::fflush(stderr);
        // The job's thread may sit in the driver waiting for the server: end the process here.
        std::_Exit(kFailure);
    });
}

JobDeadline::~JobDeadline() {
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
    }
    finished_.notify_all();
    watcher_.join();
}

}  // namespace tabel::batch
