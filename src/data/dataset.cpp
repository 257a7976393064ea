#include "data/dataset.h"

#include <QSet>
#include <algorithm>

#include "core/expression.h"
#include "core/sort_order.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/value_conversion.h"

namespace tabel::data {

namespace {

const QVariant& nullValue() {
    static const QVariant null;
    return null;
}

// A table cursor reads each row's version (xmin) with it, under this name, so that a post can
// tell a row changed or deleted by another session since it was read.
const QString kVersionColumn = QStringLiteral("tabel_row_version");
const QString kVersionSelect = QStringLiteral("xmin::text as tabel_row_version");

}  // namespace

const QString& Dataset::versionColumn() {
    return kVersionColumn;
}

Dataset::Dataset(Connection* connection, const QString& name, QObject* parent)
    : QObject(parent), connection_(connection) {
    setObjectName(name);
}

Dataset::~Dataset() = default;

void Dataset::setSql(const QStringList& lines) {
    sql_ = lines;
    params_.parse(statement());
}

void Dataset::addSql(const QString& line) {
    sql_.append(line);
    params_.parse(statement());
}

void Dataset::setParam(const QString& name, const QVariant& value) {
    params_.setValue(name, value);
}

void Dataset::open() {
    if (open_) {
        return;
    }
    takeRows(readRows(readStatement(), params_.positionalValues()));
}

StatementResult Dataset::readRows(const QString& text, const QList<QVariant>& values) {
    try {
        return connection_->run(text, values, typer());
    } catch (const DbError&) {
        // What the list shows may now miss changes, until it is read whole again.
        stale_ = true;
        throw;
    }
}

void Dataset::takeRows(StatementResult&& result) {
    loadRows(std::move(result));
    filterExpr_.reset();  // field positions may differ from the last opening
    open_ = true;
    state_ = State::Browse;
    stale_ = false;
    rebuildView();
}

ColumnTyper Dataset::typer() const {
    // The connection calls it on its own thread: it gets the definitions, not the dataset.
    return [defs = defs_](const ResultColumn& column) {
        FieldType type = fieldTypeOf(column.type);
        for (const FieldDef& def : defs) {
            if (def.type != FieldType::Auto &&
                def.name.compare(column.name, Qt::CaseInsensitive) == 0) {
                type = def.type;
            }
        }
        return type;
    };
}

QString Dataset::readStatement() const {
    const QString text = params_.positionalText();
    const QString trimmed = text.trimmed();
    if (table_.isEmpty() || !trimmed.startsWith(QLatin1String("select "), Qt::CaseInsensitive)) {
        return text;
    }
    return QStringLiteral("select ") + kVersionSelect + QStringLiteral(", ") + trimmed.mid(7);
}

void Dataset::takeVersions(StatementResult& result) {
    versions_.clear();
    if (result.columns.isEmpty() || result.columns.first().name != kVersionColumn) {
        return;
    }
    result.columns.removeFirst();
    if (!result.types.isEmpty()) {
        result.types.removeFirst();
    }
    versions_.reserve(result.rows.size());
    for (QList<QVariant>& row : result.rows) {
        versions_.append(row.takeFirst());
    }
}

// The rows come converted to the field types by the runner.
void Dataset::loadRows(StatementResult&& result) {
    takeVersions(result);
    columns_.clear();
    columnTitles_.clear();
    types_ = result.types;
    readOnly_.clear();
    for (const ResultColumn& column : result.columns) {
        columnTitles_.append(column.name);
        columns_.append(column.name.toLower());
        bool readOnly = false;
        for (const FieldDef& def : defs_) {
            if (def.name.compare(column.name, Qt::CaseInsensitive) == 0) {
                readOnly = def.readOnly;
            }
        }
        readOnly_.append(readOnly);
    }
    rows_ = std::move(result.rows);
    keyIndexes_.clear();
}

void Dataset::close() {
    if (!open_) {
        return;
    }
    open_ = false;
    state_ = State::Browse;
    rows_.clear();
    view_.clear();
    keyIndexes_.clear();
    // A sort lasts until the list is closed.
    sortText_.clear();
    current_ = -1;
    eof_ = bof_ = true;
    emit rowsReset();
    emit currentRowChanged(current_);
}

void Dataset::refresh() {
    if (!open_) {
        open();
        return;
    }
    // Read before anything is dropped: a failed read leaves the rows shown as they were.
    StatementResult result = readRows(readStatement(), params_.positionalValues());
    close();
    takeRows(std::move(result));
}

int Dataset::fieldIndex(const QString& name) const {
    return int(columns_.indexOf(name.toLower()));
}

QString Dataset::fieldName(int column) const {
    return columnTitles_.value(column);
}

bool Dataset::fieldReadOnly(int column) const {
    return readOnly_.value(column);
}

Field Dataset::field(const QString& name) {
    requireOpen();
    const int column = fieldIndex(name);
    if (column < 0) {
        throw DataError(QStringLiteral("%1: поле '%2' не найдено").arg(objectName(), name));
    }
    return Field(this, column);
}

const QVariant& Dataset::valueAt(int row, int column) const {
    if (row < 0 || row >= view_.size() || column < 0 || column >= columns_.size()) {
        return nullValue();
    }
    return rows_[view_[row]][column];
}

const QVariant& Dataset::currentValue(int column) const {
    requireOpen();
    if (state_ != State::Browse) {
        return buffer_[column];
    }
    return valueAt(current_, column);
}

void Dataset::setBufferValue(int column, const QVariant& value) {
    if (state_ == State::Browse) {
        throw DataError(QStringLiteral("%1: набор данных не в режиме правки").arg(objectName()));
    }
    if (readOnly_[column]) {
        throw DataError(
            QStringLiteral("%1: поле '%2' только для чтения").arg(objectName(), fieldName(column)));
    }
    buffer_[column] = value;
    changed_[column] = true;
}

void Dataset::requireOpen() const {
    if (!open_) {
        throw DataError(QStringLiteral("%1: набор данных закрыт").arg(objectName()));
    }
}

void Dataset::requireTable() const {
    requireOpen();
    if (table_.isEmpty()) {
        throw DataError(QStringLiteral("%1: набор данных только для чтения").arg(objectName()));
    }
}

void Dataset::moveTo(int row) {
    const int target = view_.isEmpty() ? -1 : std::clamp(row, 0, int(view_.size()) - 1);
    eof_ = view_.isEmpty();
    bof_ = view_.isEmpty();
    if (target != current_) {
        current_ = target;
        emit currentRowChanged(current_);
    }
}

void Dataset::setCurrentRow(int row) {
    moveTo(row);
}

void Dataset::first() {
    moveTo(0);
    bof_ = true;
}

void Dataset::last() {
    moveTo(int(view_.size()) - 1);
    eof_ = true;
}

void Dataset::next() {
    if (current_ + 1 >= view_.size()) {
        eof_ = true;
        return;
    }
    moveTo(current_ + 1);
}

void Dataset::prior() {
    if (current_ <= 0) {
        bof_ = true;
        return;
    }
    moveTo(current_ - 1);
}

bool Dataset::locate(const QString& fieldName, const QVariant& value) {
    requireOpen();
    const int column = fieldIndex(fieldName);
    if (column < 0) {
        throw DataError(QStringLiteral("%1: поле '%2' не найдено").arg(objectName(), fieldName));
    }
    for (int row = 0; row < view_.size(); ++row) {
        const QVariant& candidate = rows_[view_[row]][column];
        if (!candidate.isNull() && core::compareValues(candidate, value) == 0) {
            moveTo(row);
            return true;
        }
    }
    return false;
}

void Dataset::setFilter(const QString& expression) {
    if (expression == filterText_) {
        return;
    }
    filterText_ = expression;
    filterExpr_.reset();
    if (open_ && filtered_) {
        rebuildView();
    }
}

// Unchanged, nothing is filtered again: a search that sets the text and then switches the
// filter on passes over the rows once.
void Dataset::setFiltered(bool on) {
    if (on == filtered_) {
        return;
    }
    filtered_ = on;
    if (open_) {
        rebuildView();
    }
}

void Dataset::setSort(const QString& sortText) {
    sortText_ = sortText;
    if (open_) {
        rebuildView();
    }
}

void Dataset::rebuildView() {
    view_.clear();
    view_.reserve(rows_.size());
    const bool filtering = filtered_ && !filterText_.trimmed().isEmpty();
    if (filtering && !filterExpr_) {
        filterExpr_ = std::make_unique<core::Expression>(core::Expression::compile(
            filterText_, [this](const QString& name) { return fieldIndex(name); }));
    }
    for (int i = 0; i < rows_.size(); ++i) {
        if (!filtering || filterExpr_->matches(rows_[i])) {
            view_.append(i);
        }
    }
    if (!sortText_.trimmed().isEmpty()) {
        struct Key {
            int column;
            bool descending;
        };
        QList<Key> keys;
        for (const core::SortKey& key : core::parseSortOrder(sortText_)) {
            const int column = fieldIndex(key.field);
            if (column < 0) {
                throw DataError(
                    QStringLiteral("%1: поле '%2' не найдено").arg(objectName(), key.field));
            }
            keys.append({column, key.descending});
        }
        std::stable_sort(view_.begin(), view_.end(), [&](int a, int b) {
            for (const Key& key : keys) {
                const int order = core::compareValues(rows_[a][key.column], rows_[b][key.column]);
                if (order != 0) {
                    return key.descending ? order > 0 : order < 0;
                }
            }
            return false;
        });
    }
    current_ = -2;  // forces the notification below
    emit rowsReset();
    moveTo(0);
    bof_ = true;
    eof_ = view_.isEmpty();
}

void Dataset::append() {
    requireTable();
    buffer_ = QList<QVariant>(columns_.size());
    changed_ = QList<bool>(columns_.size(), false);
    state_ = State::Insert;
}

void Dataset::edit() {
    requireTable();
    if (current_ < 0) {
        throw DataError(QStringLiteral("%1: нет текущей записи").arg(objectName()));
    }
    buffer_ = rows_[view_[current_]];
    changed_ = QList<bool>(columns_.size(), false);
    state_ = State::Edit;
}

void Dataset::cancel() {
    state_ = State::Browse;
}

bool Dataset::isModified() const {
    return state_ != State::Browse && changed_.contains(true);
}

void Dataset::post() {
    requireTable();
    if (state_ != State::Browse) {
        emit beforePost();
    }
    if (state_ == State::Insert) {
        postInsert();
    } else if (state_ == State::Edit) {
        postUpdate();
    }
}

void Dataset::postInsert() {
    QStringList names;
    QStringList marks;
    QList<QVariant> values;
    for (int c = 0; c < columns_.size(); ++c) {
        if (changed_[c]) {
            names.append(columns_[c]);
            marks.append(QStringLiteral("?"));
            values.append(buffer_[c]);
        }
    }
    const QString text = names.isEmpty()
                             ? QStringLiteral("insert into %1 default values returning %2, *")
                                   .arg(table_, kVersionSelect)
                             : QStringLiteral("insert into %1 (%2) values (%3) returning %4, *")
                                   .arg(table_, names.join(QLatin1String(", ")),
                                        marks.join(QLatin1String(", ")), kVersionSelect);
    const StatementResult inserted = connection_->run(text, values, typer());
    rows_.append(buffer_);
    versions_.append(QVariant());
    view_.append(int(rows_.size()) - 1);
    current_ = int(view_.size()) - 1;
    replaceCurrentRow(inserted);
}

bool Dataset::hasKey() const {
    const int idColumn = fieldIndex(QStringLiteral("id"));
    return idColumn >= 0 && !rows_[view_[current_]][idColumn].isNull();
}

QString Dataset::keyCondition(QList<QVariant>& bindings) const {
    const QList<QVariant>& original = rows_[view_[current_]];
    if (hasKey()) {
        const int idColumn = fieldIndex(QStringLiteral("id"));
        bindings.append(original[idColumn]);
        const QVariant& version = versions_.value(view_[current_]);
        if (version.isNull()) {
            return QStringLiteral("id = ?");
        }
        bindings.append(version);
        return QStringLiteral("id = ? and xmin::text = ?");
    }
    // Keyless tables (the version row): match every original value.
    QStringList parts;
    for (int c = 0; c < columns_.size(); ++c) {
        if (original[c].isNull()) {
            parts.append(columns_[c] + QStringLiteral(" is null"));
        } else {
            parts.append(columns_[c] + QStringLiteral(" = ?"));
            bindings.append(original[c]);
        }
    }
    return parts.join(QLatin1String(" and "));
}

void Dataset::postUpdate() {
    QStringList sets;
    QList<QVariant> bindings;
    for (int c = 0; c < columns_.size(); ++c) {
        if (changed_[c]) {
            sets.append(columns_[c] + QStringLiteral(" = ?"));
            bindings.append(buffer_[c]);
        }
    }
    if (sets.isEmpty()) {
        state_ = State::Browse;
        return;
    }
    const QString where = keyCondition(bindings);
    const QString text = QStringLiteral("update %1 set %2 where %3 returning %4, *")
                             .arg(table_, sets.join(QLatin1String(", ")), where, kVersionSelect);
    const StatementResult updated = connection_->run(text, bindings, typer());
    if (updated.rows.isEmpty()) {
        throwConflict();
    }
    replaceCurrentRow(updated);
}

void Dataset::throwConflict() {
    DbError conflict = rowChangedError();
    if (hasKey()) {
        const QVariant id = rows_[view_[current_]][fieldIndex(QStringLiteral("id"))];
        if (connection_->run(QStringLiteral("select 1 from %1 where id = ?").arg(table_), {id})
                .rows.isEmpty()) {
            conflict = rowGoneError();
        }
        rereadKeepingTyped(id, conflict.kind() == DbErrorKind::RowChanged);
    }
    throw conflict;
}

void Dataset::rereadKeepingTyped(const QVariant& id, bool keepTyped) {
    const State was = state_;
    const QList<QVariant> typed = buffer_;
    const QList<bool> typedChanged = changed_;
    loadRows(connection_->run(readStatement(), params_.positionalValues()));
    state_ = State::Browse;
    rebuildView();
    if (!locate(QStringLiteral("id"), id) || !keepTyped || was != State::Edit) {
        return;
    }
    // The row as it is now, with what the user typed over it, waiting to be stored again.
    edit();
    for (int c = 0; c < typed.size() && c < buffer_.size(); ++c) {
        if (typedChanged[c]) {
            buffer_[c] = typed[c];
            changed_[c] = true;
        }
    }
    emit rowsReset();
    emit currentRowChanged(current_);
}

void Dataset::replaceCurrentRow(const StatementResult& result) {
    keyIndexes_.clear();  // a posted row may take new keys
    QList<QVariant>& row = rows_[view_[current_]];
    if (!result.rows.isEmpty()) {
        const QList<QVariant>& stored = result.rows.first();
        for (int c = 0; c < result.columns.size(); ++c) {
            if (result.columns[c].name == kVersionColumn) {
                versions_[view_[current_]] = stored[c];
                continue;
            }
            const int column = fieldIndex(result.columns[c].name);
            if (column >= 0) {
                row[column] = convertLoaded(stored[c], types_[column]);
            }
        }
    } else {
        row = buffer_;
    }
    state_ = State::Browse;
    const int keep = current_;
    emit rowsReset();
    current_ = -2;
    moveTo(keep);
}

void Dataset::deleteRow() {
    requireTable();
    if (current_ < 0) {
        return;
    }
    QList<QVariant> bindings;
    const QString text =
        QStringLiteral("delete from %1 where %2").arg(table_, keyCondition(bindings));
    if (connection_->run(text, bindings).rowsAffected == 0) {
        state_ = State::Browse;
        throwConflict();
    }
    const int removed = view_[current_];
    view_.removeAt(current_);
    for (int& index : view_) {
        if (index > removed) {
            --index;
        }
    }
    rows_.removeAt(removed);
    versions_.removeAt(removed);
    keyIndexes_.clear();
    const int keep = current_;
    emit rowsReset();
    current_ = -2;
    moveTo(keep);
}

}  // namespace tabel::data
