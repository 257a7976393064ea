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
// A failed read is left for the next action to report, as without live refresh. Nothing when
// the list is closed, a row is being edited or there are no keys.
void refreshShownRows(data::Dataset& list, DataGrid* grid, const QString& keyField,
                      const QList<QVariant>& keys);

// Re-reads the whole of `list` when `batch` says the change log no longer tells what was
// missed (or a flood was too large to name); otherwise re-reads the rows of `keys`. The current
// row (by `keyField`), the sort and the scroll position of `grid` stay.
void followChanges(data::Dataset& list, DataGrid* grid, const QString& keyField, bool whole,
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
