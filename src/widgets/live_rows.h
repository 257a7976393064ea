#pragma once
// What another session changed, brought into an open list without disturbing the user.

#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>

namespace tabel::data {
class Dataset;
}

namespace tabel::widgets {

class DataGrid;

// Re-reads the rows of `list` whose `keyField` is one of `keys` (Dataset::refreshRows); the
// current row and the scroll position of `grid`, when it shows `list`, stay where they were.
// A failed read leaves the rows as they were; its message is returned (empty: read). Nothing
// when the list is closed, a row is being edited or there are no keys.
QString refreshShownRows(data::Dataset& list, DataGrid* grid, const QString& keyField,
                         const QList<QVariant>& keys);

// Re-reads the whole of `list` when `whole` says the change log no longer tells what was
// missed (or a flood was too large to name), or when a read of it failed before; otherwise
// re-reads the rows of `keys`. The current row (by `keyField`), the sort and the scroll
// position of `grid` stay. Returns the message of a failed read, empty when read.
QString followChanges(data::Dataset& list, DataGrid* grid, const QString& keyField, bool whole,
                      const QList<QVariant>& keys);

template <typename Id>
QList<QVariant> keysOf(const QSet<Id>& ids) {
    QList<QVariant> keys;
    keys.reserve(ids.size());
    for (const Id& id : ids) {
        keys.append(QVariant::fromValue(id));
    }
    return keys;
}

}  // namespace tabel::widgets
