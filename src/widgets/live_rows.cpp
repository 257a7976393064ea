#include "widgets/live_rows.h"

#include <QScrollBar>
#include <functional>

#include "data/dataset.h"
#include "data/errors.h"
#include "widgets/data_grid.h"

namespace tabel::widgets {

namespace {

// Runs `read` on `list`; the scroll position of `grid`, when it shows `list`, stays. A failed
// read leaves the rows as they were and gives what the user is told of it.
QString keepingScroll(data::Dataset& list, DataGrid* grid, const std::function<void()>& read) {
    const bool shown = grid != nullptr && grid->dataset() == &list;
    const int down = shown ? grid->verticalScrollBar()->value() : 0;
    const int across = shown ? grid->horizontalScrollBar()->value() : 0;
    QString failure;
    try {
        read();
    } catch (const data::DbError& error) {
        failure = data::userMessageOf(error);
    }
    if (shown) {
        grid->verticalScrollBar()->setValue(down);
        grid->horizontalScrollBar()->setValue(across);
    }
    return failure;
}

}  // namespace

QString refreshShownRows(data::Dataset& list, DataGrid* grid, const QString& keyField,
                         const QList<QVariant>& keys) {
    if (keys.isEmpty() || !list.isOpen() || list.state() != data::Dataset::State::Browse) {
        return {};
    }
    return keepingScroll(list, grid, [&] { list.refreshRows(keyField, keys); });
}

QString followChanges(data::Dataset& list, DataGrid* grid, const QString& keyField, bool whole,
                      const QList<QVariant>& keys) {
    // After a failed read the rows shown may miss changes: the next change reads them whole.
    if (!whole && !list.isStale()) {
        return refreshShownRows(list, grid, keyField, keys);
    }
    if (!list.isOpen() && list.isStale()) {
        return keepingScroll(list, grid, [&] { list.open(); });
    }
    if (!list.isOpen() || list.state() != data::Dataset::State::Browse) {
        return {};
    }
    return keepingScroll(list, grid, [&] {
        const QVariant current = list.isEmpty() ? QVariant() : list.field(keyField).value();
        const QString sort = list.sort();
        list.refresh();
        if (!sort.isEmpty()) {
            list.setSort(sort);
        }
        if (!current.isNull()) {
            list.locate(keyField, current);
        }
    });
}

}  // namespace tabel::widgets
