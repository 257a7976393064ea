#include "reportengine/group_breaks.h"

#include "core/numbers.h"

namespace tabel::reportengine {

bool GroupBreaks::sameKey(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) {
        return a.isNull() == b.isNull();
    }
    if (core::isNumeric(a) && core::isNumeric(b)) {
        return a.toDouble() == b.toDouble();
    }
    return a.toString() == b.toString();
}

int GroupBreaks::next(const QList<QVariant>& keys) {
    if (!started_) {
        started_ = true;
        keys_ = keys;
        return 0;
    }
    int changed = levels_;
    for (int level = 0; level < levels_; ++level) {
        if (!sameKey(keys_.value(level), keys.value(level))) {
            changed = level;
            break;
        }
    }
    keys_ = keys;
    return changed;
}

}  // namespace tabel::reportengine
