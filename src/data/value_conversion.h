#pragma once
// How values read from the server are kept, and how fields convert them on request.

#include <QMetaType>
#include <QVariant>

#include "data/field.h"

namespace tabel::data {

FieldType fieldTypeOf(QMetaType metaType);

// Numbers arrive as text (high precision), so 15-digit keys stay exact: integral text becomes
// qint64, the rest double, unless the field's type says otherwise.
QVariant convertLoaded(const QVariant& raw, FieldType type);

// Throw ConversionError with the offending text.
qint64 toInt64(const QVariant& value);
int toInt32(const QVariant& value);
double toDouble(const QVariant& value);

}  // namespace tabel::data
