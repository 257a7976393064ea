// Splitting an entry between its brigade: evenly, by participation coefficient (КТУ) or by
// hours. A table of brigades is divided on the server and every row written is compared with
// the division the entry dialog previews, and both with the pieces worked out by hand; the
// dialog itself is driven once, from typing a coefficient to the rows written.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTableWidget>

#include "core/brigade_split.h"
#include "data/brigade.h"
#include "data/connection.h"
#include "data/entry_writes.h"
#include "entry_test.h"
#include "test_db.h"

namespace tabel::shiftlog {
namespace {

using core::BrigadeSplit;
using core::Decimal;

Decimal dec(const char* text) {
    return *Decimal::fromText(QString::fromLatin1(text));
}

// The rows of the entry's date as "code:quantity/defects/hours" (the entry's worker first,
// then by code) and their pay, exactly.
struct Written {
    QStringList rows;
    QList<Decimal> pays;
};
Written writtenOn(const QDate& date, int owner) {
    const QStringList rows =
        test::adminQuery(
            QStringLiteral("select string_agg(concat_ws(';', w_id, kol_vo, brak, time, cena, "
                           "(select h.d%1 from accounts_dep.h_tabel h where h.w_id = s.w_id and "
                           "h.smena = s.smena and h.month = %2 and h.year = %3)), '|' "
                           "order by s.w_id <> %4, s.w_id) from accounts_dep.smena s "
                           "where s.data = '%5'")
                .arg(date.day())
                .arg(date.month())
                .arg(date.year())
                .arg(owner)
                .arg(date.toString(Qt::ISODate)))
            .split(u'|');
    Written written;
    for (const QString& row : rows) {
        const QStringList f = row.split(u';');
        const Decimal quantity = *Decimal::fromText(f[1]);
        const int defects = f[2].toInt();
        EXPECT_EQ(f[3], f[5]) << "the timesheet's day of " << f[0].toStdString();
        written.rows.append(QStringLiteral("%1:%2/%3/%4")
                                .arg(f[0], quantity.toDisplayText())
                                .arg(defects)
                                .arg(f[3]));
        Decimal pay = *Decimal::fromText(f[4]);
        Decimal good = quantity;
        good.add(Decimal::fromInteger(-defects));
        pay.multiply(good);
        written.pays.append(pay);
    }
    return written;
}

QStringList rowsOf(const core::BrigadeDivision& division) {
    QStringList rows;
    for (const core::BrigadeShare& share : division.shares) {
        rows.append(QStringLiteral("%1:%2/%3/%4")
                        .arg(share.workerCode)
                        .arg(share.quantity.toDisplayText())
                        .arg(share.defects)
                        .arg(share.hours));
    }
    return rows;
}

class BrigadeSplitTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }
    void SetUp() override { test::connectAs(master, QStringLiteral("master")); }

    data::Connection master{QStringLiteral("brigade_master")};
};

// Persons 1, 2, 4, 5 have the codes 101, 102, 104, 105; the entry is Петров's (103, person 3).
TEST_F(BrigadeSplitTest, ThePreviewIsWhatTheDivisionWritesToTheKopeck) {
    const struct {
        const char* what;
        BrigadeSplit split;
        const char* quantity;
        int defects;
        const char* price;
        int hours;
        // Lines as "person:ktu:hours" (hours 0: none given).
        const char* lines;
        const char* expected;  // "code:quantity/defects/hours" each
    } cases[] = {
        {"even, as it always was", BrigadeSplit::Even, "10", 0, "2", 8, "1:2:0 2:1:0 4:0.5:0",
         "103:4/0/8 101:2/0/8 102:2/0/8 104:2/0/8"},
        {"even, a fraction stays", BrigadeSplit::Even, "10,5", 3, "1.25", 6, "1:1:0",
         "103:6,5/2/6 101:4/1/6"},
        {"coefficients with remainders", BrigadeSplit::Ktu, "7", 2, "1.25", 8, "3:1.5:0 1:0.75:0",
         "103:4/1/8 101:3/1/8"},
        {"five members, equal remainders", BrigadeSplit::Ktu, "13", 3, "0.125", 8,
         "1:1:0 2:1:0 4:1:0 5:1:0", "103:3/1/8 101:3/1/8 102:3/1/8 104:2/0/8 105:2/0/8"},
        {"coefficients, prices of four places", BrigadeSplit::Ktu, "23", 3, "3.3333", 8,
         "1:0.5:0 2:2.5:0 4:1.25:0 5:0.75:0", "103:4/1/8 101:2/0/8 102:9/1/8 104:5/1/8 105:3/0/8"},
        {"defects only", BrigadeSplit::Ktu, "3", 3, "2", 8, "1:2:0", "103:1/1/8 101:2/2/8"},
        {"nothing made", BrigadeSplit::Ktu, "0", 0, "2", 8, "1:2:0 2:1:0",
         "103:0/0/8 101:0/0/8 102:0/0/8"},
        {"hours, the entry's own", BrigadeSplit::Hours, "9,5", 0, "0.3333", 8, "2:1:4",
         "103:6,5/0/8 102:3/0/4"},
        {"hours, the worker listed himself", BrigadeSplit::Hours, "5", 1, "1.1", 8, "3:1:2 4:1:6",
         "103:1/0/2 104:4/1/6"},
        {"one member", BrigadeSplit::Ktu, "11", 0, "0.5", 4, "5:9.99:0", "103:1/0/4 105:10/0/4"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ++n;
        const QDate date(2027, 2, n);
        const int id = 5000 + n;
        QString setUp = QStringLiteral(
                            "insert into accounts_dep.smena (id, data, smena, w_id, "
                            "i_id, o_id, cena, kol_vo, brak, time, id_doc, "
                            "id_doc_item) values (%1, '%2', 1, 103, 1, 1, %3, %4, %5, "
                            "%6, 1, 11);")
                            .arg(id)
                            .arg(date.toString(Qt::ISODate), QString::fromLatin1(c.price),
                                 QString::fromLatin1(c.quantity).replace(u',', u'.'))
                            .arg(c.defects)
                            .arg(c.hours);
        for (const QString& line : QString::fromLatin1(c.lines).split(u' ')) {
            const QStringList f = line.split(u':');
            setUp +=
                QStringLiteral(
                    "insert into accounts_dep.person_temp (id_smena, id_person, "
                    "ktu, hours) values (%1, %2, %3, %4);")
                    .arg(id)
                    .arg(f[0], f[1], f[2] == QLatin1String("0") ? QStringLiteral("null") : f[2]);
        }
        test::adminExec(setUp);

        const data::Entry entry = data::readEntry(master, id);
        const core::BrigadeDivision preview = core::divideBrigade(
            data::brigadeEntryOf(entry), data::readBrigade(master, id).lines, c.split);
        EXPECT_TRUE(preview.refusal.isEmpty()) << preview.refusal.toStdString();
        EXPECT_EQ(rowsOf(preview).join(u' ').toStdString(), c.expected);

        data::divideEntry(master, id, c.split);
        const Written written = writtenOn(date, 103);
        EXPECT_EQ(written.rows.join(u' ').toStdString(), rowsOf(preview).join(u' ').toStdString());
        ASSERT_EQ(written.pays.size(), preview.shares.size());
        Decimal total;
        for (int i = 0; i < written.pays.size(); ++i) {
            EXPECT_EQ(written.pays[i], preview.shares[i].pay) << i;
            total.add(written.pays[i]);
        }
        // The members' pay adds up to the entry's, exactly.
        Decimal entryPay = entry.price;
        Decimal good = entry.quantity;
        good.add(Decimal::fromInteger(-entry.defects));
        entryPay.multiply(good);
        EXPECT_EQ(total, entryPay);
        EXPECT_EQ(test::adminQuery(QStringLiteral("select count(*) from accounts_dep.person_temp "
                                                  "where id_smena = %1")
                                       .arg(id)),
                  QStringLiteral("0"));
    }
}

// What the server refuses, the preview tells in the same words, and nothing is written.
TEST_F(BrigadeSplitTest, APreviewThatCannotBeWrittenSaysWhy) {
    test::adminExec(QStringLiteral(
        "insert into accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time, "
        "id_doc, id_doc_item) values (5101, '2027-03-01', 1, 103, 1, 1, 2, 10, 8, 1, 11); "
        "insert into accounts_dep.person_temp (id_smena, id_person, hours) values "
        "(5101, 1, 4), (5101, 2, null), (5101, 4, null)"));
    const data::Entry entry = data::readEntry(master, 5101);
    const core::BrigadeDivision preview = core::divideBrigade(
        data::brigadeEntryOf(entry), data::readBrigade(master, 5101).lines, BrigadeSplit::Hours);
    EXPECT_TRUE(preview.shares.isEmpty());
    EXPECT_EQ(preview.refusal.toStdString(), "Не заданы часы: Ивашов Пётр,   Сидоров С.С. ");
    try {
        data::divideEntry(master, 5101, BrigadeSplit::Hours);
        ADD_FAILURE() << "divided";
    } catch (const data::DbError& error) {
        EXPECT_TRUE(QString::fromStdString(error.what()).contains(preview.refusal)) << error.what();
    }
    EXPECT_EQ(test::adminQuery(
                  QStringLiteral("select string_agg(concat_ws(':', w_id, kol_vo, time), ' ') from "
                                 "accounts_dep.smena where data = '2027-03-01'")),
              QStringLiteral("103:10:8"));
    EXPECT_EQ(test::adminQuery(QStringLiteral("select string_agg(split, ' ' order by id) from "
                                              "accounts_dep.person_temp where id_smena = 5101")),
              QStringLiteral("even even even"));
}

TEST(BrigadeFigures, CoefficientsAndHoursInRange) {
    for (const char* ktu : {"0.01", "1", "9.99", "2.5"}) {
        EXPECT_TRUE(core::ktuAllowed(dec(ktu))) << ktu;
    }
    for (const char* ktu : {"0", "0.001", "10", "9.991", "-1", "1.234"}) {
        EXPECT_FALSE(core::ktuAllowed(dec(ktu))) << ktu;
    }
    EXPECT_TRUE(core::hoursAllowed(1));
    EXPECT_TRUE(core::hoursAllowed(24));
    EXPECT_FALSE(core::hoursAllowed(0));
    EXPECT_FALSE(core::hoursAllowed(25));
}

// The dialog: a coefficient typed in the list, the split chosen above it; the preview under the
// list shows what "Сохранить" then writes.
class BrigadeDialogTest : public EntryTest {
protected:
    widgets::DatasetModel* brigadeModel() { return ui.brigadeGrid->source()->model(); }
    int column(const char* field) { return ui.brigadeGrid->columnOf(QString::fromLatin1(field)); }

    void typeCell(int row, const char* field, const QString& text) {
        widgets::DataGrid* cells = ui.brigadeGrid;
        const QModelIndex index = brigadeModel()->index(row, column(field));
        cells->setFocus();
        cells->setCurrentIndex(index);
        QCoreApplication::processEvents();
        cells->edit(index);
        auto* editor = qobject_cast<QLineEdit*>(cells->indexWidget(index));
        ASSERT_NE(editor, nullptr) << row << "," << field;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    // The preview's rows as "name/quantity/defects/hours/pay", joined by " | ".
    std::string previewRows() {
        auto* table = test::childNamed<QTableWidget>(dialog, QStringLiteral("splitPreview"));
        QStringList rows;
        for (int row = 0; row < table->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < table->columnCount(); ++column) {
                const QTableWidgetItem* item = table->item(row, column);
                cells.append(item != nullptr ? item->text() : QString());
            }
            rows.append(cells.join(u'/'));
        }
        return rows.join(QStringLiteral(" | ")).toStdString();
    }
    QString previewNote() {
        return test::childNamed<QLabel>(dialog, QStringLiteral("splitPreviewNote"))->text();
    }
    QRadioButton* splitButton(const char* name) {
        return test::childNamed<QRadioButton>(dialog, QString::fromLatin1(name));
    }
};

TEST_F(BrigadeDialogTest, ACoefficientTypedInTheListSplitsTheEntryAsThePreviewShows) {
    std::string shown;
    inAddDialog([&] {
        fillNewEntry();  // Петров, 5 pieces at 1,25 in 4 hours
        ui.quantityEdit->setText(QStringLiteral("7"));
        ui.defectsEdit->setText(QStringLiteral("1"));
        QTest::mouseClick(ui.saveButton, Qt::LeftButton);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        EXPECT_TRUE(splitButton("splitEvenButton")->isChecked());
        pickWorker(ui.addMemberButton, QStringLiteral("Иванов Иван Иванович"));
        pickWorker(ui.addMemberButton, QStringLiteral("Ивашов Пётр"));
        ASSERT_EQ(ui.brigade().recordCount(), 2);
        EXPECT_EQ(brigadeModel()->headerData(column("ktu"), Qt::Horizontal, Qt::DisplayRole),
                  QStringLiteral("КТУ"));
        EXPECT_EQ(brigadeModel()->index(0, column("ktu")).data().toString(),
                  QStringLiteral("1,00"));
        EXPECT_EQ(brigadeModel()->rowCount(), 2);  // no row to append: members come from a list
        // Evenly: 6 good pieces and one defect over three, the rest to Петров.
        EXPECT_EQ(previewRows(),
                  "Петров Пётр Петрович/3/1/4/2,50 | Иванов Иван Иванович/2/0/4/2,50 | "
                  "Ивашов Пётр/2/0/4/2,50 | Итого/7/1//7,50");

        typeCell(0, "ktu", QStringLiteral("2,5"));
        typeCell(1, "ktu", QStringLiteral("0,5"));
        QTest::keyClick(ui.brigadeGrid, Qt::Key_Up);  // leaving the row stores it
        QCoreApplication::processEvents();
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        EXPECT_EQ(test::adminQuery(QStringLiteral("select string_agg(ktu::text, ' ' order by id) "
                                                  "from accounts_dep.person_temp")),
                  QStringLiteral("2.50 0.50"));
        splitButton("splitKtuButton")->click();
        // Weights 1 : 2,5 : 0,5 of 6 good pieces are 1,5 / 3,75 / 0,75: the two pieces left go
        // to the two equal largest remainders, Иванов's and Ивашов's; the defect to Иванов.
        shown = previewRows();
        EXPECT_EQ(shown,
                  "Петров Пётр Петрович/1/0/4/1,25 | Иванов Иван Иванович/5/1/4/5,00 | "
                  "Ивашов Пётр/1/0/4/1,25 | Итого/7/1//7,50");

        // A coefficient out of range is refused where it was typed, and stored nowhere.
        typeCell(1, "ktu", QStringLiteral("12"));
        QTest::mouseClick(ui.divideButton, Qt::LeftButton);
        EXPECT_EQ(messages.texts().join(u';').toStdString(), core::kKtuNotAllowed.toStdString());
        EXPECT_TRUE(dialog.isVisible());
        messages.clear();
        ui.brigade().cancel();
        brigadeModel()->refreshPendingRow();

        // By hours, a member without hours: the preview says what the server would.
        splitButton("splitHoursButton")->click();
        EXPECT_EQ(previewRows(), "");
        EXPECT_EQ(previewNote().toStdString(), "Не заданы часы: Иванов Иван Иванович, Ивашов Пётр");

        splitButton("splitKtuButton")->click();
        EXPECT_EQ(previewRows(), shown);
        QTest::mouseClick(ui.divideButton, Qt::LeftButton);
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(';').toStdString();
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(test::adminQuery(
                  QStringLiteral(
                      "select string_agg(concat_ws(':', w_id, kol_vo, brak, time, "
                      "round((kol_vo::numeric - brak) * cena::numeric, 2)), ' ' order by w_id) "
                      "from accounts_dep.smena where data = '2026-03-02' and id >= 10"))
                  .toStdString(),
              "101:5:1:4:5.00 102:1:0:4:1.25 103:1:0:4:1.25");
}

}  // namespace
}  // namespace tabel::shiftlog
