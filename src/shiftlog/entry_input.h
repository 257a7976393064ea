#pragma once
// What "Запись" of the entry dialog reads, and the check that turns it into the entry to write.

#include <QString>
#include <optional>

#include "core/decimal.h"
#include "core/input_texts.h"
#include "data/entry.h"

namespace tabel::shiftlog {

// The entry as the dialog holds it (ids, price, date, shift, requisition, the texts its boxes
// show, version) with the figures as typed.
struct EntryInput {
    data::Entry entry;
    QString quantity;
    QString defects;
    QString hours;
    // The requisition and its item as the lookups show them.
    bool docShown = false;
    bool itemShown = false;
    core::Decimal required;  // f_qty of the chosen item; 0: no requirement
};

// The entry to write, or the message that refuses it.
struct Validation {
    QString error;
    data::Entry entry;
    bool ok() const { return error.isEmpty(); }
};

using core::kFillAllFields;
inline const QString kTooMany =
    QStringLiteral("Количество изделий не может быть больше требуемого!");
inline const QString kDefectsOverQuantity = QStringLiteral("Брак не может быть больше количества!");

// The price goes out rounded half to even to 4 places, the figures as typed.
Validation validate(const EntryInput& input);

// A figure typed in a number box, as the decimal it was typed as; nothing for text that is no
// number (core::parseNumber's rules).
std::optional<core::Decimal> readFigure(const QString& typed);

}  // namespace tabel::shiftlog
