// The daily work at the keyboard: the shift log's keys, Tab over the date, typing into the
// picker fields, the list standing on the entry just made, the figures an edit shows, the wheel
// over the entry dialog and the stock that is gone at saving.
#include <QApplication>
#include <QMenuBar>
#include <QWheelEvent>

#include "entry_test.h"
#include "find_widget.h"

namespace tabel::shiftlog {
namespace {

using KeyboardTest = EntryTest;

TEST_F(KeyboardTest, TabFromTheHoursPassesTheDateAndADigitLandsInTheDefects) {
    inAddDialog([this] {
        dialog.hoursEdit->setFocus(Qt::TabFocusReason);
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(dialog.focusWidget(), dialog.dateEdit);
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(dialog.focusWidget(), dialog.defectsEdit);
        dialog.defectsEdit->selectAll();
        QTest::keyClicks(dialog.focusWidget(), QStringLiteral("3"));
        EXPECT_EQ(dialog.defectsEdit->text(), QStringLiteral("3"));
        EXPECT_EQ(dialog.dateEdit->date(), kMonday);
    });
}

TEST_F(KeyboardTest, AfterSavingANewEntryTheListStandsOnIt) {
    inAddDialog([this] {
        fillNewEntry();
        QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
    });
    const int made = dialog.entry().id;
    ASSERT_NE(made, 0);
    EXPECT_EQ(dm.shift1Entries.field(QStringLiteral("id")).asInteger(), made);
    EXPECT_NE(dm.shift1Entries.recNo(), 1);  // the fixture's entries come first by name
}

TEST_F(KeyboardTest, AfterSavingANewEntryTheKeyboardGoesOnToItsMaterials) {
    inAddDialog([this] {
        fillNewEntry();
        dialog.hoursEdit->setFocus();
        QTest::keyClick(dialog.hoursEdit, Qt::Key_Return);  // the default button saves
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        ASSERT_NE(dialog.entry().id, 0);
        EXPECT_EQ(dialog.focusWidget(), dialog.materialsPanel->addMaterialButton);
    });
}

TEST_F(KeyboardTest, EditShowsTheEntrysOwnBasePriceAndASumThatFollowsTheQuantity) {
    selectRow(0);  // entry 1: operation 1 at 1.25, 100 pieces
    dialog.basePriceEdit->setText(QStringLiteral("99"));  // what a previous opening left
    inside(
        dialog, [this] { QTest::keyClick(shiftLog.entriesGrid, Qt::Key_F2); },
        [this] {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Изменение данных о позиции"));
            EXPECT_EQ(dialog.basePriceEdit->text(), QStringLiteral("1,25"));
            EXPECT_EQ(dialog.sumEdit->text(), QStringLiteral("125"));
            dialog.quantityEdit->setFocus();
            dialog.quantityEdit->selectAll();
            QTest::keyClicks(dialog.quantityEdit, QStringLiteral("10"));
            EXPECT_EQ(dialog.sumEdit->text(), QStringLiteral("12,5"));
        });
}

TEST_F(KeyboardTest, ShiftLogKeysDoWhatTheirButtonsDo) {
    shiftLog.entriesGrid->setFocus();
    EXPECT_TRUE(showsDialog([this] { QTest::keyClick(shiftLog.entriesGrid, Qt::Key_Insert); }));
    EXPECT_EQ(dialog.mode, EntryDialog::Mode::Add);
    selectRow(0);
    EXPECT_TRUE(showsDialog([this] { QTest::keyClick(shiftLog.entriesGrid, Qt::Key_F2); }));
    EXPECT_EQ(dialog.mode, EntryDialog::Mode::Edit);
    EXPECT_TRUE(showsDialog([this] { QTest::keyClick(shiftLog.entriesGrid, Qt::Key_Return); }));
    EXPECT_EQ(dialog.mode, EntryDialog::Mode::View);

    const int before = dm.shift1Entries.recordCount();
    messages.answerNext(core::Answer::No);
    QTest::keyClick(shiftLog.entriesGrid, Qt::Key_Delete);
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Удалить позицию из списка?")});
    EXPECT_EQ(dm.shift1Entries.recordCount(), before);

    // Tab leaves the grid for the next control instead of walking its cells.
    shiftLog.entriesGrid->setFocus();
    QTest::keyClick(shiftLog.entriesGrid, Qt::Key_Tab);
    EXPECT_NE(shiftLog.focusWidget(), shiftLog.entriesGrid);
}

TEST_F(KeyboardTest, EveryShiftLogCaptionHasItsOwnMnemonic) {
    QList<QChar> keys;
    QStringList captions;
    for (QAbstractButton* button :
         shiftLog.findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
        captions.append(button->text());
    }
    for (QAction* action : shiftLog.mainMenu->actions()) {
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
    EXPECT_EQ(shiftLog.addButton->accessibleName().isEmpty()
                  ? test::withoutMnemonic(shiftLog.addButton->text())
                  : shiftLog.addButton->accessibleName(),
              QStringLiteral("Добавить"));
}

TEST_F(KeyboardTest, TypingOnTheWorkerFieldOpensTheListWithTheTextSearched) {
    inAddDialog([this] {
        dialog.requisitionCombo->choose(0);
        dialog.requisitionItemCombo->choose(0);
        QString searched;
        whenShown(&workers, [&] {
            searched = workers.searchBox->text();
            QTest::keyClick(workers.searchBox, Qt::Key_Return);
        });
        dialog.pickWorkerButton->setFocus();
        test::typeInto(dialog.pickWorkerButton, QStringLiteral("П"));
        EXPECT_EQ(searched, QStringLiteral("П"));
        EXPECT_EQ(dialog.workerEdit->text(), QStringLiteral("Петров Пётр Петрович"));
        EXPECT_EQ(dialog.focusWidget(), dialog.pickOperationButton);
    });
}

TEST_F(KeyboardTest, TheWheelOverTheDialogStepsTheFocusedRequisitionList) {
    inAddDialog([this] {
        dialog.requisitionCombo->setFocus();
        ASSERT_EQ(dialog.focusWidget(), dialog.requisitionCombo);
        const int before = dialog.requisitionCombo->currentIndex();
        const QPointF at(5, 5);
        QWheelEvent down(at, dialog.mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(dialog.quantityEdit, &down);
        EXPECT_EQ(dialog.requisitionCombo->currentIndex(), before + 1);
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
            consumption.goodsCombo->choose(0);
            // As the user does: into the quantity (leaving the goods proposes it), then typed.
            consumption.quantityEdit->setFocus();
            consumption.quantityEdit->setText(QStringLiteral("5"));
            test::adminExec(QStringLiteral("update stk_remainder.remainder set f_qty = 0"));
            QTest::mouseClick(consumption.saveButton, Qt::LeftButton);
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
            consumption.goodsCombo->setFocus();
            {
                const QSignalBlocker quiet(consumption.goodsCombo);
                consumption.goodsCombo->setCurrentIndex(0);
            }
            QFocusEvent leaving(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(consumption.goodsCombo, &leaving);
            EXPECT_NE(consumption.quantityEdit->text(), QStringLiteral("0"));
            EXPECT_NE(consumption.freeStockLabel->text(),
                      QStringLiteral("Свободный остаток на складе: 0"));
        });
}

}  // namespace
}  // namespace tabel::shiftlog
