#pragma once
// Named parameters of a statement (":data", ":OK"), matched without regard to case and bound
// positionally, so every value reaches the server as a bound parameter.

#include <QList>
#include <QString>
#include <QVariant>

namespace tabel::data {

class Parameters {
public:
    // Reads the placeholders of `statement`; values of names that stay are kept.
    void parse(const QString& statement);

    // The statement with every placeholder replaced by '?'.
    const QString& positionalText() const { return positional_; }

    bool contains(const QString& name) const;
    // Throws DataError for a name the statement does not have.
    void setValue(const QString& name, const QVariant& value);
    QVariant value(const QString& name) const;

    // The values in the order of the '?' marks of positionalText().
    QList<QVariant> positionalValues() const;

private:
    struct Param {
        QString name;  // lower case
        QVariant value;
    };
    int indexOf(const QString& name) const;

    QList<Param> params_;
    QList<int> order_;  // param index of each '?' in positional_
    QString positional_;
};

}  // namespace tabel::data
