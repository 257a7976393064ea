#pragma once
// The output step every command that writes a file goes through: the file is written under a
// temporary name and renamed when complete (the job's deadline removes what is left unfinished),
// a long one shows its progress on a terminal, and a failure ends the job with exit status 1 and
// "Не удалось записать файл …" on stderr.

#include <QByteArray>
#include <QString>

#include <functional>

#include "reportengine/report_document.h"

namespace tabel::batch {

// Writes one output file: `write` gets the progress to report to (it may ignore it) and returns
// empty on success, otherwise the reason; a workbook's failure (reports::SpreadsheetError) is
// its reason too. `what` names the job on the progress line ("Отчет"). Throws JobFailure with
// the reason; whatever else `write` throws passes on.
void writeJobOutput(const QString& path, const QString& what,
                    const std::function<QString(const reportengine::ProgressFn& progress)>& write);

// `bytes` saved as `path` through a temporary file renamed when complete: an existing file stays
// as it was until then. Empty on success, otherwise the reason.
QString saveFile(const QString& path, const QByteArray& bytes);

}  // namespace tabel::batch
