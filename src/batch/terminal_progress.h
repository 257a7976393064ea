#pragma once
// Progress of a long report on stderr, rewritten in place, only when stderr is a terminal: a
// script's log gets no carriage returns.

#include <QString>

#include "reportengine/report_document.h"

namespace tabel::batch {

class TerminalProgress {
public:
    explicit TerminalProgress(QString what);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // Empty when stderr is not a terminal.
    reportengine::ProgressFn callback();

private:
    void show(const reportengine::Progress& progress);

    QString what_;
    bool shown_ = false;
    qint64 lastShown_ = 0;
};

}  // namespace tabel::batch
