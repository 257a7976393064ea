#pragma once
// The operations list as a spreadsheet: mark, operation, price and stage of every operation.

namespace tabel::data {
class Dataset;
}

namespace tabel::reports {

class Spreadsheet;

// Gives `rows` the export's statement and field types.
void setUpOperationsExport(data::Dataset& rows);

// The title row and one row per operation of the open `rows` into an opened `sheet`.
void writeOperations(data::Dataset& rows, Spreadsheet& sheet);

}  // namespace tabel::reports
