#include "app/version_check.h"

#include "data/command.h"
#include "data/connection.h"
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
    const data::CloseOnExit closeOnExit(ver);
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
        // Raising the row ends every older program, so only the service account may; others
        // ask before trying, so that no refusal reaches anyone.
        data::Connection& connection = *ver.connection();
        // Nor on a standby, which takes no write: the primary gets it at the next login there.
        if (connection.readOnlyServer()) {
            return VersionVerdict::Newer;
        }
        if (!connection
                 .scalar(QStringLiteral("select has_function_privilege("
                                        "'accounts_dep.ver_stamp(integer, integer)', 'EXECUTE')"))
                 .toBool()) {
            return VersionVerdict::Newer;
        }
        // The row is written only by the server's stamp function, which never lowers it.
        data::Command stamp(&connection, QStringLiteral("ver_stamp"),
                            {QStringLiteral("select accounts_dep.ver_stamp(:d, :t)")});
        stamp.setParam(QStringLiteral("d"), build.date);
        stamp.setParam(QStringLiteral("t"), build.time);
        stamp.execute();
        return VersionVerdict::Stamped;
    }
    return order > 0 ? VersionVerdict::Older : VersionVerdict::Current;
}

}  // namespace tabel::app
