#include "data/entry.h"

#include "core/product_kind.h"
#include "data/dataset.h"

namespace tabel::data {

namespace {

core::Decimal decimalOf(const Field& field) {
    return field.isNull() ? core::Decimal()
                          : core::Decimal::fromStored(field.asFloat());
}

}  // namespace

Entry entryAt(Dataset& list) {
    const auto text = [&list](const char* name) {
        return list.field(QString::fromLatin1(name)).asString().trimmed();
    };
    const auto number = [&list](const char* name) {
        const Field field = list.field(QString::fromLatin1(name));
        return field.isNull() ? 0 : field.asInteger();
    };
    const auto key = [&list](const char* name) {
        const Field field = list.field(QString::fromLatin1(name));
        return field.isNull() ? 0 : field.asInt64();
    };
    Entry e;
    e.id = number("id");
    e.date = list.field(QStringLiteral("data")).value().toDate();
    e.shift = number("smena");
    e.workerId = number("w_id");
    e.productId = number("i_id");
    e.operationId = number("o_id");
    e.price = decimalOf(list.field(QStringLiteral("cena")));
    e.quantity = decimalOf(list.field(QStringLiteral("kol_vo")));
    e.defects = number("brak");
    e.hours = number("time");
    e.docId = key("id_doc");
    e.itemId = key("id_doc_item");
    e.workerName = text("fio");
    e.operationText = core::operationDescription(text("marka"), text("vid"), number("naimen"));
    e.version = list.field(QStringLiteral("entry_version")).asString();
    return e;
}

}  // namespace tabel::data
