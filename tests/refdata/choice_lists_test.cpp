#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "keyboard.h"
#include "refdata_test.h"
#include "widgets/data_grid.h"

namespace tabel::refdata {
namespace {

using test::typeInto;
using ChoiceListsTest = RefdataTest;

TEST_F(ChoiceListsTest, SearchFiltersTheLoadedRowsByPrefixIgnoringCase) {
    const struct {
        const char* typed;
        int rows;
    } cases[] = {{"Ив", 2}, {"ив", 2}, {"Иван", 1}, {"Д'А", 1}, {"Д'Б", 0}, {"", 7}, {"%", 0}};
    for (const auto& c : cases) {
        std::optional<int> rows;
        whenShown(&workers, [&] {
            typeInto(searchBox(workers), QString::fromUtf8(c.typed));
            rows = test::listShownBy(workers).recordCount();
            workers.reject();
        });
        workers.pickWorker();
        EXPECT_EQ(rows, c.rows) << c.typed;
    }
}

TEST_F(ChoiceListsTest, ListsAreFixedWindowsWhoseNameColumnsShowTheWholeName) {
    test::adminExec(
        QStringLiteral("update cmn_contractor.person set s_caption='Константинопольская "
                       "Александра Вячеславовна' where id=6"));
    int fioWidth = 0;
    int positionWidth = 0;
    int positionText = 0;
    whenShown(&workers, [&] {
        widgets::DataGrid* list = grid(workers);
        const int position = list->columnOf(QStringLiteral("s_staffpos_hl"));
        fioWidth = list->columnWidth(list->columnOf(QStringLiteral("fio")));
        positionWidth = list->columnWidth(position);
        for (int row = 0; row < test::listShownBy(workers).recordCount(); ++row) {
            positionText =
                qMax(positionText, list->fontMetrics().horizontalAdvance(
                                       list->model()->index(row, position).data().toString()));
        }
        workers.reject();
    });
    workers.pickWorker();
    EXPECT_GE(fioWidth, grid(workers)->fontMetrics().horizontalAdvance(
                            QStringLiteral("Константинопольская Александра Вячеславовна")));
    EXPECT_LE(positionWidth, positionText + 2 * grid(workers)->fontMetrics().height());
    for (QWidget* window :
         std::initializer_list<QWidget*>{&workers, &products, &kinds, &operations, &norms}) {
        EXPECT_EQ(window->minimumSize(), window->maximumSize())
            << window->objectName().toStdString();
    }
}

TEST_F(ChoiceListsTest, BackspaceToEmptyShowsAllRowsAgain) {
    whenShown(&products, [&] {
        typeInto(searchBox(products), QStringLiteral("КР"));
        EXPECT_EQ(test::listShownBy(products).recordCount(), 2);
        QTest::keyClick(searchBox(products), Qt::Key_Backspace);
        QTest::keyClick(searchBox(products), Qt::Key_Backspace);
        EXPECT_EQ(test::listShownBy(products).recordCount(), 4);
        products.reject();
    });
    products.pickProduct();
}

enum class ListKind { Workers, Products, Kinds };

struct KeyCase {
    ListKind list;
    Qt::Key key;
    const char* textAfter;  // the search box starts as "ab" with the cursor at its end
    int rowAfter;           // the list starts on row 1 (0-based); -1: the edit filtered all out
};

TEST_F(ChoiceListsTest, SearchBoxKeysMoveTheListOrAreConsumedPerList) {
    const KeyCase cases[] = {
        {ListKind::Workers, Qt::Key_Up, "ab", 0},
        {ListKind::Workers, Qt::Key_Down, "ab", 2},
        {ListKind::Workers, Qt::Key_Left, "ab", 1},
        {ListKind::Workers, Qt::Key_Home, "ab", 1},
        {ListKind::Workers, Qt::Key_Delete, "ab", 1},
        {ListKind::Workers, Qt::Key_Backspace, "a", -1},
        {ListKind::Products, Qt::Key_Up, "ab", 0},
        {ListKind::Products, Qt::Key_Down, "ab", 2},
        {ListKind::Products, Qt::Key_Home, "ab", 1},
        {ListKind::Products, Qt::Key_Delete, "b", -1},
        {ListKind::Products, Qt::Key_Backspace, "a", -1},
        {ListKind::Kinds, Qt::Key_Down, "ab", 2},
        {ListKind::Kinds, Qt::Key_Left, "ab", 1},
        {ListKind::Kinds, Qt::Key_Delete, "ab", 1},
    };
    for (const KeyCase& c : cases) {
        widgets::ListWindow* window =
            c.list == ListKind::Workers    ? static_cast<widgets::ListWindow*>(&workers)
            : c.list == ListKind::Products ? static_cast<widgets::ListWindow*>(&products)
                                           : static_cast<widgets::ListWindow*>(&kinds);
        data::Dataset& list = c.list == ListKind::Workers    ? test::listShownBy(workers)
                              : c.list == ListKind::Products ? test::listShownBy(products)
                                                             : test::listShownBy(kinds);
        QString text;
        int row = -1;
        whenShown(window, [&] {
            // Unfiltered: the box gets its text without the change handler seeing it.
            widgets::SearchBox* box = searchBox(*window);
            box->blockSignals(true);
            box->setText(QStringLiteral("ab"));
            box->blockSignals(false);
            if (c.key == Qt::Key_Home || c.key == Qt::Key_Delete) {
                box->setCursorPosition(0);
                if (c.key == Qt::Key_Home) {
                    box->setCursorPosition(1);
                }
            }
            list.setRecNo(2);
            QTest::keyClick(box, c.key);
            text = box->text();
            row = list.currentRow();
            window->reject();
        });
        if (c.list == ListKind::Workers) {
            workers.pickWorker();
        } else if (c.list == ListKind::Products) {
            products.pickProduct();
        } else {
            kinds.pickKind();
        }
        const int cursorCase = static_cast<int>(c.key);
        EXPECT_EQ(text, QString::fromUtf8(c.textAfter)) << int(c.list) << " key " << cursorCase;
        EXPECT_EQ(row, c.rowAfter) << int(c.list) << " key " << cursorCase;
    }
}

TEST_F(ChoiceListsTest, EnterChoosesInEveryChoiceListAndEscClosesIt) {
    whenShown(&products, [&] {
        test::listShownBy(products).first();
        QTest::keyClick(searchBox(products), Qt::Key_Return);
    });
    const std::optional<ProductChoice> product = products.pickProduct();
    ASSERT_TRUE(product.has_value());
    EXPECT_FALSE(product->marka.isEmpty());

    whenShown(&products, [&] { QTest::keyClick(searchBox(products), Qt::Key_Escape); });
    EXPECT_FALSE(products.pickProduct().has_value());
    EXPECT_FALSE(products.isVisible());

    whenShown(&workers, [&] {
        test::listShownBy(workers).setRecNo(3);
        QTest::keyClick(searchBox(workers), Qt::Key_Return);
    });
    const WorkerPick worker = workers.pickWorker();
    EXPECT_TRUE(worker.chosen);
    ASSERT_TRUE(worker.worker.has_value());
    EXPECT_EQ(worker.worker->fio, QStringLiteral("Иванов Иван Иванович"));

    whenShown(&kinds, [&] { QTest::keyClick(searchBox(kinds), Qt::Key_Return); });
    const std::optional<KindChoice> kind = kinds.pickKind();
    ASSERT_TRUE(kind.has_value());
    EXPECT_EQ(kind->vid, QStringLiteral("Гибка 'Г'"));
    EXPECT_EQ(kind->id, 4);
}

TEST_F(ChoiceListsTest, ChoicesComeBackTrimmed) {
    whenShown(&workers, [&] {
        typeInto(searchBox(workers), QStringLiteral("  Сид"));
        button(workers, "chooseButton")->click();
    });
    const WorkerPick worker = workers.pickWorker();
    ASSERT_TRUE(worker.chosen);
    ASSERT_TRUE(worker.worker.has_value());
    EXPECT_EQ(worker.worker->fio, QStringLiteral("Сидоров С.С."));
    EXPECT_EQ(worker.worker->workerId, 104);
    EXPECT_EQ(worker.worker->personId, 4);

    whenShown(&products, [&] {
        typeInto(searchBox(products), QStringLiteral(" Т"));
        doubleClickCurrentRow(products);
    });
    const std::optional<ProductChoice> product = products.pickProduct();
    ASSERT_TRUE(product.has_value());
    EXPECT_EQ(product->marka, QStringLiteral("ТР-1"));
    EXPECT_EQ(product->id, 4);
    EXPECT_FALSE(test::listShownBy(products).isOpen());
}

TEST_F(ChoiceListsTest, ChoiceWithNoMatchingRowReportsAChoiceButHandsNothingBack) {
    whenShown(&workers, [&] {
        typeInto(searchBox(workers), QStringLiteral("Яяя"));
        button(workers, "chooseButton")->click();
    });
    const WorkerPick pick = workers.pickWorker();
    EXPECT_TRUE(pick.chosen);
    EXPECT_FALSE(pick.worker.has_value());
}

TEST_F(ChoiceListsTest, EscapeClosesWithoutAChoice) {
    whenShown(&workers, [&] { QTest::keyClick(searchBox(workers), Qt::Key_Escape); });
    const WorkerPick pick = workers.pickWorker();
    EXPECT_FALSE(pick.chosen);
    EXPECT_FALSE(pick.worker.has_value());
    whenShown(&kinds, [&] { QTest::keyClick(searchBox(kinds), Qt::Key_Escape); });
    EXPECT_FALSE(kinds.pickKind().has_value());
}

TEST_F(ChoiceListsTest, PersonIdsOfFifteenDigitsComeBackExact) {
    test::adminExec(
        QStringLiteral("insert into cmn_contractor.person(id, s_code, s_caption, b_employee) "
                       "values (987654321012345, '901', 'Аааа Длинный', true)"));
    whenShown(&workers, [&] {
        typeInto(searchBox(workers), QStringLiteral("Аааа"));
        button(workers, "chooseButton")->click();
    });
    const WorkerPick pick = workers.pickWorker();
    test::adminExec(QStringLiteral("delete from cmn_contractor.person where id=987654321012345"));
    ASSERT_TRUE(pick.chosen);
    ASSERT_TRUE(pick.worker.has_value()) << messages.texts().join(u'|').toStdString();
    EXPECT_EQ(pick.worker->personId, 987654321012345LL);
    EXPECT_EQ(pick.worker->workerId, 901);
}

TEST_F(ChoiceListsTest, WorkerWithANonNumericCodeIsRefusedAndTheListStaysOpen) {
    test::adminExec(
        QStringLiteral("insert into cmn_contractor.person(id, s_code, s_caption, b_employee) "
                       "values (90, 'A-1', 'Аааа Буквенный', true)"));
    bool stillOpen = false;
    whenShown(&workers, [&] {
        typeInto(searchBox(workers), QStringLiteral("Аааа"));
        QTest::mouseClick(button(workers, "chooseButton"), Qt::LeftButton);
        stillOpen = workers.isVisible();
        workers.reject();
    });
    // The refused choice marked nothing as chosen before the list was left.
    const WorkerPick pick = workers.pickWorker();
    test::adminExec(QStringLiteral("delete from cmn_contractor.person where id=90"));
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(pick.chosen);
    EXPECT_FALSE(pick.worker.has_value());
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_TRUE(messages.messages()[0].text.contains(QStringLiteral("A-1")));
}

}  // namespace
}  // namespace tabel::refdata
