#pragma once
// The entries' history as the database writes it (accounts_dep.smena_history), read and told
// in Russian for the history window and the command line.

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

namespace tabel::data {

class Connection;

// The names of the codes the history read mentions, read with it: "w_id 103" → the worker's
// name, "i_id 1" → the product's mark, "o_id 4" → the operation's kind and stage. A code whose
// row is gone has none and is told as the code.
using CodeNames = QHash<QString, QString>;

struct HistoryRecord {
    int entryId = 0;
    QDateTime at;  // server time, shown in local time
    QString login;
    QString action;   // as stored: insert, update, accept, delete, material_add, …
    QString changes;  // the jsonb as text
    CodeNames names;  // of the codes in `changes` (one set shared by the records of a read)
};

// The history of one entry, oldest first. Throws DbError.
QList<HistoryRecord> entryHistory(Connection& connection, int entryId);
// Every action from `from` to `to` inclusive, oldest first. Throws DbError.
QList<HistoryRecord> periodHistory(Connection& connection, const QDate& from, const QDate& to);

struct DeletedEntry {
    int id = 0;
    QDateTime at;
    QString login;
    QString summary;  // what the entry held, told as the history tells a change
};
// Entries of `date` and `shift` that were deleted, newest deletion first. Throws DbError.
QList<DeletedEntry> deletedEntries(Connection& connection, const QDate& date, int shift);

// "Заведена", "Изменена", "Принята", "Удалена", "Материал добавлен", …
QString actionText(const QString& action);
// "Кол-во: 16 → 30; Брак: 0 → 1", columns named as the entry dialog labels them; an insert
// tells the new values ("Кол-во: 16"), a deletion the old ones. A worker, product or operation
// is told by its name in `names`, by its code where it has none.
QString changesText(const QString& changesJson, const CodeNames& names = {});

// The statement entryHistory runs (its one parameter the entry's number), for its plan.
QString entryHistoryStatement();

}  // namespace tabel::data
