#include "reportengine/group_breaks.h"

namespace tabel::reportengine {

namespace {

bool isNumber(const QVariant& v) {
    switch (v.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool GroupBreaks::sameKey(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) {
        return a.isNull() == b.isNull();
    }
    if (isNumber(a) && isNumber(b)) {
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
