#pragma once
// The two kinds of an operation's product (oper.naimen): 0 finished goods, anything else blanks.

#include <QString>
#include <QStringList>

namespace tabel::core {

QString productKindText(int naimen);

// The texts in naimen order, for a choice list whose index is the naimen.
QStringList productKindTexts();

// The same text computed by the server from `column`, for a select list.
QString productKindSql(const QString& column);

// How an entry names its operation: the product's mark, the operation kind and the product's
// kind ("КР-1; Резка; Готовая продукция").
QString operationDescription(const QString& marka, const QString& vid, int naimen);

}  // namespace tabel::core
