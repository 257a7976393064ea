#include "data/versioned_writes.h"

#include "data/errors.h"
#include "data/parameters.h"

namespace tabel::data {

namespace {

QVariant versionValue(const QString& version) {
    return version.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(version);
}

[[noreturn]] void throwVersionConflict(Connection& connection, const QString& table, int id) {
    const bool exists =
        connection
            .scalar(QStringLiteral("select count(*) from %1 where id=:id").arg(table),
                    {{QStringLiteral("id"), id}})
            .toInt() > 0;
    throw exists ? rowChangedError() : rowGoneError();
}

}  // namespace

QVariant decimalValue(const std::optional<core::Decimal>& value) {
    // Text, so that no binary approximation stands between what was typed and what is stored.
    return value ? QVariant(value->toString()) : QVariant(QMetaType::fromType<QString>());
}

QVariant integerValue(const std::optional<int>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<int>());
}

QList<QVariant> firstRow(Connection& connection, const QString& text, const Bindings& bindings) {
    Parameters parameters;
    parameters.parse(text);
    for (const auto& [name, value] : bindings) {
        parameters.setValue(name, value);
    }
    const StatementResult result =
        connection.run(parameters.positionalText(), parameters.positionalValues());
    return result.rows.isEmpty() ? QList<QVariant>() : result.rows.first();
}

QString updateAsOf(Connection& connection, const QString& table, int id, const QString& version,
                   const QString& update, Bindings bindings) {
    bindings.append({QStringLiteral("id"), id});
    bindings.append({QStringLiteral("ver"), versionValue(version)});
    const QList<QVariant> row = firstRow(connection, update, bindings);
    if (row.isEmpty()) {
        throwVersionConflict(connection, table, id);
    }
    return row.first().toString();
}

void deleteAsOf(Connection& connection, const QString& table, int id, const QString& version) {
    if (connection.execute(
            QStringLiteral(
                "delete from %1 where id=:id and xmin::text = coalesce(:ver, xmin::text)")
                .arg(table),
            {{QStringLiteral("id"), id}, {QStringLiteral("ver"), versionValue(version)}}) == 0) {
        throwVersionConflict(connection, table, id);
    }
}

QString storedVersion(Connection& connection, const QString& table, int id) {
    return connection
        .scalar(QStringLiteral("select xmin::text from %1 where id=:id").arg(table),
                {{QStringLiteral("id"), id}})
        .toString();
}

}  // namespace tabel::data
