// The norms window: the ladder of one operation edited in its grid, opened from the operations
// list, and what the list shows afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "refdata_test.h"
#include "widgets/data_grid.h"

namespace tabel::refdata {
namespace {

QString normsInDb(int operationId) {
    return test::adminQuery(
        QStringLiteral("select string_agg(format('%s/%s/%s', norma, price, prize), ' ' order by "
                       "norma) from accounts_dep.norm where o_id=%1")
            .arg(operationId));
}

class NormsTest : public RefdataTest {
protected:
    // Opens the list in browse mode on operation `id`, opens its norms with a double-click
    // while "Цены" is checked, runs `inNorms` there and then `inList` back in the list. A norms
    // window still open after `inNorms` is closed through the title bar.
    void withNormsOf(int id, std::function<void()> inNorms, std::function<void()> inList = {}) {
        whenShown(&operations, [&] {
            if (test::listShownBy(operations).locate(QStringLiteral("id"), id)) {
                control<QCheckBox>(operations, "pricesCheck")->setChecked(true);
                whenShown(&norms, [&] {
                    inNorms();
                    if (norms.isVisible()) {
                        norms.close();
                    }
                });
                doubleClickCurrentRow(operations);
                if (inList) {
                    inList();
                }
            } else {
                ADD_FAILURE() << "operation " << id << " is not listed";
            }
            operations.reject();
        });
        operations.openForBrowse();
    }

    widgets::DataGrid* normsGrid() { return grid(norms, "normsGrid"); }
    data::Dataset& shownNorms() { return test::listShownBy(norms, QStringLiteral("normsGrid")); }
    widgets::DatasetModel* model() { return normsGrid()->source()->model(); }
    int column(const char* field) { return normsGrid()->columnOf(QString::fromLatin1(field)); }

    // The grid's rows as "norma/price/prize" texts, as shown.
    QStringList ladder() {
        QStringList rows;
        for (int row = 0; row < model()->rowCount(); ++row) {
            QStringList cells;
            for (const char* field : {"norma", "price", "prize"}) {
                cells.append(model()->index(row, column(field)).data().toString());
            }
            rows.append(cells.join(u'/'));
        }
        return rows;
    }

    // Types `text` into a cell's editor and leaves it with `leave`.
    void typeCell(int row, const char* field, const QString& text, Qt::Key leave = Qt::Key_Tab) {
        widgets::DataGrid* cells = normsGrid();
        const QModelIndex index = model()->index(row, column(field));
        cells->setCurrentIndex(index);
        QCoreApplication::processEvents();
        cells->edit(index);
        auto* editor = qobject_cast<QLineEdit*>(cells->indexWidget(index));
        ASSERT_NE(editor, nullptr) << row << "," << field;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, leave);
        QCoreApplication::processEvents();
    }
};

TEST_F(NormsTest, ShowsTheOperationsLadderByNormWithTwoOrThreeDecimals) {
    test::adminExec(
        // New norms first: the database keeps at least one per operation.
        QStringLiteral("insert into accounts_dep.norm(o_id, norma, prize, price) values "
                       "(4, 160, 10, 5.12345), (4, 80, 0, 5.5), (4, 120, 5, 5.125);"
                       "delete from accounts_dep.norm where id in (5, 6, 7)"));
    QStringList shown;
    QString newRowMark;
    withNormsOf(4, [&] {
        EXPECT_EQ(norms.windowTitle(), QStringLiteral("Норматив"));
        shown = ladder();
        newRowMark = model()->headerData(3, Qt::Vertical, Qt::DisplayRole).toString();
    });
    EXPECT_EQ(shown, (QStringList{QStringLiteral("80/5,50/0"), QStringLiteral("120/5,125/5"),
                                  QStringLiteral("160/5,123/10"), QStringLiteral("//")}));
    EXPECT_EQ(newRowMark, QStringLiteral("*"));
}

TEST_F(NormsTest, EachChangedCellIsStoredOnLeavingItsColumnAndSaveReReadsTheList) {
    QStringList afterNorma;
    QStringList afterPrice;
    int recNoBefore = 0;
    QString listAfter;
    withNormsOf(
        2,
        [&] {
            recNoBefore = test::listShownBy(operations).recNo();
            typeCell(model()->newRow(), "norma", QStringLiteral("40"));
            afterNorma = QStringList{normsInDb(2), ladder().join(u' ')};
            // The stored row moved up to its place by norma, and editing goes on there.
            EXPECT_EQ(normsGrid()->currentIndex(), model()->index(0, column("price")));
            typeCell(0, "price", QStringLiteral("3,75"));
            afterPrice = QStringList{normsInDb(2), ladder().join(u' ')};
            typeCell(0, "prize", QStringLiteral("15"), Qt::Key_Return);
            QTest::mouseClick(button(norms, "saveButton"), Qt::LeftButton);
            EXPECT_FALSE(norms.isVisible());
        },
        [&] {
            listAfter =
                QStringLiteral("%1:%2/%3/%4")
                    .arg(test::listShownBy(operations).recNo())
                    .arg(test::listShownBy(operations).field(QStringLiteral("id")).asInteger())
                    .arg(test::listShownBy(operations).field(QStringLiteral("norma")).asInteger())
                    .arg(test::listShownBy(operations).field(QStringLiteral("cena")).asString());
        });
    EXPECT_EQ(afterNorma,
              (QStringList{QStringLiteral("40// 50/3/0"), QStringLiteral("40// 50/3,00/0 //")}));
    EXPECT_EQ(afterPrice, (QStringList{QStringLiteral("40/3.75/ 50/3/0"),
                                       QStringLiteral("40/3,75/ 50/3,00/0 //")}));
    EXPECT_EQ(normsInDb(2), QStringLiteral("40/3.75/15 50/3/0"));
    EXPECT_EQ(listAfter, QStringLiteral("%1:2/2/3").arg(recNoBefore));  // min of 3,75 and 3
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
}

TEST_F(NormsTest, TypingGoesOnInTheNextCellAfterATabStoresOne) {
    withNormsOf(2, [&] {
        widgets::DataGrid* grid = normsGrid();
        grid->setFocus();
        grid->setCurrentIndex(model()->index(model()->newRow(), column("norma")));
        QCoreApplication::processEvents();
        const QStringList typed{QStringLiteral("100"), QStringLiteral("5,5"), QStringLiteral("10")};
        for (int i = 0; i < typed.size(); ++i) {
            QWidget* focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr) << "no focus before typing " << typed[i].toStdString();
            EXPECT_TRUE(focus == grid || grid->isAncestorOf(focus)) << i;
            // Key by key to whatever has the focus, as a keyboard delivers them.
            for (const QChar key : typed[i]) {
                QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
            }
            QTest::keyClick(QApplication::focusWidget(),
                            i + 1 < typed.size() ? Qt::Key_Tab : Qt::Key_Return);
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        }
        QTest::mouseClick(button(norms, "saveButton"), Qt::LeftButton);
    });
    EXPECT_EQ(normsInDb(2), QStringLiteral("50/3/0 100/5.5/10"));
}

TEST_F(NormsTest, ReadsOnlyItsOperationsNormsAndSaveRereadsOnlyItsRowOfTheList) {
    int normsRead = 0;
    QStringList listAfter;
    withNormsOf(
        4,
        [&] {
            shownNorms().setFiltered(false);
            normsRead = shownNorms().recordCount();
            shownNorms().setFiltered(true);
            // Changed elsewhere meanwhile: another operation's norm.
            test::adminExec(QStringLiteral("update accounts_dep.norm set price=0.01 where o_id=1"));
            typeCell(0, "price", QStringLiteral("0,9"));
            QTest::mouseClick(button(norms, "saveButton"), Qt::LeftButton);
        },
        [&] {
            for (const int id : {4, 1}) {
                test::listShownBy(operations).locate(QStringLiteral("id"), id);
                listAfter.append(
                    test::listShownBy(operations).field(QStringLiteral("cena")).asString());
            }
        });
    EXPECT_EQ(normsRead, 3);
    // Operation 4 follows its new lowest price; operation 1 was not read again.
    EXPECT_EQ(listAfter, (QStringList{QStringLiteral("0.9"), QStringLiteral("1.25")}));
}

TEST_F(NormsTest, ANewRowBelongsToTheOperationWhateverStoresIt) {
    enum class Path { Save, MoveToAnotherRow, Escape };
    for (const Path path : {Path::Save, Path::MoveToAnotherRow, Path::Escape}) {
        test::loadBaseFixture();
        withNormsOf(3, [&] {
            typeCell(model()->newRow(), "norma", QStringLiteral("250"), Qt::Key_Return);
            switch (path) {
                case Path::Save:
                    QTest::mouseClick(button(norms, "saveButton"), Qt::LeftButton);
                    break;
                case Path::MoveToAnotherRow:
                    normsGrid()->setCurrentIndex(model()->index(0, column("norma")));
                    QCoreApplication::processEvents();
                    break;
                case Path::Escape:
                    QTest::keyClick(normsGrid(), Qt::Key_Escape);
                    EXPECT_FALSE(norms.isVisible());
                    break;
            }
        });
        EXPECT_EQ(normsInDb(3), QStringLiteral("200/0.5/0 250//")) << int(path);
        EXPECT_EQ(test::adminQuery(
                      QStringLiteral("select count(*) from accounts_dep.norm where o_id<>3 and "
                                     "norma=250")),
                  QStringLiteral("0"));
    }
}

TEST_F(NormsTest, DeleteRemovesTheCurrentNormButNeverTheLastOne) {
    QStringList ladders;
    withNormsOf(1, [&] {
        normsGrid()->setCurrentIndex(model()->index(1, column("norma")));
        QCoreApplication::processEvents();
        // A row being typed is dropped, not a stored one deleted.
        typeCell(model()->newRow(), "norma", QStringLiteral("300"), Qt::Key_Return);
        QTest::mouseClick(button(norms, "deleteButton"), Qt::LeftButton);
        ladders.append(normsInDb(1));
        normsGrid()->setCurrentIndex(model()->index(1, column("norma")));
        QCoreApplication::processEvents();
        QTest::mouseClick(button(norms, "deleteButton"), Qt::LeftButton);
        ladders.append(normsInDb(1));
        QTest::mouseClick(button(norms, "deleteButton"), Qt::LeftButton);
        ladders.append(normsInDb(1));
        ladders.append(ladder().join(u' '));
    });
    EXPECT_EQ(ladders,
              (QStringList{QStringLiteral("100/1.5/0 150/1.25/10"), QStringLiteral("100/1.5/0"),
                           QStringLiteral("100/1.5/0"), QStringLiteral("100/1,50/0 //")}));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
}

TEST_F(NormsTest, InputThatIsNoValueOfTheFieldIsRefusedAndNotStored) {
    const struct {
        const char* field;
        const char* typed;
        const char* title;
    } cases[] = {
        {"norma", "1a", "Норматив"},   {"norma", "1,5", "Норматив"},
        {"price", "5,5,5", "Цена"},    {"price", "x", "Цена"},
        {"prize", "10%", "Премия, %"}, {"prize", "99999999999", "Премия, %"},
    };
    for (const auto& c : cases) {
        messages.clear();
        QString shown;
        bool editing = true;
        withNormsOf(2, [&] {
            typeCell(0, c.field, QString::fromUtf8(c.typed));
            shown = ladder().first();
            editing = shownNorms().state() != data::Dataset::State::Browse;
        });
        EXPECT_EQ(messages.texts(),
                  QStringList{QStringLiteral("Неверное значение \"%1\" в столбце \"%2\"")
                                  .arg(QString::fromUtf8(c.typed), QString::fromUtf8(c.title))});
        EXPECT_EQ(shown, QStringLiteral("50/3,00/0")) << c.typed;
        EXPECT_FALSE(editing) << c.typed;
        EXPECT_EQ(normsInDb(2), QStringLiteral("50/3/0")) << c.typed;
    }
}

TEST_F(NormsTest, TitleBarCloseKeepsStoredCellsButOnlySaveReReadsTheList) {
    QStringList listPrices;
    const auto listPrice = [&] {
        listPrices.append(
            QStringLiteral("%1:%2")
                .arg(test::listShownBy(operations).recNo())
                .arg(test::listShownBy(operations).field(QStringLiteral("cena")).asString()));
    };
    withNormsOf(
        4,
        [&] {
            typeCell(2, "price", QStringLiteral("1.1"));  // 160: 1,6 → 1,1, below the others
            // Not stored: no column left.
            typeCell(0, "price", QStringLiteral("9"), Qt::Key_Return);
        },
        listPrice);
    EXPECT_EQ(normsInDb(4), QStringLiteral("80/2/0 120/1.8/5 160/1.1/10"));
    withNormsOf(
        4, [&] { QTest::mouseClick(button(norms, "saveButton"), Qt::LeftButton); }, listPrice);
    EXPECT_EQ(listPrices, (QStringList{QStringLiteral("5:1.6"), QStringLiteral("5:1.1")}));
}

// A price goes from the cell to the column as the decimal typed, and is rounded once, when shown.
TEST_F(NormsTest, TypedPricesAreStoredExactlyAndShownRoundedOnce) {
    const struct {
        const char* typed;
        const char* stored;
        const char* shown;
    } cases[] = {
        {"1.2345", "1.2345", "1,234"},
        {"0,0001", "0.0001", "0,00"},
        {"12345,6789", "12345.6789", "12345,679"},
        {"2,184", "2.184", "2,184"},
        {"3,10", "3.1", "3,10"},
    };
    for (const auto& c : cases) {
        test::loadBaseFixture();
        messages.clear();
        const QString typed = QString::fromUtf8(c.typed);
        QStringList shown;
        withNormsOf(2, [&] {
            typeCell(0, "price", typed);  // a stored norm
            typeCell(model()->newRow(), "norma", QStringLiteral("70"));
            typeCell(1, "price", typed);  // a new one
            shown = ladder();
        });
        const QString stored = QString::fromUtf8(c.stored);
        EXPECT_EQ(normsInDb(2), QStringLiteral("50/%1/0 70/%1/").arg(stored)) << c.typed;
        EXPECT_EQ(test::adminQuery(QStringLiteral("select count(*) from accounts_dep.norm where "
                                                  "o_id=2 and price='%1'::numeric::float8")
                                       .arg(stored)),
                  QStringLiteral("2"))
            << c.typed;
        const QString display = QString::fromUtf8(c.shown);
        EXPECT_EQ(shown, (QStringList{QStringLiteral("50/%1/0").arg(display),
                                      QStringLiteral("70/%1/").arg(display), QStringLiteral("//")}))
            << c.typed;
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
    }
}

TEST_F(NormsTest, ACellLeftWithTheFigureItHadWritesNothing) {
    const QString version = QStringLiteral("select xmin::text from accounts_dep.norm where id=3");
    const QString before = test::adminQuery(version);
    bool editing = true;
    withNormsOf(2, [&] {
        typeCell(0, "price", QStringLiteral("3"));
        typeCell(0, "norma", QStringLiteral("50"));
        typeCell(0, "price", QStringLiteral("3,000"));
        typeCell(0, "prize", QStringLiteral("0"), Qt::Key_Return);
        QTest::mouseClick(button(norms, "saveButton"), Qt::LeftButton);
        editing = shownNorms().state() != data::Dataset::State::Browse;
    });
    EXPECT_EQ(test::adminQuery(version), before);
    EXPECT_EQ(normsInDb(2), QStringLiteral("50/3/0"));
    EXPECT_FALSE(editing);
}

// Another workstation changes or deletes the norm while a price is typed over it: the store is
// refused with a message, what was typed stays shown over the row as it is now, and "Сохранить"
// stores it without undoing the other change.
TEST_F(NormsTest, ANormChangedOrDeletedMeanwhileIsRefusedAndWhatWasTypedIsKept) {
    enum class Leave { Column, Row };
    const struct {
        const char* meanwhile;
        Leave leave;
        const char* message;
        const char* shownAfterRefusal;
        int currentRowAfterRefusal;
        const char* storedAtEnd;
    } cases[] = {
        {"update accounts_dep.norm set prize=7 where id=3", Leave::Column,
         "Запись изменена другим пользователем", "50/4,25/7 //", 0, "50/4.25/7"},
        {"update accounts_dep.norm set prize=7 where id=3", Leave::Row,
         "Запись изменена другим пользователем", "50/4,25/7 //", 0, "50/4.25/7"},
        {"insert into accounts_dep.norm(o_id, norma, prize, price) values (2, 90, 0, 1);"
         "delete from accounts_dep.norm where id=3",
         Leave::Column, "Запись удалена другим пользователем", "90/1,00/0 //", 0, "90/1/0"},
    };
    for (const auto& c : cases) {
        test::loadBaseFixture();
        messages.clear();
        QString shownAfterRefusal;
        int currentRow = -1;
        withNormsOf(2, [&] {
            test::adminExec(QString::fromUtf8(c.meanwhile));
            if (c.leave == Leave::Column) {
                typeCell(0, "price", QStringLiteral("4,25"));
            } else {
                typeCell(0, "price", QStringLiteral("4,25"), Qt::Key_Return);
                normsGrid()->setCurrentIndex(model()->index(model()->newRow(), column("norma")));
                QCoreApplication::processEvents();
            }
            shownAfterRefusal = ladder().join(u' ');
            currentRow = normsGrid()->currentIndex().row();
            QTest::mouseClick(button(norms, "saveButton"), Qt::LeftButton);
        });
        ASSERT_FALSE(messages.texts().isEmpty()) << c.meanwhile;
        EXPECT_TRUE(messages.texts().first().startsWith(QString::fromUtf8(c.message)))
            << messages.texts().first().toStdString();
        EXPECT_EQ(messages.texts().size(), 1) << messages.texts().join(u'|').toStdString();
        EXPECT_EQ(shownAfterRefusal, QString::fromUtf8(c.shownAfterRefusal)) << c.meanwhile;
        EXPECT_EQ(currentRow, c.currentRowAfterRefusal) << c.meanwhile;
        EXPECT_EQ(normsInDb(2), QString::fromUtf8(c.storedAtEnd)) << c.meanwhile;
    }
}

}  // namespace
}  // namespace tabel::refdata
