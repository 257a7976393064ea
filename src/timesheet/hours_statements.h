#pragma once
// The statement of the hours timesheet's pages, in one place.

namespace tabel::data {
class Dataset;
}

namespace tabel::timesheet {

// Makes `page` the hours rows of shift `shift` (1..3) of the month in its parameters "mnth"
// and "yea", ordered by name.
void prepareHoursPage(data::Dataset& page, int shift);

}  // namespace tabel::timesheet
