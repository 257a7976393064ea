#pragma once
// The writes of a shift entry, its materials and its brigade. Each call is one transaction:
// an entry and its hours, a deletion and its hours correction, a material and its stock check.

#include <QDate>
#include <QString>
#include <optional>

namespace tabel::data {

class Connection;

// The values of one row of accounts_dep.smena as the entry dialog writes them.
struct EntryRecord {
    int id = 0;  // 0: a new entry
    int workerId = 0;
    int productId = 0;
    int operationId = 0;
    double price = 0;  // already rounded to 4 places
    double quantity = 0;
    int defects = 0;
    QDate date;
    int shift = 1;
    int hours = 0;
    qint64 docId = 0;
    qint64 itemId = 0;
    // The version (xmin) of the row the change started from; empty for no check.
    QString version;
};

// Inserts or updates the entry and posts the hours of its day (and of the day it left);
// returns its id. A change of a row whose version is no longer `entry.version` is refused
// (DbError of kind RowChanged). Throws DbError; nothing is written then. `newVersion`, when
// given, gets the saved row's version for the next change.
int saveEntry(Connection& connection, const EntryRecord& entry, QString* newVersion = nullptr);
// Deletes the entry and posts its day's hours again. Throws DbError.
void deleteEntry(Connection& connection, int entryId);

int materialCount(Connection& connection, int entryId);
// Accepts the entry through the server function (clerks and sys only), as of `version`: the
// entry's version (accounts_dep.smena_version) the clerk's list showed. A change of the entry
// or its materials since is refused with a DbError of kind RowChanged, nothing accepted.
void acceptEntry(Connection& connection, int entryId, const QString& version);

// Free plus reserved stock of a goods item for the entry's requisition item.
double availableStock(Connection& connection, int entryId, qint64 goodsId);

// A material saved, or refused because the stock read inside the transaction is smaller than
// the quantity (both rounded to 3 places): then nothing is written and `available` tells why.
struct MaterialResult {
    bool saved = false;
    double available = 0;
};
MaterialResult addMaterial(Connection& connection, int entryId, qint64 goodsId, double quantity);
void deleteMaterial(Connection& connection, int materialId);

// False, with nothing written, when the person is already in the entry's brigade.
bool addBrigadeMember(Connection& connection, int entryId, qint64 personId);
void removeBrigadeMember(Connection& connection, qint64 memberId);
void divideEntry(Connection& connection, int entryId);

// An entry's acceptance mark ("ok" or "да"): the server's accounts_dep.is_accepted.
bool isAccepted(const QString& mark);

}  // namespace tabel::data
