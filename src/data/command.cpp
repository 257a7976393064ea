#include "data/command.h"

#include <QSqlError>
#include <QSqlQuery>

#include "data/connection.h"

namespace tabel::data {

Command::Command(Connection* connection, const QString& name, const QStringList& lines)
    : connection_(connection), name_(name) {
    setSql(lines);
}

void Command::setSql(const QStringList& lines) {
    lines_ = lines;
    params_.parse(text());
}

int Command::execute() {
    QSqlQuery query(connection_->database());
    if (!query.prepare(params_.positionalText())) {
        connection_->fail(query.lastError());
    }
    params_.bindTo(query);
    if (!query.exec()) {
        connection_->fail(query.lastError());
    }
    const int affected = query.numRowsAffected();
    query.finish();
    return affected;
}

}  // namespace tabel::data
