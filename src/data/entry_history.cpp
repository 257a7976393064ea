#include "data/entry_history.h"
#include "data/entry_writes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "core/numbers.h"
#include "core/product_kind.h"
#include "data/connection.h"

namespace tabel::data {

namespace {

// The history rows `where` picks, ordered by `order`, with the names of the workers, products
// and operations their changes mention. The codes of all the rows read are gathered and looked
// up together, three lookups for the whole read however many rows it has, and the names come
// once, on the first row. The operation is told by its kind and stage, as the operations list
// gives them, with a comma: the history parts its columns with semicolons.
QString historyStatement(const QString& where, const QString& order) {
    return QStringLiteral(
               "with h as ("
               "select h.id, h.id_smena, h.at, h.login, h.action, h.changes "
               "from accounts_dep.smena_history h where %1), "
               "codes as ("
               "select distinct k.key, (x.code #>> '{}')::integer as code "
               "from h join (values ('w_id'), ('i_id'), ('o_id')) k (key) on "
               "jsonb_exists(h.changes, k.key) "
               "cross join lateral (values (h.changes -> k.key -> 'old'), "
               "(h.changes -> k.key -> 'new')) x (code) "
               "where jsonb_typeof(x.code) = 'number' and x.code #>> '{}' ~ '^[0-9]{1,9}$'), "
               "names as ("
               "select 'w_id' as key, w.s_code as code, w.s_caption as name "
               "from accounts_dep.v_worker w "
               "where w.s_code in (select c.code from codes c where c.key = 'w_id') "
               "union all "
               "select 'i_id', i.id, i.marka from accounts_dep.izdel i "
               "where i.id in (select c.code from codes c where c.key = 'i_id') "
               "union all "
               "select 'o_id', o.id, btrim(v.vid) || ', ' || %3 "
               "from accounts_dep.oper o join accounts_dep.vid_oper v on v.id = o.vid "
               "where o.id in (select c.code from codes c where c.key = 'o_id')) "
               "select h.id_smena, h.at, h.login, h.action, h.changes::text, "
               "case when row_number() over (order by %2) = 1 then "
               "(select jsonb_object_agg(n.key || ' ' || n.code, n.name)::text from names n) end "
               "from h order by %2")
        .arg(where, order, core::productKindSql(QStringLiteral("o.naimen")));
}

CodeNames namesOf(const QString& namesJson) {
    CodeNames names;
    const QJsonObject object = QJsonDocument::fromJson(namesJson.toUtf8()).object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString name = it.value().toString().trimmed();
        if (!name.isEmpty()) {
            names.insert(it.key(), name);
        }
    }
    return names;
}

QList<HistoryRecord> readHistory(Connection& connection, const QString& where, const QString& order,
                                 const QList<QVariant>& bindings) {
    const StatementResult result = connection.run(historyStatement(where, order), bindings);
    // One set of names for the whole read, shared by every record.
    const CodeNames names =
        result.rows.isEmpty() ? CodeNames() : namesOf(result.rows.first()[5].toString());
    QList<HistoryRecord> records;
    records.reserve(result.rows.size());
    for (const QList<QVariant>& row : result.rows) {
        records.append({row[0].toInt(), row[1].toDateTime(), row[2].toString(), row[3].toString(),
                        row[4].toString(), names});
    }
    return records;
}

const QString kEntryHistoryWhere = QStringLiteral("h.id_smena = ?");
const QString kHistoryOrder = QStringLiteral("h.at, h.id");

// The columns that hold a code the history tells by its name.
bool isNamedCode(const QString& column) {
    return column == QLatin1String("w_id") || column == QLatin1String("i_id") ||
           column == QLatin1String("o_id");
}

// Entry dialog captions of the columns; columns without one keep their database name.
QString columnCaption(const QString& column) {
    static const QList<std::pair<QString, QString>> captions{
        {QStringLiteral("data"), QStringLiteral("Дата")},
        {QStringLiteral("smena"), QStringLiteral("Смена")},
        {QStringLiteral("w_id"), QStringLiteral("ФИО")},
        {QStringLiteral("i_id"), QStringLiteral("Изделие")},
        {QStringLiteral("o_id"), QStringLiteral("Операция")},
        {QStringLiteral("cena"), QStringLiteral("Цена итог")},
        {QStringLiteral("kol_vo"), QStringLiteral("Кол-во")},
        {QStringLiteral("brak"), QStringLiteral("Брак")},
        {QStringLiteral("time"), QStringLiteral("Время")},
        {QStringLiteral("ok"), QStringLiteral("Принята")},
        {QStringLiteral("prize"), QStringLiteral("Премия (%)")},
        {QStringLiteral("color"), QStringLiteral("Цвет")},
        {QStringLiteral("vvod"), QStringLiteral("Заведен")},
        {QStringLiteral("id_doc"), QStringLiteral("Заявка")},
        {QStringLiteral("id_doc_item"), QStringLiteral("Строка")},
        {QStringLiteral("f_gds_qty_use"), QStringLiteral("Расход")},
        {QStringLiteral("f_qty_use"), QStringLiteral("Расход")},
        {QStringLiteral("id_gds_use"), QStringLiteral("ТМЦ")},
        {QStringLiteral("id_cons_use"), QStringLiteral("Партия")},
        {QStringLiteral("id_person"), QStringLiteral("Бригада")},
        {QStringLiteral("ktu"), QStringLiteral("КТУ")},
        {QStringLiteral("hours"), QStringLiteral("Часы")},
        {QStringLiteral("split"), QStringLiteral("Раздел")},
    };
    for (const auto& [name, caption] : captions) {
        if (name == column) {
            return caption;
        }
    }
    return column;
}

QString valueText(const QJsonValue& value) {
    if (value.isDouble()) {
        return core::formatGeneral(value.toDouble());
    }
    if (value.isNull() || value.isUndefined()) {
        return QStringLiteral("—");
    }
    QString text = value.toVariant().toString();
    // A date alone ("2026-03-02"); Qt would also read the date out of a time stamp and lose
    // its time.
    const QDate date = text.size() == 10 ? QDate::fromString(text, Qt::ISODate) : QDate();
    if (date.isValid()) {
        return date.toString(QStringLiteral("dd.MM.yyyy"));
    }
    const QDateTime stamp = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (stamp.isValid()) {
        return stamp.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    }
    return text.trimmed();
}

}  // namespace

QList<HistoryRecord> entryHistory(Connection& connection, int entryId) {
    return readHistory(connection, kEntryHistoryWhere, kHistoryOrder, {entryId});
}

QString entryHistoryStatement() {
    return historyStatement(kEntryHistoryWhere, kHistoryOrder);
}

QList<HistoryRecord> periodHistory(Connection& connection, const QDate& from, const QDate& to) {
    // The day's bounds in the server's time zone; the index on "at" serves the range.
    return readHistory(connection, QStringLiteral("h.at >= ?::date and h.at < ?::date + 1"),
                       kHistoryOrder, {from, to});
}

QList<DeletedEntry> deletedEntries(Connection& connection, const QDate& date, int shift) {
    const QList<HistoryRecord> deletions = readHistory(
        connection, QStringLiteral("h.action = 'delete' and h.data = ? and h.smena = ?"),
        QStringLiteral("h.at desc, h.id desc"), {date, shift});
    QList<DeletedEntry> entries;
    entries.reserve(deletions.size());
    for (const HistoryRecord& deletion : deletions) {
        entries.append({deletion.entryId, deletion.at, deletion.login,
                        changesText(deletion.changes, deletion.names)});
    }
    return entries;
}

QString actionText(const QString& action) {
    static const QList<std::pair<QString, QString>> texts{
        {QStringLiteral("insert"), QStringLiteral("Заведена")},
        {QStringLiteral("update"), QStringLiteral("Изменена")},
        {QStringLiteral("accept"), QStringLiteral("Принята")},
        {QStringLiteral("delete"), QStringLiteral("Удалена")},
        {QStringLiteral("material_add"), QStringLiteral("Материал добавлен")},
        {QStringLiteral("material_change"), QStringLiteral("Материал изменен")},
        {QStringLiteral("material_delete"), QStringLiteral("Материал удален")},
        {QStringLiteral("brigade_add"), QStringLiteral("В бригаду добавлен")},
        {QStringLiteral("brigade_change"), QStringLiteral("Бригада изменена")},
        {QStringLiteral("brigade_delete"), QStringLiteral("Из бригады удален")},
    };
    for (const auto& [name, text] : texts) {
        if (name == action) {
            return text;
        }
    }
    return action;
}

QString changesText(const QString& changesJson, const CodeNames& names) {
    const QJsonObject changes = QJsonDocument::fromJson(changesJson.toUtf8()).object();
    QStringList parts;
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        const QJsonObject change = it.value().toObject();
        const bool named = isNamedCode(it.key());
        const auto told = [&](const char* side) {
            const QJsonValue value = change.value(QLatin1String(side));
            if (named && value.isDouble()) {
                const QString name = names.value(it.key() + QLatin1Char(' ') +
                                                 QString::number(qint64(value.toDouble())));
                if (!name.isEmpty()) {
                    return name;
                }
            }
            if (it.key() == QLatin1String("split")) {
                // A brigade's split as the entry dialog names it.
                const QString code = value.toString();
                return code == QLatin1String("ktu")     ? QStringLiteral("по КТУ")
                       : code == QLatin1String("hours") ? QStringLiteral("по часам")
                       : code == QLatin1String("even")  ? QStringLiteral("поровну")
                                                        : valueText(value);
            }
            if (it.key() == QLatin1String("ktu") && value.isDouble()) {
                return core::formatMask(value.toDouble(), QStringLiteral("#0.00"));
            }
            if (it.key() == QLatin1String("ok")) {
                // The acceptance mark in words: "ok" and "да" are accepted, anything else not.
                return isAccepted(value.toString()) ? QStringLiteral("да") : QStringLiteral("нет");
            }
            return valueText(value);
        };
        const bool hasOld = change.contains(QLatin1String("old"));
        const bool hasNew = change.contains(QLatin1String("new"));
        QString text = columnCaption(it.key()) + QStringLiteral(": ");
        if (hasOld && hasNew) {
            const QString was = told("old");
            const QString is = told("new");
            if (was == is) {
                continue;  // changed below what is shown (the entry time of a day)
            }
            text += was + QStringLiteral(" → ") + is;
        } else {
            text += told(hasNew ? "new" : "old");
        }
        parts.append(text);
    }
    return parts.join(QStringLiteral("; "));
}

}  // namespace tabel::data
