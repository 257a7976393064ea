#pragma once
// The statements of the shift log's lists, in one place.

namespace tabel::data {
class Dataset;
}

namespace tabel::shiftlog {

// Makes `list` the entries of shift `shift` (1..4) of the date in its parameter "data".
void prepareShiftList(data::Dataset& list, int shift);

}  // namespace tabel::shiftlog
