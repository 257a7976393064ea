#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "find_widget.h"
#include "keyboard.h"
#include "refdata_test.h"

namespace tabel::refdata {
namespace {

QString kindsInDb() {
    return test::adminQuery(
        QStringLiteral("select string_agg(vid, '|' order by id) from accounts_dep.vid_oper"));
}

class OperationKindsTest : public RefdataTest {
protected:
    // Saves `name` in the kind editor that `open` shows; whether the editor closed.
    bool saveName(const std::function<void()>& open, const QString& name) {
        return saveInEditor(kindEditor, open, [&] { nameEdit()->setText(name); });
    }
    // The editor's field, found by its label.
    QLineEdit* nameEdit() {
        auto* field = test::fieldLabelled<QLineEdit>(kindEditor, QStringLiteral("Операция"));
        if (field == nullptr) {
            ADD_FAILURE() << "no field labelled Операция";
            throw std::runtime_error("no name field");
        }
        return field;
    }
};

TEST_F(OperationKindsTest, AddingRefusesEmptyAndCaseInsensitiveDuplicatesAndStoresTrimmed) {
    const struct {
        const char* typed;
        const char* message;
        bool stored;
        const char* storedAs;
    } cases[] = {
        {"   ", "Все поля должны быть заполнены!", false, ""},
        {"резка", "Такая операция уже заведена!", false, ""},
        {" СВАРКА ", "Такая операция уже заведена!", false, ""},
        {"гибка 'г'", "Такая операция уже заведена!", false, ""},
        {"  Шлифовка  ", "", true, "Шлифовка"},
        {"Окраска 'RAL'; drop table x; --", "", true, "Окраска 'RAL'; drop table x; --"},
        {"50% ход_2", "", true, "50% ход_2"},
    };
    for (const auto& c : cases) {
        messages.clear();
        const QString before = kindsInDb();
        bool closed = false;
        browseKinds([&] {
            EXPECT_EQ(test::withoutMnemonic(button(kinds, "changeButton")->text()),
                      QStringLiteral("Изменить"));
            closed =
                saveName([&] { button(kinds, "addButton")->click(); }, QString::fromUtf8(c.typed));
        });
        EXPECT_EQ(closed, c.stored) << c.typed;
        EXPECT_EQ(messages.texts(),
                  c.message[0] ? QStringList{QString::fromUtf8(c.message)} : QStringList{})
            << c.typed;
        if (c.stored) {
            EXPECT_EQ(kindsInDb(), before + QLatin1Char('|') + QString::fromUtf8(c.storedAs));
        } else {
            EXPECT_EQ(kindsInDb(), before) << c.typed;
        }
    }
    EXPECT_EQ(kindEditor.windowTitle(), QStringLiteral("Заведение нового вида операций"));
    EXPECT_EQ(kindEditor.mode(), widgets::EditorDialog::Mode::Add);
    EXPECT_FALSE(test::listShownBy(kinds).isOpen());
}

TEST_F(OperationKindsTest, RenamingToItsOwnNameInAnyCaseIsAcceptedButNotToAnother) {
    const struct {
        const char* current;
        const char* typed;
        bool stored;
    } cases[] = {
        {"Резка", "РЕЗКА", true},
        {"РЕЗКА", " Резка ", true},
        {"Резка", "сварка", false},
        {"Резка", "", false},
    };
    for (const auto& c : cases) {
        messages.clear();
        bool closed = false;
        browseKinds([&] {
            ASSERT_TRUE(test::listShownBy(kinds).locate(QStringLiteral("vid"),
                                                        QString::fromUtf8(c.current)));
            closed = saveName([&] { button(kinds, "changeButton")->click(); },
                              QString::fromUtf8(c.typed));
            EXPECT_EQ(kindEditor.windowTitle(), QStringLiteral("Изменение данных вида операции"));
            EXPECT_EQ(kindEditor.mode(), widgets::EditorDialog::Mode::Change);
        });
        EXPECT_EQ(closed, c.stored) << c.typed;
        const QString name =
            test::adminQuery(QStringLiteral("select vid from accounts_dep.vid_oper where id=1"));
        EXPECT_EQ(name,
                  c.stored ? QString::fromUtf8(c.typed).trimmed() : QString::fromUtf8(c.current))
            << c.typed;
    }
}

// A second workstation renames or deletes the kind while this one's editor is open.
TEST_F(OperationKindsTest, RenamingAKindChangedOrDeletedMeanwhileLosesNothingSilently) {
    const struct {
        const char* meanwhile;
        const char* message;
        bool editorStaysWithTheTypedName;
    } cases[] = {
        {"update accounts_dep.vid_oper set vid='Резка лазерная' where id=1",
         "Запись изменена другим пользователем", true},
        {"delete from accounts_dep.smena where o_id in (1, 5);"
         "delete from accounts_dep.oper where vid=1;"
         "delete from accounts_dep.vid_oper where id=1",
         "Запись удалена другим пользователем", false},
    };
    for (const auto& c : cases) {
        test::loadBaseFixture();
        messages.clear();
        bool openAfterConflict = false;
        QString typedAfterConflict;
        bool closedAfterSecondStore = false;
        QString shownAfter;
        browseKinds([&] {
            ASSERT_TRUE(test::listShownBy(kinds).locate(QStringLiteral("id"), 1));
            whenShown(&kindEditor, [&] {
                nameEdit()->setText(QStringLiteral("Резка ручная"));
                test::adminExec(QString::fromUtf8(c.meanwhile));
                QTest::mouseClick(button(kindEditor, "saveButton"), Qt::LeftButton);
                openAfterConflict = kindEditor.isVisible();
                typedAfterConflict = nameEdit()->text();
                if (openAfterConflict) {
                    QTest::mouseClick(button(kindEditor, "saveButton"), Qt::LeftButton);
                    closedAfterSecondStore = !kindEditor.isVisible();
                    kindEditor.reject();
                }
            });
            button(kinds, "changeButton")->click();
            // The list shows the kind as it is stored now: renamed, or gone.
            shownAfter = test::listShownBy(kinds).locate(QStringLiteral("id"), 1)
                             ? test::listShownBy(kinds).field(QStringLiteral("vid")).asString()
                             : QString();
        });
        ASSERT_EQ(messages.messages().size(), 1) << c.meanwhile;
        EXPECT_TRUE(messages.messages()[0].text.startsWith(QString::fromUtf8(c.message)))
            << messages.messages()[0].text.toStdString();
        EXPECT_EQ(openAfterConflict, c.editorStaysWithTheTypedName);
        if (c.editorStaysWithTheTypedName) {
            EXPECT_EQ(typedAfterConflict, QStringLiteral("Резка ручная"));
            EXPECT_TRUE(closedAfterSecondStore);
            EXPECT_EQ(test::adminQuery(
                          QStringLiteral("select vid from accounts_dep.vid_oper where id=1")),
                      QStringLiteral("Резка ручная"));
            EXPECT_EQ(shownAfter, QStringLiteral("Резка ручная"));
        } else {
            EXPECT_EQ(kindsInDb(), QStringLiteral("Сварка|Покраска|Гибка 'Г'"));
            EXPECT_TRUE(shownAfter.isEmpty()) << shownAfter.toStdString();
        }
    }
}

TEST_F(OperationKindsTest, ANameLongerThanItsColumnIsRefusedWithAMessage) {
    const QString fifty(50, QLatin1Char('z'));
    bool refusedOnce = false;
    QString held;
    browseKinds([&] {
        whenShown(&kindEditor, [&] {
            nameEdit()->setFocus();
            QTest::keyClicks(nameEdit(), fifty + QStringLiteral("xy"));
            refusedOnce = !messages.messages().isEmpty();
            held = nameEdit()->text();
            QTest::mouseClick(button(kindEditor, "saveButton"), Qt::LeftButton);
            if (kindEditor.isVisible()) {
                kindEditor.reject();
            }
        });
        button(kinds, "addButton")->click();
    });
    EXPECT_TRUE(refusedOnce);
    ASSERT_FALSE(messages.messages().isEmpty());
    EXPECT_EQ(messages.messages()[0].text,
              QStringLiteral("Текст длиннее 50 символов не поместится в базу данных"));
    EXPECT_EQ(held, fifty);
    EXPECT_EQ(test::adminQuery(QStringLiteral(
                  "select count(*) from accounts_dep.vid_oper where length(vid) = 50")),
              QStringLiteral("1"));
}

TEST_F(OperationKindsTest, RenameStartsWithTheCurrentNameTrimmed) {
    test::adminExec(QStringLiteral("update accounts_dep.vid_oper set vid='  Резка  ' where id=1"));
    QString shown;
    browseKinds([&] {
        ASSERT_TRUE(test::listShownBy(kinds).locate(QStringLiteral("id"), 1));
        whenShown(&kindEditor, [&] {
            shown = nameEdit()->text();
            kindEditor.reject();
        });
        doubleClickCurrentRow(kinds);
    });
    EXPECT_EQ(shown, QStringLiteral("Резка"));
}

TEST_F(OperationKindsTest, DeletionAsksAndARefusedOneChangesNothing) {
    test::adminExec(
        QStringLiteral("insert into accounts_dep.vid_oper(id, vid) values (20, 'Свободная')"));
    const struct {
        int id;
        core::Answer answer;
        bool deleted;
        const char* message;
    } cases[] = {
        {20, core::Answer::No, false, ""},
        {1, core::Answer::Yes, false,
         "Вид операции используется в операциях и не может быть удалён."},
        {20, core::Answer::Yes, true, ""},
    };
    for (const auto& c : cases) {
        messages.clear();
        messages.answerNext(c.answer);
        int rowsAfter = -1;
        browseKinds([&] {
            ASSERT_TRUE(test::listShownBy(kinds).locate(QStringLiteral("id"), c.id));
            QTest::mouseClick(button(kinds, "deleteButton"), Qt::LeftButton);
            rowsAfter = test::listShownBy(kinds).recordCount();
        });
        ASSERT_GE(messages.messages().size(), 1);
        EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Удаление"));
        EXPECT_EQ(messages.messages()[0].text, QStringLiteral("Удалить вид операции?"));
        const QStringList rest = messages.texts().mid(1);
        EXPECT_EQ(rest, c.message[0] ? QStringList{QString::fromUtf8(c.message)} : QStringList{});
        const QString count = test::adminQuery(
            QStringLiteral("select count(*) from accounts_dep.vid_oper where id=%1").arg(c.id));
        EXPECT_EQ(count, c.deleted ? QStringLiteral("0") : QStringLiteral("1")) << c.id;
        EXPECT_EQ(rowsAfter, c.deleted ? 4 : 5) << c.id;
    }
}

TEST_F(OperationKindsTest, BrowseAfterAChoiceShowsTheEditingButtonsAgain) {
    whenShown(&kinds, [&] {
        EXPECT_FALSE(button(kinds, "addButton")->isVisible());
        EXPECT_FALSE(button(kinds, "deleteButton")->isVisible());
        EXPECT_TRUE(searchBox(kinds)->isVisible());
        EXPECT_TRUE(button(kinds, "changeButton")->isDefault());
        EXPECT_EQ(test::withoutMnemonic(button(kinds, "changeButton")->text()),
                  QStringLiteral("Выбрать"));
        kinds.reject();
    });
    kinds.pickKind();
    EXPECT_FALSE(button(kinds, "changeButton")->isDefault());
    browseKinds([&] {
        EXPECT_TRUE(button(kinds, "addButton")->isVisible());
        EXPECT_TRUE(button(kinds, "deleteButton")->isVisible());
        EXPECT_FALSE(searchBox(kinds)->isVisible());
        EXPECT_EQ(test::withoutMnemonic(button(kinds, "changeButton")->text()),
                  QStringLiteral("Изменить"));
        EXPECT_TRUE(button(kinds, "addButton")->isDefault());
    });
}

TEST_F(OperationKindsTest, ASearchInChoiceModeLeavesNoFilterBehind) {
    whenShown(&kinds, [&] {
        test::typeInto(searchBox(kinds), QStringLiteral("Св"));
        EXPECT_EQ(test::listShownBy(kinds).recordCount(), 1);
        QTest::keyClick(searchBox(kinds), Qt::Key_Return);
    });
    const std::optional<KindChoice> chosen = kinds.pickKind();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->vid, QStringLiteral("Сварка"));
    QStringList shown;
    browseKinds([&] {
        EXPECT_TRUE(saveName([&] { QTest::mouseClick(button(kinds, "addButton"), Qt::LeftButton); },
                             QStringLiteral("Шлифовка")));
        for (int row = 0; row < test::listShownBy(kinds).recordCount(); ++row) {
            shown.append(
                test::listShownBy(kinds)
                    .valueAt(row, test::listShownBy(kinds).fieldIndex(QStringLiteral("vid")))
                    .toString());
        }
    });
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Гибка 'Г'"), QStringLiteral("Покраска"),
                                  QStringLiteral("Резка"), QStringLiteral("Сварка"),
                                  QStringLiteral("Шлифовка")}));
}

// A kind added or renamed is shown where the list's order by name puts it, as the current row.
TEST_F(OperationKindsTest, ASavedKindTakesItsPlaceInTheOrderAndBecomesCurrent) {
    const struct {
        int renamed;  // 0 adds
        const char* name;
        int recNo;
    } cases[] = {
        {0, "Лужение", 2},
        {0, "Анодирование", 1},
        {0, "Штамповка", 5},
        {4, "Ящик", 4},  // "Гибка 'Г'" leaves the top for the end
    };
    for (const auto& c : cases) {
        test::loadBaseFixture();
        int recNo = 0;
        QString current;
        int rows = 0;
        browseKinds([&] {
            if (c.renamed != 0) {
                ASSERT_TRUE(test::listShownBy(kinds).locate(QStringLiteral("id"), c.renamed));
            }
            ASSERT_TRUE(saveName(
                [&] { button(kinds, c.renamed != 0 ? "changeButton" : "addButton")->click(); },
                QString::fromUtf8(c.name)));
            recNo = test::listShownBy(kinds).recNo();
            current = test::listShownBy(kinds).field(QStringLiteral("vid")).asString();
            rows = test::listShownBy(kinds).recordCount();
        });
        EXPECT_EQ(current, QString::fromUtf8(c.name));
        EXPECT_EQ(recNo, c.recNo) << c.name;
        EXPECT_EQ(rows, c.renamed != 0 ? 4 : 5) << c.name;
    }
}

}  // namespace
}  // namespace tabel::refdata
