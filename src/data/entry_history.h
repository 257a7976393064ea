#pragma once
// The entries' history as the database writes it (accounts_dep.smena_history), read and told
// in Russian for the history window and the command line.

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

namespace tabel::data {

class Connection;

struct HistoryRecord {
    int entryId = 0;
    QDateTime at;  // server time, shown in local time
    QString login;
    QString action;   // as stored: insert, update, accept, delete, material_add, …
    QString changes;  // the jsonb as text
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
// tells the new values ("Кол-во: 16"), a deletion the old ones.
QString changesText(const QString& changesJson);

}  // namespace tabel::data
