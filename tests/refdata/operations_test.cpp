// The operations list: prices and descriptions handed to an entry, search, double-click,
// deletion and the spreadsheet export, driven through the real windows.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "find_widget.h"
#include "keyboard.h"
#include "refdata_test.h"
#include "shiftlog/shift_log_window.h"
#include "widgets/data_grid.h"
#include "xlsx_reader.h"

namespace tabel::refdata {
namespace {

class OperationsTest : public RefdataTest {
protected:
    // Ids of the rows the list shows, in its order.
    QList<int> shownIds() {
        QList<int> ids;
        data::Dataset& list = test::listShownBy(operations);
        for (int row = 0; row < list.recordCount(); ++row) {
            ids.append(list.valueAt(row, list.fieldIndex(QStringLiteral("id"))).toInt());
        }
        return ids;
    }
};

TEST(ChoicePriceTest, RoundsHalfToEvenThenAddsTheDayOffAndShiftSurcharges) {
    const struct {
        double cena;
        bool dayOff;
        int shift;
        double base;
        double final;
    } cases[] = {
        {12.34567, false, 1, 12.3457, 12.3457},
        {1.03125, false, 2, 1.0312, 1.0312},
        {10, true, 3, 10, 24},
        {10, false, 4, 10, 15},
        {10, false, 1, 10, 10},
        {10, false, 2, 10, 10},
        {10, true, 1, 10, 20},
        {10, true, 4, 10, 30},
        {10, false, 3, 10, 12},
    };
    for (const auto& c : cases) {
        const ChoicePrice price = choicePrice(c.cena, c.dayOff, c.shift);
        EXPECT_DOUBLE_EQ(price.base, c.base) << c.cena << " shift " << c.shift;
        EXPECT_DOUBLE_EQ(price.final, c.final) << c.cena << " shift " << c.shift;
    }
}

TEST_F(OperationsTest, ChoiceHandsBackTheOperationItsProductPricesAndDescription) {
    test::adminExec(
        QStringLiteral("update accounts_dep.izdel set marka='  КР-1 ' where id=1;"
                       "update accounts_dep.norm set price=12.34567 where id=4"));
    const struct {
        bool adding;
        int current;
        bool dayOff;
        int shift;
        int id;
        int productId;
        double base;
        double final;
        const char* description;
    } cases[] = {
        {true, 4, false, 1, 1, 1, 1.25, 1.25, "КР-1; Резка; Готовая продукция"},
        {false, 4, true, 3, 4, 3, 1.6, 3.84, "ПР-1; Гибка 'Г'; Готовая продукция"},
        {false, 2, false, 4, 2, 1, 3, 4.5, "КР-1; Сварка; Заготовки"},
        {false, 6, false, 2, 6, 2, 1.0312, 1.0312, "КР-2; Сварка; Готовая продукция"},
        {false, 3, false, 1, 3, 2, 12.3457, 12.3457, "КР-2; Покраска; Готовая продукция"},
    };
    for (const auto& c : cases) {
        whenShown(&operations, [&] {
            EXPECT_EQ(test::withoutMnemonic(button(operations, "changeButton")->text()),
                      QStringLiteral("Выбрать"));
            EXPECT_TRUE(button(operations, "changeButton")->isDefault());
            EXPECT_FALSE(button(operations, "addButton")->isVisible());
            EXPECT_FALSE(button(operations, "deleteButton")->isVisible());
            EXPECT_TRUE(button(operations, "exportButton")->isVisible());
            QTest::keyClick(searchBox(operations), Qt::Key_Return);  // Enter chooses
            if (operations.isVisible()) {
                operations.reject();
            }
        });
        OperationChoiceContext context;
        context.adding = c.adding;
        context.currentOperationId = c.current;
        context.dayOff = c.dayOff;
        context.shift = c.shift;
        const std::optional<OperationChoice> choice = operations.pickOperation(context);
        ASSERT_TRUE(choice.has_value()) << c.id;
        EXPECT_EQ(choice->operationId, c.id);
        EXPECT_EQ(choice->productId, c.productId) << c.id;
        EXPECT_DOUBLE_EQ(choice->basePrice, c.base) << c.id;
        EXPECT_DOUBLE_EQ(choice->finalPrice, c.final) << c.id;
        EXPECT_EQ(choice->description, QString::fromUtf8(c.description)) << c.id;
        EXPECT_FALSE(button(operations, "changeButton")->isDefault());
        EXPECT_FALSE(test::listShownBy(operations).filtered());
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
}

TEST_F(OperationsTest, ExitOrAnEmptyListChoosesNothing) {
    const struct {
        const char* gdsMc;
        bool exit;
    } cases[] = {{"", true}, {"999", false}};
    for (const auto& c : cases) {
        bool closed = false;
        whenShown(&operations, [&] {
            EXPECT_TRUE(test::listShownBy(operations).isEmpty());
            button(operations, c.exit ? "exitButton" : "changeButton")->click();
            closed = !operations.isVisible();
            if (!closed) {
                operations.reject();
            }
        });
        OperationChoiceContext context;
        context.requisition = {QStringLiteral("Заявка"), QStringLiteral("1. Изделие"),
                               QString::fromUtf8(c.gdsMc)};
        EXPECT_FALSE(operations.pickOperation(context).has_value()) << c.gdsMc;
        EXPECT_TRUE(closed) << c.gdsMc;
    }
}

TEST_F(OperationsTest, SearchNarrowsByMarkAndByTheSelectedRequisitionItem) {
    test::adminExec(QStringLiteral("update accounts_dep.oper set i_id_old=1 where id=3"));
    const RequisitionContext none;
    const RequisitionContext item1{QStringLiteral("Заявка № 15 от 20.02.2026"),
                                   QStringLiteral("1. КР-1 Кронштейн, 100 шт."),
                                   QStringLiteral("1")};
    const RequisitionContext codeWithBlanks{QStringLiteral("Заявка"), QStringLiteral("Строка"),
                                            QStringLiteral(" 2 ")};
    const RequisitionContext textCode{QStringLiteral("Заявка"), QStringLiteral("Строка"),
                                      QStringLiteral("КР-1")};
    const RequisitionContext docOnly{QStringLiteral("Заявка № 15"), QString(), QString()};
    const struct {
        const RequisitionContext* requisition;
        const char* typed;
        QList<int> ids;
    } cases[] = {
        {&none, "", {1, 2, 3, 6, 4}},
        {&none, "   ", {1, 2, 3, 6, 4}},
        {&none, "кр-2", {3, 6}},
        {&none, "ПР-1'", {}},
        {&none, "%", {}},
        {&item1, "", {1, 2, 3}},  // i_id or i_id_old
        {&item1, "К", {1, 2}},    // i_id only
        {&item1, "ПР", {}},
        {&codeWithBlanks, "", {3, 6}},
        {&textCode, "", {}},  // a goods code that is no product key
        {&textCode, "КР", {}},
        {&docOnly, "", {}},
    };
    for (const auto& c : cases) {
        QList<int> shown;
        OperationChoiceContext context;
        context.requisition = *c.requisition;
        inside(
            operations, [&] { operations.pickOperation(context); },
            [&] {
                searchBox(operations)->setText(QStringLiteral("x"));
                searchBox(operations)->clear();
                test::typeInto(searchBox(operations), QString::fromUtf8(c.typed));
                shown = shownIds();
            });
        EXPECT_EQ(shown, c.ids) << c.typed << " / " << c.requisition->itemGdsMc.toStdString();
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
}

TEST_F(OperationsTest, ChoiceStartsNarrowedToTheRequisitionItemAndOnTheEntrysOperation) {
    test::adminExec(QStringLiteral("update accounts_dep.oper set i_id_old=2 where id=1"));
    browseOperations([&] { test::typeInto(searchBox(operations), QStringLiteral("ПР")); });
    QList<int> shown;
    int current = 0;
    whenShown(&operations, [&] {
        shown = shownIds();
        current = test::listShownBy(operations).field(QStringLiteral("id")).asInteger();
        operations.reject();
    });
    OperationChoiceContext context;
    context.adding = false;
    context.currentOperationId = 6;
    context.requisition = {QStringLiteral("Заявка № 16"), QStringLiteral("1. КР-2"),
                           QStringLiteral("2")};
    operations.pickOperation(context);
    EXPECT_EQ(shown, (QList<int>{1, 3, 6}));
    EXPECT_EQ(current, 6);
    EXPECT_TRUE(searchBox(operations)->text().isEmpty());
}

TEST_F(OperationsTest, DoubleClickChangesShowsNormsOrChoosesByModeAndPrices) {
    enum class Opens { Editor, Norms, Choice };
    const struct {
        bool choiceMode;
        bool prices;
        Opens opens;
    } cases[] = {
        {false, false, Opens::Editor},
        {false, true, Opens::Norms},
        {true, false, Opens::Choice},
        {true, true, Opens::Choice},
    };
    for (const auto& c : cases) {
        QString editorTitle;
        QString editorFields;
        bool editorPriceEnabled = true;
        QList<double> normPrices;
        std::optional<OperationChoice> choice;
        const auto doubleClickOperation4 = [&] {
            control<QCheckBox>(operations, "pricesCheck")->setChecked(c.prices);
            ASSERT_TRUE(test::listShownBy(operations).locate(QStringLiteral("id"), 4));
            // Runs inside whatever modal window the double-click opens.
            whenShown(&operations, [&] {
                if (editor.isVisible()) {
                    const auto text = [this](const char* label) {
                        return test::fieldLabelled<QLineEdit>(editor, QString::fromUtf8(label))
                            ->text();
                    };
                    editorTitle = editor.windowTitle();
                    editorFields = text("Марка изделия") + u'|' + text("Операция") + u'|' +
                                   test::fieldLabelled<QComboBox>(editor, QStringLiteral("Вид"))
                                       ->currentText();
                    editorPriceEnabled =
                        test::fieldLabelled<QLineEdit>(editor, QStringLiteral("min Цена"))
                            ->isEnabled();
                    editor.reject();
                } else if (norms.isVisible()) {
                    data::Dataset& shown = test::listShownBy(norms, QStringLiteral("normsGrid"));
                    for (shown.first(); !shown.eof(); shown.next()) {
                        normPrices.append(shown.field(QStringLiteral("price")).asFloat());
                    }
                    norms.close();
                }
            });
            doubleClickCurrentRow(operations);
        };
        if (c.choiceMode) {
            whenShown(&operations, [&] {
                doubleClickOperation4();
                if (operations.isVisible()) {
                    operations.reject();
                }
            });
            OperationChoiceContext context;
            context.adding = true;
            choice = operations.pickOperation(context);
        } else {
            browseOperations(doubleClickOperation4);
        }
        QCoreApplication::processEvents();  // the check above, when nothing modal opened
        EXPECT_EQ(!editorTitle.isEmpty(), c.opens == Opens::Editor);
        EXPECT_EQ(!normPrices.isEmpty(), c.opens == Opens::Norms);
        EXPECT_EQ(choice.has_value(), c.opens == Opens::Choice);
        if (c.opens == Opens::Editor) {
            EXPECT_EQ(editorTitle, QStringLiteral("Изменение данных о цене за операцию"));
            EXPECT_EQ(editorFields, QStringLiteral("ПР-1|Гибка 'Г'|Готовая продукция"));
            EXPECT_FALSE(editorPriceEnabled);
        }
        if (c.opens == Opens::Norms) {
            EXPECT_EQ(normPrices, (QList<double>{2, 1.8, 1.6}));
        }
        if (c.opens == Opens::Choice && choice) {
            EXPECT_EQ(choice->operationId, 4);
        }
    }
}

TEST_F(OperationsTest, DeletionAsksRemovesAnUnusedOperationWithItsNormsAndKeepsOnesInUse) {
    test::adminExec(QStringLiteral(
        "insert into accounts_dep.oper(id, vid, naimen, i_id) values (20, 3, 1, 3);"
        "insert into accounts_dep.norm(o_id, norma, prize, price) values (20, 10, 0, 4), "
        "(20, 20, 5, 3.5)"));
    const struct {
        int id;
        core::Answer answer;
        bool deleted;
        const char* message;
    } cases[] = {
        {20, core::Answer::No, false, ""},
        {6, core::Answer::Yes, false,
         "Операция используется в записях смен и не может быть удалена."},
        {20, core::Answer::Yes, true, ""},
    };
    for (const auto& c : cases) {
        messages.clear();
        messages.answerNext(c.answer);
        QList<int> shown;
        browseOperations([&] {
            ASSERT_TRUE(test::listShownBy(operations).locate(QStringLiteral("id"), c.id));
            QTest::mouseClick(button(operations, "deleteButton"), Qt::LeftButton);
            shown = shownIds();
        });
        ASSERT_GE(messages.messages().size(), 1);
        EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Удаление"));
        EXPECT_EQ(messages.messages()[0].text, QStringLiteral("Удалить операцию?"));
        EXPECT_EQ(messages.texts().mid(1),
                  c.message[0] ? QStringList{QString::fromUtf8(c.message)} : QStringList{});
        const QString left = test::adminQuery(
            QStringLiteral("select (select count(*) from accounts_dep.oper where id=%1) || '/' || "
                           "(select count(*) from accounts_dep.norm where o_id=%1)")
                .arg(c.id));
        EXPECT_EQ(left, c.deleted ? QStringLiteral("0/0")
                                  : (c.id == 20 ? QStringLiteral("1/2") : QStringLiteral("1/1")))
            << c.id;
        EXPECT_EQ(shown.contains(c.id), !c.deleted) << c.id;
    }
}

TEST_F(OperationsTest, MenuPricesOpensTheListForEditingAfterAChoice) {
    shiftlog::ShiftLogWindow shiftLog{session};
    shiftLog.setOperationsWindow(&operations);
    whenShown(&operations, [&] { operations.reject(); });
    operations.pickOperation({});
    QString state;
    whenShown(&operations, [&] {
        state = QStringLiteral("%1 %2 %3 %4 %5 %6")
                    .arg(operations.mode() == widgets::ListWindow::Mode::Browse
                             ? QStringLiteral("browse")
                             : QStringLiteral("choose"))
                    .arg(test::withoutMnemonic(button(operations, "changeButton")->text()))
                    .arg(button(operations, "addButton")->isVisible())
                    .arg(button(operations, "deleteButton")->isVisible())
                    .arg(button(operations, "addButton")->isDefault())
                    .arg(test::listShownBy(operations).isOpen());
        operations.reject();
    });
    QAction* prices = test::actionCaptioned(shiftLog, QStringLiteral("Цены"));
    ASSERT_NE(prices, nullptr);
    prices->trigger();
    EXPECT_EQ(state, QStringLiteral("browse Изменить 1 1 1 1"));
    EXPECT_FALSE(test::listShownBy(operations).isOpen());
}

// The requisition of an entry's choice belongs to that choice: the maintained list, opened
// afterwards, shows every operation again.
TEST_F(OperationsTest, AChoicesRequisitionNeverNarrowsTheMaintainedList) {
    OperationChoiceContext context;
    context.requisition = {QStringLiteral("Заявка"), QStringLiteral("Строка"), QStringLiteral("1")};
    QList<int> chosenFrom;
    inside(
        operations, [&] { operations.pickOperation(context); }, [&] { chosenFrom = shownIds(); });
    QList<int> maintained;
    browseOperations([&] { maintained = shownIds(); });
    EXPECT_FALSE(chosenFrom.isEmpty());
    EXPECT_LT(chosenFrom.size(), maintained.size());
    EXPECT_EQ(maintained, (QList<int>{1, 2, 3, 6, 4}));
}

class OperationsExportTest : public OperationsTest {
protected:
    void SetUp() override {
        OperationsTest::SetUp();
        ASSERT_TRUE(tmp_.isValid());
        savedTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(tmp_.path()));
        reports::Spreadsheet::setOpener([this](const QString& path) {
            opened_.append(path);
            return true;
        });
    }
    void TearDown() override {
        reports::Spreadsheet::setOpener({});
        if (savedTmp_.isNull()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", savedTmp_);
        }
    }

    QTemporaryDir tmp_;
    QByteArray savedTmp_;
    QStringList opened_;
};

TEST_F(OperationsExportTest, WritesTheHeaderAndEveryOperationIncludingThoseWithoutNorms) {
    test::adminExec(QStringLiteral("update accounts_dep.oper set cena=12.345 where id=3"));
    browseOperations(
        [&] { QTest::mouseClick(button(operations, "exportButton"), Qt::LeftButton); });
    ASSERT_EQ(opened_.size(), 1);
    const test::XlsxBook book = test::readXlsx(opened_.first());
    ASSERT_TRUE(book.ok) << book.error.toStdString();
    const auto rowText = [&](int row) {
        QStringList cells;
        for (int column = 1; column <= 4; ++column) {
            const test::XlsxCell* cell = book.cell(row, column);
            cells.append(cell != nullptr ? cell->value : QString());
        }
        return cells.join(u'|');
    };
    EXPECT_EQ(rowText(1), QStringLiteral("Марка|Операция|Цена|Вид"));
    QStringList rows;
    for (int row = 2; row <= 7; ++row) {
        rows.append(rowText(row));
    }
    EXPECT_EQ(rowText(8), QStringLiteral("|||"));
    rows.sort();
    QStringList expected{
        QStringLiteral(" ТР-1 |Резка||Готовая продукция"),  // no norms, no price of its own
        QStringLiteral("КР-1|Резка|1.5|Готовая продукция"),
        QStringLiteral("КР-1|Сварка|3|Заготовки"),
        QStringLiteral("КР-2|Покраска|12.345|Готовая продукция"),
        QStringLiteral("КР-2|Сварка||Готовая продукция"),
        QStringLiteral("ПР-1|Гибка 'Г'|2|Готовая продукция"),
    };
    expected.sort();
    EXPECT_EQ(rows, expected);
    // The exported rows are not kept once the sheet is written.
    EXPECT_FALSE(control<data::Dataset>(operations, "exportedOperations")->isOpen());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
}

}  // namespace
}  // namespace tabel::refdata
