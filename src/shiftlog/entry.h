#pragma once
// The entry as the entry dialog edits it, and the check "Запись" makes before writing it.

#include <QDate>
#include <QString>

#include "core/input_texts.h"
#include "data/entry_writes.h"

namespace tabel::shiftlog {

// What the dialog's controls and held values say about the entry.
struct Entry {
    int id = 0;
    int workerId = 0;
    int personId = 0;
    int productId = 0;
    int operationId = 0;
    double basePrice = 0;
    double finalPrice = 0;
    QString workerName;     // the worker box
    QString operationText;  // the operation box
    QString quantity;       // as typed
    QString defects;
    QString hours;
    QDate date;
    int shift = 1;
    // The requisition and its item as the lookups show them.
    bool docShown = false;
    bool itemShown = false;
    qint64 docId = 0;
    qint64 itemId = 0;
    double itemQty = 0;  // f_qty of the chosen item
    QString version;     // the version (xmin) of the entry the dialog started from
};

// The record to write, or the message that refuses it.
struct Validation {
    QString error;
    data::EntryRecord record;
    bool ok() const { return error.isEmpty(); }
};

using core::kFillAllFields;
inline const QString kTooMany =
    QStringLiteral("Количество изделий не может быть больше требуемого!");
inline const QString kDefectsOverQuantity = QStringLiteral("Брак не может быть больше количества!");

Validation validate(const Entry& entry);

}  // namespace tabel::shiftlog
