// The entry dialog driven through the shift log window: adding an entry with its materials
// and brigade, editing, viewing, and the resets of the requisition, item, worker and operation.
#include "data/errors.h"
#include "entry_test.h"
#include "eventually.h"
#include "shiftlog/entry_input.h"

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
        EXPECT_EQ(dialog.mode(), EntryDialog::Mode::Add);
        EXPECT_EQ(ui.dateEdit->date(), kMonday);
        for (QPushButton* b : {ui.addMaterialButton, ui.deleteMaterialButton, ui.addMemberButton,
                               ui.removeMemberButton, ui.divideButton}) {
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        }
        fillNewEntry();
        EXPECT_EQ(ui.operationEdit->text(), QStringLiteral("КР-1; Резка; Готовая продукция"));
        EXPECT_EQ(ui.finalPriceEdit->text(), QStringLiteral("1,25"));
        QTest::mouseClick(ui.saveButton, Qt::LeftButton);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();

        EXPECT_EQ(ui.entryIdLabel->text(), QStringLiteral("10"));
        EXPECT_FALSE(ui.entryGroup->isEnabled());
        EXPECT_FALSE(ui.saveButton->isEnabled());
        for (QPushButton* b : {ui.addMaterialButton, ui.deleteMaterialButton, ui.addMemberButton,
                               ui.removeMemberButton, ui.divideButton}) {
            EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        }
        EXPECT_EQ(query(QStringLiteral(
                      "select concat_ws('|', w_id, i_id, o_id, cena, kol_vo, brak, data, smena, "
                      "time, ok, id_doc, id_doc_item, vvod::date = current_date) from "
                      "accounts_dep.smena where id = 10")),
                  QStringLiteral("103|1|1|1.25|5|0|2026-03-02|1|4|no|1|11|t"));
        EXPECT_EQ(hoursOf(103, 1, 2), QStringLiteral("12"));  // 8 before, 4 now
        // The list behind follows the save through the change feed and stands on the entry.
        EXPECT_SOON_EQ(test::shiftList(shiftLog, 1).field(QStringLiteral("id")).asInteger(), 10,
                       5000);

        // A material: 5 pieces at 0.25 kg of sheet each proposes 1.25.
        inside(
            consumption, [this] { QTest::mouseClick(ui.addMaterialButton, Qt::LeftButton); },
            [this] {
                cons.goodsCombo->choose(0);
                EXPECT_EQ(cons.quantityEdit->text(), QStringLiteral("1,25"));
                QTest::mouseClick(cons.saveButton, Qt::LeftButton);
            });
        EXPECT_EQ(ui.materials().recordCount(), 1);
        EXPECT_EQ(ui.materialsTotalEdit->text(), QStringLiteral("1,25"));

        // The brigade: a person once, not twice; "Удалить" takes the selected member.
        pickWorker(ui.addMemberButton, QStringLiteral("Ивашов Пётр"));
        EXPECT_EQ(ui.workerEdit->text(), QStringLiteral("Петров Пётр Петрович"));  // the entry's
        pickWorker(ui.addMemberButton, QStringLiteral("Ивашов Пётр"));
        EXPECT_EQ(messages.texts(),
                  QStringList{QStringLiteral("Этот человек уже есть в бригаде!")});
        pickWorker(ui.addMemberButton, QStringLiteral("Иванов Иван Иванович"));
        EXPECT_EQ(ui.brigade().recordCount(), 2);
        ASSERT_TRUE(ui.brigade().locate(QStringLiteral("s_caption"),
                                        QStringLiteral("Иванов Иван Иванович")));
        QTest::mouseClick(ui.removeMemberButton, Qt::LeftButton);
        EXPECT_EQ(ui.brigade().recordCount(), 1);
        EXPECT_EQ(ui.materials().recordCount(), 1);

        QTest::mouseClick(ui.divideButton, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    // Divided between Петров and Ивашов: 5 pieces, 2 go to Ивашов with the same hours.
    EXPECT_EQ(query(QStringLiteral("select string_agg(w_id || ':' || kol_vo || ':' || time, ',' "
                                   "order by id) from accounts_dep.smena where id >= 10")),
              QStringLiteral("103:3:4,102:2:4"));
    EXPECT_EQ(hoursOf(102, 1, 2), QStringLiteral("4"));
    EXPECT_SOON_EQ(test::shiftList(shiftLog, 1).recordCount(), 5, 5000);
}

TEST_F(EntryTest, AFailedSaveShowsWhyAndLeavesTheDialogAsItWas) {
    inAddDialog([this] {
        fillNewEntry();
        // Петров has 8 hours that day already: the day's sum no longer fits the timesheet.
        ui.hoursEdit->setText(QStringLiteral("32767"));
        QTest::mouseClick(ui.saveButton, Qt::LeftButton);
        ASSERT_EQ(messages.messages().size(), 1);
        EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Ошибка"));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(ui.entryIdLabel->text().isEmpty());
        EXPECT_TRUE(ui.entryGroup->isEnabled());
        EXPECT_TRUE(ui.saveButton->isEnabled());
        EXPECT_FALSE(ui.addMaterialButton->isEnabled());
        EXPECT_EQ(dialog.entry().id, 0);
        EXPECT_EQ(ui.hoursEdit->text(), QStringLiteral("32767"));

        // Corrected, the same dialog saves a new entry.
        messages.clear();
        ui.hoursEdit->setText(QStringLiteral("2"));
        QTest::mouseClick(ui.saveButton, Qt::LeftButton);
        EXPECT_TRUE(messages.texts().isEmpty());
        EXPECT_EQ(ui.entryIdLabel->text(),
                  query(QStringLiteral("select max(id) from accounts_dep.smena")));
    });
    EXPECT_EQ(query(QStringLiteral("select count(*) from accounts_dep.smena")),
              QStringLiteral("10"));
    EXPECT_EQ(hoursOf(103, 1, 2), QStringLiteral("10"));
}

TEST_F(EntryTest, SaveRefusesIncompleteOrExcessiveEntriesWithoutWriting) {
    const struct {
        const char* what;
        std::function<void(const EntryDialogControls&)> change;
        QString message;
    } cases[] = {
        {"no requisition shown",
         [](const EntryDialogControls& d) { d.requisitionCombo->setKeyValue(QVariant()); },
         kFillAllFields},
        {"more than required",
         [](const EntryDialogControls& d) { d.quantityEdit->setText(QStringLiteral("100,5")); },
         kTooMany},
        {"exactly as required",
         [](const EntryDialogControls& d) { d.quantityEdit->setText(QStringLiteral("100")); },
         QString()},
        {"not a number",
         [](const EntryDialogControls& d) { d.quantityEdit->setText(QStringLiteral("1,2,3")); },
         QStringLiteral("Количество \"1,2,3\" не является числом!")},
    };
    for (const auto& c : cases) {
        messages.clear();
        const QString before = query(QStringLiteral("select count(*) from accounts_dep.smena"));
        inAddDialog([&] {
            fillNewEntry();
            c.change(ui);
            QTest::mouseClick(ui.saveButton, Qt::LeftButton);
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
        ui.requisitionItemCombo->choose(1);  // ПР-1, 50 required
        EXPECT_EQ(ui.quantityEdit->text(), QStringLiteral("50"));
        EXPECT_TRUE(ui.workerEdit->text().isEmpty());
        EXPECT_TRUE(ui.operationEdit->text().isEmpty());
        EXPECT_EQ(dialog.entry().workerId, 0);
        EXPECT_EQ(dialog.entry().operationId, 0);

        fillNewEntry();
        pickWorker(ui.pickWorkerButton, QStringLiteral("Ивашов Пётр"));
        EXPECT_EQ(ui.workerEdit->text(), QStringLiteral("Ивашов Пётр"));
        EXPECT_EQ(dialog.entry().workerId, 102);
        EXPECT_TRUE(ui.operationEdit->text().isEmpty());
        EXPECT_EQ(dialog.entry().operationId, 0);

        fillNewEntry();
        ui.requisitionCombo->choose(1);
        EXPECT_FALSE(ui.requisitionItemCombo->showsText());
        EXPECT_EQ(ui.requisitionItemCombo->count(), 1);  // item 14 requires nothing: not listed
        EXPECT_TRUE(ui.workerEdit->text().isEmpty());
        EXPECT_TRUE(ui.operationEdit->text().isEmpty());
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
        pickInOpenList(ui.requisitionCombo, 1);  // requisition 2
        EXPECT_EQ(ui.requisitionCombo->currentIndex(), 1);
        ASSERT_EQ(ui.requisitionItemCombo->count(), 1);  // item 14 requires nothing: not listed
        pickInOpenList(ui.requisitionItemCombo, 0);
        EXPECT_EQ(ui.quantityEdit->text(), QStringLiteral("5"));  // КР-2, 5 required
        EXPECT_TRUE(ui.pickWorkerButton->isEnabled());

        // Saving locks the choices; they stay shown.
        pickWorker(ui.pickWorkerButton, QStringLiteral("Петров Пётр Петрович"));
        pickOperation(3);
        ui.hoursEdit->setText(QStringLiteral("2"));
        QTest::mouseClick(ui.saveButton, Qt::LeftButton);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        QCoreApplication::processEvents();
        EXPECT_FALSE(ui.entryGroup->isEnabled());
        EXPECT_EQ(ui.requisitionCombo->currentIndex(), 1);
        EXPECT_EQ(ui.requisitionItemCombo->currentIndex(), 0);
        EXPECT_EQ(ui.workerEdit->text(), QStringLiteral("Петров Пётр Петрович"));
        EXPECT_FALSE(ui.operationEdit->text().isEmpty());
    });
}

TEST_F(EntryTest, APaintOperationOpensTheSumBoxAndAnyOtherClosesIt) {
    inAddDialog([this] {
        ui.requisitionCombo->choose(1);      // requisition 2
        ui.requisitionItemCombo->choose(0);  // КР-2, 5 required
        pickWorker(ui.pickWorkerButton, QStringLiteral("Петров Пётр Петрович"));
        ui.quantityEdit->setText(QStringLiteral("4"));
        pickOperation(3);  // Покраска, 0.5
        EXPECT_EQ(ui.operationEdit->text(), QStringLiteral("КР-2; Покраска; Готовая продукция"));
        EXPECT_TRUE(ui.sumEdit->isEnabled());
        EXPECT_TRUE(ui.brigadeLabel->isEnabled());
        EXPECT_EQ(ui.sumEdit->text(), QStringLiteral("2"));
        pickOperation(6);  // Сварка at 1.03125, taken as 1.0312: 4 × 1.0312
        EXPECT_FALSE(ui.sumEdit->isEnabled());
        EXPECT_FALSE(ui.brigadeLabel->isEnabled());
        EXPECT_EQ(ui.basePriceEdit->text(), QStringLiteral("1,0312"));
        EXPECT_EQ(ui.sumEdit->text(), QStringLiteral("4,1248"));
    });
}

TEST_F(EntryTest, TheQuantityBoxTakesADecimalCommaAndDigitsOnly) {
    inAddDialog([this] {
        ui.quantityEdit->setFocus();
        QTest::keyClicks(ui.quantityEdit, QStringLiteral("12.5x"));
        test::typeInto(ui.quantityEdit, QStringLiteral("ж"));
        EXPECT_EQ(ui.quantityEdit->text(), QStringLiteral("12,5"));
        ui.hoursEdit->clear();
        QTest::keyClicks(ui.hoursEdit, QStringLiteral("1.2a3"));
        EXPECT_EQ(ui.hoursEdit->text(), QStringLiteral("123"));
    });
}

TEST_F(EntryTest, EditShowsTheEntryAndSavingPostsItsHours) {
    selectRow(0);  // entry 1: Иванов, КР-1, Резка, 100 pieces, 2 defects, 4 hours
    inside(
        dialog, [this] { QTest::mouseClick(sl.editButton, Qt::LeftButton); },
        [this] {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Изменение данных о позиции"));
            EXPECT_EQ(ui.workerEdit->text(), QStringLiteral("Иванов Иван Иванович"));
            EXPECT_EQ(ui.operationEdit->text(), QStringLiteral("КР-1; Резка; Готовая продукция"));
            EXPECT_EQ(ui.quantityEdit->text(), QStringLiteral("100"));
            EXPECT_EQ(ui.defectsEdit->text(), QStringLiteral("2"));
            EXPECT_EQ(ui.hoursEdit->text(), QStringLiteral("4"));
            EXPECT_EQ(ui.finalPriceEdit->text(), QStringLiteral("1,25"));
            EXPECT_EQ(ui.sumEdit->text(), QStringLiteral("125"));
            EXPECT_EQ(ui.entryIdLabel->text(), QStringLiteral("1"));
            EXPECT_EQ(ui.requisitionCombo->currentText(),
                      QStringLiteral("Заявка № 15 от 20.02.2026"));
            EXPECT_EQ(ui.requisitionItemCombo->keyValue().toLongLong(), 11);
            EXPECT_TRUE(ui.addMaterialButton->isEnabled());
            EXPECT_FALSE(ui.addMemberButton->isEnabled());
            EXPECT_FALSE(ui.divideButton->isEnabled());
            ui.hoursEdit->setText(QStringLiteral("6"));
            QTest::mouseClick(ui.saveButton, Qt::LeftButton);
            EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_TRUE(ui.saveButton->isEnabled());  // may be pressed again
        });
    EXPECT_EQ(hoursOf(101, 1, 2), QStringLiteral("10"));
    EXPECT_EQ(query(QStringLiteral("select ok || time from accounts_dep.smena where id=1")),
              QStringLiteral("no6"));
    EXPECT_EQ(test::shiftList(shiftLog, 1).recNo(), 1);

    selectRow(1);  // entry 2 is accepted
    EXPECT_FALSE(showsDialog([this] { QTest::mouseClick(sl.editButton, Qt::LeftButton); }));
    EXPECT_TRUE(messages.texts().isEmpty());
}

// A date typed into the shift log and not confirmed: Insert shows that day's list and the new
// entry takes the day the list shows.
TEST_F(EntryTest, ANewEntryTakesTheDayTheListShows) {
    sl.dateEdit->setFocus(Qt::ShortcutFocusReason);
    QTest::keyClicks(sl.dateEdit, QStringLiteral("3.3.26"));
    inside(
        dialog, [this] { QTest::keyClick(sl.dateEdit, Qt::Key_Insert); },
        [this] {
            EXPECT_EQ(ui.dateEdit->date(), QDate(2026, 3, 3));
            dialog.reject();
        });
    EXPECT_EQ(test::shiftList(shiftLog, 1).param(QStringLiteral("data")).toDate(),
              QDate(2026, 3, 3));
}

// The colour, the premium and the material use are not in the dialog: an edit keeps them.
TEST_F(EntryTest, AnEditKeepsWhatTheDialogDoesNotShow) {
    test::adminExec(QStringLiteral(
        "update accounts_dep.smena set color = 3020, prize = 15, f_gds_qty_use = 2.5, "
        "id_gds_use = 1001, id_cons_use = 7 where id = 1"));
    const QString kept = QStringLiteral(
        "select concat_ws('/', color, prize, f_gds_qty_use, id_gds_use, id_cons_use) "
        "from accounts_dep.smena where id = 1");
    const QString before = query(kept);
    QTest::mouseClick(sl.refreshButton, Qt::LeftButton);  // the list shows the entry as it is
    selectRow(0);
    inside(
        dialog, [this] { QTest::mouseClick(sl.editButton, Qt::LeftButton); },
        [this] {
            ui.quantityEdit->setText(QStringLiteral("98"));
            QTest::mouseClick(ui.saveButton, Qt::LeftButton);
            EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        });
    EXPECT_EQ(query(QStringLiteral("select kol_vo from accounts_dep.smena where id = 1")),
              QStringLiteral("98"));
    EXPECT_EQ(query(kept), before);
    EXPECT_EQ(before, QStringLiteral("3020/15/2.5/1001/7"));
}

// Two workstations with the same entry open: the later "Запись" is refused without writing, and
// the dialog asks whether to load the other workstation's values ("Да") or to keep what was
// typed and save it over them ("Нет"); either way the next "Запись" saves.
TEST_F(EntryTest, TheLaterOfTwoSavesLoadsTheOtherChangeOrSavesOverItAsAnswered) {
    const QString question = QStringLiteral(
        "Запись изменена другим пользователем. Загрузить его значения? (Нет — оставить "
        "введенное и записать поверх)");
    const struct {
        core::Answer answer;
        const char* quantity;  // the boxes after the answer
        const char* hours;
        const char* saved;  // the entry after the next "Запись" with 7 hours
    } cases[] = {
        {core::Answer::Yes, "90", "5", "90/7"},
        {core::Answer::No, "80", "7", "80/7"},
    };
    data::Dataset& list = test::shiftList(shiftLog, 1);
    const auto entryValues = [] {
        return query(
            QStringLiteral("select kol_vo || '/' || time from accounts_dep.smena where id=1"));
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saved);
        // Entry 1 as the fixture has it, and the list showing its version.
        test::adminExec(
            QStringLiteral("update accounts_dep.smena set kol_vo = 100, time = 4 where id = 1"));
        const QString version =
            query(QStringLiteral("select entry_version::text from accounts_dep.smena where id=1"));
        EXPECT_SOON_EQ(list.valueAt(0, list.fieldIndex(QStringLiteral("entry_version"))).toString(),
                       version, 5000);
        messages.clear();
        messages.answerNext(c.answer);
        selectRow(0);
        inside(
            dialog, [this] { QTest::mouseClick(sl.editButton, Qt::LeftButton); },
            [&] {
                // The other workstation saves first.
                test::adminExec(QStringLiteral(
                    "update accounts_dep.smena set kol_vo = 90, time = 5 where id = 1"));
                ui.quantityEdit->setText(QStringLiteral("80"));
                ui.hoursEdit->setText(QStringLiteral("7"));
                QTest::mouseClick(ui.saveButton, Qt::LeftButton);
                ASSERT_EQ(messages.texts(), QStringList{question});
                EXPECT_EQ(messages.messages()[0].kind, core::MessageKind::Exclamation);
                EXPECT_EQ(entryValues(), QStringLiteral("90/5"));
                EXPECT_TRUE(dialog.isVisible());
                EXPECT_EQ(ui.quantityEdit->text(), QString::fromLatin1(c.quantity));
                EXPECT_EQ(ui.hoursEdit->text(), QString::fromLatin1(c.hours));

                messages.clear();
                ui.hoursEdit->setText(QStringLiteral("7"));
                QTest::mouseClick(ui.saveButton, Qt::LeftButton);
                EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
            });
        EXPECT_EQ(entryValues(), QString::fromLatin1(c.saved));
        // The list follows both changes by itself.
        EXPECT_SOON_EQ(list.valueAt(0, list.fieldIndex(QStringLiteral("time"))).toInt(), 7, 5000);
    }
}

// A clerk accepts the entry while the foreman has it open: his "Запись" is refused, told final
// (no reload offered, as no answer could save it), and what he typed stays in view.
TEST_F(EntryTest, ASaveOfAnEntryAcceptedMeanwhileIsToldFinalAndKeepsWhatWasTyped) {
    data::Dataset& list = test::shiftList(shiftLog, 1);
    for (const char* mark : {"ok", "да"}) {
        SCOPED_TRACE(mark);
        test::adminExec(QStringLiteral("update accounts_dep.smena set ok = 'no' where id = 1"));
        const QString version =
            query(QStringLiteral("select entry_version::text from accounts_dep.smena where id=1"));
        EXPECT_SOON_EQ(list.valueAt(0, list.fieldIndex(QStringLiteral("entry_version"))).toString(),
                       version, 5000);
        messages.clear();
        messages.answerNext(core::Answer::Yes);  // were a reload offered, it would take it
        selectRow(0);
        inside(
            dialog, [this] { QTest::mouseClick(sl.editButton, Qt::LeftButton); },
            [&] {
                test::adminExec(
                    QStringLiteral("update accounts_dep.smena set ok = '%1' where id = 1")
                        .arg(QString::fromUtf8(mark)));
                ui.hoursEdit->setText(QStringLiteral("7"));
                for (int attempt = 0; attempt < 2; ++attempt) {
                    QTest::mouseClick(ui.saveButton, Qt::LeftButton);
                }
                const QString told = QStringLiteral("Позиция принята, изменить ее нельзя");
                EXPECT_EQ(messages.texts(), (QStringList{told, told}));
                ASSERT_FALSE(messages.messages().isEmpty());
                EXPECT_EQ(messages.messages()[0].kind, core::MessageKind::Stop);
                EXPECT_TRUE(dialog.isVisible());
                EXPECT_EQ(ui.hoursEdit->text(), QStringLiteral("7"));
            });
        EXPECT_EQ(query(QStringLiteral("select ok || '/' || time from accounts_dep.smena where "
                                       "id=1")),
                  QString::fromUtf8(mark) + QStringLiteral("/4"));
    }
}

// A day's entries over 24 hours: the refusal names the hours the worker has that day in the
// shift besides the entry being saved.
TEST_F(EntryTest, TheDayOver24HoursRefusalNamesTheHoursTheWorkerAlreadyHas) {
    const QString refusal = QStringLiteral(
        "Время за день не может быть больше 24 часов! У "
        "рабочего уже %1 ч за 02.03.2026 в этой смене.");
    const struct {
        const char* what;
        std::function<void()> open;
        const char* hours;
        QString message;
    } cases[] = {
        // Петров has 8 hours that day.
        {"new entry", [this] { QTest::mouseClick(sl.addButton, Qt::LeftButton); }, "17",
         refusal.arg(8)},
        // Иванов has entry 1 (4 hours, the one edited) and the accepted entry 2 (4 hours).
        {"edited entry",
         [this] {
             selectRow(0);
             QTest::mouseClick(sl.editButton, Qt::LeftButton);
         },
         "21", refusal.arg(4)},
        {"edited entry to the day's end",
         [this] {
             selectRow(0);
             QTest::mouseClick(sl.editButton, Qt::LeftButton);
         },
         "20", QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        inside(dialog, c.open, [&] {
            if (ui.entryIdLabel->text().isEmpty()) {
                fillNewEntry();
            }
            ui.hoursEdit->setText(QString::fromLatin1(c.hours));
            QTest::mouseClick(ui.saveButton, Qt::LeftButton);
            EXPECT_EQ(messages.texts(),
                      c.message.isEmpty() ? QStringList() : QStringList{c.message});
            EXPECT_TRUE(dialog.isVisible());
        });
    }
    EXPECT_EQ(hoursOf(103, 1, 2), QStringLiteral("8"));
    EXPECT_EQ(hoursOf(101, 1, 2), QStringLiteral("24"));
}

// An entry dated after today is saved only when confirmed, asked once; today's and earlier
// ones are not asked about.
TEST_F(EntryTest, AnEntryDatedAfterTodayIsSavedOnlyWhenConfirmed) {
    const QString question = QStringLiteral("Дата позиции позже сегодняшней. Сохранить?");
    const QDate today = QDate::currentDate();
    const struct {
        const char* what;
        QDate date;
        core::Answer answer;
        bool asked;
        bool saved;
    } cases[] = {
        {"tomorrow, answered No", today.addDays(1), core::Answer::No, true, false},
        {"next year, answered Yes", today.addYears(1), core::Answer::Yes, true, true},
        {"today", today, core::Answer::No, false, true},
        {"a past Monday", kMonday, core::Answer::No, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        messages.answerNext(c.answer);
        const QString before = query(QStringLiteral("select count(*) from accounts_dep.smena"));
        inAddDialog([&] {
            fillNewEntry();
            ui.dateEdit->setDate(c.date);
            QTest::mouseClick(ui.saveButton, Qt::LeftButton);
            EXPECT_EQ(messages.texts(), c.asked ? QStringList{question} : QStringList());
            if (c.asked) {
                EXPECT_EQ(messages.messages()[0].kind, core::MessageKind::Exclamation);
            }
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(ui.entryIdLabel->text().isEmpty(), !c.saved);
            EXPECT_EQ(ui.entryGroup->isEnabled(), !c.saved);  // unsaved: still being typed
        });
        const QString after = query(QStringLiteral("select count(*) from accounts_dep.smena"));
        EXPECT_EQ(after != before, c.saved);
        if (c.saved) {
            EXPECT_EQ(query(QStringLiteral("select data from accounts_dep.smena where id = (select "
                                           "max(id) from accounts_dep.smena)")),
                      c.date.toString(Qt::ISODate));
        }
    }
}

// The server refuses a division (a person without a personnel number in the brigade) or a new
// member (the entry deleted elsewhere meanwhile): its reason is shown and the dialog stays open
// as it was; the division goes through once the cause is gone.
TEST_F(EntryTest, ARefusedDivisionOrMemberShowsTheServersReasonAndKeepsTheDialog) {
    test::adminExec(
        QStringLiteral("insert into cmn_contractor.person (id, s_code, s_caption, b_employee) "
                       "values (22, 'б/н', 'Без номера', true)"));
    const auto entries = [] {
        return query(QStringLiteral("select count(*) from accounts_dep.smena"));
    };
    inAddDialog([&] {
        fillNewEntry();
        QTest::mouseClick(ui.saveButton, Qt::LeftButton);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        const int id = dialog.entry().id;
        pickWorker(ui.addMemberButton, QStringLiteral("Ивашов Пётр"));
        // Another tool lists a person without a personnel number in the brigade.
        test::adminExec(QStringLiteral("insert into accounts_dep.person_temp(id_smena, id_person) "
                                       "values (%1, 22)")
                            .arg(id));
        const QString before = entries();
        QTest::mouseClick(ui.divideButton, Qt::LeftButton);
        EXPECT_EQ(messages.texts(),
                  QStringList{QStringLiteral("Нет табельного номера: Без номера")});
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(ui.divideButton->isEnabled());
        EXPECT_EQ(ui.brigade().recordCount(), 1);
        EXPECT_EQ(entries(), before);

        messages.clear();
        test::adminExec(
            QStringLiteral("delete from accounts_dep.person_temp where id_person = 22"));
        QTest::mouseClick(ui.divideButton, Qt::LeftButton);
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(entries().toInt(), before.toInt() + 1);
    });
    inAddDialog([&] {
        fillNewEntry();
        QTest::mouseClick(ui.saveButton, Qt::LeftButton);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        pickWorker(ui.addMemberButton, QStringLiteral("Ивашов Пётр"));
        test::adminExec(
            QStringLiteral("delete from accounts_dep.smena where id = %1").arg(dialog.entry().id));
        pickWorker(ui.addMemberButton, QStringLiteral("Иванов Иван Иванович"));
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_TRUE(messages.texts()[0].startsWith(
            data::userTextOf(data::DbErrorKind::ForeignKeyViolation)))
            << messages.texts()[0].toStdString();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(ui.brigade().recordCount(), 1);
        EXPECT_TRUE(ui.addMemberButton->isEnabled());
    });
}

TEST_F(EntryTest, ViewShowsTheEntryReadOnlyAndTheNextAddListsEveryRequisition) {
    selectRow(0);
    inside(
        dialog, [this] { sl.doubleClickRow(0); },
        [this] {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Просмотр данных о позиции"));
            EXPECT_EQ(dialog.mode(), EntryDialog::Mode::View);
            EXPECT_FALSE(ui.entryGroup->isEnabled());
            EXPECT_FALSE(ui.saveButton->isEnabled());
            EXPECT_FALSE(ui.addMaterialButton->isEnabled());
            EXPECT_FALSE(ui.divideButton->isEnabled());
            EXPECT_EQ(ui.requisitionCombo->currentText(),
                      QStringLiteral("Заявка № 15 от 20.02.2026"));
            EXPECT_TRUE(ui.requisitionItemCombo->showsText());
            EXPECT_EQ(ui.requisitionCombo->count(), 1);
        });
    EXPECT_TRUE(ui.entryGroup->isEnabled());
    inAddDialog([this] {
        EXPECT_EQ(ui.requisitionCombo->count(), 2);
        ui.requisitionCombo->choose(0);
        EXPECT_EQ(ui.requisitionItemCombo->count(), 2);
    });
}

TEST_F(EntryTest, TabRunsThroughTheEntryThenTheButtonsThenMaterialsAndBrigade) {
    const QList<QWidget*> expected{ui.requisitionCombo,
                                   ui.requisitionItemCombo,
                                   ui.pickWorkerButton,
                                   ui.pickOperationButton,
                                   ui.quantityEdit,
                                   ui.hoursEdit,
                                   ui.dateEdit,
                                   ui.defectsEdit,
                                   ui.basePriceEdit,
                                   ui.finalPriceEdit,
                                   ui.sumEdit,
                                   ui.saveButton,
                                   ui.exitButton,
                                   ui.divideButton,
                                   ui.materialsGrid,
                                   ui.addMaterialButton,
                                   ui.deleteMaterialButton,
                                   ui.materialsTotalEdit,
                                   ui.brigadeGrid,
                                   ui.addMemberButton,
                                   ui.removeMemberButton};
    QList<QWidget*> chain;
    QWidget* widget = ui.requisitionCombo;
    do {
        if (expected.contains(widget)) {
            chain.append(widget);
        }
        widget = widget->nextInFocusChain();
    } while (widget != ui.requisitionCombo);
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
        {&dialog, "Заявка", ui.requisitionCombo},
        {&dialog, "Строка", ui.requisitionItemCombo},
        {&dialog, "ФИО", ui.workerEdit},
        {&dialog, "Операция", ui.operationEdit},
        {&dialog, "Кол-во", ui.quantityEdit},
        {&dialog, "Время", ui.hoursEdit},
        {&dialog, "Дата", ui.dateEdit},
        {&dialog, "Брак", ui.defectsEdit},
        {&dialog, "Цена база", ui.basePriceEdit},
        {&dialog, "Цена итог", ui.finalPriceEdit},
        {&dialog, "Сумма", ui.sumEdit},
        {&dialog, "Итого:", ui.materialsTotalEdit},
        {&dialog, "Бригада", ui.brigadeGrid},
        {&consumption, "ТМЦ", cons.goodsCombo},
        {&consumption, "Расход", cons.quantityEdit},
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
