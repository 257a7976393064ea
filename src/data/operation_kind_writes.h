#pragma once
// Writes of the operation kinds: a kind added, renamed or deleted as of the version its list
// read, and the count of kinds a name would duplicate. Each takes the kind as a value and hands
// back the saved one; a refusal is thrown (DbError), never shown.

#include <QString>

namespace tabel::data {

class Connection;

// One row of accounts_dep.vid_oper.
struct OperationKind {
    int id = 0;       // 0 until stored
    QString name;     // vid
    QString version;  // xmin as read; empty checks nothing
};

// Stored kinds named `kind.name` in any case, leaving out `kind` itself.
int countSameKinds(Connection& connection, const OperationKind& kind);

OperationKind addKind(Connection& connection, const OperationKind& kind);
// Throws DbError (RowGone) when the kind was deleted meanwhile, (RowChanged) when changed.
OperationKind renameKind(Connection& connection, const OperationKind& kind);
// The same refusals; one still named by operations is refused as a foreign key violation.
void deleteKind(Connection& connection, const OperationKind& kind);

// The kind's version as stored now; empty when it is gone.
QString kindVersion(Connection& connection, int id);

}  // namespace tabel::data
