#include "app/version_check.h"

#include "data/dataset.h"

namespace tabel::app {

namespace {

int compare(const BuildStamp& a, const BuildStamp& b) {
    if (a.date != b.date) {
        return a.date < b.date ? -1 : 1;
    }
    if (a.time != b.time) {
        return a.time < b.time ? -1 : 1;
    }
    return 0;
}

}  // namespace

VersionVerdict checkVersion(data::Dataset& ver, const BuildStamp& build) {
    struct CloseOnExit {
        data::Dataset& dataset;
        ~CloseOnExit() { dataset.close(); }
    } closeOnExit{ver};
    ver.close();
    ver.open();
    ver.first();
    BuildStamp recorded;
    if (!ver.isEmpty()) {
        recorded = {ver.field(QStringLiteral("d")).asInteger(),
                    ver.field(QStringLiteral("t")).asInteger()};
    }
    const int order = compare(recorded, build);
    if (order < 0) {
        ver.isEmpty() ? ver.append() : ver.edit();
        ver.field(QStringLiteral("d")).setValue(build.date);
        ver.field(QStringLiteral("t")).setValue(build.time);
        ver.post();
        return VersionVerdict::Stamped;
    }
    return order > 0 ? VersionVerdict::Older : VersionVerdict::Current;
}

}  // namespace tabel::app
