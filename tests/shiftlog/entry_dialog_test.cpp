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
        EXPECT_EQ(dialog.Tag, 1);
        EXPECT_EQ(dialog.DTimeP->date(), kMonday);
        for (QPushButton* b :
             {dialog.Button5, dialog.Button6, dialog.Button7, dialog.Button8, dialog.Button9}) {
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        }
        fillNewEntry();
        EXPECT_EQ(dialog.Edit2->text(), QStringLiteral("КР-1; Резка; Готовая продукция"));
        EXPECT_EQ(dialog.Edit8->text(), QStringLiteral("1,25"));
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();

        EXPECT_EQ(dialog.Label10->text(), QStringLiteral("10"));
        EXPECT_FALSE(dialog.GroupBox1->isEnabled());
        EXPECT_FALSE(dialog.Button1->isEnabled());
        for (QPushButton* b :
             {dialog.Button5, dialog.Button6, dialog.Button7, dialog.Button8, dialog.Button9}) {
            EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        }
        EXPECT_EQ(query(QStringLiteral(
                      "select concat_ws('|', w_id, i_id, o_id, cena, kol_vo, brak, data, smena, "
                      "time, ok, id_doc, id_doc_item, vvod::date = current_date) from "
                      "accounts_dep.smena where id = 10")),
                  QStringLiteral("103|1|1|1.25|5|0|2026-03-02|1|4|no|1|11|t"));
        EXPECT_EQ(hoursOf(103, 1, 2), QStringLiteral("12"));  // 8 before, 4 now
        EXPECT_EQ(dm.Smena1.field(QStringLiteral("id")).asInteger(), 10);

        // A material: 5 pieces at 0.25 kg of sheet each proposes 1.25.
        inside(
            consumption, [this] { QTest::mouseClick(dialog.Button5, Qt::LeftButton); },
            [this] {
                consumption.LCB_id_gds_use->choose(0);
                EXPECT_EQ(consumption.Edit7->text(), QStringLiteral("1,25"));
                QTest::mouseClick(consumption.Button1, Qt::LeftButton);
            });
        EXPECT_EQ(dialog.smena_gds_use.recordCount(), 1);
        EXPECT_EQ(dialog.DBEdit1->text(), QStringLiteral("1,25"));

        // The brigade: a person once, not twice; "Удалить" takes the selected member.
        pickWorker(dialog.Button7, QStringLiteral("Ивашов Пётр"));
        EXPECT_TRUE(dialog.Edit1->text().isEmpty());
        pickWorker(dialog.Button7, QStringLiteral("Ивашов Пётр"));
        EXPECT_EQ(messages.texts(),
                  QStringList{QStringLiteral("Этот человек уже есть в бригаде!")});
        pickWorker(dialog.Button7, QStringLiteral("Иванов Иван Иванович"));
        EXPECT_EQ(dialog.fio_smena_gds.recordCount(), 2);
        ASSERT_TRUE(dialog.fio_smena_gds.locate(QStringLiteral("s_caption"),
                                                QStringLiteral("Иванов Иван Иванович")));
        QTest::mouseClick(dialog.Button8, Qt::LeftButton);
        EXPECT_EQ(dialog.fio_smena_gds.recordCount(), 1);
        EXPECT_EQ(dialog.smena_gds_use.recordCount(), 1);

        QTest::mouseClick(dialog.Button9, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    // Divided between Петров and Ивашов: 5 pieces, 2 go to Ивашов with the same hours.
    EXPECT_EQ(query(QStringLiteral("select string_agg(w_id || ':' || kol_vo || ':' || time, ',' "
                                   "order by id) from accounts_dep.smena where id >= 10")),
              QStringLiteral("103:3:4,102:2:4"));
    EXPECT_EQ(hoursOf(102, 1, 2), QStringLiteral("4"));
    EXPECT_EQ(dm.Smena1.recordCount(), 5);
}

TEST_F(EntryTest, AFailedSaveShowsWhyAndLeavesTheDialogAsItWas) {
    inAddDialog([this] {
        fillNewEntry();
        // Петров has 8 hours that day already: the day's sum no longer fits the timesheet.
        dialog.Edit6->setText(QStringLiteral("32767"));
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
        ASSERT_EQ(messages.messages().size(), 1);
        EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Ошибка"));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.Label10->text().isEmpty());
        EXPECT_TRUE(dialog.GroupBox1->isEnabled());
        EXPECT_TRUE(dialog.Button1->isEnabled());
        EXPECT_FALSE(dialog.Button5->isEnabled());
        EXPECT_EQ(dialog.entry().id, 0);
        EXPECT_EQ(dialog.Edit6->text(), QStringLiteral("32767"));

        // Corrected, the same dialog saves a new entry.
        messages.clear();
        dialog.Edit6->setText(QStringLiteral("2"));
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
        EXPECT_TRUE(messages.texts().isEmpty());
        EXPECT_EQ(dialog.Label10->text(),
                  query(QStringLiteral("select max(id) from accounts_dep.smena")));
    });
    EXPECT_EQ(query(QStringLiteral("select count(*) from accounts_dep.smena")),
              QStringLiteral("10"));
    EXPECT_EQ(hoursOf(103, 1, 2), QStringLiteral("10"));
}

TEST_F(EntryTest, SaveRefusesIncompleteOrExcessiveEntriesWithoutWriting) {
    const struct {
        const char* what;
        std::function<void(TForm11&)> change;
        QString message;
    } cases[] = {
        {"no requisition shown", [](TForm11& d) { d.LCB_id_doc->setKeyValue(QVariant()); },
         kFillAllFields},
        {"more than required", [](TForm11& d) { d.Edit3->setText(QStringLiteral("100,5")); },
         kTooMany},
        {"exactly as required", [](TForm11& d) { d.Edit3->setText(QStringLiteral("100")); },
         QString()},
        {"not a number", [](TForm11& d) { d.Edit3->setText(QStringLiteral("1,2,3")); },
         QStringLiteral("Количество \"1,2,3\" не является числом!")},
    };
    for (const auto& c : cases) {
        messages.clear();
        const QString before = query(QStringLiteral("select count(*) from accounts_dep.smena"));
        inAddDialog([&] {
            fillNewEntry();
            c.change(dialog);
            QTest::mouseClick(dialog.Button1, Qt::LeftButton);
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
        dialog.LCB_id_doc_item->choose(1);  // ПР-1, 50 required
        EXPECT_EQ(dialog.Edit3->text(), QStringLiteral("50"));
        EXPECT_TRUE(dialog.Edit1->text().isEmpty());
        EXPECT_TRUE(dialog.Edit2->text().isEmpty());
        EXPECT_EQ(dialog.entry().workerId, 0);
        EXPECT_EQ(dialog.entry().operationId, 0);

        fillNewEntry();
        pickWorker(dialog.Button3, QStringLiteral("Ивашов Пётр"));
        EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("Ивашов Пётр"));
        EXPECT_EQ(dialog.entry().workerId, 102);
        EXPECT_TRUE(dialog.Edit2->text().isEmpty());
        EXPECT_EQ(dialog.entry().operationId, 0);

        fillNewEntry();
        dialog.LCB_id_doc->choose(1);
        EXPECT_FALSE(dialog.LCB_id_doc_item->showsText());
        EXPECT_EQ(dialog.LCB_id_doc_item->count(), 1);  // item 14 requires nothing: not listed
        EXPECT_TRUE(dialog.Edit1->text().isEmpty());
        EXPECT_TRUE(dialog.Edit2->text().isEmpty());
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
        pickInOpenList(dialog.LCB_id_doc, 1);  // requisition 2
        EXPECT_EQ(dialog.LCB_id_doc->currentIndex(), 1);
        ASSERT_EQ(dialog.LCB_id_doc_item->count(), 1);  // item 14 requires nothing: not listed
        pickInOpenList(dialog.LCB_id_doc_item, 0);
        EXPECT_EQ(dialog.Edit3->text(), QStringLiteral("5"));  // КР-2, 5 required
        EXPECT_TRUE(dialog.Button3->isEnabled());

        // Saving locks the choices; they stay shown.
        pickWorker(dialog.Button3, QStringLiteral("Петров Пётр Петрович"));
        pickOperation(3);
        dialog.Edit6->setText(QStringLiteral("2"));
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        QCoreApplication::processEvents();
        EXPECT_FALSE(dialog.GroupBox1->isEnabled());
        EXPECT_EQ(dialog.LCB_id_doc->currentIndex(), 1);
        EXPECT_EQ(dialog.LCB_id_doc_item->currentIndex(), 0);
        EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("Петров Пётр Петрович"));
        EXPECT_FALSE(dialog.Edit2->text().isEmpty());
    });
}

TEST_F(EntryTest, APaintOperationOpensTheSumBoxAndAnyOtherClosesIt) {
    inAddDialog([this] {
        dialog.LCB_id_doc->choose(1);       // requisition 2
        dialog.LCB_id_doc_item->choose(0);  // КР-2, 5 required
        pickWorker(dialog.Button3, QStringLiteral("Петров Пётр Петрович"));
        dialog.Edit3->setText(QStringLiteral("4"));
        pickOperation(3);  // Покраска, 0.5
        EXPECT_EQ(dialog.Edit2->text(), QStringLiteral("КР-2; Покраска; Готовая продукция"));
        EXPECT_TRUE(dialog.Edit5->isEnabled());
        EXPECT_TRUE(dialog.Label6->isEnabled());
        EXPECT_EQ(dialog.Edit5->text(), QStringLiteral("2"));
        pickOperation(6);  // Сварка at 1.03125, taken as 1.0312: 4 × 1.0312
        EXPECT_FALSE(dialog.Edit5->isEnabled());
        EXPECT_FALSE(dialog.Label6->isEnabled());
        EXPECT_EQ(dialog.Edit7->text(), QStringLiteral("1,0312"));
        EXPECT_EQ(dialog.Edit5->text(), QStringLiteral("4,1248"));
    });
}

TEST_F(EntryTest, TheQuantityBoxTakesADecimalCommaAndDigitsOnly) {
    inAddDialog([this] {
        dialog.Edit3->setFocus();
        QTest::keyClicks(dialog.Edit3, QStringLiteral("12.5x"));
        test::typeInto(dialog.Edit3, QStringLiteral("ж"));
        EXPECT_EQ(dialog.Edit3->text(), QStringLiteral("12,5"));
        dialog.Edit6->clear();
        QTest::keyClicks(dialog.Edit6, QStringLiteral("1.2a3"));
        EXPECT_EQ(dialog.Edit6->text(), QStringLiteral("123"));
    });
}

TEST_F(EntryTest, EditShowsTheEntryAndSavingPostsItsHours) {
    selectRow(0);  // entry 1: Иванов, КР-1, Резка, 100 pieces, 2 defects, 4 hours
    inside(
        dialog, [this] { QTest::mouseClick(form1.Button2, Qt::LeftButton); },
        [this] {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Изменение данных о позиции"));
            EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("Иванов Иван Иванович"));
            EXPECT_EQ(dialog.Edit2->text(), QStringLiteral("КР-1; Резка; Готовая продукция"));
            EXPECT_EQ(dialog.Edit3->text(), QStringLiteral("100"));
            EXPECT_EQ(dialog.Edit4->text(), QStringLiteral("2"));
            EXPECT_EQ(dialog.Edit6->text(), QStringLiteral("4"));
            EXPECT_EQ(dialog.Edit8->text(), QStringLiteral("1,25"));
            EXPECT_EQ(dialog.Edit5->text(), QStringLiteral("125"));
            EXPECT_EQ(dialog.Label10->text(), QStringLiteral("1"));
            EXPECT_EQ(dialog.LCB_id_doc->currentText(),
                      QStringLiteral("Заявка № 15 от 20.02.2026"));
            EXPECT_EQ(dialog.LCB_id_doc_item->keyValue().toLongLong(), 11);
            EXPECT_TRUE(dialog.Button5->isEnabled());
            EXPECT_FALSE(dialog.Button7->isEnabled());
            EXPECT_FALSE(dialog.Button9->isEnabled());
            dialog.Edit6->setText(QStringLiteral("6"));
            QTest::mouseClick(dialog.Button1, Qt::LeftButton);
            EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_TRUE(dialog.Button1->isEnabled());  // may be pressed again
        });
    EXPECT_EQ(hoursOf(101, 1, 2), QStringLiteral("10"));
    EXPECT_EQ(query(QStringLiteral("select ok || time from accounts_dep.smena where id=1")),
              QStringLiteral("no6"));
    EXPECT_EQ(dm.Smena1.recNo(), 1);

    selectRow(1);  // entry 2 is accepted
    EXPECT_FALSE(showsDialog([this] { QTest::mouseClick(form1.Button2, Qt::LeftButton); }));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(EntryTest, ViewShowsTheEntryReadOnlyAndTheNextAddListsEveryRequisition) {
    selectRow(0);
    inside(
        dialog, [this] { form1.DBGrid2DblClick(); },
        [this] {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Просмотр данных о позиции"));
            EXPECT_EQ(dialog.Tag, 3);
            EXPECT_FALSE(dialog.GroupBox1->isEnabled());
            EXPECT_FALSE(dialog.Button1->isEnabled());
            EXPECT_FALSE(dialog.Button5->isEnabled());
            EXPECT_FALSE(dialog.Button9->isEnabled());
            EXPECT_EQ(dialog.LCB_id_doc->currentText(),
                      QStringLiteral("Заявка № 15 от 20.02.2026"));
            EXPECT_TRUE(dialog.LCB_id_doc_item->showsText());
            EXPECT_EQ(dialog.LCB_id_doc->count(), 1);
        });
    EXPECT_TRUE(dialog.GroupBox1->isEnabled());
    inAddDialog([this] {
        EXPECT_EQ(dialog.LCB_id_doc->count(), 2);
        dialog.LCB_id_doc->choose(0);
        EXPECT_EQ(dialog.LCB_id_doc_item->count(), 2);
    });
}

TEST_F(EntryTest, EveryFieldIsAnnouncedByItsLabel) {
    const struct {
        QWidget* window;
        const char* caption;
        const char* field;
    } cases[] = {
        {&dialog, "Заявка", "LCB_id_doc"}, {&dialog, "Строка", "LCB_id_doc_item"},
        {&dialog, "ФИО", "Edit1"},         {&dialog, "Операция", "Edit2"},
        {&dialog, "Кол-во", "Edit3"},      {&dialog, "Время", "Edit6"},
        {&dialog, "Дата", "DTimeP"},       {&dialog, "Брак", "Edit4"},
        {&dialog, "Цена база", "Edit7"},   {&dialog, "Цена итог", "Edit8"},
        {&dialog, "Сумма", "Edit5"},       {&dialog, "Итого:", "DBEdit1"},
        {&dialog, "Бригада", "DBGrid2"},   {&consumption, "ТМЦ", "LCB_id_gds_use"},
        {&consumption, "Расход", "Edit7"},
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
        ASSERT_NE(found->buddy(), nullptr) << c.caption;
        EXPECT_EQ(found->buddy()->objectName(), QString::fromLatin1(c.field)) << c.caption;
    }
}

}  // namespace
}  // namespace tabel::shiftlog
