// Deleting and accepting entries from the shift log window, with the role of the login.
#include "entry_test.h"
#include "eventually.h"

namespace tabel::shiftlog {
namespace {

constexpr int kWaitMs = 8000;

QString query(const QString& sql) {
    return test::adminQuery(sql);
}

QString hoursRow(int worker, int shift) {
    return query(QStringLiteral("select d2 || '/' || d3 from accounts_dep.h_tabel where w_id=%1 "
                                "and smena=%2 and month=3 and year=2026")
                     .arg(worker)
                     .arg(shift));
}

QString okOf(int id) {
    return query(
        QStringLiteral("select coalesce(ok, 'null') from accounts_dep.smena where id=%1").arg(id));
}

TEST_F(EntryTest, DeleteAsksThenRemovesTheEntryAndCorrectsOnlyItsDay) {
    test::adminExec(
        QStringLiteral("update accounts_dep.h_tabel set d3 = 5 where w_id = 101 and smena = 1"));
    selectRow(0);  // entry 1 of Иванов; entry 2 (accepted) keeps 4 hours that day
    QTest::mouseClick(sl.deleteButton, Qt::LeftButton);
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages()[0].kind, core::MessageKind::Question);
    EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Удаление"));
    EXPECT_EQ(messages.messages()[0].text, QStringLiteral("Удалить позицию из списка?"));
    EXPECT_EQ(okOf(1), QStringLiteral("no"));  // answered No
    EXPECT_EQ(hoursRow(101, 1), QStringLiteral("8/5"));

    messages.answerNext(core::Answer::Yes);
    selectRow(0);
    QTest::mouseClick(sl.deleteButton, Qt::LeftButton);
    EXPECT_TRUE(okOf(1).isEmpty());
    EXPECT_EQ(hoursRow(101, 1), QStringLiteral("4/5"));
    EXPECT_SOON_EQ(test::shiftList(shiftLog, 1).recordCount(), 2, kWaitMs);
}

TEST_F(EntryTest, DeletingTheLastEntryOfTheDayKeepsTheWorkersOtherDays) {
    test::adminExec(
        QStringLiteral("update accounts_dep.h_tabel set d3 = 5 where w_id = 102 and smena = 2"));
    QTest::mouseClick(sl.shift2Radio, Qt::LeftButton);  // entry 6 of Ивашов, 8 hours
    messages.answerNext(core::Answer::Yes);
    QTest::mouseClick(sl.deleteButton, Qt::LeftButton);
    EXPECT_EQ(hoursRow(102, 2), QStringLiteral("0/5"));
    EXPECT_SOON(test::shiftList(shiftLog, 2).isEmpty(), kWaitMs);
}

TEST_F(EntryTest, AnAcceptedEntryIsNeitherEditedDeletedNorAcceptedAgain) {
    for (int row : {1, 2}) {  // "ok" and "да"
        selectRow(row);
        EXPECT_FALSE(showsDialog([this] { QTest::mouseClick(sl.editButton, Qt::LeftButton); }));
        QTest::mouseClick(sl.deleteButton, Qt::LeftButton);
        QTest::mouseClick(sl.acceptButton, Qt::LeftButton);
    }
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(query(QStringLiteral("select count(*) from accounts_dep.smena")),
              QStringLiteral("9"));
}

TEST_F(EntryTest, ADeletionMadeElsewhereMeanwhileIsReported) {
    selectRow(0);
    test::adminExec(QStringLiteral("delete from accounts_dep.smena where id = 1"));
    messages.answerNext(core::Answer::Yes);
    QTest::mouseClick(sl.deleteButton, Qt::LeftButton);
    EXPECT_EQ(messages.texts().last(),
              QStringLiteral("Позиция уже удалена с другого рабочего места."));
    EXPECT_SOON_EQ(test::shiftList(shiftLog, 1).recordCount(), 2, kWaitMs);
}

TEST_F(EntryTest, AnEntryAcceptedElsewhereMeanwhileIsNotDeletedAndTheServerSaysWhy) {
    selectRow(0);
    test::adminExec(QStringLiteral("update accounts_dep.smena set ok = 'ok' where id = 1"));
    messages.answerNext(core::Answer::Yes);
    QTest::mouseClick(sl.deleteButton, Qt::LeftButton);
    ASSERT_EQ(messages.messages().size(), 2);
    EXPECT_EQ(messages.messages()[1].kind, core::MessageKind::Stop);
    EXPECT_FALSE(messages.messages()[1].text.contains(QLatin1String("ERROR")));
    EXPECT_EQ(okOf(1), QStringLiteral("ok"));
    EXPECT_EQ(hoursRow(101, 1), QStringLiteral("8/0"));
}

TEST_F(EntryTest, AForemanCannotAcceptAndIsToldSo) {
    test::adminExec(
        QStringLiteral("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, "
                       "f_qty_use) values (1, 1001, 1)"));
    selectRow(0);
    QTest::mouseClick(sl.acceptButton, Qt::LeftButton);
    // The sentence, then the server's own words on a detail line.
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(
        messages.texts()[0].startsWith(QStringLiteral("Недостаточно прав для этого действия.\n\n")))
        << messages.texts()[0].toStdString();
    EXPECT_EQ(okOf(1), QStringLiteral("no"));
}

class ClerkTest : public EntryTest {
protected:
    QString login() const override { return QStringLiteral("clerk_a"); }
    // The list's row of entry `id` carries the version the entry and its materials have now.
    bool listShowsStoredVersion(int id) {
        data::Dataset& list = test::shiftList(shiftLog, 1);
        return list.locate(QStringLiteral("id"), id) &&
               list.field(QStringLiteral("row_version")).asString() ==
                   query(QStringLiteral(
                             "select row_version::text from accounts_dep.smena where id = %1")
                             .arg(id));
    }

    void rereadList() {
        test::shiftList(shiftLog, 1).close();
        test::shiftList(shiftLog, 1).open();
    }
};

// The foreman changes the quantity or the materials between the clerk's look and his click:
// nothing is accepted, the clerk is told, and his list shows the entry as it is now.
TEST_F(ClerkTest, AnEntryChangedSinceTheClerksLookIsNotAccepted) {
    test::adminExec(
        QStringLiteral("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, "
                       "f_qty_use) values (1, 1001, 1)"));
    const struct {
        const char* what;
        const char* change;
    } changes[] = {
        {"quantity", "update accounts_dep.smena set kol_vo = 77 where id = 1"},
        {"materials",
         "insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) "
         "values (1, 1001, 5)"},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        rereadList();
        selectRow(0);
        messages.clear();
        test::adminExec(QString::fromUtf8(c.change));
        QTest::mouseClick(sl.acceptButton, Qt::LeftButton);
        EXPECT_EQ(messages.texts(),
                  QStringList{QStringLiteral("Запись изменена другим пользователем")});
        EXPECT_EQ(okOf(1), QStringLiteral("no"));
        EXPECT_EQ(test::shiftList(shiftLog, 1).field(QStringLiteral("id")).asInteger(), 1);
        // The refusal brings the entry as it now is into the list.
        EXPECT_SOON(listShowsStoredVersion(1), kWaitMs);
    }
    EXPECT_DOUBLE_EQ(test::shiftList(shiftLog, 1).field(QStringLiteral("kol_vo")).asFloat(), 77);
    messages.clear();
    QTest::mouseClick(sl.acceptButton, Qt::LeftButton);  // now as the list shows it
    EXPECT_EQ(messages.texts(), QStringList());
    EXPECT_EQ(okOf(1), QStringLiteral("ok"));
}

TEST_F(ClerkTest, AcceptNeedsMaterialsAndMarksTheEntryOk) {
    selectRow(0);
    QTest::mouseClick(sl.acceptButton, Qt::LeftButton);
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Не заведен расход ТМЦ!")});
    EXPECT_EQ(okOf(1), QStringLiteral("no"));

    test::adminExec(
        QStringLiteral("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, "
                       "f_qty_use) values (1, 1001, 1)"));
    rereadList();  // the clerk accepts what his list shows: the entry with its material
    selectRow(0);
    QTest::mouseClick(sl.acceptButton, Qt::LeftButton);
    EXPECT_EQ(okOf(1), QStringLiteral("ok"));
    EXPECT_SOON_EQ(test::shiftList(shiftLog, 1).field(QStringLiteral("ok")).asString(),
                   QStringLiteral("ok"), kWaitMs);
    EXPECT_EQ(test::shiftList(shiftLog, 1).recNo(), 1);
}

TEST_F(ClerkTest, AClerksDoubleClickAcceptsInsteadOfShowing) {
    shiftlog::ShiftLogRights clerk;
    clerk.accept = true;
    clerk.browsing = true;
    clerk.doubleClickAccepts = true;
    shiftLog.applyRights(clerk);
    const struct {
        int row;
        bool withMaterial;
        QString message;
        QString ok;
    } cases[] = {
        {0, false, QStringLiteral("Не заведен расход ТМЦ!"), QStringLiteral("no")},
        {0, true, QString(), QStringLiteral("ok")},
    };
    for (const auto& c : cases) {
        messages.clear();
        if (c.withMaterial) {
            test::adminExec(
                QStringLiteral("insert into accounts_dep.smena_gds_use(id_smena, "
                               "id_gds_use, f_qty_use) values (1, 1001, 1)"));
            rereadList();
        }
        selectRow(c.row);
        EXPECT_FALSE(showsDialog([this] { sl.doubleClickRow(0); }));
        EXPECT_EQ(messages.texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_EQ(okOf(1), c.ok);
    }
}

// A clerk accepts a shift with one key an entry: after an accept the list stands on the next
// entry that is not accepted; a refused accept, or no open entry below, leaves it where it is.
TEST_F(ClerkTest, AfterAnAcceptTheListGoesOnToTheNextOpenEntry) {
    shiftlog::ShiftLogRights clerk;
    clerk.accept = true;
    clerk.browsing = true;
    clerk.doubleClickAccepts = true;
    shiftLog.applyRights(clerk);
    // Shift 1 by name: 1 Иванов (open), 2 Иванов (ok), 10 Ивашов (open, no material),
    // 11 Кузнецова (open), 3 Петров (да).
    test::adminExec(QStringLiteral(
        "insert into accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, "
        "color, time, ok, vvod, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, "
        "id_cons_use) select 9 + n, data, smena, w, i_id, o_id, cena, kol_vo, brak, color, time, "
        "'no', vvod, prize, id_doc, id_doc_item, 0, 0, 0 from accounts_dep.smena, "
        "(values (1, 102), (2, 106)) as workers(n, w) where id = 1; "
        "insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) values "
        "(1, 1001, 1), (11, 1001, 1)"));
    rereadList();
    selectRow(0);
    data::Dataset& list = test::shiftList(shiftLog, 1);
    QList<int> ids;
    for (int row = 0; row < list.recordCount(); ++row) {
        ids.append(list.valueAt(row, list.fieldIndex(QStringLiteral("id"))).toInt());
    }
    ASSERT_EQ(ids, (QList<int>{1, 2, 10, 11, 3}));
    const struct {
        const char* what;
        Qt::Key key;
        int standsOn;
        QString accepted;  // the entries accepted so far
        QString message;
    } steps[] = {
        {"Enter on 1", Qt::Key_Return, 10, QStringLiteral("1"), {}},
        {"Enter on 10, without material", Qt::Key_Return, 10, QStringLiteral("1"),
         QStringLiteral("Не заведен расход ТМЦ!")},
        {"Down", Qt::Key_Down, 11, QStringLiteral("1"), {}},
        {"Enter on 11, the last open", Qt::Key_Return, 11, QStringLiteral("1,11"), {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        messages.clear();
        QTest::keyClick(sl.entriesGrid, step.key);
        EXPECT_EQ(list.field(QStringLiteral("id")).asInteger(), step.standsOn);
        EXPECT_EQ(query(QStringLiteral("select string_agg(id::text, ',' order by id) from "
                                       "accounts_dep.smena where id in (1, 10, 11) and ok = 'ok'")),
                  step.accepted);
        EXPECT_EQ(messages.texts(),
                  step.message.isEmpty() ? QStringList() : QStringList{step.message});
    }
    // The change feed brings the marks; the list still stands where the accepts left it.
    EXPECT_SOON_EQ(list.field(QStringLiteral("ok")).asString(), QStringLiteral("ok"), kWaitMs);
    EXPECT_EQ(list.field(QStringLiteral("id")).asInteger(), 11);
}

// Before accepting, the clerk looks: F3 shows the entry read only with its materials and its
// brigade, and accepts nothing; Enter, the double-click and "Принять" still accept.
TEST_F(ClerkTest, F3ShowsTheEntryWithItsMaterialsAndBrigadeAndTheOtherWaysAccept) {
    shiftlog::ShiftLogRights clerk;
    clerk.accept = true;
    clerk.browsing = true;
    clerk.doubleClickAccepts = true;
    shiftLog.applyRights(clerk);
    test::adminExec(QStringLiteral(
        "insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) values "
        "(1, 1001, 1), (1, 1002, 0.5); "
        "insert into accounts_dep.person_temp(id_smena, id_person) values (1, 2), (1, 3)"));
    rereadList();
    selectRow(0);
    int materials = -1;
    int brigade = -1;
    inside(
        dialog, [this] { QTest::keyClick(sl.entriesGrid, Qt::Key_F3); },
        [&] {
            EXPECT_EQ(dialog.mode(), EntryDialog::Mode::View);
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Просмотр данных о позиции"));
            EXPECT_EQ(ui.workerEdit->text(), QStringLiteral("Иванов Иван Иванович"));
            materials = ui.materials().recordCount();
            brigade = ui.brigade().recordCount();
            EXPECT_TRUE(ui.materialsGrid->isEnabled());  // read and scrolled
            for (QWidget* writes : std::initializer_list<QWidget*>{
                     ui.entryGroup, ui.saveButton, ui.addMaterialButton, ui.deleteMaterialButton,
                     ui.addMemberButton, ui.removeMemberButton, ui.divideButton}) {
                EXPECT_FALSE(writes->isEnabled()) << writes->objectName().toStdString();
            }
        });
    EXPECT_EQ(materials, 2);
    EXPECT_EQ(brigade, 2);
    EXPECT_EQ(okOf(1), QStringLiteral("no"));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();

    const struct {
        const char* what;
        std::function<void()> accept;
    } ways[] = {
        {"Enter", [this] { QTest::keyClick(sl.entriesGrid, Qt::Key_Return); }},
        {"double-click", [this] { sl.doubleClickRow(0); }},
        {"button", [this] { QTest::mouseClick(sl.acceptButton, Qt::LeftButton); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.what);
        test::adminExec(QStringLiteral("update accounts_dep.smena set ok = 'no' where id = 1"));
        rereadList();
        selectRow(0);
        EXPECT_FALSE(showsDialog(way.accept));
        EXPECT_EQ(okOf(1), QStringLiteral("ok"));
    }
}

}  // namespace
}  // namespace tabel::shiftlog
