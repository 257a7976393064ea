#pragma once
// The texts of a prepared report in printing order, for tests that read a report as a user would.

#include <QStringList>

#include "reportengine/report_document.h"

namespace tabel::test {

// Every page's texts, one page after another.
inline QStringList textsOf(const reportengine::ReportDocument& document) {
    QStringList texts;
    for (const reportengine::Page& page : document.pages) {
        for (const QString& text : page.texts()) {
            texts.append(text);
        }
    }
    return texts;
}

}  // namespace tabel::test
