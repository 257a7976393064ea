#pragma once
// Sort texts of datasets ("fio ASC", "id_doc DESC, fio ASC") and the order of field values.

#include <QList>
#include <QString>
#include <QVariant>

#include <stdexcept>

namespace tabel::core {

struct SortKey {
    QString field;
    bool descending = false;

    friend bool operator==(const SortKey&, const SortKey&) = default;
};

class SortTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Keys separated by commas, each a field name with an optional ASC or DESC (any letter case,
// ASC when absent). A blank text gives no keys. Throws SortTextError on anything else.
QList<SortKey> parseSortOrder(const QString& text);

// Order of two field values for sorting: <0, 0 or >0.
// Nulls (invalid QVariant) come first, then numbers, dates and date-times, times, texts,
// anything else (by its text). Numbers compare numerically across integer and floating types;
// a date counts as the start of its day beside a date-time. Texts follow Russian collation:
// Cyrillic alphabetical (Е and Ё together), letter case only breaking ties (lower case first),
// then plain code order so that different texts never compare equal.
// Values of different kinds never compare equal, a number and a text included: keep a
// column's values of one type.
int compareValues(const QVariant& a, const QVariant& b);

}  // namespace tabel::core
