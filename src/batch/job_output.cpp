#include "batch/job_output.h"

#include <QSaveFile>

#include "batch/batch_command.h"
#include "batch/terminal_progress.h"
#include "reports/spreadsheet.h"

namespace tabel::batch {

void writeJobOutput(const QString& path, const QString& what,
                    const std::function<QString(const reportengine::ProgressFn& progress)>& write) {
    QString error;
    {
        // Ends its progress line before any message follows on stderr.
        TerminalProgress progress(what);
        try {
            error = write(progress.callback());
        } catch (const reports::SpreadsheetError& failure) {
            error = failure.message();
        }
    }
    if (!error.isEmpty()) {
        throw JobFailure(QStringLiteral("Не удалось записать файл ") + path + QStringLiteral(": ") +
                         error);
    }
}

QString saveFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 || !file.commit()) {
        return file.errorString();
    }
    return {};
}

}  // namespace tabel::batch
