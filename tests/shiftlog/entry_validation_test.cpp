// What "Запись" refuses before anything is written, and what it writes for a complete entry.
#include <gtest/gtest.h>

#include "shiftlog/entry_input.h"

namespace tabel::shiftlog {
namespace {

core::Decimal decimal(const char* text) {
    return *core::Decimal::fromText(QString::fromLatin1(text));
}

EntryInput complete() {
    EntryInput e;
    e.entry.workerId = 103;
    e.entry.productId = 1;
    e.entry.operationId = 1;
    e.entry.price = decimal("1.25");
    e.entry.workerName = QStringLiteral("Петров Пётр Петрович");
    e.entry.operationText = QStringLiteral("КР-1; Резка; Готовая продукция");
    e.entry.date = QDate(2026, 3, 2);
    e.entry.shift = 2;
    e.entry.docId = 1;
    e.entry.itemId = 11;
    e.quantity = QStringLiteral("5");
    e.defects = QStringLiteral("0");
    e.hours = QStringLiteral("4");
    e.docShown = e.itemShown = true;
    e.required = decimal("5");
    return e;
}

TEST(EntryValidation, RefusesIncompleteOrUnreadableEntries) {
    const QString notANumber = QStringLiteral("Количество \"%1\" не является числом!");
    const struct {
        const char* what;
        std::function<void(EntryInput&)> change;
        QString error;
    } cases[] = {
        {"complete", [](EntryInput&) {}, QString()},
        {"no worker", [](EntryInput& e) { e.entry.workerName = QStringLiteral("  "); },
         kFillAllFields},
        {"no operation", [](EntryInput& e) { e.entry.operationText.clear(); }, kFillAllFields},
        {"no quantity", [](EntryInput& e) { e.quantity.clear(); }, kFillAllFields},
        {"no defects", [](EntryInput& e) { e.defects.clear(); }, kFillAllFields},
        {"no hours", [](EntryInput& e) { e.hours = QStringLiteral(" "); }, kFillAllFields},
        {"no requisition shown", [](EntryInput& e) { e.docShown = false; }, kFillAllFields},
        {"no item shown", [](EntryInput& e) { e.itemShown = false; }, kFillAllFields},
        {"quantity equal to the requirement", [](EntryInput& e) { e.quantity = "5"; }, QString()},
        {"quantity above it", [](EntryInput& e) { e.quantity = "5,5"; }, kTooMany},
        // Compared as the decimals typed, not as their binary approximations.
        {"a fraction equal to the requirement",
         [](EntryInput& e) {
             e.required = decimal("0.3");
             e.quantity = "0,3";
         },
         QString()},
        {"a fraction just above it",
         [](EntryInput& e) {
             e.required = decimal("0.3");
             e.quantity = "0,3000001";
         },
         kTooMany},
        {"any quantity without a requirement",
         [](EntryInput& e) {
             e.required = core::Decimal();
             e.quantity = "5000";
         },
         QString()},
        {"two commas", [](EntryInput& e) { e.quantity = "1,2,3"; }, notANumber.arg("1,2,3")},
        {"text", [](EntryInput& e) { e.quantity = "пять"; }, notANumber.arg("пять")},
        {"a quote", [](EntryInput& e) { e.quantity = "1'); drop"; }, notANumber.arg("1'); drop")},
        {"negative", [](EntryInput& e) { e.quantity = "-1"; }, notANumber.arg("-1")},
        {"pasted hours", [](EntryInput& e) { e.hours = "4,5"; },
         QStringLiteral("Время \"4,5\" не является целым числом!")},
        {"defects out of range", [](EntryInput& e) { e.defects = "70000"; },
         QStringLiteral("Брак \"70000\" не является целым числом!")},
        // More defects than pieces would pay a negative sum.
        {"defects above the quantity", [](EntryInput& e) { e.defects = "6"; },
         kDefectsOverQuantity},
        {"defects of a fractional quantity",
         [](EntryInput& e) {
             e.quantity = "4,5";
             e.defects = "5";
         },
         kDefectsOverQuantity},
        {"defects equal to the quantity", [](EntryInput& e) { e.defects = "5"; }, QString()},
    };
    EXPECT_EQ(kDefectsOverQuantity, QStringLiteral("Брак не может быть больше количества!"));
    for (const auto& c : cases) {
        EntryInput e = complete();
        c.change(e);
        EXPECT_EQ(validate(e).error, c.error) << c.what;
    }
}

TEST(EntryValidation, WritesThePriceRoundedHalfToEvenAndTheTypedValues) {
    const struct {
        const char* finalPrice;
        const char* written;
    } prices[] = {{"1.23456", "1.2346"}, {"1.03125", "1.0312"}, {"100", "100"},
                  {"3.0000", "3"},       {"1.23745", "1.2374"}, {"1.23755", "1.2376"}};
    for (const auto& p : prices) {
        EntryInput e = complete();
        e.entry.price = decimal(p.finalPrice);
        EXPECT_EQ(validate(e).entry.price, decimal(p.written)) << p.finalPrice;
    }
    EntryInput e = complete();
    e.quantity = QStringLiteral("4,5");
    e.defects = QStringLiteral(" 1 ");
    e.entry.id = 12;
    e.entry.version = QStringLiteral("777");
    const data::Entry r = validate(e).entry;
    EXPECT_EQ(r.id, 12);
    EXPECT_EQ(r.quantity, decimal("4.5"));
    EXPECT_EQ(r.defects, 1);
    EXPECT_EQ(r.hours, 4);
    EXPECT_EQ(r.shift, 2);
    EXPECT_EQ(r.date, QDate(2026, 3, 2));
    EXPECT_EQ(r.docId, 1);
    EXPECT_EQ(r.itemId, 11);
    EXPECT_EQ(r.workerId, 103);
    EXPECT_EQ(r.version, QStringLiteral("777"));
}

}  // namespace
}  // namespace tabel::shiftlog
