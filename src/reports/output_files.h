#pragma once
// Where the program's spreadsheets and PDFs go: the user's documents folder, subfolder
// "Табель", under names that say what the file holds; an existing file is never replaced.

#include <QString>

class QFile;

namespace tabel::reports {

// The documents folder of the desktop (XDG_DOCUMENTS_DIR) with "Табель" under it, created when
// missing; empty when it cannot be created.
QString outputFolder();

// A file name (without suffix) from a report's title: "Отчет по рабочим за период с 01.11.2026
// по 30.11.2026" gives "Отчет по рабочим 01.11.2026–30.11.2026", "Табель Ноябрь 2026 г." gives
// "Табель Ноябрь 2026"; characters a file name cannot hold become "-".
QString fileBaseName(const QString& title);

// `folder`/`baseName`.`suffix`, or with " (2)", " (3)"... before the suffix when that name is
// taken.
QString freePath(const QString& folder, const QString& baseName, const QString& suffix);

// Creates the first free name of that form and leaves it open in `file` (empty, owned by the
// caller): a name taken by another program in between is passed over, never overwritten.
bool createFreeFile(QFile& file, const QString& folder, const QString& baseName,
                    const QString& suffix);

}  // namespace tabel::reports
