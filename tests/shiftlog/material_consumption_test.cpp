// The material consumption dialog: proposals from the norm, the stock question, the refusals,
// and the material list's "Удалить".
#include "entry_test.h"

namespace tabel::shiftlog {
namespace {

QString materialsOf(int entry) {
    return test::adminQuery(QStringLiteral("select coalesce(string_agg(id_gds_use || ':' || "
                                           "f_qty_use, ',' order by id), '') from "
                                           "accounts_dep.smena_gds_use where id_smena = %1")
                                .arg(entry));
}

class MaterialTest : public EntryTest {
protected:
    // Entry 1: requisition 1, item 11, product КР-1; goods 1001 has 10 free and 2.5 reserved.
    void inConsumption(const QString& quantity, const QString& total,
                       std::function<void()> actions) {
        inside(
            consumption,
            [&] {
                consumption.openFor({1, 1, quantity, total});
            },
            std::move(actions));
    }
    void chooseGoods(qint64 goods) {
        for (int i = 0; i < cons.goodsCombo->count(); ++i) {
            if (cons.goodsCombo->itemData(i).toLongLong() == goods) {
                cons.goodsCombo->choose(i);
                return;
            }
        }
        FAIL() << "goods " << goods << " not listed";
    }
};

// The norm is read as the server's numeric and multiplied as a decimal, rounded once to 3
// places, half to even: 10000 × 1.2345 is 12345, not the 12345,001 of a float.
TEST_F(MaterialTest, ChoosingGoodsShowsTheStockAndProposesTheNormLessWhatIsRecorded) {
    const struct {
        const char* quantity;
        const char* total;
        qint64 goods;
        const char* norm;  // of the goods for КР-1; nullptr: the fixture's
        const char* proposal;
    } cases[] = {
        {"100", "5", 1001, nullptr, "20"},     // 100 × 0.25 − 5
        {"100", "", 1001, nullptr, "25"},      // nothing recorded yet
        {"12,5", "0", 1002, nullptr, "0,25"},  // 12.5 × 0.02
        {"100", "5", 1002, nullptr, "-3"},    {"10000", "", 1002, "1.2345", "12345"},
        {"3", "", 1002, "0.0005", "0,002"},  // 0.0015: the half goes to the even 2
        {"5", "", 1002, "0.0005", "0,002"},  // 0.0025 likewise
        {"1", "0,1", 1002, "0.3", "0,2"},     {"7", "", 1002, "0.142857", "1"},  // 0.999999
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.proposal);
        test::adminExec(
            QStringLiteral("update mnf_operation.operation set f_qty_from = %1 where "
                           "id_gds_from = 1002 and id_gds_to = 1")
                .arg(c.norm != nullptr ? QString::fromLatin1(c.norm) : QStringLiteral("0.02")));
        inConsumption(QString::fromUtf8(c.quantity), QString::fromUtf8(c.total), [&] {
            EXPECT_EQ(cons.freeStockLabel->text(),
                      QStringLiteral("Свободный остаток на складе: 0"));
            chooseGoods(c.goods);
            EXPECT_EQ(cons.quantityEdit->text(), QString::fromUtf8(c.proposal));
            if (c.goods == 1001) {
                EXPECT_EQ(cons.freeStockLabel->text(),
                          QStringLiteral("Свободный остаток на складе: 10"));
                EXPECT_EQ(cons.reservedStockLabel->text(),
                          QStringLiteral("Остаток по резерву на складе: 2,5"));
            }
        });
        EXPECT_EQ(cons.quantityEdit->text(), QStringLiteral("0"));  // reset after closing
    }
}

TEST_F(MaterialTest, AQuantityAboveTheStockIsAskedAboutAndZeroIsRefused) {
    const QString question = QStringLiteral(
        "Расход ТМЦ не может быть больше партии! Расходовать весь остаток по партии?");
    const QString zero = QStringLiteral("Расход ТМЦ не может быть 0!");
    const struct {
        const char* typed;
        core::Answer answer;
        QStringList messages;
        const char* saved;
        bool closes;
    } cases[] = {
        {"13", core::Answer::Yes, {question}, "1001:12.5", true},
        {"13", core::Answer::No, {question}, "", false},
        {"12,5", core::Answer::No, {}, "1001:12.5", true},
        {"12,5004", core::Answer::No, {}, "1001:12.5004", true},
        {"0", core::Answer::No, {zero}, "", false},
        {"", core::Answer::No, {zero}, "", false},
        {"0,000", core::Answer::No, {zero}, "", false},
        {"1,2,3",
         core::Answer::No,
         {QStringLiteral("Расход \"1,2,3\" не является числом!")},
         "",
         false},
    };
    for (const auto& c : cases) {
        test::adminExec(QStringLiteral("delete from accounts_dep.smena_gds_use where id_smena=1"));
        messages.clear();
        messages.answerNext(c.answer);
        bool closed = false;
        QString left;
        inConsumption(QStringLiteral("10"), QString(), [&] {
            chooseGoods(1001);
            // As the user does: into the quantity (leaving the goods proposes it), then typed.
            cons.quantityEdit->setFocus();
            cons.quantityEdit->setText(QString::fromUtf8(c.typed));
            QTest::mouseClick(cons.saveButton, Qt::LeftButton);
            closed = !consumption.isVisible();
            left = cons.quantityEdit->text();
        });
        EXPECT_EQ(messages.texts(), c.messages) << c.typed;
        EXPECT_EQ(materialsOf(1), QString::fromUtf8(c.saved)) << c.typed;
        EXPECT_EQ(closed, c.closes) << c.typed;
        if (!c.closes) {
            EXPECT_EQ(left, QString::fromUtf8(c.typed));
        }
    }
}

TEST_F(MaterialTest, StockUsedElsewhereSinceTheChoiceIsAskedAboutAgain) {
    for (const core::Answer answer : {core::Answer::No, core::Answer::Yes}) {
        test::adminExec(QStringLiteral("update stk_remainder.remainder set f_qty = 10 where id=1"));
        messages.clear();
        messages.answerNext(answer);
        inConsumption(QStringLiteral("10"), QString(), [&] {
            chooseGoods(1001);
            cons.quantityEdit->setFocus();
            cons.quantityEdit->setText(QStringLiteral("12"));
            test::adminExec(
                QStringLiteral("update stk_remainder.remainder set f_qty = 5 where id=1"));
            QTest::mouseClick(cons.saveButton, Qt::LeftButton);
        });
        EXPECT_EQ(messages.texts().size(), 1);
        EXPECT_EQ(materialsOf(1),
                  answer == core::Answer::Yes ? QStringLiteral("1001:7.5") : QString());
        EXPECT_EQ(cons.freeStockLabel->text(), QString());  // closed: the lists are closed
    }
}

TEST_F(MaterialTest, DeleteTakesTheSelectedRowAndKeepsThePositionWhileItExists) {
    const struct {
        int selected;  // 0 none
        int rows;
        QString left;
        int recNo;
    } cases[] = {
        {0, 0, QString(), 0},
        {1, 3, QStringLiteral("1002:2,1003:3"), 1},
        {3, 3, QStringLiteral("1001:1,1002:2"), 1},
        {2, 3, QStringLiteral("1001:1,1003:3"), 2},
    };
    for (const auto& c : cases) {
        test::adminExec(QStringLiteral("delete from accounts_dep.smena_gds_use where id_smena=1"));
        for (int i = 1; i <= c.rows; ++i) {
            test::adminExec(QStringLiteral("insert into accounts_dep.smena_gds_use(id_smena, "
                                           "id_gds_use, f_qty_use) values (1, %1, %2)")
                                .arg(1000 + i)
                                .arg(i));
        }
        selectRow(0);
        inside(
            dialog, [this] { QTest::mouseClick(sl.editButton, Qt::LeftButton); },
            [&] {
                if (c.selected > 0) {
                    ui.materials().setRecNo(c.selected);
                }
                QTest::mouseClick(ui.deleteMaterialButton, Qt::LeftButton);
                EXPECT_EQ(ui.materials().recNo(), c.recNo) << c.selected;
                EXPECT_EQ(ui.materialsTotalEdit->text().isEmpty(), c.rows == 0) << c.selected;
            });
        EXPECT_EQ(materialsOf(1), c.left) << c.selected;
    }
}

TEST_F(MaterialTest, AfterTheLastMaterialGoesTheTotalIsEmptyAndANoChangeAddShowsZero) {
    test::adminExec(
        QStringLiteral("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, "
                       "f_qty_use) values (1, 1001, 1.5)"));
    selectRow(0);
    inside(
        dialog, [this] { QTest::mouseClick(sl.editButton, Qt::LeftButton); },
        [this] {
            EXPECT_EQ(ui.materialsTotalEdit->text(), QStringLiteral("1,5"));
            QTest::mouseClick(ui.deleteMaterialButton, Qt::LeftButton);
            EXPECT_TRUE(ui.materialsTotalEdit->text().isEmpty());
            inside(
                consumption, [this] { QTest::mouseClick(ui.addMaterialButton, Qt::LeftButton); },
                [] {});
            EXPECT_EQ(ui.materialsTotalEdit->text(), QStringLiteral("0"));
        });
}

}  // namespace
}  // namespace tabel::shiftlog
