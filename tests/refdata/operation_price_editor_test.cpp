// The operation price editor: adding an operation with its first norm, changing one, the
// duplicate checks and the "min Цена" key filter.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "find_widget.h"
#include "keyboard.h"
#include "refdata_test.h"

namespace tabel::refdata {
namespace {

const char* const kDuplicate = "Операция с такими параметрами уже заведена!";
const char* const kEmpty = "Все поля должны быть заполнены!";

QString operationsInDb() {
    return test::adminQuery(QStringLiteral(
        "select string_agg(format('%s:%s/%s/%s', id, vid, naimen, i_id), ' ' order by id) "
        "from accounts_dep.oper"));
}

class OperationPriceEditorTest : public RefdataTest {
protected:
    // The editor's field labelled `caption`.
    template <typename Field = QLineEdit>
    Field* field(const char* caption) {
        auto* found = test::fieldLabelled<Field>(editor, QString::fromUtf8(caption));
        if (found == nullptr) {
            ADD_FAILURE() << "no field labelled " << caption;
            throw std::runtime_error("no such field");
        }
        return found;
    }
    QLineEdit* priceEdit() { return field("min Цена"); }
    QComboBox* stageCombo() { return field<QComboBox>("Вид"); }

    // Picks product `marka` and kind `vid` through the editor's "..." buttons.
    void pickThroughLists(const QString& marka, const QString& vid) {
        whenShown(&products, [&] {
            EXPECT_TRUE(test::listShownBy(products).locate(QStringLiteral("marka"), marka));
            doubleClickCurrentRow(products);
            if (products.isVisible()) {
                products.reject();
            }
        });
        QTest::mouseClick(button(editor, "chooseProductButton"), Qt::LeftButton);
        whenShown(&kinds, [&] {
            EXPECT_TRUE(test::listShownBy(kinds).locate(QStringLiteral("vid"), vid));
            QTest::mouseClick(button(kinds, "changeButton"), Qt::LeftButton);
            if (kinds.isVisible()) {
                kinds.reject();
            }
        });
        QTest::mouseClick(button(editor, "chooseKindButton"), Qt::LeftButton);
    }
};

TEST_F(OperationPriceEditorTest, AddingWritesTheOperationAndItsFirstNormTogether) {
    const struct {
        const char* marka;  // "" leaves the product unchosen
        const char* vid;
        int stage;
        const char* price;
        const char* message;
    } cases[] = {
        {"", "Сварка", 1, "5", kEmpty},
        {"КР-1", "Резка", 0, "5", kDuplicate},
        {"ПР-1", "Сварка", 1, "", "Не указана min Цена!"},
        {"ПР-1", "Сварка", 1, "5,5,5", "Неверное значение цены: 5,5,5"},
        {"ПР-1", "Сварка", 1, ",", "Неверное значение цены: ,"},
        {"ПР-1", "Сварка", 1, "7.25", ""},
    };
    for (const auto& c : cases) {
        messages.clear();
        const QString before = operationsInDb();
        bool closed = false;
        QString shownAfter;
        browseOperations([&] {
            EXPECT_EQ(test::withoutMnemonic(button(operations, "addButton")->text()),
                      QStringLiteral("Добавить"));
            closed = saveInEditor(
                editor, [&] { QTest::mouseClick(button(operations, "addButton"), Qt::LeftButton); },
                [&] {
                    EXPECT_EQ(editor.windowTitle(),
                              QStringLiteral("Заведение новой цены за операцию"));
                    EXPECT_EQ(editor.mode(), widgets::EditorDialog::Mode::Add);
                    EXPECT_TRUE(field("Марка изделия")->text().isEmpty());
                    EXPECT_TRUE(priceEdit()->isEnabled());
                    if (c.marka[0] != 0) {
                        pickThroughLists(QString::fromUtf8(c.marka), QString::fromUtf8(c.vid));
                    }
                    stageCombo()->setCurrentIndex(c.stage);
                    test::typeInto(priceEdit(), QString::fromUtf8(c.price));
                });
            // The list shows a new operation at once, with its price and one norm.
            if (test::listShownBy(operations).locate(QStringLiteral("id"), 7)) {
                shownAfter =
                    test::listShownBy(operations).field(QStringLiteral("vid")).asString() + u'/' +
                    test::listShownBy(operations).field(QStringLiteral("nmn")).asString() + u'/' +
                    test::listShownBy(operations).field(QStringLiteral("cena")).asString() + u'/' +
                    test::listShownBy(operations).field(QStringLiteral("norma")).asString();
            }
        });
        const bool stored = c.message[0] == 0;
        EXPECT_EQ(closed, stored) << c.price;
        EXPECT_EQ(messages.texts(),
                  stored ? QStringList{} : QStringList{QString::fromUtf8(c.message)})
            << c.price;
        if (!stored) {
            EXPECT_EQ(operationsInDb(), before) << c.price;
            continue;
        }
        EXPECT_EQ(operationsInDb(), before + QStringLiteral(" 7:2/1/3"));
        EXPECT_EQ(test::adminQuery(QStringLiteral(
                      "select format('%s/%s/%s/%s', o.cena_new, n.norma, n.prize, n.price) "
                      "from accounts_dep.oper o join accounts_dep.norm n on n.o_id=o.id "
                      "where o.id=7")),
                  QStringLiteral("7.25/0/0/7.25"));
        EXPECT_EQ(shownAfter, QStringLiteral("Сварка/Заготовки/7.25/1"));
    }
}

// The typed price reaches both columns as the decimal typed, never through a binary
// approximation that the column would then keep (12345.6789 as 12345.678899999999).
TEST_F(OperationPriceEditorTest, ANewOperationsPriceIsStoredExactlyAsTyped) {
    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {
        {"1.2345", "1.2345"}, {"0,0001", "0.0001"}, {"12345.6789", "12345.6789"},
        {"2,184", "2.184"},   {"0,1", "0.1"},       {"1234567,891", "1234567.891"},
    };
    for (const auto& c : cases) {
        test::loadBaseFixture();
        messages.clear();
        bool closed = false;
        browseOperations([&] {
            closed = saveInEditor(
                editor, [&] { button(operations, "addButton")->click(); },
                [&] {
                    pickThroughLists(QStringLiteral("ПР-1"), QStringLiteral("Сварка"));
                    priceEdit()->setText(QString::fromUtf8(c.typed));
                });
        });
        EXPECT_TRUE(closed) << c.typed << messages.texts().join(u'|').toStdString();
        EXPECT_EQ(
            test::adminQuery(
                QStringLiteral("select format('%s|%s|%s', o.cena_new, n.price, case when n.price = "
                               "'%1'::numeric::float8 then 'exact' end) from accounts_dep.oper o "
                               "join accounts_dep.norm n on n.o_id=o.id where o.id=7")
                    .arg(QString::fromUtf8(c.stored))),
            QStringLiteral("%1|%1|exact").arg(QString::fromUtf8(c.stored)))
            << c.typed;
    }
}

// The list is ordered by product, kind and stage: a new operation is shown there at once, as the
// current row, not at the bottom until the list is opened again.
TEST_F(OperationPriceEditorTest, ANewOperationTakesItsPlaceInTheListsOrderAsTheCurrentRow) {
    const struct {
        const char* marka;
        const char* vid;
        int stage;
        QList<int> ids;
    } cases[] = {
        {"КР-1", "Гибка 'Г'", 0, {7, 1, 2, 3, 6, 4}},
        {"КР-2", "Резка", 0, {1, 2, 3, 7, 6, 4}},
        {"ПР-1", "Сварка", 1, {1, 2, 3, 6, 4, 7}},
    };
    for (const auto& c : cases) {
        test::loadBaseFixture();
        QList<int> shown;
        int current = 0;
        browseOperations([&] {
            ASSERT_TRUE(saveInEditor(
                editor, [&] { button(operations, "addButton")->click(); },
                [&] {
                    pickThroughLists(QString::fromUtf8(c.marka), QString::fromUtf8(c.vid));
                    stageCombo()->setCurrentIndex(c.stage);
                    priceEdit()->setText(QStringLiteral("2,5"));
                }));
            data::Dataset& list = test::listShownBy(operations);
            for (int row = 0; row < list.recordCount(); ++row) {
                shown.append(list.valueAt(row, list.fieldIndex(QStringLiteral("id"))).toInt());
            }
            current = list.field(QStringLiteral("id")).asInteger();
        });
        EXPECT_EQ(shown, c.ids) << c.marka << " " << c.vid;
        EXPECT_EQ(current, 7) << c.marka << " " << c.vid;
    }
}

TEST_F(OperationPriceEditorTest, AFailingFirstNormLeavesNoOperationBehind) {
    test::adminExec(QStringLiteral(
        "create function accounts_dep.test_refuse_norm() returns trigger language plpgsql as "
        "$f$ begin raise exception 'norm refused'; end $f$;"
        "create trigger test_refuse_norm before insert on accounts_dep.norm "
        "for each row execute function accounts_dep.test_refuse_norm()"));
    struct DropTrigger {
        ~DropTrigger() {
            test::adminExec(
                QStringLiteral("drop trigger test_refuse_norm on accounts_dep.norm;"
                               "drop function accounts_dep.test_refuse_norm()"));
        }
    } dropTrigger;
    const QString before = operationsInDb();
    bool closed = true;
    browseOperations([&] {
        closed = saveInEditor(
            editor, [&] { button(operations, "addButton")->click(); },
            [&] {
                pickThroughLists(QStringLiteral("ПР-1"), QStringLiteral("Сварка"));
                priceEdit()->setText(QStringLiteral("3"));
            });
    });
    EXPECT_FALSE(closed);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].contains(QStringLiteral("norm refused")))
        << messages.texts()[0].toStdString();
    EXPECT_EQ(operationsInDb(), before);
}

TEST_F(OperationPriceEditorTest, ChangingToItsOwnParametersIsAcceptedButNotToAnothers) {
    const struct {
        int id;
        const char* vid;  // "" keeps the kind
        int stage;
        bool stored;
        const char* after;
    } cases[] = {
        {1, "", 0, true, "1:1/0/1"},           // itself
        {1, "Сварка", 1, false, "1:1/0/1"},    // operation 2
        {1, "", 1, true, "1:1/1/1"},           // a free combination
        {6, "Покраска", 0, false, "6:2/0/2"},  // operation 3
        {6, "Гибка 'Г'", 1, true, "6:4/1/2"},
    };
    for (const auto& c : cases) {
        messages.clear();
        bool closed = false;
        QString title;
        browseOperations([&] {
            ASSERT_TRUE(test::listShownBy(operations).locate(QStringLiteral("id"), c.id));
            closed = saveInEditor(
                editor,
                [&] { QTest::mouseClick(button(operations, "changeButton"), Qt::LeftButton); },
                [&] {
                    title = editor.windowTitle();
                    EXPECT_EQ(editor.mode(), widgets::EditorDialog::Mode::Change);
                    EXPECT_FALSE(priceEdit()->isEnabled());
                    if (c.vid[0] != 0) {
                        whenShown(&kinds, [&] {
                            test::listShownBy(kinds).locate(QStringLiteral("vid"),
                                                            QString::fromUtf8(c.vid));
                            doubleClickCurrentRow(kinds);
                        });
                        button(editor, "chooseKindButton")->click();
                    }
                    stageCombo()->setCurrentIndex(c.stage);
                });
        });
        EXPECT_EQ(title, QStringLiteral("Изменение данных о цене за операцию"));
        EXPECT_EQ(closed, c.stored) << c.id << c.vid;
        EXPECT_EQ(messages.texts(),
                  c.stored ? QStringList{} : QStringList{QString::fromUtf8(kDuplicate)});
        EXPECT_EQ(test::adminQuery(QStringLiteral("select format('%s:%s/%s/%s', id, vid, naimen, "
                                                  "i_id) from accounts_dep.oper where id=%1")
                                       .arg(c.id)),
                  QString::fromUtf8(c.after));
    }
}

TEST(OperationCheck, FieldsAndPriceAreJudgedBeforeTheDatabaseIsAsked) {
    const struct {
        const char* marka;
        const char* vid;
        const char* price;
        bool adding;
        const char* fieldsError;
        const char* priceError;
        const char* value;  // the exact decimal
    } cases[] = {
        {"КР-1", "Резка", "5", true, "", "", "5"},
        {"КР-1", "Резка", "0,25", true, "", "", "0.25"},
        {"КР-1", "Резка", "1.5", true, "", "", "1.5"},
        {"КР-1", "Резка", " 12345,6789 ", true, "", "", "12345.6789"},
        {"КР-1", "Резка", "0,10", true, "", "", "0.1"},
        {"", "Резка", "5", true, kEmpty, "", "5"},
        {"КР-1", "  ", "5", true, kEmpty, "", "5"},
        {"КР-1", "Резка", " ", true, "", "Не указана min Цена!", "0"},
        {"КР-1", "Резка", "1,2,3", true, "", "Неверное значение цены: 1,2,3", "0"},
        {"КР-1", "Резка", "-3", true, "", "Неверное значение цены: -3", "0"},
        {"КР-1", "Резка", "", false, "", "", "0"},  // a change keeps its prices in the norms
        {"", "", "", false, kEmpty, "", "0"},
    };
    for (const auto& c : cases) {
        OperationFields fields;
        fields.marka = QString::fromUtf8(c.marka);
        fields.vid = QString::fromUtf8(c.vid);
        fields.productId = 1;
        fields.kindId = 1;
        fields.price = QString::fromUtf8(c.price);
        const OperationCheck check = checkOperation(fields, c.adding);
        EXPECT_EQ(check.fieldsError, QString::fromUtf8(c.fieldsError)) << c.marka << c.price;
        EXPECT_EQ(check.priceError, QString::fromUtf8(c.priceError)) << c.price;
        if (check.priceError.isEmpty() && c.adding) {
            EXPECT_EQ(check.price.toString(), QString::fromUtf8(c.value)) << c.price;
        }
    }
}

TEST_F(OperationPriceEditorTest, ChangingAnOperationDeletedMeanwhileKeepsTheDialogOpen) {
    bool closed = true;
    browseOperations([&] {
        ASSERT_TRUE(test::listShownBy(operations).locate(QStringLiteral("id"), 6));
        closed = saveInEditor(
            editor, [&] { QTest::mouseClick(button(operations, "changeButton"), Qt::LeftButton); },
            [&] {
                test::adminExec(
                    QStringLiteral("delete from accounts_dep.smena where o_id=6; "
                                   "delete from accounts_dep.oper where id=6"));
                stageCombo()->setCurrentIndex(1);
            });
    });
    EXPECT_FALSE(closed);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].contains(QStringLiteral("удалена")))
        << messages.texts()[0].toStdString();
}

// Another workstation changed the operation while the editor was open: the save is refused,
// what was typed stays, and nothing of the other change is overwritten.
TEST_F(OperationPriceEditorTest, ChangingAnOperationChangedMeanwhileOverwritesNothing) {
    bool closed = true;
    browseOperations([&] {
        ASSERT_TRUE(
            test::listShownBy(operations).locate(QStringLiteral("id"), 6));  // kind 2, stage 0
        closed = saveInEditor(
            editor, [&] { QTest::mouseClick(button(operations, "changeButton"), Qt::LeftButton); },
            [&] {
                test::adminExec(QStringLiteral("update accounts_dep.oper set vid=4 where id=6"));
                stageCombo()->setCurrentIndex(1);
            });
        EXPECT_EQ(stageCombo()->currentIndex(), 1);
    });
    EXPECT_FALSE(closed);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(
        messages.texts()[0].startsWith(QStringLiteral("Запись изменена другим пользователем")))
        << messages.texts()[0].toStdString();
    EXPECT_EQ(test::adminQuery(QStringLiteral("select format('%s/%s', vid, naimen) from "
                                              "accounts_dep.oper where id=6")),
              QStringLiteral("4/0"));
}

TEST_F(OperationPriceEditorTest, MinPriceTakesDigitsAndTheDecimalCommaOnly) {
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {
        {"12.5", "12,5"},
        {"1a2,5x", "12,5"},
        {"-3 руб.", "3,"},
        {"0,07", "0,07"},
    };
    for (const auto& c : cases) {
        priceEdit()->clear();
        test::typeInto(priceEdit(), QString::fromUtf8(c.typed));
        EXPECT_EQ(priceEdit()->text(), QString::fromUtf8(c.shown)) << c.typed;
    }
    priceEdit()->clear();
    QTest::keyClicks(priceEdit(), QStringLiteral("45"));
    QTest::keyClick(priceEdit(), Qt::Key_Left);
    QTest::keyClick(priceEdit(), Qt::Key_Backspace);
    EXPECT_EQ(priceEdit()->text(), QStringLiteral("5"));

    // Pasted text is cleaned the same way.
    QGuiApplication::clipboard()->setText(QStringLiteral("1 234.5 р."));
    priceEdit()->clear();
    priceEdit()->paste();
    EXPECT_EQ(priceEdit()->text(), QStringLiteral("1234,5,"));
}

}  // namespace
}  // namespace tabel::refdata
