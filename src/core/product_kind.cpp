#include "core/product_kind.h"

namespace tabel::core {

QString productKindText(int naimen) {
    return naimen == 0 ? QStringLiteral("Готовая продукция") : QStringLiteral("Заготовки");
}

QStringList productKindTexts() {
    return {productKindText(0), productKindText(1)};
}

QString productKindSql(const QString& column) {
    return QStringLiteral("(CASE WHEN %1=0 THEN '%2' ELSE '%3' END)")
        .arg(column, productKindText(0), productKindText(1));
}

QString operationDescription(const QString& marka, const QString& vid, int naimen) {
    return marka + QStringLiteral("; ") + vid + QStringLiteral("; ") + productKindText(naimen);
}

}  // namespace tabel::core
