#pragma once
// Rows for the expression tests, written as the few cells a case cares about.

#include <QList>
#include <QStringList>
#include <QVariant>

#include <utility>
#include <vector>

namespace tabel::test {

using Cells = std::vector<std::pair<const char*, QVariant>>;

// A row over `columns` holding `cells` by column name; every other cell is null.
inline QList<QVariant> rowOf(const QStringList& columns, const Cells& cells) {
    QList<QVariant> row(columns.size());
    for (const auto& [name, value] : cells) {
        row[columns.indexOf(QString::fromLatin1(name))] = value;
    }
    return row;
}

}  // namespace tabel::test
