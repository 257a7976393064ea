// What the history tells of a change: every column of an entry, of its material lines and of its
// brigade lines, changed in plain SQL, by its caption with the old and the new value; workers,
// products and operations by their names, or by their codes once their rows are gone.
#include <gtest/gtest.h>

#include <QStringList>

#include "data/connection.h"
#include "data/entry_history.h"
#include "test_db.h"

namespace tabel::data {
namespace {

// The tables whose changes the history of an entry tells.
const QStringList kTables{QStringLiteral("smena"), QStringLiteral("smena_gds_use"),
                          QStringLiteral("person_temp")};

class EntryHistoryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }

    // An entry of its own, numbered past every entry the history has seen, with one material
    // line and one brigade line.
    void SetUp() override {
        test::connectAs(reader, QStringLiteral("econom"));
        entry = test::adminQuery(
                    QStringLiteral("select greatest(coalesce(max(id_smena), 0), 200000) + 1 "
                                   "from accounts_dep.smena_history"))
                    .toInt();
        test::adminExec(
            QStringLiteral(
                "insert into accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, "
                "brak, color, time, ok, vvod, prize, id_doc, id_doc_item, f_gds_qty_use, "
                "id_gds_use, id_cons_use) values (%1, '2026-03-02', 1, 101, 1, 1, 1.25, 100, 2, "
                "0, 4, 'no', '2026-03-02 08:00', 0, 1, 11, 0, 0, 0); "
                "insert into accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use, "
                "id_cons_use) values (%1, 1001, 2.5, 1); "
                "insert into accounts_dep.person_temp (id_smena, id_person) values (%1, 1)")
                .arg(entry));
    }
    void TearDown() override {
        test::adminExec(QStringLiteral("delete from accounts_dep.smena where id = %1").arg(entry));
    }

    QList<HistoryRecord> history() { return entryHistory(reader, entry); }
    static QString told(const HistoryRecord& record) {
        return changesText(record.changes, record.names);
    }
    void update(const QString& table, const QString& set) {
        test::adminExec(QStringLiteral("update accounts_dep.%1 set %2 where %3 = %4")
                            .arg(table, set,
                                 table == QLatin1String("smena") ? QStringLiteral("id")
                                                                 : QStringLiteral("id_smena"))
                            .arg(entry));
    }

    Connection reader{QStringLiteral("history_reader")};
    int entry = 0;
};

TEST_F(EntryHistoryTest, EveryColumnIsToldByItsCaptionWithItsOldAndNewValue) {
    const struct {
        const char* table;
        const char* column;
        const char* value;  // the new value as SQL; null for a key, which no change touches,
                            // and for the versions, which no history row tells
        const char* told;
    } cases[] = {
        {"smena", "id", nullptr, nullptr},
        {"smena", "entry_version", nullptr, nullptr},
        {"smena", "row_version", nullptr, nullptr},
        {"smena", "data", "'2026-03-03'", "Дата: 02.03.2026 → 03.03.2026"},
        {"smena", "smena", "2", "Смена: 1 → 2"},
        {"smena", "w_id", "103", "ФИО: Иванов Иван Иванович → Петров Пётр Петрович"},
        {"smena", "i_id", "2", "Изделие: КР-1 → КР-2"},
        {"smena", "o_id", "2", "Операция: Резка, Готовая продукция → Сварка, Заготовки"},
        {"smena", "cena", "1.5", "Цена итог: 1,25 → 1,5"},
        {"smena", "kol_vo", "120.5", "Кол-во: 100 → 120,5"},
        {"smena", "brak", "3", "Брак: 2 → 3"},
        {"smena", "color", "9005", "Цвет: 0 → 9005"},
        {"smena", "time", "6", "Время: 4 → 6"},
        {"smena", "ok", "'ok'", "Принята: нет → да"},
        {"smena", "vvod", "'2026-03-02 09:30'",
         "Заведен: 02.03.2026 08:00:00 → 02.03.2026 09:30:00"},
        {"smena", "prize", "10", "Премия (%): 0 → 10"},
        {"smena", "id_doc", "2", "Заявка: 1 → 2"},
        {"smena", "id_doc_item", "13", "Строка: 11 → 13"},
        {"smena", "f_gds_qty_use", "2.5", "Расход: 0 → 2,5"},
        {"smena", "id_gds_use", "1001", "ТМЦ: 0 → 1001"},
        {"smena", "id_cons_use", "1", "Партия: 0 → 1"},
        {"smena_gds_use", "id", nullptr, nullptr},
        {"smena_gds_use", "id_smena", nullptr, nullptr},
        {"smena_gds_use", "id_gds_use", "1002", "ТМЦ: 1001 → 1002"},
        {"smena_gds_use", "f_qty_use", "3", "Расход: 2,5 → 3"},
        {"smena_gds_use", "id_cons_use", "2", "Партия: 1 → 2"},
        {"person_temp", "id", nullptr, nullptr},
        {"person_temp", "id_smena", nullptr, nullptr},
        {"person_temp", "id_person", "3", "Бригада: 1 → 3"},
        {"person_temp", "ktu", "1.5", "КТУ: 1,00 → 1,50"},
        {"person_temp", "hours", "7", "Часы: 7"},
        {"person_temp", "split", "'hours'", "Раздел: поровну → по часам"},
    };

    // Every column the tables have now has its row above, and every row its column: a column
    // added later is not left out of the history unnoticed.
    const QStringList columns =
        test::adminQuery(QStringLiteral("select string_agg(table_name || '.' || column_name, ',' "
                                        "order by table_name, ordinal_position) "
                                        "from information_schema.columns "
                                        "where table_schema = 'accounts_dep' "
                                        "and table_name in ('%1')")
                             .arg(kTables.join(QStringLiteral("', '"))))
            .split(QLatin1Char(','));
    QStringList listed;
    for (const auto& c : cases) {
        listed.append(QString::fromLatin1(c.table) + u'.' + QString::fromLatin1(c.column));
    }
    for (const QString& column : columns) {
        EXPECT_TRUE(listed.contains(column)) << "no row for the column " << column.toStdString();
    }
    for (const QString& column : listed) {
        EXPECT_TRUE(columns.contains(column)) << "no such column " << column.toStdString();
    }

    for (const auto& c : cases) {
        if (c.value == nullptr) {
            continue;
        }
        const QString column = QString::fromLatin1(c.column);
        SCOPED_TRACE(std::string(c.table) + "." + c.column);
        const qsizetype before = history().size();
        update(QString::fromLatin1(c.table), column + QStringLiteral(" = ") + c.value);
        const QList<HistoryRecord> records = history();
        if (records.size() != before + 1) {
            ADD_FAILURE() << "the change left no history";
            continue;
        }
        EXPECT_EQ(told(records.last()).toStdString(), c.told);
    }
}

TEST_F(EntryHistoryTest, AWorkerProductOrOperationWithoutItsRowIsToldByItsCode) {
    test::adminExec(QStringLiteral(
        "insert into accounts_dep.izdel (id, marka, nom) values (50, 'ВР-5', 'Временное'); "
        "insert into accounts_dep.oper (id, vid, naimen, i_id) values (50, 3, 1, 50)"));
    update(QStringLiteral("smena"), QStringLiteral("w_id = 999, i_id = 50, o_id = 50"));
    update(QStringLiteral("smena"), QStringLiteral("i_id = 1, o_id = 1"));
    const QString whileThere = told(history().last());
    test::adminExec(
        QStringLiteral("delete from accounts_dep.oper where id = 50; "
                       "delete from accounts_dep.izdel where id = 50"));
    const QList<HistoryRecord> records = history();
    ASSERT_GE(records.size(), 2);
    EXPECT_EQ(told(records[records.size() - 2]),
              QStringLiteral("Изделие: КР-1 → 50; Операция: Резка, Готовая продукция → 50; "
                             "ФИО: Иванов Иван Иванович → 999"));
    EXPECT_EQ(whileThere,
              QStringLiteral("Изделие: ВР-5 → КР-1; "
                             "Операция: Покраска, Заготовки → Резка, Готовая продукция"));
    EXPECT_EQ(told(records.last()),
              QStringLiteral("Изделие: 50 → КР-1; Операция: 50 → Резка, Готовая продукция"));
}

// The names come with every way the history is read: an entry's, a period's, the deleted ones.
TEST_F(EntryHistoryTest, APeriodsHistoryAndTheDeletedEntriesNameTheirCodesToo) {
    update(QStringLiteral("smena"), QStringLiteral("w_id = 102"));
    const QString moved = QStringLiteral("ФИО: Иванов Иван Иванович → Ивашов Пётр");
    EXPECT_EQ(told(history().last()), moved);

    const QDate today = QDate::currentDate();
    int found = 0;
    for (const HistoryRecord& record : periodHistory(reader, today.addDays(-1), today.addDays(1))) {
        if (record.entryId == entry && record.action == QLatin1String("update")) {
            EXPECT_EQ(told(record), moved);
            ++found;
        }
    }
    EXPECT_EQ(found, 1);

    test::adminExec(QStringLiteral("delete from accounts_dep.smena where id = %1").arg(entry));
    const QList<DeletedEntry> deleted = deletedEntries(reader, QDate(2026, 3, 2), 1);
    ASSERT_FALSE(deleted.isEmpty());
    EXPECT_EQ(deleted.first().id, entry);
    const QStringList parts = deleted.first().summary.split(QStringLiteral("; "));
    for (const char* part : {"ФИО: Ивашов Пётр", "Изделие: КР-1",
                             "Операция: Резка, Готовая продукция", "Кол-во: 100", "Брак: 2"}) {
        EXPECT_TRUE(parts.contains(QString::fromUtf8(part)))
            << part << " in " << deleted.first().summary.toStdString();
    }
}

}  // namespace
}  // namespace tabel::data
