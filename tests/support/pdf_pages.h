#pragma once
// Pages of a PDF file counted from its page objects, whichever writer made it.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tabel::test {

inline int pdfPageCount(const QByteArray& pdf) {
    int pages = 0;
    for (qsizetype at = pdf.indexOf("/Type /Page"); at >= 0;
         at = pdf.indexOf("/Type /Page", at + 1)) {
        if (pdf.mid(at + 11, 1) != "s") {
            ++pages;
        }
    }
    return pages;
}

// -1 when the file cannot be read.
inline int pdfPageCount(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    return pdfPageCount(file.readAll());
}

}  // namespace tabel::test
