#pragma once
// The output step every command that writes a file goes through. The job writes only to a
// regular file (replaced) or a new name: a folder, a device, a FIFO, a socket or a symbolic link
// (even to a regular file, even a dangling one) is refused before the job starts and again at
// the end. The file is written under a temporary name in the same folder and renamed over the
// name when complete (the job's deadline removes what is left unfinished); the rename never
// follows a link, so a link put in the name's place meanwhile is never written through. A long
// job shows its progress on a terminal, and a failure ends the job with exit status 1 and
// "Не удалось записать файл …" on stderr.

#include <QByteArray>
#include <QString>

#include <functional>

#include "reportengine/report_document.h"

namespace tabel::batch {

// Throws UsageError when `path` names something other than a regular file or nothing; lstat,
// so a symbolic link is refused whatever it points to.
void checkOutputPath(const QString& path);

// Writes one output file: `write` gets the temporary file to write (it may replace it through a
// temporary and a rename of its own) and the progress to report to (it may ignore it) and returns
// empty on success, otherwise the reason; a workbook's failure (reports::SpreadsheetError) is its
// reason too. `what` names the job on the progress line ("Отчет"). The temporary then takes the
// name `path`: the permissions of the file it replaces, or those of a new file. Throws
// UsageError when `path` is no longer a regular file or a new name (nothing is written), and
// JobFailure with the reason of any other failure; whatever else `write` throws passes on.
void writeJobOutput(const QString& path, const QString& what,
                    const std::function<QString(const QString& temporary,
                                                const reportengine::ProgressFn& progress)>& write);

// `bytes` written into `temporary`, the job's own temporary file (never through a link). Empty on
// success, otherwise the reason.
QString saveFile(const QString& temporary, const QByteArray& bytes);

}  // namespace tabel::batch
