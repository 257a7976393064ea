#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include "data/connection.h"
#include "data/dataset.h"
#include "message_recorder.h"
#include "test_db.h"
#include "widgets/data_grid.h"
#include "widgets/dataset_model.h"

namespace tabel::widgets {
namespace {

class DatasetModelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }
    void SetUp() override { test::connectAs(connection); }
    void TearDown() override { test::loadBaseFixture(); }

    data::Connection connection;
};

// What another session changed reaches the grid row by row: a reset would lose its place.
TEST_F(DatasetModelTest, ChangedRowsAreToldOneByOneNotByReset) {
    const struct {
        const char* name;
        const char* sort;
        const char* change;
        int key;
        int changed;   // dataChanged signals
        int inserted;  // rows inserted
        int removed;   // rows removed
        const char* rows;
    } cases[] = {
        {"replaced in place", "", "update accounts_dep.vid_oper set vid='Сварка-2' where id=2", 2,
         1, 0, 0, "1 Резка, 2 Сварка-2, 3 Покраска, 4 Гибка 'Г'"},
        {"added at the end", "", "insert into accounts_dep.vid_oper(id, vid) values (10, 'Шов')",
         10, 0, 1, 0, "1 Резка, 2 Сварка, 3 Покраска, 4 Гибка 'Г', 10 Шов"},
        {"no longer listed", "", "update accounts_dep.vid_oper set vid='Аргон' where id=3", 3, 0, 0,
         1, "1 Резка, 2 Сварка, 4 Гибка 'Г'"},
        {"kept in sort order", "vid ASC",
         "update accounts_dep.vid_oper set vid='Сварка-2' where id=2", 2, 1, 0, 0,
         "4 Гибка 'Г', 3 Покраска, 1 Резка, 2 Сварка-2"},
        {"moved by the sort", "vid ASC", "update accounts_dep.vid_oper set vid='Анод' where id=2",
         2, 0, 1, 1, "2 Анод, 4 Гибка 'Г', 3 Покраска, 1 Резка"},
    };
    for (const auto& step : cases) {
        test::loadBaseFixture();
        data::Dataset kinds(&connection, QStringLiteral("kinds"));
        kinds.setSql(
            {QStringLiteral("select id, vid from accounts_dep.vid_oper where id < 11 "
                            "and vid <> 'Аргон' order by id")});
        kinds.open();
        kinds.setSort(QString::fromUtf8(step.sort));
        DatasetModel model(&kinds, {{QStringLiteral("id"), QStringLiteral("Код")},
                                    {QStringLiteral("vid"), QStringLiteral("Вид")}});
        // The current row is the one the user was on, whatever moved around it.
        kinds.locate(QStringLiteral("id"), 1);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        test::adminExec(QString::fromUtf8(step.change));
        kinds.refreshRows(QStringLiteral("id"), {step.key});
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row) {
            rows.append(model.index(row, 0).data().toString() + QLatin1Char(' ') +
                        model.index(row, 1).data().toString());
        }
        EXPECT_EQ(rows.join(QLatin1String(", ")).toStdString(), step.rows) << step.name;
        EXPECT_EQ(resets.count(), 0) << step.name;
        EXPECT_EQ(changed.count(), step.changed) << step.name;
        EXPECT_EQ(inserted.count(), step.inserted) << step.name;
        EXPECT_EQ(removed.count(), step.removed) << step.name;
        EXPECT_EQ(kinds.field(QStringLiteral("id")).asInteger(), 1) << step.name;
    }
}

// More keys than one statement takes are read in parts; a backlog of more keys than the list
// has rows in one read of the whole list. Either way every row arrives, row by row.
TEST_F(DatasetModelTest, ManyKeysAllArrive) {
    const struct {
        const char* name;
        bool listedBefore;  // the rows are in the list before they change
        int changed;
        int inserted;
    } cases[] = {
        {"in parts", true, 450, 0},
        {"in one read", false, 0, 450},
    };
    const QString insert = QStringLiteral(
        "insert into accounts_dep.vid_oper(id, vid) "
        "select n, 'Вид ' || n from generate_series(1001, 1450) n");
    QList<QVariant> keys;
    for (int id = 1001; id <= 1450; ++id) {
        keys.append(id);
    }
    for (const auto& step : cases) {
        test::loadBaseFixture();
        if (step.listedBefore) {
            test::adminExec(insert);
        }
        data::Dataset kinds(&connection, QStringLiteral("kinds"));
        kinds.setSql({QStringLiteral("select id, vid from accounts_dep.vid_oper order by id")});
        kinds.open();
        test::adminExec(step.listedBefore
                            ? QStringLiteral("update accounts_dep.vid_oper set vid = vid || '+' "
                                             "where id > 1000")
                            : insert);
        const int before = kinds.recordCount();
        DatasetModel model(&kinds, {{QStringLiteral("vid"), QStringLiteral("Вид")}});
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        kinds.refreshRows(QStringLiteral("id"), keys);
        EXPECT_EQ(model.rowCount(), before + step.inserted) << step.name;
        EXPECT_EQ(resets.count(), 0) << step.name;
        EXPECT_EQ(changed.count(), step.changed) << step.name;
        EXPECT_EQ(inserted.count(), step.inserted) << step.name;
        ASSERT_TRUE(kinds.locate(QStringLiteral("id"), 1450)) << step.name;
        EXPECT_EQ(kinds.field(QStringLiteral("vid")).asString(),
                  step.listedBefore ? QStringLiteral("Вид 1450+") : QStringLiteral("Вид 1450"))
            << step.name;
        EXPECT_TRUE(kinds.holdsKey(QStringLiteral("id"), 1450)) << step.name;
        EXPECT_FALSE(kinds.holdsKey(QStringLiteral("id"), 1451)) << step.name;
    }
}

// A row the server refuses stays in editing with what was typed: the cursor goes back to it
// and the refusal is told once. Corrected, the row is stored when the cursor leaves it.
TEST_F(DatasetModelTest, ARefusedRowKeepsTheCursorAndWhatWasTyped) {
    const struct {
        const char* name;
        bool newRow;
    } cases[] = {{"changed row", false}, {"new row", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::loadBaseFixture();
        test::MessageRecorder messages;
        data::Dataset kinds(&connection, QStringLiteral("kinds"));
        kinds.setSql({QStringLiteral("select id, vid from accounts_dep.vid_oper order by id")});
        kinds.setTableName(QStringLiteral("accounts_dep.vid_oper"));
        kinds.open();
        DataSource source(
            &kinds, {{.field = QStringLiteral("vid"),
                      .title = QStringLiteral("Вид"),
                      .input = [](const QString& text) { return std::optional<QVariant>(text); }}});
        DataGrid grid;
        grid.setSource(&source);
        grid.setEditable(true);
        grid.show();
        DatasetModel& model = *source.model();
        const int row = c.newRow ? model.newRow() : 0;
        const auto typeAndLeave = [&](const QString& text) {
            grid.setCurrentIndex(model.index(row, 0));
            QCoreApplication::processEvents();
            ASSERT_TRUE(model.setData(model.index(row, 0), text, Qt::EditRole));
            grid.setCurrentIndex(model.index(2, 0));
            QCoreApplication::processEvents();  // leaving the row stores it
        };
        const auto kindsNamed = [](const char* vid) {
            return test::adminQuery(
                QStringLiteral("select count(*) from accounts_dep.vid_oper where vid = '%1'")
                    .arg(QString::fromUtf8(vid)));
        };

        typeAndLeave(QStringLiteral("Сварка"));  // the name of another kind
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_TRUE(messages.texts()[0].startsWith(QStringLiteral("Такая операция уже заведена!")))
            << messages.texts()[0].toStdString();
        EXPECT_EQ(grid.currentIndex().row(), row);
        EXPECT_EQ(grid.currentIndex().data().toString(), QStringLiteral("Сварка"));
        EXPECT_NE(kinds.state(), data::Dataset::State::Browse);
        EXPECT_EQ(kindsNamed("Сварка"), QStringLiteral("1"));

        messages.clear();
        typeAndLeave(QStringLiteral("Сварка-2"));
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'\n').toStdString();
        EXPECT_EQ(kinds.state(), data::Dataset::State::Browse);
        EXPECT_EQ(grid.currentIndex().row(), 2);
        EXPECT_EQ(kindsNamed("Сварка-2"), QStringLiteral("1"));
    }
}

}  // namespace
}  // namespace tabel::widgets
