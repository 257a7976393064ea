#include "data/brigade.h"

#include "data/connection.h"
#include "data/dataset.h"

namespace tabel::data {

namespace {

// Columns of brigadeStatement().
enum Column { kId, kCaption, kCode, kKtu, kHours, kSplit };

core::BrigadeLine lineOf(const QList<QVariant>& row) {
    core::BrigadeLine line;
    if (!row[kCode].isNull()) {
        line.workerCode = row[kCode].toInt();
    }
    line.name = row[kCaption].toString();  // as the server's refusals name him
    line.ktu =
        core::Decimal::fromText(row[kKtu].toString()).value_or(core::Decimal::fromInteger(1));
    if (!row[kHours].isNull()) {
        line.hours = row[kHours].toInt();
    }
    return line;
}

}  // namespace

void bindBrigade(Dataset& brigade) {
    // One relation in FROM, so that the list may be a table cursor of person_temp (its
    // unqualified xmin); lines of a person the plant no longer has are left out, as the
    // division leaves them.
    brigade.setSql({
        QStringLiteral("select person_temp.id"),
        QStringLiteral("      ,(select person.s_caption from cmn_contractor.person person"),
        QStringLiteral("        where person.id = person_temp.id_person) as s_caption"),
        QStringLiteral("      ,(select accounts_dep.worker_code(person.s_code) from "
                       "cmn_contractor.person person"),
        QStringLiteral("        where person.id = person_temp.id_person) as w_code"),
        QStringLiteral("      ,person_temp.ktu::text as ktu"),
        QStringLiteral("      ,person_temp.hours"),
        QStringLiteral("      ,person_temp.split"),
        QStringLiteral("from accounts_dep.person_temp person_temp"),
        QStringLiteral("where person_temp.id_smena = :s_id"),
        QStringLiteral("  and exists (select 1 from cmn_contractor.person person where "
                       "person.id = person_temp.id_person)"),
        QStringLiteral("order by person_temp.id"),
    });
    using T = FieldType;
    brigade.setFieldDefs({{QStringLiteral("id"), T::Numeric15, true},
                          {QStringLiteral("w_code"), T::Integer, true},
                          {QStringLiteral("ktu"), T::String, false},
                          {QStringLiteral("hours"), T::Integer, false},
                          {QStringLiteral("split"), T::String, true}});
}

core::BrigadeLine brigadeLineAt(const Dataset& brigade, int row) {
    QList<QVariant> values;
    for (const char* name : {"id", "s_caption", "w_code", "ktu", "hours", "split"}) {
        values.append(brigade.valueAt(row, brigade.fieldIndex(QString::fromLatin1(name))));
    }
    return lineOf(values);
}

std::optional<core::BrigadeSplit> brigadeSplitAt(const Dataset& brigade, int row) {
    return core::splitOfCode(
        brigade.valueAt(row, brigade.fieldIndex(QStringLiteral("split"))).toString());
}

Brigade readBrigade(Connection& connection, int entryId) {
    Dataset lines(&connection, QStringLiteral("brigadeRead"));
    bindBrigade(lines);
    lines.setParam(QStringLiteral("s_id"), entryId);
    lines.open();
    Brigade brigade;
    for (int row = 0; row < lines.recordCount(); ++row) {
        brigade.lines.append(brigadeLineAt(lines, row));
        if (!brigade.split) {
            brigade.split = brigadeSplitAt(lines, row);
        }
    }
    return brigade;
}

core::BrigadeEntry brigadeEntryOf(const Entry& entry) {
    return {.workerCode = entry.workerId,
            .workerName = entry.workerName,
            .quantity = entry.quantity,
            .defects = entry.defects,
            .price = entry.price,
            .hours = entry.hours};
}

void changeBrigadeLine(Connection& connection, qint64 lineId, const core::Decimal& ktu,
                       std::optional<int> hours) {
    connection.execute(QStringLiteral("update accounts_dep.person_temp set ktu = cast(:ktu as "
                                      "numeric), hours = cast(:hours as smallint) where id = :id"),
                       {{QStringLiteral("ktu"), ktu.toString()},
                        {QStringLiteral("hours"), hours ? QVariant(*hours) : QVariant()},
                        {QStringLiteral("id"), lineId}});
}

void divideEntry(Connection& connection, int entryId, core::BrigadeSplit split) {
    connection.inTransaction([&] {
        connection.execute(QStringLiteral("update accounts_dep.person_temp set split = :split "
                                          "where id_smena = :id_smena and split <> :split"),
                           {{QStringLiteral("split"), core::splitCode(split)},
                            {QStringLiteral("id_smena"), entryId}});
        connection.scalar(QStringLiteral("select accounts_dep.divide_between_person(:id_smena)"),
                          {{QStringLiteral("id_smena"), entryId}});
    });
}

}  // namespace tabel::data
