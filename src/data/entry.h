#pragma once
// One shift entry, a row of accounts_dep.smena: what the shift log hands the entry dialog, what
// the dialog edits and what the entry service writes and gives back.

#include <QDate>
#include <QString>

#include "core/decimal.h"

namespace tabel::data {

class Dataset;

struct Entry {
    int id = 0;  // 0: not saved yet
    QDate date;
    int shift = 1;
    int workerId = 0;     // w_id: the worker's code
    qint64 personId = 0;  // the worker's person, where a choice told it; 0 otherwise
    int productId = 0;
    int operationId = 0;
    core::Decimal price;  // cena: the final price, written with 4 places
    core::Decimal quantity;
    int defects = 0;
    int hours = 0;
    qint64 docId = 0;  // the requisition; 0: none
    qint64 itemId = 0;
    // What the entry dialog shows of the worker and of the operation ("КР-1; Резка; Готовая
    // продукция").
    QString workerName;
    QString operationText;
    // The entry's own version (smena.entry_version) as read or written; a change is refused
    // once the row has another. Empty: no check.
    QString version;
    // Accepted by a clerk (as readEntry tells it): final, no change of it is saved.
    bool accepted = false;
};

// The entry at the current row of `list`, a list with the columns of the shift lists (id, data,
// smena, w_id, i_id, o_id, cena, fio, marka, vid, naimen, kol_vo, brak, time, id_doc,
// id_doc_item, entry_version).
Entry entryAt(Dataset& list);

}  // namespace tabel::data
