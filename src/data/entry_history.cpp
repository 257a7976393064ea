#include "data/entry_history.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "core/numbers.h"
#include "data/connection.h"

namespace tabel::data {

namespace {

const QString kColumns = QStringLiteral(
    "select h.id_smena, h.at, h.login, h.action, h.changes::text from accounts_dep.smena_history "
    "h ");

QList<HistoryRecord> recordsOf(const StatementResult& result) {
    QList<HistoryRecord> records;
    records.reserve(result.rows.size());
    for (const QList<QVariant>& row : result.rows) {
        records.append({row[0].toInt(), row[1].toDateTime(), row[2].toString(), row[3].toString(),
                        row[4].toString()});
    }
    return records;
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
    const QDate date = QDate::fromString(text, Qt::ISODate);
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
    return recordsOf(connection.run(
        kColumns + QStringLiteral("where h.id_smena = ? order by h.at, h.id"), {entryId}));
}

QList<HistoryRecord> periodHistory(Connection& connection, const QDate& from, const QDate& to) {
    // The day's bounds in the server's time zone; the index on "at" serves the range.
    return recordsOf(connection.run(
        kColumns +
            QStringLiteral("where h.at >= ?::date and h.at < ?::date + 1 order by h.at, h.id"),
        {from, to}));
}

QList<DeletedEntry> deletedEntries(Connection& connection, const QDate& date, int shift) {
    const StatementResult result =
        connection.run(QStringLiteral("select h.id_smena, h.at, h.login, h.changes::text "
                                      "from accounts_dep.smena_history h "
                                      "where h.action = 'delete' and h.data = ? and h.smena = ? "
                                      "order by h.at desc, h.id desc"),
                       {date, shift});
    QList<DeletedEntry> entries;
    for (const QList<QVariant>& row : result.rows) {
        entries.append({row[0].toInt(), row[1].toDateTime(), row[2].toString(),
                        changesText(row[3].toString())});
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

QString changesText(const QString& changesJson) {
    const QJsonObject changes = QJsonDocument::fromJson(changesJson.toUtf8()).object();
    QStringList parts;
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        const QJsonObject change = it.value().toObject();
        const bool hasOld = change.contains(QLatin1String("old"));
        const bool hasNew = change.contains(QLatin1String("new"));
        QString text = columnCaption(it.key()) + QStringLiteral(": ");
        if (hasOld && hasNew) {
            text += valueText(change.value(QLatin1String("old"))) + QStringLiteral(" → ") +
                    valueText(change.value(QLatin1String("new")));
        } else {
            text += valueText(change.value(QLatin1String(hasNew ? "new" : "old")));
        }
        parts.append(text);
    }
    return parts.join(QStringLiteral("; "));
}

}  // namespace tabel::data
