#pragma once
// A static cursor: the statement's rows fetched into memory, with a current row, a client-side
// filter and sort over them, and for table cursors append/edit/post/delete keyed by id.

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <utility>

#include "data/field.h"
#include "data/odbc_block_fetch.h"
#include "data/parameters.h"

namespace tabel::core {
class Expression;
}

namespace tabel::data {

class Connection;

class Dataset : public QObject {
    Q_OBJECT
public:
    enum class State { Browse, Edit, Insert };

    Dataset(Connection* connection, const QString& name, QObject* parent = nullptr);
    ~Dataset() override;

    // Statement, as lines joined by line breaks.
    void setSql(const QStringList& lines);
    void clearSql() { setSql({}); }
    void addSql(const QString& line);
    const QStringList& sql() const { return sql_; }
    QString statement() const { return sql_.join(QLatin1Char('\n')); }
    // The statement as the server gets it: '?' marks, and their values in order.
    QString positionalStatement() const { return params_.positionalText(); }
    QList<QVariant> positionalValues() const { return params_.positionalValues(); }

    Connection* connection() const { return connection_; }
    // Another server for the next open (a report on a standby); the rows shown stay as read.
    void setConnection(Connection* connection) { connection_ = connection; }

    void setFieldDefs(const QList<FieldDef>& defs) { defs_ = defs; }
    // Makes the cursor updatable: posts go to `table` ("accounts_dep.ver").
    void setTableName(const QString& table) { table_ = table; }
    const QString& tableName() const { return table_; }

    // Case-insensitive; throws DataError for a name the statement does not have.
    void setParam(const QString& name, const QVariant& value);
    QVariant param(const QString& name) const { return params_.value(name); }

    void open();  // throws DbError
    void close();
    // Reads the whole statement again, parameters kept, and then replaces the rows; a failed
    // read (DbError) leaves the rows as they were. Opens a closed list.
    void refresh();
    // Re-reads only the row whose `keyField` equals `key`, through the statement itself: the row
    // is replaced, dropped when the statement no longer gives it, or added; filter and sort are
    // applied again and the current row stays on it. Nothing when closed. Throws DbError.
    void refreshRow(const QString& keyField, const QVariant& key);
    // What another session changed: re-reads the rows whose `keyField` is one of `keys` (several
    // rows may share a key), kMaxKeyedRefresh keys a statement, and replaces them in place, drops
    // or adds them, telling each row by rowsChanged / rowsInserted / rowsRemoved; filter and sort
    // are applied to those rows only. The current row stays on the row it was on; when that row
    // is gone, the row that took its place becomes current. Nothing when closed or while a row is
    // edited. Throws DbError, and then nothing has changed.
    static constexpr int kMaxKeyedRefresh = 200;
    void refreshRows(const QString& keyField, const QList<QVariant>& keys);
    // The order the statement gives its rows, as fields with an optional DESC ("fio",
    // "data DESC"), matched without regard to case and compared as setSort compares: a row that
    // refreshRow / refreshRows add, or whose fields in it change, is put where that order places
    // it (after rows with equal keys) instead of at the end. Empty: no order. A sort text, when
    // set, still decides what the grid shows. Kept across close and open.
    void setRowOrder(const QStringList& fields);
    const QStringList& rowOrder() const { return rowOrder_; }
    // Whether a loaded row (shown or filtered out) has `key` in `keyField`; a lookup, not a scan.
    bool holdsKey(const QString& keyField, const QVariant& key);
    bool isOpen() const { return open_; }
    // A read failed since the list was last read whole: it may miss changes of other sessions.
    bool isStale() const { return stale_; }

    // Columns of the open result.
    int fieldCount() const { return int(columns_.size()); }
    int fieldIndex(const QString& name) const;  // -1 when absent
    QString fieldName(int column) const;
    bool fieldReadOnly(int column) const;
    Field field(const QString& name);  // throws DataError for an unknown name
    Field fieldAt(int column) { return Field(this, column); }

    // Rows that pass the filter, in sort order; `row` counts from 0.
    int recordCount() const { return int(view_.size()); }
    const QVariant& valueAt(int row, int column) const;
    int currentRow() const { return current_; }
    void setCurrentRow(int row);

    int recNo() const { return current_ + 1; }  // 1-based, 0 when empty
    void setRecNo(int recNo) { setCurrentRow(recNo - 1); }
    void first();
    void last();
    void next();
    void prior();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty() const { return view_.isEmpty(); }
    bool locate(const QString& fieldName, const QVariant& value);

    // Filter expression ("id_doc=0", "fio like 'Ив%'"); acts only while filtered is on.
    void setFilter(const QString& expression);
    const QString& filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }

    // Sort text ("fio ASC", "id_doc DESC, fio ASC"); empty restores the statement's order.
    void setSort(const QString& sortText);
    const QString& sort() const { return sortText_; }

    // Table cursors only.
    State state() const { return state_; }
    // A field of the appended or edited row has been set since append() or edit().
    bool isModified() const;
    void append();
    void edit();
    void post();  // throws DbError; the row stays in edit on failure
    void cancel();
    void deleteRow();

signals:
    // Rows, columns or their order changed (open, close, filter, sort, post, delete).
    void rowsReset();
    void currentRowChanged(int row);
    // Single rows of the view, as a refresh of changed rows moves them (positions in the view;
    // the "about to" signals come before the view changes).
    void rowsAboutToBeInserted(int first, int last);
    void rowsInserted();
    void rowsAboutToBeRemoved(int first, int last);
    void rowsRemoved();
    void rowsChanged(int first, int last);
    // After a refresh of changed rows changed anything, for readers of the whole list.
    void rowsRefreshed();
    // Emitted by post() before the row is written; handlers may still set its fields.
    void beforePost();

private:
    // The result column that carries a row's version (xmin) in a table cursor.
    static const QString& versionColumn();
    friend class Field;
    const QVariant& currentValue(int column) const;
    void setBufferValue(int column, const QVariant& value);
    void requireOpen() const;
    void requireTable() const;
    // The statement as run: a table cursor reads each row's version too.
    QString readStatement() const;
    void takeVersions(StatementResult& result);
    void loadRows(StatementResult&& result);
    // The connection's run, marking the list stale when the read fails.
    StatementResult readRows(const QString& text, const QList<QVariant>& values);
    // loadRows for a whole reading: the list is open, current and browsing.
    void takeRows(StatementResult&& result);
    ColumnTyper typer() const;
    void rebuildView();
    void moveTo(int row);
    // The current row is matched by its id; keyless rows are matched on every value.
    bool hasKey() const;
    QString keyCondition(QList<QVariant>& bindings) const;
    // A keyed write found its row changed or gone: re-reads the rows, puts a changed row back
    // into editing with the values the user typed, and throws RowChanged or RowGone.
    [[noreturn]] void throwConflict();
    void rereadKeepingTyped(const QVariant& id, bool keepTyped);
    void postInsert();
    void postUpdate();
    void replaceCurrentRow(const struct StatementResult& result);
    // refreshRows' helpers: rows_ positions by key text per key column, kept across refreshes.
    const QHash<QString, QList<int>>& keyIndex(int column);
    void indexRow(int row);
    void unindexRow(int row);
    void applyFreshRows(int keyColumn, const QList<QVariant>& keys, QList<QList<QVariant>>&& fresh,
                        QList<QVariant>&& freshVersions, bool versioned);
    // The row order's columns and directions; throws DataError for an unknown field.
    QList<std::pair<int, bool>> rowOrderColumns() const;
    // Where the row order puts `row` among rows_: after every row that does not come after it.
    int orderedPlace(const QList<std::pair<int, bool>>& order, const QList<QVariant>& row) const;

    Connection* connection_;
    QStringList sql_;
    Parameters params_;
    QList<FieldDef> defs_;
    QString table_;

    bool open_ = false;
    bool stale_ = false;
    QStringList columns_;       // lower case
    QStringList columnTitles_;  // as the server named them
    QList<FieldType> types_;
    QList<bool> readOnly_;
    QList<QList<QVariant>> rows_;
    QList<QVariant> versions_;  // xmin of each row of a table cursor, as text
    QList<int> view_;           // indices into rows_
    QHash<int, QHash<QString, QList<int>>> keyIndexes_;  // emptied whenever rows_ is rebuilt
    int current_ = -1;
    bool eof_ = true;
    bool bof_ = true;

    QString filterText_;
    bool filtered_ = false;
    std::unique_ptr<core::Expression> filterExpr_;
    QString sortText_;
    QStringList rowOrder_;

    State state_ = State::Browse;
    QList<QVariant> buffer_;
    QList<bool> changed_;
};

// Closes a dataset however the scope that reads it ends: rows read once are not kept.
class CloseOnExit {
public:
    explicit CloseOnExit(Dataset& dataset) : dataset_(dataset) {}
    ~CloseOnExit() { dataset_.close(); }
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

private:
    Dataset& dataset_;
};

}  // namespace tabel::data
