#include "batch/job_output.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "batch/batch_command.h"
#include "batch/terminal_progress.h"
#include "reports/spreadsheet.h"

namespace tabel::batch {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// What a name that is not a regular file is, in the refusal's words.
QString kindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return QStringLiteral("папка");
    }
    if (S_ISLNK(mode)) {
        return QStringLiteral("символическая ссылка");
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return QStringLiteral("устройство");
    }
    if (S_ISFIFO(mode)) {
        return QStringLiteral("именованный канал");
    }
    if (S_ISSOCK(mode)) {
        return QStringLiteral("сокет");
    }
    return QStringLiteral("особый файл");
}

UsageError refusal(const QString& path, mode_t mode) {
    return UsageError(QStringLiteral("Файл результата %1 не записан: это %2. Задание записывает "
                                     "только обычный файл (он заменяется) или новое имя")
                          .arg(path, kindOf(mode)));
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Flushes the finished temporary to disk with the permissions the output is to have; refuses a
// temporary that is no longer a regular file of ours. Empty on success, otherwise the reason.
QString settle(const QByteArray& temporary, mode_t mode) {
    const int fd = ::open(temporary.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return systemError(errno);
    }
    struct stat st {};
    QString error;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = systemError(errno != 0 ? errno : EINVAL);
    } else if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
        error = systemError(errno);
    }
    ::close(fd);
    return error;
}

// Renames the finished temporary to `path`, over a regular file or to a new name only.
// rename(2) replaces the name itself and never follows a link there; a new name is taken
// with RENAME_NOREPLACE, so nothing that appears under it meanwhile is replaced unlooked.
QString place(const QString& temporary, const QString& path) {
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(path);
    for (int look = 0; look < 3; ++look) {
        struct stat st {};
        if (::lstat(to.constData(), &st) == 0) {
            if (!S_ISREG(st.st_mode)) {
                throw refusal(path, st.st_mode);
            }
            if (QString error = settle(from, st.st_mode & 07777); !error.isEmpty()) {
                return error;
            }
            return ::rename(from.constData(), to.constData()) == 0 ? QString() : systemError(errno);
        }
        if (errno != ENOENT) {
            return systemError(errno);
        }
        if (QString error = settle(from, newFileMode()); !error.isEmpty()) {
            return error;
        }
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) ==
            0) {
            return {};
        }
        if (errno == EINVAL || errno == ENOSYS) {
            // A file system without RENAME_NOREPLACE: a hard link fails on any existing name
            // just the same.
            if (::link(from.constData(), to.constData()) == 0) {
                ::unlink(from.constData());
                return {};
            }
        }
        if (errno != EEXIST) {
            return systemError(errno);
        }
        // Something took the name meanwhile: look at it again.
    }
    return systemError(EEXIST);
}

}  // namespace

void checkOutputPath(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        throw refusal(path, st.st_mode);
    }
}

void writeJobOutput(const QString& path, const QString& what,
                    const std::function<QString(const QString& temporary,
                                                const reportengine::ProgressFn& progress)>& write) {
    checkOutputPath(path);
    const QFileInfo target(path);
    // Created with O_EXCL beside the output, so the rename stays within one file system.
    QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                             QStringLiteral(".XXXXXX"));
    QString error;
    if (!temporary.open()) {
        error = temporary.errorString();
    } else {
        temporary.close();
        // Ends its progress line before any message follows on stderr.
        TerminalProgress progress(what);
        try {
            error = write(temporary.fileName(), progress.callback());
        } catch (const reports::SpreadsheetError& failure) {
            error = failure.message();
        }
    }
    if (error.isEmpty()) {
        error = place(temporary.fileName(), path);
        if (error.isEmpty()) {
            temporary.setAutoRemove(false);  // it carries the output's name now
        }
    }
    if (!error.isEmpty()) {
        throw JobFailure(QStringLiteral("Не удалось записать файл ") + path + QStringLiteral(": ") +
                         error);
    }
}

QString saveFile(const QString& temporary, const QByteArray& bytes) {
    const int fd = ::open(QFile::encodeName(temporary).constData(),
                          O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return systemError(errno);
    }
    QString error;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = systemError(errno);
            break;
        }
        done += written;
    }
    if (::close(fd) != 0 && error.isEmpty()) {
        error = systemError(errno);
    }
    return error;
}

}  // namespace tabel::batch
