#pragma once
// A statement executed without reading a result.

#include <QStringList>
#include <QVariant>

#include "data/parameters.h"

namespace tabel::data {

class Connection;

class Command {
public:
    Command(Connection* connection, const QString& name, const QStringList& lines = {});

    void setText(const QString& text) { setSql(QStringList{text}); }
    void setSql(const QStringList& lines);
    QString text() const { return lines_.join(QLatin1Char('\n')); }
    const QString& name() const { return name_; }

    void setParam(const QString& name, const QVariant& value) { params_.setValue(name, value); }
    QVariant param(const QString& name) const { return params_.value(name); }

    // Throws DbError; returns the number of rows the statement touched.
    int execute();
    // A write keyed by one row's id: throws DbError (RowGone) when no row was touched, so a
    // row deleted meanwhile is never reported as written.
    void executeOnRow();

private:
    Connection* connection_;
    QString name_;
    QStringList lines_;
    Parameters params_;
};

}  // namespace tabel::data
