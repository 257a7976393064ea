#include "data/field.h"

#include "data/dataset.h"
#include "data/value_conversion.h"

namespace tabel::data {

QString Field::name() const {
    return dataset_->fieldName(column_);
}

bool Field::readOnly() const {
    return dataset_->fieldReadOnly(column_);
}

QVariant Field::value() const {
    return dataset_->currentValue(column_);
}

bool Field::isNull() const {
    return value().isNull();
}

QString Field::asString() const {
    const QVariant v = value();
    return v.isNull() ? QString() : v.toString();
}

int Field::asInteger() const {
    const QVariant v = value();
    return v.isNull() ? 0 : toInt32(v);
}

qint64 Field::asInt64() const {
    const QVariant v = value();
    return v.isNull() ? 0 : toInt64(v);
}

double Field::asFloat() const {
    const QVariant v = value();
    return v.isNull() ? 0.0 : toDouble(v);
}

void Field::setValue(const QVariant& value) {
    dataset_->setBufferValue(column_, value);
}

}  // namespace tabel::data
