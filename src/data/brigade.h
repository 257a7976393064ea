#pragma once
// The brigade of an entry as stored in accounts_dep.person_temp: its lines with each member's
// participation coefficient and hours, their split, and the division that writes it.

#include <QList>
#include <QStringList>
#include <optional>

#include "core/brigade_split.h"
#include "data/entry.h"

namespace tabel::data {

class Connection;
class Dataset;

// Makes `brigade` the list of an entry's brigade lines (parameter s_id, the entry): id,
// s_caption, w_code (the person's worker code, null when he has none), ktu (as text, exact),
// hours, split; ktu and hours may be edited.
void bindBrigade(Dataset& brigade);
// The line at `row` of such a list, as stored.
core::BrigadeLine brigadeLineAt(const Dataset& brigade, int row);
// The split stored with the lines at `row` of such a dataset.
std::optional<core::BrigadeSplit> brigadeSplitAt(const Dataset& brigade, int row);

struct Brigade {
    QList<core::BrigadeLine> lines;
    std::optional<core::BrigadeSplit> split;  // none without lines
};
Brigade readBrigade(Connection& connection, int entryId);

// What the division starts from: the saved entry.
core::BrigadeEntry brigadeEntryOf(const Entry& entry);

// Stores a member's coefficient and hours (none: not given), checked by the caller with
// core::ktuAllowed and core::hoursAllowed; the table refuses others too.
void changeBrigadeLine(Connection& connection, qint64 lineId, const core::Decimal& ktu,
                       std::optional<int> hours);

// Writes `split` to every line of the entry's brigade and divides the entry between its worker
// and the brigade, which is emptied; one transaction.
void divideEntry(Connection& connection, int entryId, core::BrigadeSplit split);

}  // namespace tabel::data
