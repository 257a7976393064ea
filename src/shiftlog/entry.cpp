#include "shiftlog/entry.h"

#include <limits>
#include <optional>

#include "core/numbers.h"

namespace tabel::shiftlog {

namespace {

// A count typed in a digits-only box; pasted text may still hold anything.
std::optional<int> readCount(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 0 || value > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

Validation validate(const Entry& e) {
    Validation v;
    for (const QString* text :
         {&e.workerName, &e.operationText, &e.quantity, &e.defects, &e.hours}) {
        if (text->trimmed().isEmpty()) {
            v.error = kFillAllFields;
            return v;
        }
    }
    if (!e.itemShown || !e.docShown) {
        v.error = kFillAllFields;
        return v;
    }
    const std::optional<double> quantity = core::parseNumber(e.quantity);
    if (!quantity || *quantity < 0) {
        v.error = core::quantityNotANumber(e.quantity);
        return v;
    }
    if (*quantity > e.itemQty && e.itemQty > 0) {
        v.error = kTooMany;
        return v;
    }
    const std::optional<int> defects = readCount(e.defects);
    if (!defects) {
        v.error = QStringLiteral("Брак \"%1\" не является целым числом!").arg(e.defects.trimmed());
        return v;
    }
    if (*defects > *quantity) {
        v.error = kDefectsOverQuantity;
        return v;
    }
    const std::optional<int> hours = readCount(e.hours);
    if (!hours) {
        v.error = QStringLiteral("Время \"%1\" не является целым числом!").arg(e.hours.trimmed());
        return v;
    }
    v.record = {
        e.id,      e.workerId, e.productId, e.operationId, core::roundHalfEven(e.finalPrice, 4),
        *quantity, *defects,   e.date,      e.shift,       *hours,
        e.docId,   e.itemId,   e.version};
    return v;
}

}  // namespace tabel::shiftlog
