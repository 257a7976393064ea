// The keyed re-reads of a dataset: one row, or the rows a change notice names, replaced where
// they stand so that the grid keeps its place.
#include <QSet>
#include <algorithm>

#include "core/expression.h"
#include "core/sort_order.h"
#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"

namespace tabel::data {

namespace {

// The hash bucket of a key: 5, 5LL and 5.0 share one; compareValues decides within it.
QString keyText(const QVariant& key) {
    return key.toString();
}

// Whether `a` comes before `b` in `order` (columns with their directions).
bool orderedBefore(const QList<std::pair<int, bool>>& order, const QList<QVariant>& a,
                   const QList<QVariant>& b) {
    for (const auto& [column, descending] : order) {
        const int cmp = core::compareValues(a[column], b[column]);
        if (cmp != 0) {
            return descending ? cmp > 0 : cmp < 0;
        }
    }
    return false;
}

}  // namespace

void Dataset::setRowOrder(const QStringList& fields) {
    core::parseSortOrder(fields.join(QLatin1Char(',')));  // throws SortTextError when malformed
    rowOrder_ = fields;
}

QList<std::pair<int, bool>> Dataset::rowOrderColumns() const {
    QList<std::pair<int, bool>> order;
    if (rowOrder_.isEmpty()) {
        return order;
    }
    for (const core::SortKey& key : core::parseSortOrder(rowOrder_.join(QLatin1Char(',')))) {
        const int column = fieldIndex(key.field);
        if (column < 0) {
            throw DataError(
                QStringLiteral("%1: поле '%2' не найдено").arg(objectName(), key.field));
        }
        order.append({column, key.descending});
    }
    return order;
}

int Dataset::orderedPlace(const QList<std::pair<int, bool>>& order,
                          const QList<QVariant>& row) const {
    if (order.isEmpty()) {
        return int(rows_.size());
    }
    // The rows as read follow the order: a binary search, equal keys keeping the new row last.
    int low = 0;
    int high = int(rows_.size());
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (orderedBefore(order, row, rows_[middle])) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

void Dataset::refreshRow(const QString& keyField, const QVariant& key) {
    if (!open_) {
        return;  // the next opening reads it anyway
    }
    const int keyColumn = fieldIndex(keyField);
    if (keyColumn < 0) {
        throw DataError(QStringLiteral("%1: поле '%2' не найдено").arg(objectName(), keyField));
    }
    QList<QVariant> values = params_.positionalValues();
    values.append(key);
    const QString text = QStringLiteral("select * from (\n") + readStatement() +
                         QStringLiteral("\n) as keyed_row where ") + columns_[keyColumn] +
                         QStringLiteral(" = ?");
    StatementResult result = readRows(text, values);
    // A table cursor's rows carry their versions alongside.
    const bool versioned = versions_.size() == rows_.size() && !result.columns.isEmpty() &&
                           result.columns.first().name == versionColumn();
    QVariant version;
    if (versioned) {
        result.columns.removeFirst();
        if (!result.rows.isEmpty()) {
            version = result.rows.first().takeFirst();
        }
    }
    const auto isKey = [&](const QList<QVariant>& row) {
        return !row[keyColumn].isNull() && core::compareValues(row[keyColumn], key) == 0;
    };
    const qsizetype found = std::find_if(rows_.begin(), rows_.end(), isKey) - rows_.begin();
    const bool known = found < rows_.size();
    const bool fresh = !result.rows.isEmpty() && result.columns.size() == columns_.size();
    const QList<std::pair<int, bool>> order = rowOrderColumns();
    const bool moves = known && fresh &&
                       (orderedBefore(order, rows_[found], result.rows.first()) ||
                        orderedBefore(order, result.rows.first(), rows_[found]));
    if (known && fresh && !moves) {
        rows_[found] = std::move(result.rows.first());
        if (versioned) {
            versions_[found] = version;
        }
    } else if (known) {
        rows_.removeAt(found);
        if (versioned) {
            versions_.removeAt(found);
        }
    }
    if (fresh && (!known || moves)) {
        // A new row, or one whose place in the statement's order changed, goes to that place.
        const int at = orderedPlace(order, result.rows.first());
        rows_.insert(at, std::move(result.rows.first()));
        if (versioned) {
            versions_.insert(at, version);
        }
    }
    keyIndexes_.clear();
    const int keep = current_;
    state_ = State::Browse;
    rebuildView();
    for (int row = 0; row < view_.size(); ++row) {
        if (isKey(rows_[view_[row]])) {
            moveTo(row);
            return;
        }
    }
    moveTo(keep);
}

void Dataset::refreshRows(const QString& keyField, const QList<QVariant>& keys) {
    if (!open_ || state_ != State::Browse || keys.isEmpty()) {
        return;
    }
    const int keyColumn = fieldIndex(keyField);
    if (keyColumn < 0) {
        throw DataError(QStringLiteral("%1: поле '%2' не найдено").arg(objectName(), keyField));
    }
    QList<QVariant> distinct;
    QSet<QString> seen;
    for (const QVariant& key : keys) {
        if (!key.isNull() && !seen.contains(keyText(key))) {
            seen.insert(keyText(key));
            distinct.append(key);
        }
    }
    // Every part is read before anything changes, so that a failed read leaves the list whole.
    QList<QList<QVariant>> fresh;
    QList<QVariant> freshVersions;
    bool versioned = false;
    // More keys than the list has rows (a backlog of changes, most of them of rows the list
    // never held): one read of the whole statement costs less than that many keyed parts.
    const bool whole = distinct.size() > std::max<qsizetype>(kMaxKeyedRefresh, rows_.size());
    for (qsizetype from = 0; from < distinct.size(); from += kMaxKeyedRefresh) {
        const QList<QVariant> part = distinct.mid(from, kMaxKeyedRefresh);
        QList<QVariant> values = params_.positionalValues();
        QString text = readStatement();
        if (!whole) {
            values.append(part);
            text = QStringLiteral("select * from (\n") + text +
                   QStringLiteral("\n) as keyed_rows where ") + columns_[keyColumn] +
                   QStringLiteral(" in (") +
                   QStringList(part.size(), QStringLiteral("?")).join(QLatin1Char(',')) +
                   QLatin1Char(')');
        }
        StatementResult result = readRows(text, values);
        versioned = !result.columns.isEmpty() && result.columns.first().name == versionColumn();
        if (versioned) {
            result.columns.removeFirst();
        }
        if (result.columns.size() != columns_.size()) {
            return;  // not the shape the list was opened with: its next opening reads it
        }
        for (QList<QVariant>& row : result.rows) {
            const QVariant version = versioned ? row.takeFirst() : QVariant();
            if (whole && (row[keyColumn].isNull() || !seen.contains(keyText(row[keyColumn])))) {
                continue;
            }
            freshVersions.append(version);
            fresh.append(std::move(row));
        }
        if (whole) {
            break;
        }
    }
    applyFreshRows(keyColumn, distinct, std::move(fresh), std::move(freshVersions), versioned);
}

bool Dataset::holdsKey(const QString& keyField, const QVariant& key) {
    const int column = fieldIndex(keyField);
    if (!open_ || column < 0 || key.isNull()) {
        return false;
    }
    const QList<int> rows = keyIndex(column).value(keyText(key));
    return std::any_of(rows.begin(), rows.end(),
                       [&](int row) { return core::compareValues(rows_[row][column], key) == 0; });
}

const QHash<QString, QList<int>>& Dataset::keyIndex(int column) {
    auto found = keyIndexes_.find(column);
    if (found == keyIndexes_.end()) {
        QHash<QString, QList<int>> index;
        index.reserve(rows_.size());
        for (int row = 0; row < rows_.size(); ++row) {
            if (!rows_[row][column].isNull()) {
                index[keyText(rows_[row][column])].append(row);
            }
        }
        found = keyIndexes_.insert(column, std::move(index));
    }
    return *found;
}

void Dataset::indexRow(int row) {
    for (auto index = keyIndexes_.begin(); index != keyIndexes_.end(); ++index) {
        const QVariant& key = rows_[row][index.key()];
        if (!key.isNull()) {
            (*index)[keyText(key)].append(row);
        }
    }
}

void Dataset::unindexRow(int row) {
    for (auto index = keyIndexes_.begin(); index != keyIndexes_.end(); ++index) {
        const QVariant& key = rows_[row][index.key()];
        if (key.isNull()) {
            continue;
        }
        const auto bucket = index->find(keyText(key));
        if (bucket != index->end()) {
            bucket->removeOne(row);
            if (bucket->isEmpty()) {
                index->erase(bucket);
            }
        }
    }
}

void Dataset::applyFreshRows(int keyColumn, const QList<QVariant>& keys,
                             QList<QList<QVariant>>&& fresh, QList<QVariant>&& freshVersions,
                             bool versioned) {
    const bool keepVersions = versioned && versions_.size() == rows_.size();
    const int idColumn = fieldIndex(QStringLiteral("id"));
    // The rows now listed under the keys, in list order.
    QList<int> keyed;
    {
        const QHash<QString, QList<int>>& index = keyIndex(keyColumn);
        for (const QVariant& key : keys) {
            for (int row : index.value(keyText(key))) {
                if (core::compareValues(rows_[row][keyColumn], key) == 0) {
                    keyed.append(row);
                }
            }
        }
    }
    std::sort(keyed.begin(), keyed.end());

    const bool filtering = filtered_ && !filterText_.trimmed().isEmpty();
    if (filtering && !filterExpr_) {
        filterExpr_ = std::make_unique<core::Expression>(core::Expression::compile(
            filterText_, [this](const QString& name) { return fieldIndex(name); }));
    }
    const QList<std::pair<int, bool>> rowOrder = rowOrderColumns();
    QList<std::pair<int, bool>> order;  // column, descending
    if (!sortText_.trimmed().isEmpty()) {
        for (const core::SortKey& key : core::parseSortOrder(sortText_)) {
            const int column = fieldIndex(key.field);
            if (column < 0) {
                throw DataError(
                    QStringLiteral("%1: поле '%2' не найдено").arg(objectName(), key.field));
            }
            order.append({column, key.descending});
        }
    }
    // The order of rebuildView: sort keys, then the order the rows were read in.
    const auto before = [&](int a, int b) {
        for (const auto& [column, descending] : order) {
            const int cmp = core::compareValues(rows_[a][column], rows_[b][column]);
            if (cmp != 0) {
                return descending ? cmp > 0 : cmp < 0;
            }
        }
        return a < b;
    };
    const auto passes = [&](int row) { return !filtering || filterExpr_->matches(rows_[row]); };
    const auto viewPosition = [&](int row) {
        const auto at = std::lower_bound(view_.begin(), view_.end(), row, before);
        if (at != view_.end() && *at == row) {
            return int(at - view_.begin());
        }
        return int(view_.indexOf(row));  // a row posted since the view was sorted
    };
    const auto removeFromView = [&](int position) {
        emit rowsAboutToBeRemoved(position, position);
        view_.removeAt(position);
        emit rowsRemoved();
    };
    const auto insertIntoView = [&](int row) {
        const int position =
            int(std::lower_bound(view_.begin(), view_.end(), row, before) - view_.begin());
        emit rowsAboutToBeInserted(position, position);
        view_.insert(position, row);
        emit rowsInserted();
    };

    const int keepPosition = current_;
    int keep = current_ >= 0 ? view_[current_] : -1;  // the current row in rows_
    bool changed = false;
    QHash<QString, int> freshById;
    if (idColumn >= 0) {
        for (int f = 0; f < fresh.size(); ++f) {
            if (!fresh[f][idColumn].isNull()) {
                freshById.insert(keyText(fresh[f][idColumn]), f);
            }
        }
    }
    QList<bool> placed(fresh.size(), false);
    // Read again, but their place in the statement's order changed: put in like new rows.
    QList<bool> moving(fresh.size(), false);
    int keepFresh = -1;  // the current row is fresh[keepFresh], on the move
    QList<int> gone;
    for (int row : keyed) {
        // The same row (by id) read again replaces it in place; a vanished row is dropped.
        int f = -1;
        if (idColumn >= 0 && !rows_[row][idColumn].isNull()) {
            f = freshById.value(keyText(rows_[row][idColumn]), -1);
            if (f >= 0 &&
                (placed[f] || core::compareValues(fresh[f][idColumn], rows_[row][idColumn]) != 0)) {
                f = -1;
            }
        }
        const int position = viewPosition(row);
        changed = true;
        if (f < 0) {
            if (position >= 0) {
                removeFromView(position);
            }
            gone.append(row);
            continue;
        }
        placed[f] = true;
        if (orderedBefore(rowOrder, rows_[row], fresh[f]) ||
            orderedBefore(rowOrder, fresh[f], rows_[row])) {
            if (position >= 0) {
                removeFromView(position);
            }
            gone.append(row);
            moving[f] = true;
            if (row == keep) {
                keepFresh = f;
            }
            continue;
        }
        unindexRow(row);
        rows_[row] = std::move(fresh[f]);
        if (keepVersions) {
            versions_[row] = freshVersions[f];
        }
        indexRow(row);
        const bool shown = passes(row);
        if (position >= 0 && shown && (position == 0 || before(view_[position - 1], row)) &&
            (position + 1 == view_.size() || before(row, view_[position + 1]))) {
            emit rowsChanged(position, position);
            continue;
        }
        if (position >= 0) {
            removeFromView(position);
        }
        if (shown) {
            insertIntoView(row);
        }
    }
    if (!gone.isEmpty()) {
        // One pass closes the gaps the dropped rows leave.
        QList<int> moved(rows_.size());
        int next = 0;
        int g = 0;
        for (int row = 0; row < rows_.size(); ++row) {
            if (g < gone.size() && gone[g] == row) {
                moved[row] = -1;
                ++g;
                continue;
            }
            moved[row] = next;
            if (next != row) {
                rows_[next] = std::move(rows_[row]);
                if (versions_.size() == rows_.size()) {
                    versions_[next] = versions_[row];
                }
            }
            ++next;
        }
        if (versions_.size() == rows_.size()) {
            versions_.resize(next);
        }
        rows_.resize(next);
        for (int& row : view_) {
            row = moved[row];
        }
        keep = keep >= 0 ? moved[keep] : -1;
        keyIndexes_.clear();
    }
    for (int f = 0; f < fresh.size(); ++f) {
        if (placed[f] && !moving[f]) {
            continue;
        }
        changed = true;
        const int at = orderedPlace(rowOrder, fresh[f]);
        rows_.insert(at, std::move(fresh[f]));
        if (keepVersions) {
            versions_.insert(at, freshVersions[f]);
        } else {
            versions_.clear();
        }
        if (at + 1 < rows_.size()) {
            // The rows after it move down by one.
            for (int& row : view_) {
                row += row >= at ? 1 : 0;
            }
            keep += keep >= at ? 1 : 0;
            keyIndexes_.clear();
        } else {
            indexRow(at);
        }
        if (f == keepFresh) {
            keep = at;
        }
        if (passes(at)) {
            insertIntoView(at);
        }
    }
    if (!keepVersions) {
        versions_.clear();
    }
    if (!changed) {
        return;
    }
    const int found = keep >= 0 ? int(view_.indexOf(keep)) : -1;
    const int target = found >= 0        ? found
                       : view_.isEmpty() ? -1
                                         : std::clamp(keepPosition, 0, int(view_.size()) - 1);
    eof_ = bof_ = view_.isEmpty();
    // A grid's current row moved with its row, or away from a row that is gone: it follows.
    const bool moved = target != keepPosition || found < 0 || target != current_;
    current_ = target;
    if (moved) {
        emit currentRowChanged(current_);
    }
    emit rowsRefreshed();
}

}  // namespace tabel::data
