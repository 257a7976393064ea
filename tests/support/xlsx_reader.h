#pragma once
// Reads back the first sheet of an .xlsx file written by the program, for assertions.

#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

namespace tabel::test {

struct XlsxCell {
    QString value;  // the stored text, or the number as written in the file ("12.5")
    bool isNumber = false;
    bool bold = false;
    QString numberFormat;  // "General", "@" or the format code
};

struct XlsxBook {
    bool ok = false;
    QString error;
    QStringList sheetNames;
    QMap<QPair<int, int>, XlsxCell> cells;  // of the first sheet, keyed (row, column), 1-based
    QMap<int, double> columnWidths;         // 1-based column → width set in the file

    const XlsxCell* cell(int row, int column) const {
        const auto it = cells.constFind({row, column});
        return it == cells.constEnd() ? nullptr : &*it;
    }
};

// Unpacks with the `unzip` program.
XlsxBook readXlsx(const QString& path);

}  // namespace tabel::test
