#include "data/command.h"

#include "data/connection.h"
#include "data/errors.h"

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
    return connection_->run(params_.positionalText(), params_.positionalValues()).rowsAffected;
}

void Command::executeOnRow() {
    if (execute() == 0) {
        throw rowGoneError();
    }
}

}  // namespace tabel::data
