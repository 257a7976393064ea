#include "batch/terminal_progress.h"

#include <QDateTime>

#include <cstdio>

#include <unistd.h>

namespace tabel::batch {

namespace {
// A terminal redraw five times a second is live enough.
constexpr qint64 kRedrawMs = 200;
}  // namespace

TerminalProgress::TerminalProgress(QString what) : what_(std::move(what)) {}

TerminalProgress::~TerminalProgress() {
    if (shown_) {
        std::fputs("\n", stderr);
        std::fflush(stderr);
    }
}

reportengine::ProgressFn TerminalProgress::callback() {
    if (isatty(fileno(stderr)) == 0) {
        return {};
    }
    return [this](const reportengine::Progress& progress) {
        show(progress);
        return true;
    };
}

void TerminalProgress::show(const reportengine::Progress& progress) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool last = progress.rows > 0 && progress.rowsDone == progress.rows;
    if (shown_ && !last && now - lastShown_ < kRedrawMs) {
        return;
    }
    lastShown_ = now;
    shown_ = true;
    // Rows streamed from the server come without a total.
    const QString rows = progress.rows > 0
                             ? QStringLiteral("%1 из %2").arg(progress.rowsDone).arg(progress.rows)
                             : QString::number(progress.rowsDone);
    QString line =
        what_ + QStringLiteral(": строк %1, страниц %2").arg(rows).arg(progress.pagesDone);
    // \r and clear to the end of the line: the next figure overwrites this one.
    std::fputs(("\r" + line + "\033[K").toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

}  // namespace tabel::batch
