// The daily work at the keyboard: the shift log's keys, Tab over the date, typing into the
// picker fields, the list standing on the entry just made, the figures an edit shows, the wheel
// over the entry dialog and the stock that is gone at saving.
#include <QApplication>
#include <QMenuBar>
#include <QWheelEvent>

#include "entry_test.h"
#include "eventually.h"
#include "find_widget.h"
#include "focus_frame.h"

namespace tabel::shiftlog {
namespace {

using KeyboardTest = EntryTest;

TEST_F(KeyboardTest, TabFromTheHoursPassesTheDateAndADigitLandsInTheDefects) {
    inAddDialog([this] {
        ui.hoursEdit->setFocus(Qt::TabFocusReason);
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(dialog.focusWidget(), ui.dateEdit);
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(dialog.focusWidget(), ui.defectsEdit);
        ui.defectsEdit->selectAll();
        QTest::keyClicks(dialog.focusWidget(), QStringLiteral("3"));
        EXPECT_EQ(ui.defectsEdit->text(), QStringLiteral("3"));
        EXPECT_EQ(ui.dateEdit->date(), kMonday);
    });
}

TEST_F(KeyboardTest, AfterSavingANewEntryTheListStandsOnIt) {
    inAddDialog([this] {
        fillNewEntry();
        QTest::mouseClick(ui.saveButton, Qt::LeftButton);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
    });
    const int made = dialog.entry().id;
    ASSERT_NE(made, 0);
    EXPECT_SOON_EQ(test::shiftList(shiftLog, 1).field(QStringLiteral("id")).asInteger(), made,
                   5000);
    EXPECT_NE(test::shiftList(shiftLog, 1).recNo(), 1);  // the fixture's entries come first by name
}

TEST_F(KeyboardTest, AfterSavingANewEntryTheKeyboardGoesOnToItsMaterials) {
    inAddDialog([this] {
        fillNewEntry();
        ui.hoursEdit->setFocus();
        QTest::keyClick(ui.hoursEdit, Qt::Key_Return);  // the default button saves
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        ASSERT_NE(dialog.entry().id, 0);
        EXPECT_EQ(dialog.focusWidget(), ui.addMaterialButton);
    });
}

// Materials and brigade members are added one after another from the keyboard: each time the
// keyboard is back on "Добавить", the material list answers Down at once (the second time as
// the first), and the entry's own "ФИО" keeps its worker while the brigade grows.
TEST_F(KeyboardTest, MaterialsAndBrigadeMembersAreAddedOneAfterAnother) {
    inAddDialog([this] {
        fillNewEntry();
        ui.hoursEdit->setFocus();
        QTest::keyClick(ui.hoursEdit, Qt::Key_Return);  // saved: on to the materials
        ASSERT_NE(dialog.entry().id, 0);
        for (int material = 1; material <= 2; ++material) {
            SCOPED_TRACE(material);
            ASSERT_EQ(dialog.focusWidget(), ui.addMaterialButton);
            int before = -2;
            int after = -2;
            inside(
                consumption, [this] { QTest::keyClick(dialog.focusWidget(), Qt::Key_Space); },
                [&] {
                    before = cons.goodsCombo->currentIndex();
                    QTest::keyClick(consumption.focusWidget(), Qt::Key_Down);
                    after = cons.goodsCombo->currentIndex();
                    cons.quantityEdit->setFocus(Qt::TabFocusReason);
                    QTest::keyClicks(cons.quantityEdit, QStringLiteral("1"));
                    QTest::keyClick(cons.quantityEdit, Qt::Key_Return);
                });
            EXPECT_EQ(after, before + 1);
            EXPECT_EQ(ui.materials().recordCount(), material);
        }
        const QString members[] = {QStringLiteral("Ивашов Пётр"),
                                   QStringLiteral("Иванов Иван Иванович")};
        ui.addMemberButton->setFocus(Qt::TabFocusReason);
        for (const QString& member : members) {
            SCOPED_TRACE(member.toStdString());
            ASSERT_EQ(dialog.focusWidget(), ui.addMemberButton);
            whenShown(&workers, [this, member] {
                ASSERT_TRUE(test::listShownBy(workers).locate(QStringLiteral("fio"), member));
                QTest::keyClick(workers.focusWidget(), Qt::Key_Return);
            });
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Space);
            EXPECT_EQ(ui.workerEdit->text(), QStringLiteral("Петров Пётр Петрович"));
        }
        EXPECT_EQ(ui.brigade().recordCount(), 2);
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
    });
}

TEST_F(KeyboardTest, EditShowsTheEntrysOwnBasePriceAndASumThatFollowsTheQuantity) {
    selectRow(0);                                     // entry 1: operation 1 at 1.25, 100 pieces
    ui.basePriceEdit->setText(QStringLiteral("99"));  // what a previous opening left
    inside(
        dialog, [this] { QTest::keyClick(sl.entriesGrid, Qt::Key_F2); },
        [this] {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Изменение данных о позиции"));
            EXPECT_EQ(ui.basePriceEdit->text(), QStringLiteral("1,25"));
            EXPECT_EQ(ui.sumEdit->text(), QStringLiteral("125"));
            ui.quantityEdit->setFocus();
            ui.quantityEdit->selectAll();
            QTest::keyClicks(ui.quantityEdit, QStringLiteral("10"));
            EXPECT_EQ(ui.sumEdit->text(), QStringLiteral("12,5"));
        });
}

// An edit closed with the keyboard in "Кол-во" leaves nothing to the next new entry: it starts
// on "Заявка", and no price, sum or quantity shows, before or after its fields are walked with
// Tab (none of them is the edited entry's, and there is no operation to price yet).
TEST_F(KeyboardTest, ANewEntryAfterAnEditStartsOnTheRequisitionWithNoFigures) {
    selectRow(0);  // entry 1: 1,25 a piece
    inside(
        dialog, [this] { QTest::keyClick(sl.entriesGrid, Qt::Key_F2); },
        [this] {
            ui.quantityEdit->setFocus(Qt::TabFocusReason);
            QTest::keyClicks(ui.quantityEdit, QStringLiteral("90"));
            QTest::keyClick(ui.quantityEdit, Qt::Key_Escape);
        });
    ASSERT_FALSE(dialog.isVisible());
    inside(
        dialog, [this] { QTest::keyClick(sl.entriesGrid, Qt::Key_Insert); },
        [this] {
            QApplication::setActiveWindow(&dialog);  // the keyboard's focus moves with events
            EXPECT_EQ(dialog.mode(), EntryDialog::Mode::Add);
            EXPECT_EQ(dialog.focusWidget(), ui.requisitionCombo);
            const auto figures = [this] {
                return QStringList{ui.quantityEdit->text(), ui.basePriceEdit->text(),
                                   ui.finalPriceEdit->text(), ui.sumEdit->text()};
            };
            EXPECT_EQ(figures(), QStringList(4, QString()));
            for (int i = 0; i < 8; ++i) {
                QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
            }
            EXPECT_EQ(figures().mid(1), QStringList(3, QString()));
        });
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
}

// In an edit the worker and the operation are chosen already: Tab and Shift+Tab go past their
// "..." buttons, so a figure typed after a Tab too few or too many lands in a field, never in
// the search of a list that an empty result then empties the entry with.
TEST_F(KeyboardTest, TabInAnEditPassesTheChoiceButtons) {
    const struct {
        const char* what;
        QList<Qt::Key> keys;  // from "Заявка"
        const char* landsIn;
    } cases[] = {
        {"Tab Tab", {Qt::Key_Tab, Qt::Key_Tab}, "quantityEdit"},
        {"Tab Tab Tab", {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab}, "hoursEdit"},
        {"Tab Tab Tab Backtab",
         {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab},
         "quantityEdit"},
        {"Tab Tab Backtab", {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab}, "requisitionItemCombo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        selectRow(0);
        inside(
            dialog, [this] { QTest::keyClick(sl.entriesGrid, Qt::Key_F2); },
            [this, &c] {
                QApplication::setActiveWindow(&dialog);
                ASSERT_EQ(dialog.focusWidget(), ui.requisitionCombo);
                for (const Qt::Key key : c.keys) {
                    QTest::keyClick(dialog.focusWidget(), key);
                }
                EXPECT_EQ(dialog.focusWidget()->objectName().toStdString(), c.landsIn);
                if (qobject_cast<QLineEdit*>(dialog.focusWidget()) != nullptr) {
                    EXPECT_FALSE(opensAList(
                        [this] { test::typeInto(dialog.focusWidget(), QStringLiteral("7")); }));
                    EXPECT_EQ(static_cast<QLineEdit*>(dialog.focusWidget())->text(),
                              QStringLiteral("7"));
                }
                EXPECT_EQ(ui.workerEdit->text(), QStringLiteral("Иванов Иван Иванович"));
                EXPECT_EQ(ui.operationEdit->text(),
                          QStringLiteral("КР-1; Резка; Готовая продукция"));
            });
    }
}

// A search that leaves a choice list empty, then Enter: the list closes and the entry keeps its
// worker and its operation.
TEST_F(KeyboardTest, EnterOnAnEmptyChoiceListChangesNothing) {
    const struct {
        const char* what;
        bool worker;
    } cases[] = {{"workers", true}, {"operations", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        selectRow(0);
        inside(
            dialog, [this] { QTest::keyClick(sl.entriesGrid, Qt::Key_F2); },
            [this, &c] {
                QDialog& list = c.worker ? static_cast<QDialog&>(workers) : operations;
                int rows = -1;
                whenShown(&list, [&] {
                    auto* search = list.findChild<QLineEdit*>(QStringLiteral("searchBox"));
                    test::typeInto(search, QStringLiteral("1"));
                    rows = test::listShownBy(list).recordCount();
                    QTest::keyClick(search, Qt::Key_Return);
                });
                QTest::mouseClick(c.worker ? ui.pickWorkerButton : ui.pickOperationButton,
                                  Qt::LeftButton);
                EXPECT_EQ(rows, 0);
                EXPECT_FALSE(list.isVisible());
                EXPECT_EQ(ui.workerEdit->text(), QStringLiteral("Иванов Иван Иванович"));
                EXPECT_EQ(ui.operationEdit->text(),
                          QStringLiteral("КР-1; Резка; Готовая продукция"));
                EXPECT_EQ(dialog.entry().workerId, 101);
                EXPECT_EQ(dialog.entry().operationId, 1);
            });
    }
}

// Alt with the shift's number shows its list with the keyboard on the current row, framed; the
// arrows move the row at once.
TEST_F(KeyboardTest, AltWithAShiftsNumberPutsTheKeyboardOnItsList) {
    QApplication::setActiveWindow(&shiftLog);
    const struct {
        Qt::Key digit;
        int shift;
        int rowAfterDown;  // the list's row after one Down
    } cases[] = {
        {Qt::Key_2, 2, 0},  // one entry
        {Qt::Key_1, 1, 1}, {Qt::Key_3, 3, 0}, {Qt::Key_4, 4, 0}, {Qt::Key_1, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shift);
        // The keyboard is elsewhere first: on the date, put there by a click.
        sl.dateEdit->setFocus(Qt::MouseFocusReason);
        shiftLog.setAttribute(Qt::WA_KeyboardFocusChange, false);
        EXPECT_FALSE(test::showsFocusFrame(*sl.entriesGrid));
        QTest::keyClick(sl.dateEdit, c.digit, Qt::AltModifier);
        EXPECT_SOON(shiftLog.shift() == c.shift && sl.entriesGrid->hasFocus(), 2000);
        data::Dataset& list = test::shiftList(shiftLog, c.shift);
        ASSERT_EQ(sl.entriesGrid->dataset(), &list);
        EXPECT_TRUE(test::showsFocusFrame(*sl.entriesGrid));
        EXPECT_EQ(sl.entriesGrid->currentIndex().row(), list.currentRow());
        list.setCurrentRow(0);
        QTest::keyClick(sl.entriesGrid, Qt::Key_Down);
        EXPECT_EQ(list.currentRow(), c.rowAfterDown);
    }
}

TEST_F(KeyboardTest, ShiftLogKeysDoWhatTheirButtonsDo) {
    sl.entriesGrid->setFocus();
    EXPECT_TRUE(showsDialog([this] { QTest::keyClick(sl.entriesGrid, Qt::Key_Insert); }));
    EXPECT_EQ(dialog.mode(), EntryDialog::Mode::Add);
    selectRow(0);
    EXPECT_TRUE(showsDialog([this] { QTest::keyClick(sl.entriesGrid, Qt::Key_F2); }));
    EXPECT_EQ(dialog.mode(), EntryDialog::Mode::Edit);
    EXPECT_TRUE(showsDialog([this] { QTest::keyClick(sl.entriesGrid, Qt::Key_Return); }));
    EXPECT_EQ(dialog.mode(), EntryDialog::Mode::View);

    const int before = test::shiftList(shiftLog, 1).recordCount();
    messages.answerNext(core::Answer::No);
    QTest::keyClick(sl.entriesGrid, Qt::Key_Delete);
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Удалить позицию из списка?")});
    EXPECT_EQ(test::shiftList(shiftLog, 1).recordCount(), before);

    // Insert, F2 and F5 act wherever the focus is in the window; Delete only on the list.
    const struct {
        QWidget* focused;
        Qt::Key key;
        bool dialogShown;
    } elsewhere[] = {
        {sl.shift2Radio, Qt::Key_Insert, true},
        {sl.dateEdit, Qt::Key_F2, true},
        {sl.refreshButton, Qt::Key_Delete, false},
        {sl.dateEdit, Qt::Key_Delete, false},
    };
    for (const auto& e : elsewhere) {
        SCOPED_TRACE(e.focused->objectName().toStdString() + " " + std::to_string(e.key));
        messages.clear();
        selectRow(0);
        e.focused->setFocus();
        EXPECT_EQ(showsDialog([&] { QTest::keyClick(e.focused, e.key); }), e.dialogShown);
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
    }
    EXPECT_EQ(test::shiftList(shiftLog, 1).recordCount(), before);
    session.changes.stop();  // only "Обновить" reads the change below
    test::adminExec(QStringLiteral("update accounts_dep.smena set kol_vo = 99 where id = 1"));
    sl.dayOffCheck->setFocus();
    QTest::keyClick(sl.dayOffCheck, Qt::Key_F5);
    EXPECT_DOUBLE_EQ(test::shiftList(shiftLog, 1).field(QStringLiteral("kol_vo")).asFloat(), 99);

    // Tab leaves the grid for the next control instead of walking its cells.
    sl.entriesGrid->setFocus();
    QTest::keyClick(sl.entriesGrid, Qt::Key_Tab);
    EXPECT_NE(shiftLog.focusWidget(), sl.entriesGrid);
}

// F2 or "Изменить" on an accepted entry opens nothing and says why in the status line, until
// another row is current.
TEST_F(KeyboardTest, EditingAnAcceptedEntrySaysWhyInTheStatusLine) {
    ASSERT_NE(sl.statusLabel, nullptr);
    const QString told = QStringLiteral("Позиция принята, изменить ее нельзя");
    const struct {
        const char* what;
        int row;
        std::function<void()> edit;
        QString status;
    } cases[] = {
        {"F2 on ok", 1, [this] { QTest::keyClick(sl.entriesGrid, Qt::Key_F2); }, told},
        {"F2 on да", 2, [this] { QTest::keyClick(sl.entriesGrid, Qt::Key_F2); }, told},
        {"button on ok", 1, [this] { QTest::mouseClick(sl.editButton, Qt::LeftButton); }, told},
        {"F2 on an open entry", 0, [this] { QTest::keyClick(sl.entriesGrid, Qt::Key_F2); },
         QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sl.entriesGrid->setFocus();
        selectRow(c.row);
        EXPECT_EQ(showsDialog(c.edit), c.status.isEmpty());
        EXPECT_EQ(sl.statusLabel->text(), c.status);
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        // Another row current: the line is clear again.
        QTest::keyClick(sl.entriesGrid, c.row == 0 ? Qt::Key_Down : Qt::Key_Up);
        EXPECT_TRUE(sl.statusLabel->text().isEmpty());
    }
}

TEST_F(KeyboardTest, EveryShiftLogCaptionHasItsOwnMnemonic) {
    QList<QChar> keys;
    QStringList captions;
    for (QAbstractButton* button :
         shiftLog.findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
        captions.append(button->text());
    }
    for (QAction* action : sl.mainMenu->actions()) {
        captions.append(action->text());
    }
    for (const QString& caption : captions) {
        const qsizetype at = caption.indexOf(u'&');
        ASSERT_GE(at, 0) << caption.toStdString();
        const QChar key = caption.at(at + 1).toUpper();
        EXPECT_FALSE(keys.contains(key)) << caption.toStdString();
        keys.append(key);
    }
    EXPECT_NE(test::buttonCaptioned(shiftLog, QStringLiteral("Добавить")), nullptr);
    EXPECT_EQ(sl.addButton->accessibleName().isEmpty() ? test::withoutMnemonic(sl.addButton->text())
                                                       : sl.addButton->accessibleName(),
              QStringLiteral("Добавить"));
}

TEST_F(KeyboardTest, TypingOnTheWorkerFieldOpensTheListWithTheTextSearched) {
    inAddDialog([this] {
        ui.requisitionCombo->choose(0);
        ui.requisitionItemCombo->choose(0);
        QString searched;
        whenShown(&workers, [&] {
            auto* search = workers.findChild<QLineEdit*>(QStringLiteral("searchBox"));
            searched = search->text();
            QTest::keyClick(search, Qt::Key_Return);
        });
        ui.pickWorkerButton->setFocus();
        test::typeInto(ui.pickWorkerButton, QStringLiteral("П"));
        EXPECT_EQ(searched, QStringLiteral("П"));
        EXPECT_EQ(ui.workerEdit->text(), QStringLiteral("Петров Пётр Петрович"));
        EXPECT_EQ(dialog.focusWidget(), ui.pickOperationButton);
    });
}

// The first letter typed on the field opens the list; the user goes on typing there, and every
// letter counts: the first is not replaced by the second.
TEST_F(KeyboardTest, TypingAheadIntoAListKeepsEveryLetter) {
    test::adminExec(QStringLiteral(
        "insert into cmn_contractor.person (id, s_code, s_caption, b_employee) values "
        "(9, '108', 'Smith John', true); "
        "update accounts_dep.izdel set marka = 'PR-1' where id = 3"));
    const struct {
        const char* what;
        bool worker;
        int item;  // the requisition line: 0 is КР-1, 1 is PR-1
        QString typed;
        QString shown;  // the worker or operation field afterwards
    } cases[] = {
        {"worker, one Cyrillic key", true, 0, QStringLiteral("П"),
         QStringLiteral("Петров Пётр Петрович")},
        {"worker, three Cyrillic keys", true, 0, QStringLiteral("Куз"),
         QStringLiteral("Кузнецова Анна Сергеевна")},
        {"worker, one Latin key", true, 0, QStringLiteral("S"), QStringLiteral("Smith John")},
        {"worker, three Latin keys", true, 0, QStringLiteral("Smi"), QStringLiteral("Smith John")},
        {"operation, one Cyrillic key", false, 0, QStringLiteral("К"),
         QStringLiteral("КР-1; Резка; Готовая продукция")},
        {"operation, three Cyrillic keys", false, 0, QStringLiteral("КР-"),
         QStringLiteral("КР-1; Резка; Готовая продукция")},
        {"operation, one Latin key", false, 1, QStringLiteral("P"),
         QStringLiteral("PR-1; Гибка 'Г'; Готовая продукция")},
        {"operation, three Latin keys", false, 1, QStringLiteral("PR-"),
         QStringLiteral("PR-1; Гибка 'Г'; Готовая продукция")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        inAddDialog([this, &c] {
            ui.requisitionCombo->choose(0);
            ui.requisitionItemCombo->choose(c.item);
            if (!c.worker) {
                pickWorker(ui.pickWorkerButton, QStringLiteral("Петров Пётр Петрович"));
            }
            QDialog& list = c.worker ? static_cast<QDialog&>(workers) : operations;
            QString searched;
            whenShown(&list, [&] {
                // The rest of the word goes where the list's keyboard now is.
                test::typeInto(list.focusWidget(), c.typed.mid(1));
                auto* search = list.findChild<QLineEdit*>(QStringLiteral("searchBox"));
                searched = search->text();
                QTest::keyClick(search, Qt::Key_Return);
            });
            QPushButton* field = c.worker ? ui.pickWorkerButton : ui.pickOperationButton;
            field->setFocus();
            test::typeInto(field, c.typed.left(1));
            EXPECT_EQ(searched, c.typed);
            EXPECT_EQ((c.worker ? ui.workerEdit : ui.operationEdit)->text(), c.shown);
        });
    }
}

TEST_F(KeyboardTest, TheWheelOverTheDialogStepsTheFocusedRequisitionList) {
    inAddDialog([this] {
        ui.requisitionCombo->setFocus();
        ASSERT_EQ(dialog.focusWidget(), ui.requisitionCombo);
        const int before = ui.requisitionCombo->currentIndex();
        const QPointF at(5, 5);
        QWheelEvent down(at, dialog.mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(ui.quantityEdit, &down);
        EXPECT_EQ(ui.requisitionCombo->currentIndex(), before + 1);
    });
}

using MaterialKeyboardTest = EntryTest;

TEST_F(MaterialKeyboardTest, WholeRestAskedForWhenNothingIsLeftSaysSo) {
    messages.answerNext(core::Answer::Yes);
    inside(
        consumption,
        [this] {
            consumption.openFor({1, 1, QStringLiteral("100"), QString()});
        },
        [this] {
            cons.goodsCombo->choose(0);
            // As the user does: into the quantity (leaving the goods proposes it), then typed.
            cons.quantityEdit->setFocus();
            cons.quantityEdit->setText(QStringLiteral("5"));
            test::adminExec(QStringLiteral("update stk_remainder.remainder set f_qty = 0"));
            QTest::mouseClick(cons.saveButton, Qt::LeftButton);
            EXPECT_TRUE(consumption.isVisible());
        });
    ASSERT_EQ(messages.messages().size(), 2) << messages.texts().join(';').toStdString();
    EXPECT_EQ(messages.messages()[1].kind, core::MessageKind::Information);
    EXPECT_EQ(messages.messages()[1].text,
              QStringLiteral("На складе не осталось этого ТМЦ: расходовать нечего."));
}

TEST_F(MaterialKeyboardTest, LeavingTheGoodsListChoosesWhatItShows) {
    inside(
        consumption,
        [this] {
            consumption.openFor({1, 1, QStringLiteral("100"), QString()});
        },
        [this] {
            cons.goodsCombo->setFocus();
            {
                const QSignalBlocker quiet(cons.goodsCombo);
                cons.goodsCombo->setCurrentIndex(0);
            }
            QFocusEvent leaving(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(cons.goodsCombo, &leaving);
            EXPECT_NE(cons.quantityEdit->text(), QStringLiteral("0"));
            EXPECT_NE(cons.freeStockLabel->text(),
                      QStringLiteral("Свободный остаток на складе: 0"));
        });
}

}  // namespace
}  // namespace tabel::shiftlog
