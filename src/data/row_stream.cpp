// Connection::stream: a select read through a server-side cursor. psqlODBC reads a whole result
// into the driver's memory before it hands out the first row, so even rows dropped as they come
// would all sit on this side at once; FETCH keeps at most one block here.
#include "data/connection.h"

#include <algorithm>
#include <optional>

namespace tabel::data {

namespace {
const QString kCursor = QStringLiteral("tabel_stream");
}  // namespace

void Connection::stream(const QString& text, const QList<QVariant>& bindings,
                        const ColumnTyper& typer, const BlockFn& take, int blockRows) {
    blockRows = std::max(blockRows, 1);
    // A cursor without hold lives only as long as its transaction; the rollback or commit of
    // inTransaction closes it on every way out, a throw from `take` included.
    inTransaction([&] {
        // Every row is read: plan for all of them, not for a fast first tenth as for a cursor.
        run(QStringLiteral("set local cursor_tuple_fraction = 1"));
        run(QStringLiteral("declare %1 no scroll cursor for\n").arg(kCursor) + text, bindings);
        const QString fetch =
            QStringLiteral("fetch forward %1 from %2").arg(blockRows).arg(kCursor);
        // The next block is read on the connection's thread while `take` lays out this one: the
        // fetching and converting overlap the caller's work, with two blocks here at most.
        std::optional<PendingRun> next = postRun(fetch, {}, typer);
        while (next) {
            const StatementResult block = awaitRun(*next);
            next.reset();
            if (block.rows.size() >= blockRows) {
                next = postRun(fetch, {}, typer);
            }
            try {
                take(block);
            } catch (...) {
                if (next) {
                    // Its answer is not wanted, but the rollback must not overtake it.
                    try {
                        awaitRun(*next);
                    } catch (...) {
                    }
                }
                throw;
            }
        }
    });
}

}  // namespace tabel::data
