#pragma once
// The entry service: the writes of a shift entry, its materials and its brigade. Each write is
// one transaction (an entry and its hours, a deletion and its hours correction, a material and
// its stock check) and a refusal is a thrown DbError, with nothing written.

#include <QString>

#include "core/decimal.h"
#include "data/entry.h"

namespace tabel::data {

class Connection;

// Inserts `entry` (id 0) or changes it, and posts the hours of its day (and of the day it
// left); returns it as saved, with its id and its new version. A change of a row whose version
// is no longer `entry.version` is refused (DbError of kind RowChanged).
Entry saveEntry(Connection& connection, const Entry& entry);
// Entry `id` as it now is, with the names the entry dialog shows and whether it is accepted;
// a DbError of kind RowGone when it no longer exists.
Entry readEntry(Connection& connection, int id);
// Deletes the entry and posts its day's hours again. With the version the list showed
// (row_version), an entry changed since is not deleted.
void deleteEntry(Connection& connection, int entryId, const QString& version = QString());

int materialCount(Connection& connection, int entryId);
// Accepts the entry through the server function (clerks and sys only), as of `version`: the
// entry's version with its materials (smena.row_version) the clerk's list showed. A change of the
// entry or its materials since is refused with a DbError of kind RowChanged, nothing accepted.
void acceptEntry(Connection& connection, int entryId, const QString& version);

// Free plus reserved stock of a goods item for the entry's requisition item.
core::Decimal availableStock(Connection& connection, int entryId, qint64 goodsId);

// A material saved, or not because the stock read inside the transaction is smaller than the
// quantity (both rounded to 3 places): then nothing is written and `available` tells why.
struct MaterialResult {
    bool saved = false;
    core::Decimal available;
};
MaterialResult addMaterial(Connection& connection, int entryId, qint64 goodsId,
                           const core::Decimal& quantity);
void deleteMaterial(Connection& connection, int materialId);

// False, with nothing written, when the person is already in the entry's brigade.
bool addBrigadeMember(Connection& connection, int entryId, qint64 personId);
void removeBrigadeMember(Connection& connection, qint64 memberId);
// The division between the brigade: data/brigade.h.

// An entry's acceptance mark ("ok" or "да"): the server's accounts_dep.is_accepted.
bool isAccepted(const QString& mark);

}  // namespace tabel::data
