#pragma once
// A field of a dataset's current row, read or written by name.

#include <QString>
#include <QVariant>

namespace tabel::data {

class Dataset;

// How a field's values are read and kept; an undeclared field takes what the server sends.
enum class FieldType { Auto, String, Integer, Float, Numeric15, Date, DateTime };

struct FieldDef {
    QString name;
    FieldType type = FieldType::Auto;
    bool readOnly = false;
};

class Field {
public:
    Field(Dataset* dataset, int column) : dataset_(dataset), column_(column) {}

    QString name() const;
    bool readOnly() const;
    bool isNull() const;
    QVariant value() const;
    QString asString() const;  // null reads as ""
    int asInteger() const;     // throws ConversionError
    qint64 asInt64() const;    // throws ConversionError
    double asFloat() const;    // throws ConversionError

    // Only while the dataset is being edited or appended; throws DataError otherwise.
    void setValue(const QVariant& value);

private:
    Dataset* dataset_;
    int column_;
};

}  // namespace tabel::data
