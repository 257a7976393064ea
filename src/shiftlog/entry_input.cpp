#include "shiftlog/entry_input.h"

#include <limits>

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

std::optional<core::Decimal> readFigure(const QString& typed) {
    if (!core::parseNumber(typed)) {
        return std::nullopt;
    }
    return core::Decimal::fromText(typed.trimmed());
}

Validation validate(const EntryInput& input) {
    Validation v;
    const data::Entry& e = input.entry;
    for (const QString* text :
         {&e.workerName, &e.operationText, &input.quantity, &input.defects, &input.hours}) {
        if (text->trimmed().isEmpty()) {
            v.error = kFillAllFields;
            return v;
        }
    }
    if (!input.itemShown || !input.docShown) {
        v.error = kFillAllFields;
        return v;
    }
    const std::optional<core::Decimal> quantity = readFigure(input.quantity);
    if (!quantity || *quantity < core::Decimal()) {
        v.error = core::quantityNotANumber(input.quantity);
        return v;
    }
    if (*quantity > input.required && input.required > core::Decimal()) {
        v.error = kTooMany;
        return v;
    }
    const std::optional<int> defects = readCount(input.defects);
    if (!defects) {
        v.error =
            QStringLiteral("Брак \"%1\" не является целым числом!").arg(input.defects.trimmed());
        return v;
    }
    if (core::Decimal::fromInteger(*defects) > *quantity) {
        v.error = kDefectsOverQuantity;
        return v;
    }
    const std::optional<int> hours = readCount(input.hours);
    if (!hours) {
        v.error =
            QStringLiteral("Время \"%1\" не является целым числом!").arg(input.hours.trimmed());
        return v;
    }
    v.entry = e;
    v.entry.price = e.price.rounded(4);
    v.entry.quantity = *quantity;
    v.entry.defects = *defects;
    v.entry.hours = *hours;
    return v;
}

}  // namespace tabel::shiftlog
