// The entry dialog driven through the shift log window: adding an entry with its materials
// and brigade, editing, viewing, and the resets of the requisition, item, worker and operation.
#include "entry_test.h"

namespace tabel::shiftlog {
namespace {

QString query(const QString& sql) {
    return test::adminQuery(sql);
}

QString hoursOf(int worker, int shift, int day) {
    return query(QStringLiteral("select d%1 from accounts_dep.h_tabel where w_id=%2 and smena=%3 "
                                "and month=3 and year=2026")
                     .arg(day)
                     .arg(worker)
                     .arg(shift));
}

TEST_F(EntryTest, AddingSavesTheEntryWithItsHoursThenMaterialsAndBrigade) {
    inAddDialog([this] {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Заведение новой позиции"));
        EXPECT_EQ(dialog.mode, EntryDialog::Mode::Add);
        EXPECT_EQ(dialog.dateEdit->date(), kMonday);
        for (QPushButton* b :
             {panel.addMaterialButton, panel.deleteMaterialButton, panel.addMemberButton,
              panel.removeMemberButton, panel.divideButton}) {
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        }
        fillNewEntry();
        EXPECT_EQ(dialog.operationEdit->text(), QStringLiteral("КР-1; Резка; Готовая продукция"));
        EXPECT_EQ(dialog.finalPriceEdit->text(), QStringLiteral("1,25"));
        QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();

        EXPECT_EQ(dialog.entryIdLabel->text(), QStringLiteral("10"));
        EXPECT_FALSE(dialog.entryGroup->isEnabled());
        EXPECT_FALSE(dialog.saveButton->isEnabled());
        for (QPushButton* b :
             {panel.addMaterialButton, panel.deleteMaterialButton, panel.addMemberButton,
              panel.removeMemberButton, panel.divideButton}) {
            EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        }
        EXPECT_EQ(query(QStringLiteral(
                      "select concat_ws('|', w_id, i_id, o_id, cena, kol_vo, brak, data, smena, "
                      "time, ok, id_doc, id_doc_item, vvod::date = current_date) from "
                      "accounts_dep.smena where id = 10")),
                  QStringLiteral("103|1|1|1.25|5|0|2026-03-02|1|4|no|1|11|t"));
        EXPECT_EQ(hoursOf(103, 1, 2), QStringLiteral("12"));  // 8 before, 4 now
        // The list behind follows the save through the change feed and stands on the entry.
        QTRY_COMPARE_WITH_TIMEOUT(
            test::shiftList(shiftLog, 1).field(QStringLiteral("id")).asInteger(), 10, 5000);

        // A material: 5 pieces at 0.25 kg of sheet each proposes 1.25.
        inside(
            consumption, [this] { QTest::mouseClick(panel.addMaterialButton, Qt::LeftButton); },
            [this] {
                consumption.goodsCombo->choose(0);
                EXPECT_EQ(consumption.quantityEdit->text(), QStringLiteral("1,25"));
                QTest::mouseClick(consumption.saveButton, Qt::LeftButton);
            });
        EXPECT_EQ(panel.materials.recordCount(), 1);
        EXPECT_EQ(panel.materialsTotalEdit->text(), QStringLiteral("1,25"));

        // The brigade: a person once, not twice; "Удалить" takes the selected member.
        pickWorker(panel.addMemberButton, QStringLiteral("Ивашов Пётр"));
        EXPECT_TRUE(dialog.workerEdit->text().isEmpty());
        pickWorker(panel.addMemberButton, QStringLiteral("Ивашов Пётр"));
        EXPECT_EQ(messages.texts(),
                  QStringList{QStringLiteral("Этот человек уже есть в бригаде!")});
        pickWorker(panel.addMemberButton, QStringLiteral("Иванов Иван Иванович"));
        EXPECT_EQ(panel.brigade.recordCount(), 2);
        ASSERT_TRUE(panel.brigade.locate(QStringLiteral("s_caption"),
                                         QStringLiteral("Иванов Иван Иванович")));
        QTest::mouseClick(panel.removeMemberButton, Qt::LeftButton);
        EXPECT_EQ(panel.brigade.recordCount(), 1);
        EXPECT_EQ(panel.materials.recordCount(), 1);

        QTest::mouseClick(panel.divideButton, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    // Divided between Петров and Ивашов: 5 pieces, 2 go to Ивашов with the same hours.
    EXPECT_EQ(query(QStringLiteral("select string_agg(w_id || ':' || kol_vo || ':' || time, ',' "
                                   "order by id) from accounts_dep.smena where id >= 10")),
              QStringLiteral("103:3:4,102:2:4"));
    EXPECT_EQ(hoursOf(102, 1, 2), QStringLiteral("4"));
    QTRY_COMPARE_WITH_TIMEOUT(test::shiftList(shiftLog, 1).recordCount(), 5, 5000);
}

TEST_F(EntryTest, AFailedSaveShowsWhyAndLeavesTheDialogAsItWas) {
    inAddDialog([this] {
        fillNewEntry();
        // Петров has 8 hours that day already: the day's sum no longer fits the timesheet.
        dialog.hoursEdit->setText(QStringLiteral("32767"));
        QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
        ASSERT_EQ(messages.messages().size(), 1);
        EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Ошибка"));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.entryIdLabel->text().isEmpty());
        EXPECT_TRUE(dialog.entryGroup->isEnabled());
        EXPECT_TRUE(dialog.saveButton->isEnabled());
        EXPECT_FALSE(panel.addMaterialButton->isEnabled());
        EXPECT_EQ(dialog.entry().id, 0);
        EXPECT_EQ(dialog.hoursEdit->text(), QStringLiteral("32767"));

        // Corrected, the same dialog saves a new entry.
        messages.clear();
        dialog.hoursEdit->setText(QStringLiteral("2"));
        QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
        EXPECT_TRUE(messages.texts().isEmpty());
        EXPECT_EQ(dialog.entryIdLabel->text(),
                  query(QStringLiteral("select max(id) from accounts_dep.smena")));
    });
    EXPECT_EQ(query(QStringLiteral("select count(*) from accounts_dep.smena")),
              QStringLiteral("10"));
    EXPECT_EQ(hoursOf(103, 1, 2), QStringLiteral("10"));
}

TEST_F(EntryTest, SaveRefusesIncompleteOrExcessiveEntriesWithoutWriting) {
    const struct {
        const char* what;
        std::function<void(EntryDialog&)> change;
        QString message;
    } cases[] = {
        {"no requisition shown",
         [](EntryDialog& d) { d.requisitionCombo->setKeyValue(QVariant()); }, kFillAllFields},
        {"more than required",
         [](EntryDialog& d) { d.quantityEdit->setText(QStringLiteral("100,5")); }, kTooMany},
        {"exactly as required",
         [](EntryDialog& d) { d.quantityEdit->setText(QStringLiteral("100")); }, QString()},
        {"not a number", [](EntryDialog& d) { d.quantityEdit->setText(QStringLiteral("1,2,3")); },
         QStringLiteral("Количество \"1,2,3\" не является числом!")},
    };
    for (const auto& c : cases) {
        messages.clear();
        const QString before = query(QStringLiteral("select count(*) from accounts_dep.smena"));
        inAddDialog([&] {
            fillNewEntry();
            c.change(dialog);
            QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
        });
        EXPECT_EQ(messages.texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message})
            << c.what;
        EXPECT_EQ(query(QStringLiteral("select count(*) from accounts_dep.smena")) == before,
                  !c.message.isEmpty())
            << c.what;
    }
}

TEST_F(EntryTest, AnEarlierChoiceEmptiesTheLaterOnes) {
    inAddDialog([this] {
        fillNewEntry();
        dialog.requisitionItemCombo->choose(1);  // ПР-1, 50 required
        EXPECT_EQ(dialog.quantityEdit->text(), QStringLiteral("50"));
        EXPECT_TRUE(dialog.workerEdit->text().isEmpty());
        EXPECT_TRUE(dialog.operationEdit->text().isEmpty());
        EXPECT_EQ(dialog.entry().workerId, 0);
        EXPECT_EQ(dialog.entry().operationId, 0);

        fillNewEntry();
        pickWorker(dialog.pickWorkerButton, QStringLiteral("Ивашов Пётр"));
        EXPECT_EQ(dialog.workerEdit->text(), QStringLiteral("Ивашов Пётр"));
        EXPECT_EQ(dialog.entry().workerId, 102);
        EXPECT_TRUE(dialog.operationEdit->text().isEmpty());
        EXPECT_EQ(dialog.entry().operationId, 0);

        fillNewEntry();
        dialog.requisitionCombo->choose(1);
        EXPECT_FALSE(dialog.requisitionItemCombo->showsText());
        EXPECT_EQ(dialog.requisitionItemCombo->count(), 1);  // item 14 requires nothing: not listed
        EXPECT_TRUE(dialog.workerEdit->text().isEmpty());
        EXPECT_TRUE(dialog.operationEdit->text().isEmpty());
        EXPECT_EQ(dialog.entry().workerId, 0);
        EXPECT_EQ(dialog.entry().operationId, 0);
    });
}

// Picks item `index` in the combo's open list with the mouse, as a user does.
void pickInOpenList(QComboBox* combo, int index) {
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); }));
    const QRect cell = list->visualRect(list->model()->index(index, combo->modelColumn()));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QCoreApplication::processEvents();
}

TEST_F(EntryTest, ChoicesPickedInTheOpenListsNarrowTheItemsAndStayShownAfterSaving) {
    inAddDialog([this] {
        pickInOpenList(dialog.requisitionCombo, 1);  // requisition 2
        EXPECT_EQ(dialog.requisitionCombo->currentIndex(), 1);
        ASSERT_EQ(dialog.requisitionItemCombo->count(), 1);  // item 14 requires nothing: not listed
        pickInOpenList(dialog.requisitionItemCombo, 0);
        EXPECT_EQ(dialog.quantityEdit->text(), QStringLiteral("5"));  // КР-2, 5 required
        EXPECT_TRUE(dialog.pickWorkerButton->isEnabled());

        // Saving locks the choices; they stay shown.
        pickWorker(dialog.pickWorkerButton, QStringLiteral("Петров Пётр Петрович"));
        pickOperation(3);
        dialog.hoursEdit->setText(QStringLiteral("2"));
        QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        QCoreApplication::processEvents();
        EXPECT_FALSE(dialog.entryGroup->isEnabled());
        EXPECT_EQ(dialog.requisitionCombo->currentIndex(), 1);
        EXPECT_EQ(dialog.requisitionItemCombo->currentIndex(), 0);
        EXPECT_EQ(dialog.workerEdit->text(), QStringLiteral("Петров Пётр Петрович"));
        EXPECT_FALSE(dialog.operationEdit->text().isEmpty());
    });
}

TEST_F(EntryTest, APaintOperationOpensTheSumBoxAndAnyOtherClosesIt) {
    inAddDialog([this] {
        dialog.requisitionCombo->choose(1);      // requisition 2
        dialog.requisitionItemCombo->choose(0);  // КР-2, 5 required
        pickWorker(dialog.pickWorkerButton, QStringLiteral("Петров Пётр Петрович"));
        dialog.quantityEdit->setText(QStringLiteral("4"));
        pickOperation(3);  // Покраска, 0.5
        EXPECT_EQ(dialog.operationEdit->text(),
                  QStringLiteral("КР-2; Покраска; Готовая продукция"));
        EXPECT_TRUE(dialog.sumEdit->isEnabled());
        EXPECT_TRUE(panel.brigadeLabel->isEnabled());
        EXPECT_EQ(dialog.sumEdit->text(), QStringLiteral("2"));
        pickOperation(6);  // Сварка at 1.03125, taken as 1.0312: 4 × 1.0312
        EXPECT_FALSE(dialog.sumEdit->isEnabled());
        EXPECT_FALSE(panel.brigadeLabel->isEnabled());
        EXPECT_EQ(dialog.basePriceEdit->text(), QStringLiteral("1,0312"));
        EXPECT_EQ(dialog.sumEdit->text(), QStringLiteral("4,1248"));
    });
}

TEST_F(EntryTest, TheQuantityBoxTakesADecimalCommaAndDigitsOnly) {
    inAddDialog([this] {
        dialog.quantityEdit->setFocus();
        QTest::keyClicks(dialog.quantityEdit, QStringLiteral("12.5x"));
        test::typeInto(dialog.quantityEdit, QStringLiteral("ж"));
        EXPECT_EQ(dialog.quantityEdit->text(), QStringLiteral("12,5"));
        dialog.hoursEdit->clear();
        QTest::keyClicks(dialog.hoursEdit, QStringLiteral("1.2a3"));
        EXPECT_EQ(dialog.hoursEdit->text(), QStringLiteral("123"));
    });
}

TEST_F(EntryTest, EditShowsTheEntryAndSavingPostsItsHours) {
    selectRow(0);  // entry 1: Иванов, КР-1, Резка, 100 pieces, 2 defects, 4 hours
    inside(
        dialog, [this] { QTest::mouseClick(shiftLog.editButton, Qt::LeftButton); },
        [this] {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Изменение данных о позиции"));
            EXPECT_EQ(dialog.workerEdit->text(), QStringLiteral("Иванов Иван Иванович"));
            EXPECT_EQ(dialog.operationEdit->text(),
                      QStringLiteral("КР-1; Резка; Готовая продукция"));
            EXPECT_EQ(dialog.quantityEdit->text(), QStringLiteral("100"));
            EXPECT_EQ(dialog.defectsEdit->text(), QStringLiteral("2"));
            EXPECT_EQ(dialog.hoursEdit->text(), QStringLiteral("4"));
            EXPECT_EQ(dialog.finalPriceEdit->text(), QStringLiteral("1,25"));
            EXPECT_EQ(dialog.sumEdit->text(), QStringLiteral("125"));
            EXPECT_EQ(dialog.entryIdLabel->text(), QStringLiteral("1"));
            EXPECT_EQ(dialog.requisitionCombo->currentText(),
                      QStringLiteral("Заявка № 15 от 20.02.2026"));
            EXPECT_EQ(dialog.requisitionItemCombo->keyValue().toLongLong(), 11);
            EXPECT_TRUE(panel.addMaterialButton->isEnabled());
            EXPECT_FALSE(panel.addMemberButton->isEnabled());
            EXPECT_FALSE(panel.divideButton->isEnabled());
            dialog.hoursEdit->setText(QStringLiteral("6"));
            QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
            EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_TRUE(dialog.saveButton->isEnabled());  // may be pressed again
        });
    EXPECT_EQ(hoursOf(101, 1, 2), QStringLiteral("10"));
    EXPECT_EQ(query(QStringLiteral("select ok || time from accounts_dep.smena where id=1")),
              QStringLiteral("no6"));
    EXPECT_EQ(test::shiftList(shiftLog, 1).recNo(), 1);

    selectRow(1);  // entry 2 is accepted
    EXPECT_FALSE(showsDialog([this] { QTest::mouseClick(shiftLog.editButton, Qt::LeftButton); }));
    EXPECT_TRUE(messages.texts().isEmpty());
}

// Two workstations with the same entry open: the later "Запись" is refused, the typed values
// stay, and the entry reopened shows the other change and saves.
TEST_F(EntryTest, TheLaterOfTwoSavesOfTheSameEntryIsRefusedAndKeepsWhatWasTyped) {
    selectRow(0);  // entry 1: 100 pieces, 2 defects, 4 hours
    inside(
        dialog, [this] { QTest::mouseClick(shiftLog.editButton, Qt::LeftButton); },
        [this] {
            // The other workstation saves first.
            test::adminExec(
                QStringLiteral("update accounts_dep.smena set kol_vo = 90, time = 5 where id = 1"));
            dialog.quantityEdit->setText(QStringLiteral("80"));
            dialog.hoursEdit->setText(QStringLiteral("7"));
            QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
            EXPECT_EQ(messages.texts(),
                      QStringList{QStringLiteral("Запись изменена другим пользователем")});
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.quantityEdit->text(), QStringLiteral("80"));
            EXPECT_EQ(dialog.hoursEdit->text(), QStringLiteral("7"));
            dialog.reject();
        });
    EXPECT_EQ(query(QStringLiteral("select kol_vo || '/' || time from accounts_dep.smena "
                                   "where id=1")),
              QStringLiteral("90/5"));
    messages.clear();
    // The list follows the other workstation's change by itself.
    data::Dataset& list = test::shiftList(shiftLog, 1);
    QTRY_COMPARE_WITH_TIMEOUT(list.valueAt(0, list.fieldIndex(QStringLiteral("kol_vo"))).toDouble(),
                              90.0, 5000);
    selectRow(0);
    inside(
        dialog, [this] { QTest::mouseClick(shiftLog.editButton, Qt::LeftButton); },
        [this] {
            EXPECT_EQ(dialog.quantityEdit->text(), QStringLiteral("90"));
            dialog.hoursEdit->setText(QStringLiteral("7"));
            QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
            EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        });
    EXPECT_EQ(query(QStringLiteral("select kol_vo || '/' || time from accounts_dep.smena "
                                   "where id=1")),
              QStringLiteral("90/7"));
}

TEST_F(EntryTest, ViewShowsTheEntryReadOnlyAndTheNextAddListsEveryRequisition) {
    selectRow(0);
    inside(
        dialog, [this] { shiftLog.viewOrAcceptEntry(); },
        [this] {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Просмотр данных о позиции"));
            EXPECT_EQ(dialog.mode, EntryDialog::Mode::View);
            EXPECT_FALSE(dialog.entryGroup->isEnabled());
            EXPECT_FALSE(dialog.saveButton->isEnabled());
            EXPECT_FALSE(panel.addMaterialButton->isEnabled());
            EXPECT_FALSE(panel.divideButton->isEnabled());
            EXPECT_EQ(dialog.requisitionCombo->currentText(),
                      QStringLiteral("Заявка № 15 от 20.02.2026"));
            EXPECT_TRUE(dialog.requisitionItemCombo->showsText());
            EXPECT_EQ(dialog.requisitionCombo->count(), 1);
        });
    EXPECT_TRUE(dialog.entryGroup->isEnabled());
    inAddDialog([this] {
        EXPECT_EQ(dialog.requisitionCombo->count(), 2);
        dialog.requisitionCombo->choose(0);
        EXPECT_EQ(dialog.requisitionItemCombo->count(), 2);
    });
}

TEST_F(EntryTest, TabRunsThroughTheEntryThenTheButtonsThenMaterialsAndBrigade) {
    const QList<QWidget*> expected{dialog.requisitionCombo,
                                   dialog.requisitionItemCombo,
                                   dialog.pickWorkerButton,
                                   dialog.pickOperationButton,
                                   dialog.quantityEdit,
                                   dialog.hoursEdit,
                                   dialog.dateEdit,
                                   dialog.defectsEdit,
                                   dialog.basePriceEdit,
                                   dialog.finalPriceEdit,
                                   dialog.sumEdit,
                                   dialog.saveButton,
                                   dialog.exitButton,
                                   panel.divideButton,
                                   panel.materialsGrid,
                                   panel.addMaterialButton,
                                   panel.deleteMaterialButton,
                                   panel.materialsTotalEdit,
                                   panel.brigadeGrid,
                                   panel.addMemberButton,
                                   panel.removeMemberButton};
    QList<QWidget*> chain;
    QWidget* widget = dialog.requisitionCombo;
    do {
        if (expected.contains(widget)) {
            chain.append(widget);
        }
        widget = widget->nextInFocusChain();
    } while (widget != dialog.requisitionCombo);
    QStringList names;
    for (QWidget* w : chain) {
        names.append(w->objectName());
    }
    EXPECT_EQ(chain, expected) << names.join(QLatin1Char(' ')).toStdString();
}

TEST_F(EntryTest, EveryFieldIsAnnouncedByItsLabel) {
    const struct {
        QWidget* window;
        const char* caption;
        QWidget* field;
    } cases[] = {
        {&dialog, "Заявка", dialog.requisitionCombo},
        {&dialog, "Строка", dialog.requisitionItemCombo},
        {&dialog, "ФИО", dialog.workerEdit},
        {&dialog, "Операция", dialog.operationEdit},
        {&dialog, "Кол-во", dialog.quantityEdit},
        {&dialog, "Время", dialog.hoursEdit},
        {&dialog, "Дата", dialog.dateEdit},
        {&dialog, "Брак", dialog.defectsEdit},
        {&dialog, "Цена база", dialog.basePriceEdit},
        {&dialog, "Цена итог", dialog.finalPriceEdit},
        {&dialog, "Сумма", dialog.sumEdit},
        {&dialog, "Итого:", panel.materialsTotalEdit},
        {&dialog, "Бригада", panel.brigadeGrid},
        {&consumption, "ТМЦ", consumption.goodsCombo},
        {&consumption, "Расход", consumption.quantityEdit},
    };
    for (const auto& c : cases) {
        const QString caption = QString::fromUtf8(c.caption);
        QLabel* found = nullptr;
        for (QLabel* label : c.window->findChildren<QLabel*>()) {
            if (label->text() == caption) {
                found = label;
            }
        }
        ASSERT_NE(found, nullptr) << c.caption;
        EXPECT_EQ(found->buddy(), c.field) << c.caption;
    }
}

}  // namespace
}  // namespace tabel::shiftlog
