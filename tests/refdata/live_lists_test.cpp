// The operation kinds, operations and norms lists follow what another session commits while
// they are open, without "Обновить": only the named rows are re-read, the current row stays.
#include <QScrollBar>

#include "data/notifications.h"
#include "eventually.h"
#include "refdata_test.h"
#include "widgets/data_grid.h"

namespace tabel::refdata {
namespace {

// A change reaches an open list within 2 s; the tests wait longer so that a busy machine does
// not fail them (the benchmark measures the delay).
constexpr int kWaitMs = 8000;

enum class List { Kinds, Operations, Norms };

struct LiveCase {
    const char* name;
    List list;
    int currentId;          // the row made current before the change
    const char* sql;        // committed by another session (the cluster's admin, through psql)
    int changedId;          // the row the change shows up in
    const char* field;      // … and its field
    QVariant expected;      // the value it shows, or null: the row is not (or no longer) listed
    int currentAfterwards;  // the current row afterwards
};

const LiveCase kCases[] = {
    {"a new kind appears", List::Kinds, 2,
     "INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (9, 'Шлифовка')", 9, "vid",
     QStringLiteral("Шлифовка"), 2},
    {"a renamed kind", List::Kinds, 2,
     "UPDATE accounts_dep.vid_oper SET vid = 'Сварка ручная' WHERE id = 2", 2, "vid",
     QStringLiteral("Сварка ручная"), 2},
    {"a changed norm changes its operation's lowest price", List::Operations, 3,
     "UPDATE accounts_dep.norm SET price = 1.1 WHERE id = 2", 1, "cena", 1.1, 3},
    {"a renamed kind renames its operations", List::Operations, 3,
     "UPDATE accounts_dep.vid_oper SET vid = 'Раскрой' WHERE id = 1", 1, "vid",
     QStringLiteral("Раскрой"), 3},
    {"a renamed product renames its operations", List::Operations, 3,
     "UPDATE accounts_dep.izdel SET marka = 'КР-1М' WHERE id = 1", 1, "marka",
     QStringLiteral("КР-1М"), 3},
    {"an operation's first norm lists it", List::Operations, 3,
     "INSERT INTO accounts_dep.norm (id, o_id, norma, prize, price) VALUES (20, 5, 10, 0, 4)", 5,
     "norma", 1, 3},
    // Operation 3 deleted (with its entry): it leaves the list, and the row after it becomes
    // current (sorted by product and kind: КР-1 1 and 2, КР-2 3 and 6, ПР-1 4).
    {"a deleted operation leaves the list", List::Operations, 3,
     "DELETE FROM accounts_dep.smena WHERE o_id = 3; DELETE FROM accounts_dep.oper WHERE id = 3", 3,
     "id", QVariant(), 6},
    {"a new norm of the operation shown", List::Norms, 6,
     "INSERT INTO accounts_dep.norm (id, o_id, norma, prize, price) VALUES (21, 4, 200, 15, 1.5)",
     21, "price", 1.5, 6},
    {"a new norm of another operation stays out", List::Norms, 6,
     "INSERT INTO accounts_dep.norm (id, o_id, norma, prize, price) VALUES (22, 1, 300, 0, 1)", 22,
     "id", QVariant(), 6},
    {"a changed norm", List::Norms, 6, "UPDATE accounts_dep.norm SET prize = 7 WHERE id = 5", 5,
     "prize", 7, 6},
};

class LiveListsTest : public RefdataTest, public ::testing::WithParamInterface<LiveCase> {
protected:
    void SetUp() override {
        RefdataTest::SetUp();
        session.changes.start(session.connection.connectionString());
        EXPECT_SOON(session.changes.isLive(), kWaitMs);
    }

    data::Dataset& listOf(List list) {
        switch (list) {
            case List::Kinds:
                return test::listShownBy(kinds);
            case List::Operations:
                return test::listShownBy(operations);
            case List::Norms:
                break;
        }
        return test::listShownBy(norms, QStringLiteral("normsGrid"));
    }
    widgets::DataGrid* gridOf(List list) {
        switch (list) {
            case List::Kinds:
                return grid(kinds);
            case List::Operations:
                return grid(operations);
            case List::Norms:
                break;
        }
        return grid(norms, "normsGrid");
    }
    // Opens the window of `list` modally and runs `inList` inside it.
    void open(List list, std::function<void()> inList) {
        switch (list) {
            case List::Kinds:
                browseKinds(std::move(inList));
                return;
            case List::Operations:
                browseOperations(std::move(inList));
                return;
            case List::Norms:
                inside(
                    norms, [this] { norms.openForOperation(4); }, std::move(inList));
                return;
        }
    }

    static int rowOf(data::Dataset& list, int id) {
        const int idColumn = list.fieldIndex(QStringLiteral("id"));
        for (int row = 0; row < list.recordCount(); ++row) {
            if (list.valueAt(row, idColumn).toInt() == id) {
                return row;
            }
        }
        return -1;
    }
    // The field's value in the row `id`, trimmed text for text; null when the row is absent.
    static QVariant shown(data::Dataset& list, int id, const QString& field) {
        const int row = rowOf(list, id);
        if (row < 0) {
            return {};
        }
        const QVariant value = list.valueAt(row, list.fieldIndex(field));
        return value.typeId() == QMetaType::QString ? QVariant(value.toString().trimmed()) : value;
    }
    static bool same(const QVariant& actual, const QVariant& expected) {
        if (expected.isNull() || actual.isNull()) {
            return expected.isNull() == actual.isNull();
        }
        if (expected.typeId() == QMetaType::QString) {
            return actual.toString() == expected.toString();
        }
        return qFuzzyCompare(actual.toDouble(), expected.toDouble());
    }
};

TEST_P(LiveListsTest, ShowsWhatAnotherSessionCommits) {
    const LiveCase& c = GetParam();
    bool reached = false;
    QString current;
    int scrolled = -1;
    int scrolledBefore = -2;
    open(c.list, [&] {
        data::Dataset& list = listOf(c.list);
        list.setCurrentRow(rowOf(list, c.currentId));
        scrolledBefore = gridOf(c.list)->verticalScrollBar()->value();
        test::adminExec(QString::fromUtf8(c.sql));
        // The other rows are already there: the change itself is what is awaited.
        EXPECT_SOON(reached = same(shown(list, c.changedId, QLatin1String(c.field)), c.expected),
                    kWaitMs);
        if (c.expected.isNull()) {
            // Nothing must arrive: give the notification time to be (wrongly) applied.
            QTest::qWait(2 * data::ChangeFeed::kBatchMs + 500);
            reached = same(shown(list, c.changedId, QLatin1String(c.field)), c.expected);
        }
        current = list.field(QStringLiteral("id")).asString();
        scrolled = gridOf(c.list)->verticalScrollBar()->value();
    });
    EXPECT_TRUE(reached) << c.name;
    EXPECT_EQ(current, QString::number(c.currentAfterwards)) << c.name;
    EXPECT_EQ(scrolled, scrolledBefore) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Lists, LiveListsTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LiveCase>& info) {
                             return "case" + std::to_string(info.index);
                         });

}  // namespace
}  // namespace tabel::refdata
