// What "Запись" refuses before anything is written, and what it writes for a complete entry.
#include <gtest/gtest.h>

#include "shiftlog/entry.h"

namespace tabel::shiftlog {
namespace {

Entry complete() {
    Entry e;
    e.workerId = 103;
    e.productId = 1;
    e.operationId = 1;
    e.finalPrice = 1.25;
    e.workerName = QStringLiteral("Петров Пётр Петрович");
    e.operationText = QStringLiteral("КР-1; Резка; Готовая продукция");
    e.quantity = QStringLiteral("5");
    e.defects = QStringLiteral("0");
    e.hours = QStringLiteral("4");
    e.date = QDate(2026, 3, 2);
    e.shift = 2;
    e.docShown = e.itemShown = true;
    e.docId = 1;
    e.itemId = 11;
    e.itemQty = 5;
    return e;
}

TEST(EntryValidation, RefusesIncompleteOrUnreadableEntries) {
    const QString notANumber = QStringLiteral("Количество \"%1\" не является числом!");
    const struct {
        const char* what;
        std::function<void(Entry&)> change;
        QString error;
    } cases[] = {
        {"complete", [](Entry&) {}, QString()},
        {"no worker", [](Entry& e) { e.workerName = QStringLiteral("  "); }, kFillAllFields},
        {"no operation", [](Entry& e) { e.operationText.clear(); }, kFillAllFields},
        {"no quantity", [](Entry& e) { e.quantity.clear(); }, kFillAllFields},
        {"no defects", [](Entry& e) { e.defects.clear(); }, kFillAllFields},
        {"no hours", [](Entry& e) { e.hours = QStringLiteral(" "); }, kFillAllFields},
        {"no requisition shown", [](Entry& e) { e.docShown = false; }, kFillAllFields},
        {"no item shown", [](Entry& e) { e.itemShown = false; }, kFillAllFields},
        {"quantity equal to the requirement", [](Entry& e) { e.quantity = "5"; }, QString()},
        {"quantity above it", [](Entry& e) { e.quantity = "5,5"; }, kTooMany},
        {"any quantity without a requirement",
         [](Entry& e) {
             e.itemQty = 0;
             e.quantity = "5000";
         },
         QString()},
        {"two commas", [](Entry& e) { e.quantity = "1,2,3"; }, notANumber.arg("1,2,3")},
        {"text", [](Entry& e) { e.quantity = "пять"; }, notANumber.arg("пять")},
        {"a quote", [](Entry& e) { e.quantity = "1'); drop"; }, notANumber.arg("1'); drop")},
        {"negative", [](Entry& e) { e.quantity = "-1"; }, notANumber.arg("-1")},
        {"pasted hours", [](Entry& e) { e.hours = "4,5"; },
         QStringLiteral("Время \"4,5\" не является целым числом!")},
        {"defects out of range", [](Entry& e) { e.defects = "70000"; },
         QStringLiteral("Брак \"70000\" не является целым числом!")},
        // More defects than pieces would pay a negative sum.
        {"defects above the quantity", [](Entry& e) { e.defects = "6"; }, kDefectsOverQuantity},
        {"defects of a fractional quantity",
         [](Entry& e) {
             e.quantity = "4,5";
             e.defects = "5";
         },
         kDefectsOverQuantity},
        {"defects equal to the quantity", [](Entry& e) { e.defects = "5"; }, QString()},
    };
    EXPECT_EQ(kDefectsOverQuantity, QStringLiteral("Брак не может быть больше количества!"));
    for (const auto& c : cases) {
        Entry e = complete();
        c.change(e);
        EXPECT_EQ(validate(e).error, c.error) << c.what;
    }
}

TEST(EntryValidation, WritesThePriceRoundedHalfToEvenAndTheTypedValues) {
    const struct {
        double finalPrice;
        double written;
    } prices[] = {{1.23456, 1.2346}, {1.03125, 1.0312}, {100, 100}, {2.5 * 1.2, 3}};
    for (const auto& p : prices) {
        Entry e = complete();
        e.finalPrice = p.finalPrice;
        EXPECT_DOUBLE_EQ(validate(e).record.price, p.written) << p.finalPrice;
    }
    Entry e = complete();
    e.quantity = QStringLiteral("4,5");
    e.defects = QStringLiteral(" 1 ");
    e.id = 12;
    const data::EntryRecord r = validate(e).record;
    EXPECT_EQ(r.id, 12);
    EXPECT_DOUBLE_EQ(r.quantity, 4.5);
    EXPECT_EQ(r.defects, 1);
    EXPECT_EQ(r.hours, 4);
    EXPECT_EQ(r.shift, 2);
    EXPECT_EQ(r.date, QDate(2026, 3, 2));
    EXPECT_EQ(r.docId, 1);
    EXPECT_EQ(r.itemId, 11);
    EXPECT_EQ(r.workerId, 103);
}

}  // namespace
}  // namespace tabel::shiftlog
