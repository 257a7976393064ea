#pragma once
// Which group levels a row opens: keeps the current key of every level.

#include <QList>
#include <QVariant>

namespace tabel::reportengine {

class GroupBreaks {
public:
    explicit GroupBreaks(int levels) : levels_(levels) {}

    int levels() const { return levels_; }

    // The outermost level whose key differs from the previous row's (0 for the first row),
    // or levels() when the row continues every group. The caller prints the footers from the
    // innermost level out to that level, then the headers from it inward.
    int next(const QList<QVariant>& keys);

    // Two keys are the same group: nulls match nulls, numbers compare by value.
    static bool sameKey(const QVariant& a, const QVariant& b);

private:
    int levels_;
    bool started_ = false;
    QList<QVariant> keys_;
};

}  // namespace tabel::reportengine
