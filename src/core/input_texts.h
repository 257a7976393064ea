#pragma once
// The sentences several windows answer bad input with, each written once.

#include <QString>

namespace tabel::core {

inline const QString kFillAllFields = QStringLiteral("Все поля должны быть заполнены!");

// "Количество "abc" не является числом!"
inline QString notANumber(const QString& caption, const QString& typed) {
    return QStringLiteral("%1 \"%2\" не является числом!").arg(caption, typed.trimmed());
}
inline QString quantityNotANumber(const QString& typed) {
    return notANumber(QStringLiteral("Количество"), typed);
}

}  // namespace tabel::core
